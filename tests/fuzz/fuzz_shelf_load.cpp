// Loads arbitrary bytes as a shelf file: the reader must take only whole
// entries and stay within its bounds; a shelf on an unattached view made from
// them must instantiate what it can, save, and read back what it saved.

#include <DataIO.h>
#include <Message.h>
#include <Shelf.h>
#include <View.h>

#include <stdlib.h>

#include <vector>

#include "interface/ShelfFile.h"

// Views read the font configuration, of which fontconfig keeps a few blocks
// for good (as tests/lsan.supp says for the test suites, which this run does
// not read).
extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	std::vector<BMessage> entries;
	BPrivate::read_shelf(data, size, &entries);
	if (entries.size() > BPrivate::kMaxShelfEntries)
		abort();
	for (const BMessage& entry : entries) {
		if (!BPrivate::is_shelf_entry(entry))
			abort();
	}

	BMallocIO stream;
	stream.WriteExactly(data, size);
	stream.Seek(0, SEEK_SET);
	BView container(BRect(0, 0, 99, 99), "container", B_FOLLOW_NONE, 0);
	int32 shown;
	int32 kept;
	{
		BShelf shelf(&stream, &container);
		shown = shelf.CountReplicants();
		kept = shelf.CountZombies();
		if (container.CountChildren() < shown)
			abort();
	}
	// What was saved is a whole file with every replicant and zombie.
	std::vector<BMessage> saved;
	if (BPrivate::read_shelf(stream.Buffer(), stream.BufferLength(), &saved) != B_OK ||
	    static_cast<int32>(saved.size()) != shown + kept)
		abort();
	return 0;
}
