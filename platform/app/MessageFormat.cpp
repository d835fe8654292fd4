#include "app/MessageFormat.h"

#include <limits.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <string>
#include <string_view>

#include <TypeConstants.h>

#include "app/MessageBody.h"
#include "storage/EntryRefPath.h"

// Items are kept in memory as they are flattened; that is only right on a
// little-endian machine, which every machine this platform runs on is.
static_assert(std::endian::native == std::endian::little);

namespace BPrivate {

namespace {

const size_t kRefHeaderSize = 16; // int64 device, int64 directory

// resize + memcpy rather than vector::insert: GCC 12 misreads the inlined
// insert of a few bytes as an overflow (-Wstringop-overflow).
void put_bytes(std::vector<char>* out, const void* data, size_t size)
{
	if (size == 0)
		return;
	size_t at = out->size();
	out->resize(at + size);
	memcpy(out->data() + at, data, size);
}

void put32(std::vector<char>* out, uint32 value)
{
	put_bytes(out, &value, 4);
}

void put64(std::vector<char>* out, uint64 value)
{
	put_bytes(out, &value, 8);
}

// Reads from a bounded buffer; every read checks the bytes that remain.
class Reader {
public:
	Reader(const void* data, size_t size) : fData(static_cast<const char*>(data)), fLeft(size) {}

	size_t Left() const { return fLeft; }

	bool Read8(uint8* value)
	{
		const char* p;
		if (!Take(1, &p))
			return false;
		*value = static_cast<uint8>(*p);
		return true;
	}

	bool Read32(uint32* value)
	{
		const char* p;
		if (!Take(4, &p))
			return false;
		memcpy(value, p, 4);
		return true;
	}

	bool Read64(uint64* value)
	{
		const char* p;
		if (!Take(8, &p))
			return false;
		memcpy(value, p, 8);
		return true;
	}

