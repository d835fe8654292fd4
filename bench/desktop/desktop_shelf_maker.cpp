// desktop_shelf_maker: writes a desktop shelf file holding COUNT replicants of
// the viewer's picture view, as if each had been dragged out of pelivant and
// dropped on the desktop, in a grid from (40, 40).
//
//   desktop_shelf_maker <picture> <count> <shelf file>
//
// For bench/desktop/desktop_start.sh; the desktop instantiates the views
// through the registry record pelivant leaves when it runs.

#include <Entry.h>
#include <Message.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "content/PLImageView.h"
#include "interface/ShelfFile.h"
#include "storage/AtomicFile.h"

int main(int argc, char** argv)
{
	if (argc != 4) {
		fprintf(stderr, "usage: %s <picture> <count> <shelf file>\n", argv[0]);
		return 2;
	}
	entry_ref ref;
	if (get_ref_for_path(argv[1], &ref) != B_OK) {
		fprintf(stderr, "desktop_shelf_maker: no file %s\n", argv[1]);
		return 1;
	}
	int count = atoi(argv[2]);
	std::vector<BMessage> entries;
	for (int i = 0; i < count; i++) {
		PLImageView view(ref);
		if (view.InitCheck() != B_OK) {
			fprintf(stderr, "desktop_shelf_maker: %s is no picture\n", argv[1]);
			return 1;
		}
		BMessage archive(B_ARCHIVED_OBJECT);
		if (view.Archive(&archive, true) != B_OK)
			return 1;
		BRect frame = view.Frame();
		float column = i % 5, row = i / 5;
		BMessage entry(BPrivate::kShelfEntryWhat);
		entry.AddInt32("uniqueid", i + 1);
		entry.AddMessage("message", &archive);
		entry.AddPoint("position", BPoint(40 + column * (frame.Width() + 20),
		                                  40 + row * (frame.Height() + 20)));
		entries.push_back(entry);
	}
	std::string bytes;
	if (BPrivate::flatten_shelf(entries, &bytes) != B_OK ||
	    BPrivate::write_file_atomically(argv[3], bytes.data(), bytes.size(), 0600) != B_OK) {
		fprintf(stderr, "desktop_shelf_maker: cannot write %s\n", argv[3]);
		return 1;
	}
	return 0;
}
