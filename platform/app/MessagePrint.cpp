// BMessage::PrintToStream: a readable dump on stdout, nested messages indented.

#include <Message.h>

#include <ctype.h>
#include <inttypes.h>
#include <stdio.h>
#include <string.h>

#include <Entry.h>

#include "app/MessageBody.h"
#include "app/MessageFormat.h"
#include "app/MessagePrivate.h"

using BPrivate::MessageField;

namespace {

void print_code(uint32 code)
{
	char chars[4] = {static_cast<char>(code >> 24), static_cast<char>(code >> 16),
	                 static_cast<char>(code >> 8), static_cast<char>(code)};
	for (char c : chars) {
		if (!isprint(static_cast<unsigned char>(c))) {
			printf("0x%08" PRIx32, code);
			return;
		}
	}
	printf("'%.4s'", chars);
}

template <typename T> T item_value(const char* item)
{
	T value;
	memcpy(&value, item, sizeof(T));
	return value;
}

void print_item(const MessageField& field, const char* item, size_t size, int indent)
{
	switch (field.type) {
		case B_BOOL_TYPE:
			printf("bool(%s)\n", item[0] != 0 ? "true" : "false");
			break;
		case B_INT8_TYPE:
			printf("int8(%d)\n", item_value<int8>(item));
			break;
		case B_UINT8_TYPE:
			printf("uint8(%u)\n", item_value<uint8>(item));
			break;
		case B_INT16_TYPE:
			printf("int16(%d)\n", item_value<int16>(item));
			break;
		case B_UINT16_TYPE:
			printf("uint16(%u)\n", item_value<uint16>(item));
			break;
		case B_INT32_TYPE:
			printf("int32(%" PRId32 " or 0x%" PRIx32 ")\n", item_value<int32>(item),
			       item_value<uint32>(item));
			break;
		case B_UINT32_TYPE:
			printf("uint32(%" PRIu32 ")\n", item_value<uint32>(item));
			break;
		case B_INT64_TYPE:
			printf("int64(%" PRId64 ")\n", item_value<int64>(item));
			break;
		case B_UINT64_TYPE:
			printf("uint64(%" PRIu64 ")\n", item_value<uint64>(item));
			break;
		case B_FLOAT_TYPE:
			printf("float(%.4f)\n", item_value<float>(item));
			break;
		case B_DOUBLE_TYPE:
			printf("double(%.8g)\n", item_value<double>(item));
			break;
		case B_POINTER_TYPE:
			printf("pointer(0x%" PRIx64 ")\n", item_value<uint64>(item));
			break;
		case B_POINT_TYPE: {
			float v[2];
			memcpy(v, item, sizeof(v));
			printf("BPoint(x:%.1f, y:%.1f)\n", v[0], v[1]);
			break;
		}
		case B_RECT_TYPE: {
			float v[4];
			memcpy(v, item, sizeof(v));
			printf("BRect(l:%.1f, t:%.1f, r:%.1f, b:%.1f)\n", v[0], v[1], v[2], v[3]);
			break;
		}
		case B_STRING_TYPE:
			printf("string(\"%s\", %zu bytes)\n", item, size);
			break;
		case B_REF_TYPE: {
			entry_ref ref;
			if (BPrivate::read_ref_item(item, size, &ref) == B_OK) {
				printf("entry_ref(device=%" PRIu64 ", directory=%" PRIu64 ", name=\"%s\")\n",
				       static_cast<uint64>(ref.device), static_cast<uint64>(ref.directory),
				       ref.name != NULL ? ref.name : "");
			}
			break;
		}
		case B_MESSAGE_TYPE: {
			BMessage nested;
			if (BMessage::Private(nested).Unflatten(item, size) == B_OK) {
				// The nested dump continues on this line.
				BMessage::Private(nested).PrintTo(indent + 1);
			} else {
				printf("message(%zu bytes)\n", size);
			}
			break;
		}
		default:
			printf("type ");
			print_code(field.type);
			printf(", %zu bytes\n", size);
			break;
	}
}

} // namespace

void BMessage::PrintToStream() const
{
	_PrintToStream(0);
}

void BMessage::_PrintToStream(int indent) const
{
	printf("BMessage(");
	print_code(what);
	printf(") {\n");
	int32 fieldCount = fBody != NULL ? fBody->CountFields() : 0;
	for (int32 i = 0; i < fieldCount; i++) {
		const MessageField& field = fBody->FieldAt(i);
		for (int32 j = 0; j < field.count; j++) {
			printf("%*s", (indent + 1) * 4, "");
			if (field.count > 1)
				printf("%s[%" PRId32 "] = ", field.name.c_str(), j);
			else
				printf("%s = ", field.name.c_str());
			size_t size;
			const char* item = field.ItemAt(j, &size);
			print_item(field, item, size, indent);
		}
	}
	printf("%*s}\n", indent * 4, "");
}
