#include "app/MessageBody.h"

namespace BPrivate {

const char* MessageField::ItemAt(int32 index, size_t* size) const
{
	if (fixedSize) {
		*size = itemSize;
		return data.data() + static_cast<size_t>(index) * itemSize;
	}
	*size = offsets[index + 1] - offsets[index];
	return data.data() + offsets[index];
}

void MessageField::Append(const void* item, size_t size)
{
	const char* bytes = static_cast<const char*>(item);
	data.insert(data.end(), bytes, bytes + size);
	if (!fixedSize) {
		if (offsets.empty())
			offsets.push_back(0);
		offsets.push_back(static_cast<uint32>(data.size()));
	}
	count++;
}

void MessageField::ReplaceAt(int32 index, const void* item, size_t size)
{
	const char* bytes = static_cast<const char*>(item);
	if (fixedSize) {
		memcpy(data.data() + static_cast<size_t>(index) * itemSize, bytes, size);
		return;
	}
	uint32 start = offsets[index];
	uint32 oldSize = offsets[index + 1] - start;
	if (size == oldSize) {
		memcpy(data.data() + start, bytes, size);
		return;
	}
	data.erase(data.begin() + start, data.begin() + start + oldSize);
	data.insert(data.begin() + start, bytes, bytes + size);
	int64 delta = static_cast<int64>(size) - static_cast<int64>(oldSize);
	for (size_t i = index + 1; i < offsets.size(); i++)
		offsets[i] = static_cast<uint32>(offsets[i] + delta);
}

void MessageField::RemoveAt(int32 index)
{
	if (fixedSize) {
		auto start = data.begin() + static_cast<size_t>(index) * itemSize;
		data.erase(start, start + itemSize);
	} else {
		uint32 start = offsets[index];
		uint32 size = offsets[index + 1] - start;
		data.erase(data.begin() + start, data.begin() + start + size);
		offsets.erase(offsets.begin() + index + 1);
		for (size_t i = index + 1; i < offsets.size(); i++)
			offsets[i] -= size;
	}
	count--;
}

uint32 MessageBody::Hash(const char* name, size_t* length)
{
	// FNV-1a: names are short, so a byte loop is as fast as anything fancier.
	uint32 hash = 2166136261u;
	const unsigned char* p = reinterpret_cast<const unsigned char*>(name);
	while (*p != '\0') {
		hash = (hash ^ *p) * 16777619u;
		p++;
	}
	*length = static_cast<size_t>(p - reinterpret_cast<const unsigned char*>(name));
	return hash;
}

int32 MessageBody::IndexOf(const char* name) const
{
	if (fIndex.empty())
		return -1;
	size_t length;
	uint32 hash = Hash(name, &length);
	size_t mask = fIndex.size() - 1;
	for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
		int32 fieldIndex = fIndex[slot];
		if (fieldIndex < 0)
			return -1;
		const MessageField& field = fFields[fieldIndex];
		if (field.hash == hash && field.name.size() == length &&
		    memcmp(field.name.data(), name, length) == 0)
			return fieldIndex;
	}
}

MessageField* MessageBody::Find(const char* name)
{
	int32 index = IndexOf(name);
	return index < 0 ? NULL : &fFields[index];
}

const MessageField* MessageBody::Find(const char* name) const
{
	int32 index = IndexOf(name);
	return index < 0 ? NULL : &fFields[index];
}

MessageField& MessageBody::AddField(const char* name, size_t length, uint32 hash, type_code type,
                                    bool fixedSize, uint32 itemSize)
{
	if (fFields.empty())
		fFields.reserve(16); // an input event's fields, without regrowing
	MessageField field;
	field.name.assign(name, length);
	field.hash = hash;
	field.type = type;
	field.fixedSize = fixedSize;
	field.itemSize = itemSize;
	field.count = 0;
	fFields.push_back(std::move(field));

	// Keep the table at most half full so that probe runs stay short.
	if (fFields.size() * 2 > fIndex.size())
		_RebuildIndex();
	else
		_InsertIndex(static_cast<int32>(fFields.size() - 1));
	return fFields.back();
}

void MessageBody::RemoveField(int32 index)
{
	fFields.erase(fFields.begin() + index);
	_RebuildIndex();
}

void MessageBody::RenameField(int32 index, const char* name)
{
	size_t length;
	fFields[index].hash = Hash(name, &length);
	fFields[index].name.assign(name, length);
	_RebuildIndex();
}

void MessageBody::_RebuildIndex()
{
	size_t slots = 16;
	while (slots < fFields.size() * 2)
		slots *= 2;
	fIndex.assign(slots, -1);
	for (size_t i = 0; i < fFields.size(); i++)
		_InsertIndex(static_cast<int32>(i));
}

void MessageBody::_InsertIndex(int32 fieldIndex)
{
	size_t mask = fIndex.size() - 1;
	size_t slot = fFields[fieldIndex].hash & mask;
	while (fIndex[slot] >= 0)
		slot = (slot + 1) & mask;
	fIndex[slot] = fieldIndex;
}

} // namespace BPrivate
