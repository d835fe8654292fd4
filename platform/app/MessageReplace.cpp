// BMessage's ReplaceX: they change existing items and never add one.

#include <Message.h>

#include <string.h>

#include <new>
#include <vector>

#include <Entry.h>

#include "app/MessageBody.h"
#include "app/MessageFormat.h"

using BPrivate::MessageField;

// #pragma mark - replacing

status_t BMessage::_Replace(const char* name, type_code type, int32 index, const void* data,
                            size_t size)
{
	if (name == NULL)
		return B_BAD_VALUE;
	MessageField* field = fBody != NULL ? fBody->Find(name) : NULL;
	if (field == NULL)
		return B_NAME_NOT_FOUND;
	if (field->type != type)
		return B_BAD_TYPE;
	if (index < 0 || index >= field->count)
		return B_BAD_INDEX;
	if (field->fixedSize && size != field->itemSize)
		return B_BAD_VALUE;
	if (field->data.size() + size > UINT32_MAX)
		return B_NO_MEMORY;
	try {
		field->ReplaceAt(index, data, size);
	} catch (const std::bad_alloc&) {
		return B_NO_MEMORY;
	}
	return B_OK;
}

status_t BMessage::ReplaceData(const char* name, type_code type, const void* data, ssize_t numBytes)
{
	return ReplaceData(name, type, 0, data, numBytes);
}

status_t BMessage::ReplaceData(const char* name, type_code type, int32 index, const void* data,
                               ssize_t numBytes)
{
	if (data == NULL || numBytes <= 0 || type == B_ANY_TYPE)
		return B_BAD_VALUE;
	status_t status = BPrivate::validate_item(type, data, static_cast<size_t>(numBytes));
	if (status != B_OK)
		return status;
	return _Replace(name, type, index, data, static_cast<size_t>(numBytes));
}

status_t BMessage::ReplaceBool(const char* name, bool value)
{
	return ReplaceBool(name, 0, value);
}

status_t BMessage::ReplaceBool(const char* name, int32 index, bool value)
{
	uint8 byte = value ? 1 : 0;
	return _Replace(name, B_BOOL_TYPE, index, &byte, 1);
}

#define PL_FIXED_REPLACER(Name, Type, TypeCode)                                                    \
	status_t BMessage::Replace##Name(const char* name, Type value)                                 \
	{                                                                                              \
		return _Replace(name, TypeCode, 0, &value, sizeof(Type));                                  \
	}                                                                                              \
	status_t BMessage::Replace##Name(const char* name, int32 index, Type value)                    \
	{                                                                                              \
		return _Replace(name, TypeCode, index, &value, sizeof(Type));                              \
	}

PL_FIXED_REPLACER(Int8, int8, B_INT8_TYPE)
PL_FIXED_REPLACER(UInt8, uint8, B_UINT8_TYPE)
PL_FIXED_REPLACER(Int16, int16, B_INT16_TYPE)
PL_FIXED_REPLACER(UInt16, uint16, B_UINT16_TYPE)
PL_FIXED_REPLACER(Int32, int32, B_INT32_TYPE)
PL_FIXED_REPLACER(UInt32, uint32, B_UINT32_TYPE)
PL_FIXED_REPLACER(Int64, int64, B_INT64_TYPE)
PL_FIXED_REPLACER(UInt64, uint64, B_UINT64_TYPE)
PL_FIXED_REPLACER(Float, float, B_FLOAT_TYPE)
PL_FIXED_REPLACER(Double, double, B_DOUBLE_TYPE)

#undef PL_FIXED_REPLACER

status_t BMessage::ReplaceString(const char* name, const char* string)
{
	return ReplaceString(name, 0, string);
}

status_t BMessage::ReplaceString(const char* name, int32 index, const char* string)
{
	if (string == NULL)
		return B_BAD_VALUE;
	return _Replace(name, B_STRING_TYPE, index, string, strlen(string) + 1);
}

status_t BMessage::ReplacePoint(const char* name, BPoint point)
{
	return ReplacePoint(name, 0, point);
}

status_t BMessage::ReplacePoint(const char* name, int32 index, BPoint point)
{
	float item[2] = {point.x, point.y};
	return _Replace(name, B_POINT_TYPE, index, item, sizeof(item));
}

status_t BMessage::ReplaceRect(const char* name, BRect rect)
{
	return ReplaceRect(name, 0, rect);
}

status_t BMessage::ReplaceRect(const char* name, int32 index, BRect rect)
{
	float item[4] = {rect.left, rect.top, rect.right, rect.bottom};
	return _Replace(name, B_RECT_TYPE, index, item, sizeof(item));
}

status_t BMessage::ReplacePointer(const char* name, const void* pointer)
{
	return ReplacePointer(name, 0, pointer);
}

status_t BMessage::ReplacePointer(const char* name, int32 index, const void* pointer)
{
	uint64 value = reinterpret_cast<uintptr_t>(pointer);
	return _Replace(name, B_POINTER_TYPE, index, &value, sizeof(value));
}

status_t BMessage::ReplaceRef(const char* name, const entry_ref* ref)
{
	return ReplaceRef(name, 0, ref);
}

status_t BMessage::ReplaceRef(const char* name, int32 index, const entry_ref* ref)
{
	if (ref == NULL)
		return B_BAD_VALUE;
	std::vector<char> item;
	status_t status = BPrivate::make_ref_item(*ref, &item);
	if (status != B_OK)
		return status;
	return _Replace(name, B_REF_TYPE, index, item.data(), item.size());
}

status_t BMessage::ReplaceMessage(const char* name, const BMessage* message)
{
	return ReplaceMessage(name, 0, message);
}

status_t BMessage::ReplaceMessage(const char* name, int32 index, const BMessage* message)
{
	if (message == NULL)
		return B_BAD_VALUE;
	std::vector<char> flat;
	status_t status = BPrivate::flatten_body(message->what, message->fBody, &flat);
	if (status != B_OK)
		return status;
	status = BPrivate::validate_flattened(flat.data(), flat.size(), 1);
	if (status != B_OK)
		return status == B_NO_MEMORY ? status : B_BAD_VALUE;
	return _Replace(name, B_MESSAGE_TYPE, index, flat.data(), flat.size());
}
