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
