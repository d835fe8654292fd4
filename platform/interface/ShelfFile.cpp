// Writing and reading the shelf's file, whole or damaged.

#include "interface/ShelfFile.h"

#include <string.h>

#include "app/MessageFormat.h"
#include "app/MessagePrivate.h"

namespace BPrivate {

static const char* const kEntryField = "replicant";

bool is_shelf_entry(const BMessage& entry)
{
	type_code type;
	return entry.what == kShelfEntryWhat &&
	       entry.GetInfo("message", &type) == B_OK && type == B_MESSAGE_TYPE &&
	       entry.GetInfo("position", &type) == B_OK && type == B_POINT_TYPE;
}

status_t flatten_shelf(const std::vector<BMessage>& entries, std::string* bytes)
{
	BMessage file(kShelfFileWhat);
	status_t status = file.AddInt32("version", 1);
	for (const BMessage& entry : entries) {
		if (status == B_OK)
			status = file.AddMessage(kEntryField, &entry);
	}
	if (status != B_OK)
		return status;
	ssize_t size = file.FlattenedSize();
	if (size <= 0)
		return B_ERROR;
	bytes->assign(static_cast<size_t>(size), '\0');
	return file.Flatten(bytes->data(), size);
}

static uint32 read_le32(const uint8* bytes)
{
	return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32>(bytes[3]) << 24);
}

// Every flattened message starts with its magic and says its size; an entry
// found there is taken whole and skipped over, and so is any other message
// that reads (what it holds is not an entry of the file). A message that does
// not read costs the bytes it claimed, so the work is bounded by a multiple
// of the file's size.
static void recover_entries(const uint8* data, size_t size, std::vector<BMessage>* entries)
{
	size_t budget = 8 * size + (1 << 20);
	size_t offset = 0;
	while (offset + kMessageHeaderSize <= size && entries->size() < kMaxShelfEntries) {
		if (read_le32(data + offset) != kMessageMagic) {
			offset++;
			continue;
		}
		size_t claimed = read_le32(data + offset + 8);
		if (claimed < kMessageHeaderSize || claimed > size - offset || claimed > budget) {
			offset++;
			continue;
		}
		BMessage message;
		if (BMessage::Private(message).Unflatten(data + offset, claimed) != B_OK) {
			budget -= claimed;
			offset++;
			continue;
		}
		// A whole file with bytes after it: its entries are looked at one by one.
		offset += message.what == kShelfFileWhat ? kMessageHeaderSize : claimed;
		if (is_shelf_entry(message))
			entries->push_back(std::move(message));
	}
}

status_t read_shelf(const void* data, size_t size, std::vector<BMessage>* entries)
{
	entries->clear();
	if (data == NULL || size == 0)
		return B_BAD_DATA;
	bool whole = size <= kMaxShelfFileSize;
	if (!whole)
		size = kMaxShelfFileSize;
	const uint8* bytes = static_cast<const uint8*>(data);

	BMessage file;
	if (whole && BMessage::Private(file).Unflatten(bytes, size) == B_OK &&
	    file.what == kShelfFileWhat) {
		BMessage entry;
		for (int32 i = 0; file.FindMessage(kEntryField, i, &entry) == B_OK; i++) {
			if (entries->size() >= kMaxShelfEntries || !is_shelf_entry(entry)) {
				whole = false;
				continue;
			}
			entries->push_back(entry);
		}
		type_code type;
		int32 count = 0;
		if (file.GetInfo(kEntryField, &type, &count) == B_OK && type != B_MESSAGE_TYPE)
			whole = false;
		return whole ? B_OK : B_BAD_DATA;
	}
	recover_entries(bytes, size, entries);
	return B_BAD_DATA;
}

} // namespace BPrivate
