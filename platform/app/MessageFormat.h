#ifndef PLATFORM_APP_MESSAGE_FORMAT_H
#define PLATFORM_APP_MESSAGE_FORMAT_H

/*
 * The flattened form of a BMessage, version 1.
 *
 * Every integer is little-endian with the width given; there is no padding.
 *
 *   header, 24 bytes
 *     uint32 magic        0x31474d50, the bytes "PMG1"
 *     uint32 version      1
 *     uint32 size         bytes of the whole message, header included
 *     uint32 what
 *     uint32 fieldCount
 *     uint32 reserved     0
 *   then fieldCount fields, in the order they were added:
 *     uint32 type         the field's type code
 *     uint8  flags        bit 0: fixed size; the other bits are 0
 *     uint8  nameLength   1 to 255
 *     char   name[nameLength]      no NUL, none inside
 *     uint32 count        items, at least 1
 *     fixed size:    uint32 itemSize (at least 1), then count items of itemSize bytes
 *     variable size: count times { uint32 itemSize, then itemSize bytes }
 *
 * Items, by type:
 *   B_BOOL_TYPE                         uint8, 0 or 1 (readers take any non-zero as true)
 *   B_INT8/16/32/64_TYPE, B_UINT*_TYPE  the integer
 *   B_FLOAT_TYPE, B_DOUBLE_TYPE         IEEE 754 binary32 / binary64
 *   B_POINT_TYPE                        float x, y
 *   B_RECT_TYPE                         float left, top, right, bottom
 *   B_POINTER_TYPE                      uint64: the address; it means something only
 *                                       inside the process that flattened it
 *   B_STRING_TYPE                       the bytes and a final NUL
 *   B_MESSAGE_TYPE                      a whole flattened message (this format)
 *   B_REF_TYPE                          int64 device, int64 directory,
 *                                       uint32 nameLength (0: no name; else with its NUL),
 *                                       name, uint32 pathLength (0: unknown),
 *                                       the absolute path of the entry, no NUL. The path
 *                                       lets another process find the directory, since
 *                                       Linux cannot open a directory by inode.
 *   any other type                      the bytes as given to AddData
 *
 * A reader rejects, with an error and without reading past the buffer: a wrong
 * magic or version, a size that is not the buffer's or exceeds
 * kMaxFlattenedSize, more than kMaxFieldCount fields, empty, overlong or
 * repeated names, a count of 0, items that do not fit, items of the fixed
 * types above with the wrong size, strings without their NUL, malformed refs,
 * and nested messages that are invalid or nested deeper than kMaxNesting.
 *
 * In memory a field keeps the flattened items, except refs, which are kept as
 * int64 device, int64 directory and the name with its NUL (nothing when there
 * is no name); their path is looked up when the message is flattened.
 */

#include <vector>

#include <Entry.h>
#include <SupportDefs.h>

namespace BPrivate {

class MessageBody;

const uint32 kMessageMagic = 0x31474d50;
const uint32 kMessageVersion = 1;
const size_t kMessageHeaderSize = 24;
const size_t kMaxFlattenedSize = 64 * 1024 * 1024;
const uint32 kMaxFieldCount = 65536;
const int kMaxNesting = 32;

// The item size that the typed accessors rely on, 0 for types of any size.
size_t fixed_type_size(type_code type);

// Checks an item given to AddData/ReplaceData in its in-memory form.
status_t validate_item(type_code type, const void* data, size_t size);

// The in-memory form of a ref item, and back.
status_t make_ref_item(const entry_ref& ref, std::vector<char>* item);
status_t read_ref_item(const void* data, size_t size, entry_ref* ref);

// Checks a whole flattened message (nested ones too) without building it;
// |depth| is how deep it sits inside the message being checked.
status_t validate_flattened(const void* data, size_t size, int depth);

status_t flatten_body(uint32 what, const MessageBody* body, std::vector<char>* out);
// Fills an empty |body|; nested messages are checked, not built.
status_t unflatten_body(const void* data, size_t size, uint32* what, MessageBody* body);

// The size a flattened message's header announces, or 0 when the header is
// not ours. Reads kMessageHeaderSize bytes.
size_t flattened_size_from_header(const void* header);

} // namespace BPrivate

#endif
