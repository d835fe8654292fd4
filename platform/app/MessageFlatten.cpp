// BMessage's flattening calls; the format itself is in MessageFormat.cpp.

#include <Message.h>

#include <string.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "app/MessageBody.h"
#include "app/MessageFormat.h"
#include "app/MessagePrivate.h"

using BPrivate::MessageBody;

ssize_t BMessage::FlattenedSize() const
{
	std::vector<char> flat;
	status_t status = BPrivate::flatten_body(what, fBody, &flat);
	if (status != B_OK)
		return status;
	return static_cast<ssize_t>(flat.size());
}

status_t BMessage::Flatten(char* buffer, ssize_t size) const
{
	if (buffer == NULL || size < 0)
		return B_BAD_VALUE;
	std::vector<char> flat;
	status_t status = BPrivate::flatten_body(what, fBody, &flat);
	if (status != B_OK)
		return status;
	if (flat.size() > static_cast<size_t>(size))
		return B_BAD_VALUE;
	memcpy(buffer, flat.data(), flat.size());
	return B_OK;
}

status_t BMessage::Flatten(BDataIO* stream, ssize_t* size) const
{
	if (size != NULL)
		*size = 0;
	if (stream == NULL)
		return B_BAD_VALUE;
	std::vector<char> flat;
	status_t status = BPrivate::flatten_body(what, fBody, &flat);
	if (status != B_OK)
		return status;
	size_t written = 0;
	status = stream->WriteExactly(flat.data(), flat.size(), &written);
	if (size != NULL)
		*size = static_cast<ssize_t>(written);
	return status;
}

status_t BMessage::Unflatten(const char* flatBuffer)
{
	if (flatBuffer == NULL)
		return B_BAD_VALUE;
	size_t size = BPrivate::flattened_size_from_header(flatBuffer);
	if (size == 0)
		return B_NOT_A_MESSAGE;
	return Private(this).Unflatten(flatBuffer, size);
}

status_t BMessage::Unflatten(BDataIO* stream)
{
	if (stream == NULL)
		return B_BAD_VALUE;
	char header[BPrivate::kMessageHeaderSize];
	status_t status = stream->ReadExactly(header, sizeof(header));
	if (status != B_OK)
		return status == B_PARTIAL_READ ? B_BAD_DATA : status;
	size_t size = BPrivate::flattened_size_from_header(header);
	if (size == 0)
		return B_NOT_A_MESSAGE;
	if (size < sizeof(header) || size > BPrivate::kMaxFlattenedSize)
		return B_BAD_DATA;

	// Grow with the data that actually arrives, so that a header announcing
	// a large message on a short stream costs no more than the stream holds.
	const size_t kChunk = 64 * 1024;
	std::vector<char> flat;
	try {
		flat.assign(header, header + sizeof(header));
		while (flat.size() < size) {
			size_t start = flat.size();
			size_t chunk = std::min(kChunk, size - start);
			flat.resize(start + chunk);
			status = stream->ReadExactly(flat.data() + start, chunk);
			if (status != B_OK)
				return status == B_PARTIAL_READ ? B_BAD_DATA : status;
		}
	} catch (const std::bad_alloc&) {
		return B_NO_MEMORY;
	}
	return Private(this).Unflatten(flat.data(), flat.size());
}

status_t BMessage::Private::Unflatten(const void* data, size_t size)
{
	if (data == NULL)
		return B_BAD_VALUE;
	std::unique_ptr<MessageBody> body(new (std::nothrow) MessageBody);
	if (!body)
		return B_NO_MEMORY;
	uint32 what;
	status_t status = BPrivate::unflatten_body(data, size, &what, body.get());
	if (status != B_OK)
		return status;

	fMessage->what = what;
	delete fMessage->fBody;
	fMessage->fBody = body->CountFields() > 0 ? body.release() : NULL;
	ClearDelivery();
	return B_OK;
}