	bool Take(uint64 size, const char** bytes)
	{
		if (size > fLeft)
			return false;
		*bytes = fData;
		fData += size;
		fLeft -= size;
		return true;
	}

private:
	const char* fData;
	size_t fLeft;
};

bool ends_with_nul(const char* data, size_t size)
{
	return size > 0 && data[size - 1] == '\0';
}

// A ref item as flattened: checks it and, if |internal| is given, converts it
// to the in-memory form and teaches this process the ref's directory.
status_t read_wire_ref(const char* data, size_t size, std::vector<char>* internal)
{
	Reader reader(data, size);
	uint64 device;
	uint64 directory;
	uint32 nameLength;
	const char* name;
	uint32 pathLength;
	const char* path;
	if (!reader.Read64(&device) || !reader.Read64(&directory) || !reader.Read32(&nameLength) ||
	    !reader.Take(nameLength, &name) || !reader.Read32(&pathLength) ||
	    !reader.Take(pathLength, &path) || reader.Left() != 0)
		return B_BAD_DATA;
	if (nameLength > 0 && !ends_with_nul(name, nameLength))
		return B_BAD_DATA;
	if (internal == NULL)
		return B_OK;

	internal->clear();
	put64(internal, device);
	put64(internal, directory);
	put_bytes(internal, name, nameLength);

	// Only a path whose directory stat() confirms is remembered, so a forged
	// path cannot make another directory answer for this ref.
	if (pathLength == 0 || nameLength == 0 || pathLength >= PATH_MAX || path[0] != '/' ||
	    memchr(path, '\0', pathLength) != NULL)
		return B_OK;
	std::string_view full(path, pathLength);
	std::string_view leaf(name, nameLength - 1);
	std::string parent;
	if (leaf == ".") {
		parent = full;
	} else {
		if (leaf.empty() || full.size() <= leaf.size() + 1 || !full.ends_with(leaf) ||
		    full[full.size() - leaf.size() - 1] != '/')
			return B_OK;
		parent = full.substr(0, full.size() - leaf.size() - 1);
		if (parent.empty())
			parent = "/";
	}
	struct stat st;
	if (stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
	    static_cast<uint64>(st.st_dev) == device && static_cast<uint64>(st.st_ino) == directory)
		remember_directory(st.st_dev, st.st_ino, parent);
	return B_OK;
}

status_t write_wire_ref(const char* item, size_t size, std::vector<char>* out)
{
	entry_ref ref;
	status_t status = read_ref_item(item, size, &ref);
	if (status != B_OK)
		return status;
	std::string path;
	if (ref.name == NULL || path_for_ref(ref, &path) != B_OK)
		path.clear();

	size_t nameLength = size - kRefHeaderSize;
	put32(out, static_cast<uint32>(kRefHeaderSize + 4 + nameLength + 4 + path.size()));
	put_bytes(out, item, kRefHeaderSize);
	put32(out, static_cast<uint32>(nameLength));
	put_bytes(out, item + kRefHeaderSize, nameLength);
	put32(out, static_cast<uint32>(path.size()));
	put_bytes(out, path.data(), path.size());
	return B_OK;
}

// Checks one item of a field read from a flattened message (not refs).
status_t check_wire_item(type_code type, const char* data, size_t size, int depth)
{
	size_t fixed = fixed_type_size(type);
	if (fixed != 0)
		return size == fixed ? B_OK : B_BAD_DATA;
	if (type == B_STRING_TYPE)
		return ends_with_nul(data, size) ? B_OK : B_BAD_DATA;
	if (type == B_MESSAGE_TYPE)
		return validate_flattened(data, size, depth + 1) == B_OK ? B_OK : B_BAD_DATA;
	return B_OK;
}

// The one parser: checks everything, and builds |body| when it is given.
status_t parse(const void* data, size_t size, int depth, uint32* what, MessageBody* body)
{
	if (data == NULL)
		return B_BAD_VALUE;
	if (depth > kMaxNesting)
		return B_BAD_DATA;
	if (size < kMessageHeaderSize)
		return B_NOT_A_MESSAGE;

	Reader reader(data, size);
	uint32 magic, version, totalSize, messageWhat, fieldCount, reserved;
	reader.Read32(&magic);
	reader.Read32(&version);
	reader.Read32(&totalSize);
	reader.Read32(&messageWhat);
	reader.Read32(&fieldCount);
	reader.Read32(&reserved);
	if (magic != kMessageMagic || version != kMessageVersion)
		return B_NOT_A_MESSAGE;
	if (totalSize != size || size > kMaxFlattenedSize || reserved != 0 ||
	    fieldCount > kMaxFieldCount)
		return B_BAD_DATA;

	std::vector<std::string_view> names; // to catch repeats when nothing is built
	std::vector<char> refItem;
	for (uint32 i = 0; i < fieldCount; i++) {
		uint32 type;
		uint8 flags;
		uint8 nameLength;
		const char* name;
		uint32 count;
		if (!reader.Read32(&type) || !reader.Read8(&flags) || !reader.Read8(&nameLength) ||
		    !reader.Take(nameLength, &name) || !reader.Read32(&count))
			return B_BAD_DATA;
		bool fixedSize = (flags & 1) != 0;
		if ((flags & ~1) != 0 || nameLength == 0 || memchr(name, '\0', nameLength) != NULL ||
		    count == 0 || count > INT32_MAX || type == B_ANY_TYPE ||
		    (fixedSize && type == B_REF_TYPE))
			return B_BAD_DATA;

		std::string_view fieldName(name, nameLength);
		MessageField* field = NULL;
		if (body != NULL) {
			std::string terminated(fieldName);
			if (body->IndexOf(terminated.c_str()) >= 0)
				return B_BAD_DATA;
			size_t length;
			uint32 hash = MessageBody::Hash(terminated.c_str(), &length);
			field = &body->AddField(terminated.c_str(), length, hash, type, fixedSize, 0);
		} else {
			names.push_back(fieldName);
		}

		if (fixedSize) {
			uint32 itemSize;
			const char* items;
			if (!reader.Read32(&itemSize) || itemSize == 0 ||
			    !reader.Take(static_cast<uint64>(itemSize) * count, &items))
				return B_BAD_DATA;
			for (uint32 j = 0; j < count; j++) {
				status_t status = check_wire_item(type, items + static_cast<size_t>(j) * itemSize,
				                                  itemSize, depth);
				if (status != B_OK)
					return status;
			}
			if (field != NULL) {
				field->itemSize = itemSize;
				field->data.assign(items, items + static_cast<size_t>(itemSize) * count);
				field->count = static_cast<int32>(count);
			}
			continue;
		}

		for (uint32 j = 0; j < count; j++) {
			uint32 itemSize;
			const char* item;
			if (!reader.Read32(&itemSize) || !reader.Take(itemSize, &item))
				return B_BAD_DATA;
			status_t status;
			if (type == B_REF_TYPE) {
				status = read_wire_ref(item, itemSize, field != NULL ? &refItem : NULL);
				if (status == B_OK && field != NULL)
					field->Append(refItem.data(), refItem.size());
			} else {
				status = check_wire_item(type, item, itemSize, depth);
				if (status == B_OK && field != NULL)
					field->Append(item, itemSize);
			}
			if (status != B_OK)
				return status;
		}
	}
	if (reader.Left() != 0)
		return B_BAD_DATA;

	if (body == NULL) {
		std::sort(names.begin(), names.end());
		if (std::adjacent_find(names.begin(), names.end()) != names.end())
			return B_BAD_DATA;
	}
	if (what != NULL)
		*what = messageWhat;
	return B_OK;
}

} // namespace

size_t fixed_type_size(type_code type)
{
	switch (type) {
		case B_BOOL_TYPE:
		case B_INT8_TYPE:
		case B_UINT8_TYPE:
			return 1;
		case B_INT16_TYPE:
		case B_UINT16_TYPE:
			return 2;
		case B_INT32_TYPE:
		case B_UINT32_TYPE:
		case B_FLOAT_TYPE:
			return 4;
		case B_INT64_TYPE:
		case B_UINT64_TYPE:
		case B_DOUBLE_TYPE:
		case B_POINTER_TYPE:
		case B_POINT_TYPE:
			return 8;
		case B_RECT_TYPE:
			return 16;
		default:
			return 0;
	}
}

status_t validate_item(type_code type, const void* data, size_t size)
{
	const char* bytes = static_cast<const char*>(data);
	size_t fixed = fixed_type_size(type);
	if (fixed != 0)
		return size == fixed ? B_OK : B_BAD_VALUE;
	switch (type) {
		case B_STRING_TYPE:
			return ends_with_nul(bytes, size) ? B_OK : B_BAD_VALUE;
		case B_REF_TYPE:
			return size >= kRefHeaderSize && (size == kRefHeaderSize || ends_with_nul(bytes, size))
			           ? B_OK
			           : B_BAD_VALUE;
		case B_MESSAGE_TYPE:
			return validate_flattened(data, size, 1) == B_OK ? B_OK : B_BAD_VALUE;
		default:
			return B_OK;
	}
}

status_t make_ref_item(const entry_ref& ref, std::vector<char>* item)
{
	try {
		item->clear();
		put64(item, static_cast<uint64>(ref.device));
		put64(item, static_cast<uint64>(ref.directory));
		if (ref.name != NULL)
			put_bytes(item, ref.name, strlen(ref.name) + 1);
	} catch (const std::bad_alloc&) {
		return B_NO_MEMORY;
	}
	return B_OK;
}

status_t read_ref_item(const void* data, size_t size, entry_ref* ref)
{
	const char* bytes = static_cast<const char*>(data);
	if (size < kRefHeaderSize || (size > kRefHeaderSize && !ends_with_nul(bytes, size)))
		return B_BAD_DATA;
	uint64 device;
	uint64 directory;
	memcpy(&device, bytes, 8);
	memcpy(&directory, bytes + 8, 8);
	ref->device = static_cast<dev_t>(device);
	ref->directory = static_cast<ino_t>(directory);
	return ref->set_name(size > kRefHeaderSize ? bytes + kRefHeaderSize : NULL);
}

status_t validate_flattened(const void* data, size_t size, int depth)
{
	try {
		return parse(data, size, depth, NULL, NULL);
	} catch (const std::bad_alloc&) {
		return B_NO_MEMORY;
	}
}

status_t unflatten_body(const void* data, size_t size, uint32* what, MessageBody* body)
{
	try {
		return parse(data, size, 0, what, body);
	} catch (const std::bad_alloc&) {
		return B_NO_MEMORY;
	}
}

status_t flatten_body(uint32 what, const MessageBody* body, std::vector<char>* out)
{
	try {
		out->clear();
		int32 fieldCount = body != NULL ? body->CountFields() : 0;
		put32(out, kMessageMagic);
		put32(out, kMessageVersion);
		put32(out, 0); // the size, once known
		put32(out, what);
		put32(out, static_cast<uint32>(fieldCount));
		put32(out, 0);

		for (int32 i = 0; i < fieldCount; i++) {
			const MessageField& field = body->FieldAt(i);
			put32(out, field.type);
			out->push_back(field.fixedSize ? 1 : 0);
			out->push_back(static_cast<char>(field.name.size()));
			put_bytes(out, field.name.data(), field.name.size());
			put32(out, static_cast<uint32>(field.count));
			if (field.fixedSize) {
				put32(out, field.itemSize);
				put_bytes(out, field.data.data(), field.data.size());
				continue;
			}
			for (int32 j = 0; j < field.count; j++) {
				size_t size;
				const char* item = field.ItemAt(j, &size);
				if (field.type == B_REF_TYPE) {
					status_t status = write_wire_ref(item, size, out);
					if (status != B_OK)
						return status;
					continue;
				}
				put32(out, static_cast<uint32>(size));
				put_bytes(out, item, size);
			}
			if (out->size() > kMaxFlattenedSize)
				return B_BAD_VALUE;
		}
		if (out->size() > kMaxFlattenedSize)
			return B_BAD_VALUE;
		uint32 size = static_cast<uint32>(out->size());
		memcpy(out->data() + 8, &size, 4);
	} catch (const std::bad_alloc&) {
		return B_NO_MEMORY;
	}
	return B_OK;
}

size_t flattened_size_from_header(const void* header)
{
	uint32 fields[3];
	memcpy(fields, header, sizeof(fields));
	if (fields[0] != kMessageMagic || fields[1] != kMessageVersion)
		return 0;
	return fields[2];
}

} // namespace BPrivate
