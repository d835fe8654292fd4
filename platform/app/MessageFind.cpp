// BMessage's readers: FindX, HasX and GetX.

#include <Message.h>

#include <string.h>

#include <Entry.h>

#include "app/MessageBody.h"
#include "app/MessageFormat.h"
#include "app/MessagePrivate.h"

using BPrivate::MessageField;

// #pragma mark - finding

status_t BMessage::FindData(const char* name, type_code type, const void** data,
                            ssize_t* numBytes) const
{
	return FindData(name, type, 0, data, numBytes);
}

status_t BMessage::FindData(const char* name, type_code type, int32 index, const void** data,
                            ssize_t* numBytes) const
{
	if (data == NULL)
		return B_BAD_VALUE;
	*data = NULL;
	if (numBytes != NULL)
		*numBytes = 0;
	if (name == NULL)
		return B_BAD_VALUE;
	const MessageField* field = fBody != NULL ? fBody->Find(name) : NULL;
	if (field == NULL)
		return B_NAME_NOT_FOUND;
	if (type != B_ANY_TYPE && field->type != type)
		return B_BAD_TYPE;
	if (index < 0 || index >= field->count)
		return B_BAD_INDEX;
	size_t size;
	*data = field->ItemAt(index, &size);
	if (numBytes != NULL)
		*numBytes = static_cast<ssize_t>(size);
	return B_OK;
}

status_t BMessage::_FindFixed(const char* name, type_code type, int32 index, void* value,
                              size_t size) const
{
	if (value == NULL)
		return B_BAD_VALUE;
	status_t status = B_OK;
	const MessageField* field = NULL;
	if (name == NULL)
		status = B_BAD_VALUE;
	else if (fBody == NULL || (field = fBody->Find(name)) == NULL)
		status = B_NAME_NOT_FOUND;
	else if (field->type != type)
		status = B_BAD_TYPE;
	else if (index < 0 || index >= field->count)
		status = B_BAD_INDEX;
	if (status != B_OK) {
		memset(value, 0, size);
		return status;
	}
	// Items of the typed fields are checked to have their type's size when added.
	size_t itemSize;
	memcpy(value, field->ItemAt(index, &itemSize), size);
	return B_OK;
}

status_t BMessage::FindBool(const char* name, bool* value) const
{
	return FindBool(name, 0, value);
}

status_t BMessage::FindBool(const char* name, int32 index, bool* value) const
{
	if (value == NULL)
		return B_BAD_VALUE;
	uint8 byte;
	status_t status = _FindFixed(name, B_BOOL_TYPE, index, &byte, 1);
	*value = byte != 0;
	return status;
}

#define PL_FIXED_FINDER(Name, Type, TypeCode)                                                      \
	status_t BMessage::Find##Name(const char* name, Type* value) const                             \
	{                                                                                              \
		return _FindFixed(name, TypeCode, 0, value, sizeof(Type));                                 \
	}                                                                                              \
	status_t BMessage::Find##Name(const char* name, int32 index, Type* value) const                \
	{                                                                                              \
		return _FindFixed(name, TypeCode, index, value, sizeof(Type));                             \
	}

PL_FIXED_FINDER(Int8, int8, B_INT8_TYPE)
PL_FIXED_FINDER(UInt8, uint8, B_UINT8_TYPE)
PL_FIXED_FINDER(Int16, int16, B_INT16_TYPE)
PL_FIXED_FINDER(UInt16, uint16, B_UINT16_TYPE)
PL_FIXED_FINDER(Int32, int32, B_INT32_TYPE)
PL_FIXED_FINDER(UInt32, uint32, B_UINT32_TYPE)
PL_FIXED_FINDER(Int64, int64, B_INT64_TYPE)
PL_FIXED_FINDER(UInt64, uint64, B_UINT64_TYPE)
PL_FIXED_FINDER(Float, float, B_FLOAT_TYPE)
PL_FIXED_FINDER(Double, double, B_DOUBLE_TYPE)

#undef PL_FIXED_FINDER

status_t BMessage::FindString(const char* name, const char** string) const
{
	return FindString(name, 0, string);
}

status_t BMessage::FindString(const char* name, int32 index, const char** string) const
{
	if (string == NULL)
		return B_BAD_VALUE;
	const void* data;
	status_t status = FindData(name, B_STRING_TYPE, index, &data, NULL);
	*string = static_cast<const char*>(data);
	return status;
}

status_t BMessage::FindPoint(const char* name, BPoint* point) const
{
	return FindPoint(name, 0, point);
}

status_t BMessage::FindPoint(const char* name, int32 index, BPoint* point) const
{
	if (point == NULL)
		return B_BAD_VALUE;
	float item[2];
	status_t status = _FindFixed(name, B_POINT_TYPE, index, item, sizeof(item));
	*point = BPoint(item[0], item[1]);
	return status;
}

status_t BMessage::FindRect(const char* name, BRect* rect) const
{
	return FindRect(name, 0, rect);
}

status_t BMessage::FindRect(const char* name, int32 index, BRect* rect) const
{
	if (rect == NULL)
		return B_BAD_VALUE;
	float item[4];
	status_t status = _FindFixed(name, B_RECT_TYPE, index, item, sizeof(item));
	*rect = status == B_OK ? BRect(item[0], item[1], item[2], item[3]) : BRect();
	return status;
}

status_t BMessage::FindPointer(const char* name, void** pointer) const
{
	return FindPointer(name, 0, pointer);
}

