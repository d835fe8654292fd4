// Unflattens arbitrary bytes as a BMessage. Whatever is accepted must flatten
// again, read back, and give the same bytes a second time; nested messages are
// opened too, since their checks run separately from the parent's.

#include <Message.h>

#include <stdlib.h>
#include <string.h>

#include <vector>

#include <DataIO.h>

#include "app/MessagePrivate.h"

namespace {

std::vector<char> flatten(const BMessage& message)
{
	ssize_t size = message.FlattenedSize();
	if (size <= 0)
		abort();
	std::vector<char> flat(size);
	if (message.Flatten(flat.data(), size) != B_OK)
		abort();
	return flat;
}

void open_nested(const BMessage& message, int depth)
{
	char* name;
	type_code type;
	int32 count;
	for (int32 i = 0; message.GetInfo(B_MESSAGE_TYPE, i, &name, &type, &count) == B_OK; i++) {
		for (int32 j = 0; j < count; j++) {
			BMessage nested;
			if (message.FindMessage(name, j, &nested) != B_OK)
				abort(); // accepted once, a nested message must open
			if (depth < 4)
				open_nested(nested, depth + 1);
		}
	}
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	BMessage message;
	if (BMessage::Private(message).Unflatten(data, size) != B_OK) {
		// The stream form must agree with the buffer form.
		BMemoryIO stream(data, size);
		BMessage other;
		if (other.Unflatten(&stream) == B_OK && stream.Position() == static_cast<off_t>(size))
			abort();
		return 0;
	}
	open_nested(message, 0);

	std::vector<char> first = flatten(message);
	BMessage reread;
	if (BMessage::Private(reread).Unflatten(first.data(), first.size()) != B_OK)
		abort();
	std::vector<char> second = flatten(reread);
	if (first != second)
		abort();
	return 0;
}
