// The bytes a drop delivers, through to the message a view is given. The
// first byte picks the type the sender announced (the platform's flattened
// message, text/uri-list, or something else); the rest is the data. Whatever
// is accepted must be a whole message that survives being marked dropped and
// copied, as the window does, and flatten again.

#include <AppDefs.h>
#include <Entry.h>
#include <Message.h>

#include <stdlib.h>

#include <string>

#include "display/DisplayDrag.h"
#include "interface/DropData.h"

using namespace BPrivate;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if (size < 1)
		return 0;
	static const char* const kTypes[] = {kDragMessageType, kUriListType, "text/plain"};
	const char* type = kTypes[data[0] % 3];
	auto payload = std::make_shared<DragPayload>();
	payload->offers.push_back(
	    DragPayload::Offer{type, std::string(reinterpret_cast<const char*>(data + 1), size - 1)});

	BMessage message('keep');
	status_t status = drop_message_from_payload(*payload, &message);
	if (status != B_OK) {
		if (message.what != 'keep' || !message.IsEmpty())
			abort(); // a refused drop leaves the message alone
		return 0;
	}
	if (type == kTypes[2])
		abort(); // no other type is ever taken
	if (type == kTypes[1]) {
		entry_ref ref;
		if (message.what != B_SIMPLE_DATA || message.FindRef("refs", &ref) != B_OK)
			abort();
	}

	BMessage dropped(message);
	mark_dropped(&dropped, BPoint(10, 20), BPoint(3, 4), true);
	BPoint offset;
	if (!dropped.WasDropped() || !dropped.IsSourceRemote() ||
	    dropped.DropPoint(&offset) != BPoint(10, 20) || offset != BPoint(3, 4))
		abort();
	ssize_t flatSize = dropped.FlattenedSize();
	if (flatSize <= 0)
		abort();
	std::string flat(flatSize, '\0');
	if (dropped.Flatten(flat.data(), flatSize) != B_OK)
		abort();
	BMessage again;
	if (drop_message_from_data(kDragMessageType, flat.data(), flat.size(), &again) != B_OK)
		abort();
	return 0;
}