status_t BMessage::FindPointer(const char* name, int32 index, void** pointer) const
{
	if (pointer == NULL)
		return B_BAD_VALUE;
	uint64 value;
	status_t status = _FindFixed(name, B_POINTER_TYPE, index, &value, sizeof(value));
	*pointer = reinterpret_cast<void*>(static_cast<uintptr_t>(value));
	return status;
}

status_t BMessage::FindRef(const char* name, entry_ref* ref) const
{
	return FindRef(name, 0, ref);
}

status_t BMessage::FindRef(const char* name, int32 index, entry_ref* ref) const
{
	if (ref == NULL)
		return B_BAD_VALUE;
	const void* data;
	ssize_t size;
	status_t status = FindData(name, B_REF_TYPE, index, &data, &size);
	if (status == B_OK)
		status = BPrivate::read_ref_item(data, static_cast<size_t>(size), ref);
	if (status != B_OK)
		*ref = entry_ref();
	return status;
}

status_t BMessage::FindMessage(const char* name, BMessage* message) const
{
	return FindMessage(name, 0, message);
}

status_t BMessage::FindMessage(const char* name, int32 index, BMessage* message) const
{
	if (message == NULL)
		return B_BAD_VALUE;
	const void* data;
	ssize_t size;
	status_t status = FindData(name, B_MESSAGE_TYPE, index, &data, &size);
	if (status != B_OK)
		return status;
	return Private(message).Unflatten(data, static_cast<size_t>(size));
}

// #pragma mark - presence and defaults

bool BMessage::HasData(const char* name, type_code type, int32 index) const
{
	const void* data;
	return FindData(name, type, index, &data, NULL) == B_OK;
}

bool BMessage::HasBool(const char* name, int32 index) const
{
	return HasData(name, B_BOOL_TYPE, index);
}

bool BMessage::HasInt8(const char* name, int32 index) const
{
	return HasData(name, B_INT8_TYPE, index);
}

bool BMessage::HasUInt8(const char* name, int32 index) const
{
	return HasData(name, B_UINT8_TYPE, index);
}

bool BMessage::HasInt16(const char* name, int32 index) const
{
	return HasData(name, B_INT16_TYPE, index);
}

bool BMessage::HasUInt16(const char* name, int32 index) const
{
	return HasData(name, B_UINT16_TYPE, index);
}

bool BMessage::HasInt32(const char* name, int32 index) const
{
	return HasData(name, B_INT32_TYPE, index);
}

bool BMessage::HasUInt32(const char* name, int32 index) const
{
	return HasData(name, B_UINT32_TYPE, index);
}

bool BMessage::HasInt64(const char* name, int32 index) const
{
	return HasData(name, B_INT64_TYPE, index);
}

bool BMessage::HasUInt64(const char* name, int32 index) const
{
	return HasData(name, B_UINT64_TYPE, index);
}

bool BMessage::HasFloat(const char* name, int32 index) const
{
	return HasData(name, B_FLOAT_TYPE, index);
}

bool BMessage::HasDouble(const char* name, int32 index) const
{
	return HasData(name, B_DOUBLE_TYPE, index);
}

bool BMessage::HasString(const char* name, int32 index) const
{
	return HasData(name, B_STRING_TYPE, index);
}

bool BMessage::HasPoint(const char* name, int32 index) const
{
	return HasData(name, B_POINT_TYPE, index);
}

bool BMessage::HasRect(const char* name, int32 index) const
{
	return HasData(name, B_RECT_TYPE, index);
}

bool BMessage::HasPointer(const char* name, int32 index) const
{
	return HasData(name, B_POINTER_TYPE, index);
}

bool BMessage::HasRef(const char* name, int32 index) const
{
	return HasData(name, B_REF_TYPE, index);
}

bool BMessage::HasMessage(const char* name, int32 index) const
{
	return HasData(name, B_MESSAGE_TYPE, index);
}

bool BMessage::GetBool(const char* name, bool defaultValue) const
{
	return GetBool(name, 0, defaultValue);
}

bool BMessage::GetBool(const char* name, int32 index, bool defaultValue) const
{
	bool value;
	return FindBool(name, index, &value) == B_OK ? value : defaultValue;
}

int32 BMessage::GetInt32(const char* name, int32 defaultValue) const
{
	return GetInt32(name, 0, defaultValue);
}

int32 BMessage::GetInt32(const char* name, int32 index, int32 defaultValue) const
{
	int32 value;
	return FindInt32(name, index, &value) == B_OK ? value : defaultValue;
}

int64 BMessage::GetInt64(const char* name, int64 defaultValue) const
{
	return GetInt64(name, 0, defaultValue);
}

int64 BMessage::GetInt64(const char* name, int32 index, int64 defaultValue) const
{
	int64 value;
	return FindInt64(name, index, &value) == B_OK ? value : defaultValue;
}

float BMessage::GetFloat(const char* name, float defaultValue) const
{
	return GetFloat(name, 0, defaultValue);
}

float BMessage::GetFloat(const char* name, int32 index, float defaultValue) const
{
	float value;
	return FindFloat(name, index, &value) == B_OK ? value : defaultValue;
}

BPoint BMessage::GetPoint(const char* name, BPoint defaultValue) const
{
	BPoint value;
	return FindPoint(name, 0, &value) == B_OK ? value : defaultValue;
}

BRect BMessage::GetRect(const char* name, BRect defaultValue) const
{
	BRect value;
	return FindRect(name, 0, &value) == B_OK ? value : defaultValue;
}

const char* BMessage::GetString(const char* name, const char* defaultValue) const
{
	return GetString(name, 0, defaultValue);
}

const char* BMessage::GetString(const char* name, int32 index, const char* defaultValue) const
{
	const char* value;
	return FindString(name, index, &value) == B_OK ? value : defaultValue;
}
