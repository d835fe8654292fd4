#ifndef PLATFORM_APP_MESSAGE_BODY_H
#define PLATFORM_APP_MESSAGE_BODY_H

// The fields of a BMessage: a vector in insertion order (GetInfo by index,
// flattening) plus an open-addressed hash index over the names, so that a
// lookup costs one hash and, almost always, one string compare however many
// fields the message has.

#include <string.h>

#include <string>
#include <vector>

#include <SupportDefs.h>

namespace BPrivate {

struct MessageField {
	std::string name;
	uint32 hash;
	type_code type;
	bool fixedSize;
	uint32 itemSize;             // fixed-size fields: bytes per item
	int32 count;                 // items
	std::vector<char> data;      // items back to back
	std::vector<uint32> offsets; // variable-size fields: start of each item, plus the end

	const char* ItemAt(int32 index, size_t* size) const;
	void Append(const void* item, size_t size);
	// |size| must equal itemSize for fixed-size fields (checked by the caller).
	void ReplaceAt(int32 index, const void* item, size_t size);
	void RemoveAt(int32 index);
};

class MessageBody {
public:
	static uint32 Hash(const char* name, size_t* length);

	int32 CountFields() const { return static_cast<int32>(fFields.size()); }
	MessageField& FieldAt(int32 index) { return fFields[index]; }
	const MessageField& FieldAt(int32 index) const { return fFields[index]; }

	// -1 when there is no such field.
	int32 IndexOf(const char* name) const;
	MessageField* Find(const char* name);
	const MessageField* Find(const char* name) const;

	// The caller has checked that no field has this name.
	MessageField& AddField(const char* name, size_t length, uint32 hash, type_code type,
	                       bool fixedSize, uint32 itemSize);
	void RemoveField(int32 index);
	void RenameField(int32 index, const char* name);

private:
	void _RebuildIndex();
	void _InsertIndex(int32 fieldIndex);

	std::vector<MessageField> fFields;
	std::vector<int32> fIndex; // power-of-two slots: field index, or -1 for empty
};

} // namespace BPrivate

#endif
