#include <Message.h>

#include <string.h>

#include <new>
#include <vector>

#include <Entry.h>

#include "app/MessageBody.h"
#include "app/MessageFormat.h"
#include "app/MessagePrivate.h"

using BPrivate::MessageBody;
using BPrivate::MessageDelivery;
using BPrivate::MessageField;

namespace {

status_t check_name(const char* name, size_t* length, uint32* hash)
{
	if (name == NULL)
		return B_BAD_VALUE;
	*hash = MessageBody::Hash(name, length);
	if (*length == 0 || *length > B_FIELD_NAME_LENGTH)
		return B_BAD_VALUE;
	return B_OK;
}

} // namespace

BMessage::BMessage() : what(0), fBody(NULL), fDelivery(NULL) {}

BMessage::BMessage(uint32 what) : what(what), fBody(NULL), fDelivery(NULL) {}

BMessage::BMessage(const BMessage& other) : what(0), fBody(NULL), fDelivery(NULL)
{
	*this = other;
}

BMessage::~BMessage()
{
	delete fBody;
	delete fDelivery;
}

BMessage& BMessage::operator=(const BMessage& other)
{
	if (this == &other)
		return *this;
	what = other.what;

	// Copies are deep: nested messages are held flattened, so copying the
	// fields copies them too. Without memory the copy ends up empty rather
	// than half made.
	MessageBody* body = NULL;
	if (other.fBody != NULL && other.fBody->CountFields() > 0) {
		try {
			body = new MessageBody(*other.fBody);
		} catch (const std::bad_alloc&) {
			body = NULL;
		}
	}
	delete fBody;
	fBody = body;

	MessageDelivery* delivery = NULL;
	if (other.fDelivery != NULL)
		delivery = new (std::nothrow) MessageDelivery(*other.fDelivery);
	delete fDelivery;
	fDelivery = delivery;
	return *this;
}

MessageBody* BMessage::_Body()
{
	if (fBody == NULL)
		fBody = new (std::nothrow) MessageBody;
	return fBody;
}

// #pragma mark - information

status_t BMessage::GetInfo(type_code typeRequested, int32 index, char** nameFound,
                           type_code* typeFound, int32* countFound) const
{
	int32 fieldCount = fBody != NULL ? fBody->CountFields() : 0;
	if (index < 0 || index >= fieldCount)
		return B_BAD_INDEX;

	const MessageField* found = NULL;
	if (typeRequested == B_ANY_TYPE) {
		found = &fBody->FieldAt(index);
	} else {
		int32 matches = 0;
		for (int32 i = 0; i < fieldCount; i++) {
			const MessageField& field = fBody->FieldAt(i);
			if (field.type != typeRequested)
				continue;
			if (matches == index) {
				found = &field;
				break;
			}
			matches++;
		}
		if (found == NULL)
			return matches == 0 ? B_BAD_TYPE : B_BAD_INDEX;
	}

	if (nameFound != NULL)
		*nameFound = const_cast<char*>(found->name.c_str());
	if (typeFound != NULL)
		*typeFound = found->type;
	if (countFound != NULL)
		*countFound = found->count;
	return B_OK;
}

status_t BMessage::GetInfo(const char* name, type_code* typeFound, int32* countFound) const
{
	return GetInfo(name, typeFound, countFound, NULL);
}

status_t BMessage::GetInfo(const char* name, type_code* typeFound, bool* fixedSize) const
{
	return GetInfo(name, typeFound, NULL, fixedSize);
}

status_t BMessage::GetInfo(const char* name, type_code* typeFound, int32* countFound,
                           bool* fixedSize) const
{
	if (name == NULL)
		return B_BAD_VALUE;
	const MessageField* field = fBody != NULL ? fBody->Find(name) : NULL;
	if (field == NULL) {
		if (typeFound != NULL)
			*typeFound = 0;
		if (countFound != NULL)
			*countFound = 0;
		return B_NAME_NOT_FOUND;
	}
	if (typeFound != NULL)
		*typeFound = field->type;
	if (countFound != NULL)
		*countFound = field->count;
	if (fixedSize != NULL)
		*fixedSize = field->fixedSize;
	return B_OK;
}

