#include <NodeInfo.h>

#include <string.h>

#include <TypeConstants.h>

#include "storage/MimeSniffer.h"

namespace {

const char* kTypeAttribute = "BEOS:TYPE";

} // namespace

BNodeInfo::BNodeInfo() : fNode(NULL), fStatus(B_NO_INIT) {}

BNodeInfo::BNodeInfo(BNode* node) : fNode(NULL), fStatus(B_NO_INIT)
{
	SetTo(node);
}

BNodeInfo::~BNodeInfo() = default;

status_t BNodeInfo::SetTo(BNode* node)
{
	fNode = NULL;
	if (node == NULL)
		return fStatus = B_BAD_VALUE;
	if (node->InitCheck() != B_OK)
		return fStatus = node->InitCheck();
	fNode = node;
	return fStatus = B_OK;
}

status_t BNodeInfo::InitCheck() const
{
	return fStatus;
}

status_t BNodeInfo::GetType(char* type) const
{
	if (fStatus != B_OK)
		return fStatus;
	if (type == NULL)
		return B_BAD_VALUE;

	// One byte more than a type may take, to tell a full-length value apart
	// from a longer one.
	char stored[B_MIME_TYPE_LENGTH + 1];
	ssize_t got = fNode->ReadAttr(kTypeAttribute, B_MIME_STRING_TYPE, 0, stored, sizeof(stored));
	if (got > 0) {
		size_t length = size_t(got);
		if (stored[length - 1] == '\0')
			length--; // written by a tool that counts the terminator
		if (length > 0 && length < B_MIME_TYPE_LENGTH && memchr(stored, '\0', length) == NULL) {
			memcpy(type, stored, length);
			type[length] = '\0';
			return B_OK;
		}
		// A value that cannot be a type is treated like no value: the
		// attribute is only a cache of what the content says.
	} else if (got < 0 && got != B_ENTRY_NOT_FOUND && got != B_UNSUPPORTED) {
		return status_t(got);
	}

	if (fNode->fPathOnly)
		return B_PERMISSION_DENIED; // the content cannot be read
	return BPrivate::sniff_mime_type(fNode->fFd, type);
}

status_t BNodeInfo::SetType(const char* type)
{
	if (fStatus != B_OK)
		return fStatus;
	if (type == NULL) {
		status_t status = fNode->RemoveAttr(kTypeAttribute);
		return status == B_ENTRY_NOT_FOUND ? B_OK : status;
	}
	size_t length = strlen(type);
	if (length == 0 || length >= B_MIME_TYPE_LENGTH)
		return B_BAD_VALUE;
	ssize_t written = fNode->WriteAttr(kTypeAttribute, B_MIME_STRING_TYPE, 0, type, length);
	return written < 0 ? status_t(written) : B_OK;
}