int32 BMessage::CountNames(type_code type) const
{
	if (fBody == NULL)
		return 0;
	if (type == B_ANY_TYPE)
		return fBody->CountFields();
	int32 count = 0;
	for (int32 i = 0; i < fBody->CountFields(); i++) {
		if (fBody->FieldAt(i).type == type)
			count++;
	}
	return count;
}

bool BMessage::IsEmpty() const
{
	return fBody == NULL || fBody->CountFields() == 0;
}

status_t BMessage::Rename(const char* oldName, const char* newName)
{
	size_t length;
	uint32 hash;
	if (oldName == NULL || check_name(newName, &length, &hash) != B_OK)
		return B_BAD_VALUE;
	int32 index = fBody != NULL ? fBody->IndexOf(oldName) : -1;
	if (index < 0)
		return B_NAME_NOT_FOUND;
	if (strcmp(oldName, newName) == 0)
		return B_OK;
	if (fBody->IndexOf(newName) >= 0)
		return B_NAME_IN_USE;
	try {
		fBody->RenameField(index, newName);
	} catch (const std::bad_alloc&) {
		return B_NO_MEMORY;
	}
	return B_OK;
}

bool BMessage::WasDropped() const
{
	return fDelivery != NULL && fDelivery->wasDropped;
}

bool BMessage::IsSourceRemote() const
{
	return fDelivery != NULL && fDelivery->sourceRemote;
}

BPoint BMessage::DropPoint(BPoint* offset) const
{
	bool dropped = WasDropped();
	if (offset != NULL)
		*offset = dropped ? fDelivery->dropOffset : BPoint();
	return dropped ? fDelivery->dropPoint : BPoint();
}

// #pragma mark - adding and removing

status_t BMessage::_Add(const char* name, type_code type, const void* data, size_t size,
                        bool fixedSize)
{
	size_t length;
	uint32 hash;
	status_t status = check_name(name, &length, &hash);
	if (status != B_OK)
		return status;
	MessageBody* body = _Body();
	if (body == NULL)
		return B_NO_MEMORY;

	try {
		MessageField* field = body->Find(name);
		if (field != NULL) {
			if (field->type != type)
				return B_BAD_TYPE;
			if (field->fixedSize && size != field->itemSize)
				return B_BAD_VALUE;
			if (field->data.size() + size > UINT32_MAX || field->count == INT32_MAX)
				return B_NO_MEMORY;
			field->Append(data, size);
			return B_OK;
		}
		if (size > UINT32_MAX)
			return B_NO_MEMORY;
		MessageField& added = body->AddField(name, length, hash, type, fixedSize,
		                                     fixedSize ? static_cast<uint32>(size) : 0);
		try {
			added.Append(data, size);
		} catch (const std::bad_alloc&) {
			body->RemoveField(body->CountFields() - 1);
			throw;
		}
	} catch (const std::bad_alloc&) {
		return B_NO_MEMORY;
	}
	return B_OK;
}

status_t BMessage::AddData(const char* name, type_code type, const void* data, ssize_t numBytes,
                           bool isFixedSize, int32 /*count*/)
{
	if (data == NULL || numBytes <= 0 || type == B_ANY_TYPE)
		return B_BAD_VALUE;
	status_t status = BPrivate::validate_item(type, data, static_cast<size_t>(numBytes));
	if (status != B_OK)
		return status;
	// A ref's flattened size depends on its path, and messages differ in size
	// by nature: such fields are never fixed-size, whatever the caller says.
	if (type == B_REF_TYPE || type == B_MESSAGE_TYPE)
		isFixedSize = false;
	return _Add(name, type, data, static_cast<size_t>(numBytes), isFixedSize);
}

status_t BMessage::AddBool(const char* name, bool value)
{
	uint8 byte = value ? 1 : 0;
	return _Add(name, B_BOOL_TYPE, &byte, 1, true);
}

status_t BMessage::AddInt8(const char* name, int8 value)
{
	return _Add(name, B_INT8_TYPE, &value, sizeof(value), true);
}

status_t BMessage::AddUInt8(const char* name, uint8 value)
{
	return _Add(name, B_UINT8_TYPE, &value, sizeof(value), true);
}

status_t BMessage::AddInt16(const char* name, int16 value)
{
	return _Add(name, B_INT16_TYPE, &value, sizeof(value), true);
}

status_t BMessage::AddUInt16(const char* name, uint16 value)
{
	return _Add(name, B_UINT16_TYPE, &value, sizeof(value), true);
}

status_t BMessage::AddInt32(const char* name, int32 value)
{
	return _Add(name, B_INT32_TYPE, &value, sizeof(value), true);
}

status_t BMessage::AddUInt32(const char* name, uint32 value)
{
	return _Add(name, B_UINT32_TYPE, &value, sizeof(value), true);
}

status_t BMessage::AddInt64(const char* name, int64 value)
{
	return _Add(name, B_INT64_TYPE, &value, sizeof(value), true);
}

status_t BMessage::AddUInt64(const char* name, uint64 value)
{
	return _Add(name, B_UINT64_TYPE, &value, sizeof(value), true);
}

status_t BMessage::AddFloat(const char* name, float value)
{
	return _Add(name, B_FLOAT_TYPE, &value, sizeof(value), true);
}

status_t BMessage::AddDouble(const char* name, double value)
{
	return _Add(name, B_DOUBLE_TYPE, &value, sizeof(value), true);
}

status_t BMessage::AddString(const char* name, const char* string)
{
	if (string == NULL)
		return B_BAD_VALUE;
	return _Add(name, B_STRING_TYPE, string, strlen(string) + 1, false);
}

status_t BMessage::AddPoint(const char* name, BPoint point)
{
	float item[2] = {point.x, point.y};
	return _Add(name, B_POINT_TYPE, item, sizeof(item), true);
}

status_t BMessage::AddRect(const char* name, BRect rect)
{
	float item[4] = {rect.left, rect.top, rect.right, rect.bottom};
	return _Add(name, B_RECT_TYPE, item, sizeof(item), true);
}

status_t BMessage::AddPointer(const char* name, const void* pointer)
{
	uint64 value = reinterpret_cast<uintptr_t>(pointer);
	return _Add(name, B_POINTER_TYPE, &value, sizeof(value), true);
}

status_t BMessage::AddRef(const char* name, const entry_ref* ref)
{
	if (ref == NULL)
		return B_BAD_VALUE;
	std::vector<char> item;
	status_t status = BPrivate::make_ref_item(*ref, &item);
	if (status != B_OK)
		return status;
	return _Add(name, B_REF_TYPE, item.data(), item.size(), false);
}

status_t BMessage::AddMessage(const char* name, const BMessage* message)
{
	if (message == NULL)
		return B_BAD_VALUE;
	std::vector<char> flat;
	status_t status = BPrivate::flatten_body(message->what, message->fBody, &flat);
	if (status != B_OK)
		return status;
	// Refuses what could not be read back: a message nested too deep.
	status = BPrivate::validate_flattened(flat.data(), flat.size(), 1);
	if (status != B_OK)
		return status == B_NO_MEMORY ? status : B_BAD_VALUE;
	return _Add(name, B_MESSAGE_TYPE, flat.data(), flat.size(), false);
}

status_t BMessage::RemoveData(const char* name, int32 index)
{
	if (name == NULL || index < 0)
		return B_BAD_VALUE;
	int32 fieldIndex = fBody != NULL ? fBody->IndexOf(name) : -1;
	if (fieldIndex < 0)
		return B_NAME_NOT_FOUND;
	MessageField& field = fBody->FieldAt(fieldIndex);
	if (index >= field.count)
		return B_BAD_INDEX;
	if (field.count == 1) {
		fBody->RemoveField(fieldIndex);
		return B_OK;
	}
	field.RemoveAt(index);
	return B_OK;
}

status_t BMessage::RemoveName(const char* name)
{
	if (name == NULL)
		return B_BAD_VALUE;
	int32 fieldIndex = fBody != NULL ? fBody->IndexOf(name) : -1;
	if (fieldIndex < 0)
		return B_NAME_NOT_FOUND;
	fBody->RemoveField(fieldIndex);
	return B_OK;
}

status_t BMessage::MakeEmpty()
{
	delete fBody;
	fBody = NULL;
	return B_OK;
}

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

// #pragma mark - BMessage::Private

MessageDelivery* BMessage::Private::Delivery()
{
	if (fMessage->fDelivery == NULL)
		fMessage->fDelivery = new (std::nothrow) MessageDelivery;
	return fMessage->fDelivery;
}

void BMessage::Private::ClearDelivery()
{
	delete fMessage->fDelivery;
	fMessage->fDelivery = NULL;
}
