#include "translation/StreamReader.h"

#include <new>
#include <string.h>

namespace BPrivate {

ssize_t StreamReader::Read(void* buffer, size_t size)
{
	size_t done = 0;
	while (done < size) {
		ssize_t result =
		    fStream->ReadAt(fPosition, static_cast<uint8*>(buffer) + done, size - done);
		if (result < 0)
			return done > 0 ? ssize_t(done) : result;
		if (result == 0)
			break;
		done += size_t(result);
		fPosition += result;
	}
	return ssize_t(done);
}

status_t read_whole_stream(BPositionIO* stream, off_t start, EncodedData* data)
{
	// The size is a hint only: a stream that cannot tell it, or whose size
	// changes while it is read, is read until it ends.
	off_t size = 0;
	size_t capacity = 64 * 1024;
	if (stream->GetSize(&size) == B_OK && size > start)
		capacity = size_t(min_c(size - start + 1, off_t(kMaxEncodedLength) + 1));

	StreamReader reader(stream, start);
	std::unique_ptr<uint8[]> bytes(new (std::nothrow) uint8[capacity]);
	if (!bytes)
		return B_NO_MEMORY;
	size_t length = 0;
	for (;;) {
		if (length == capacity) {
			if (capacity > kMaxEncodedLength)
				return B_NO_MEMORY;
			size_t grown = min_c(capacity * 2, kMaxEncodedLength + 1);
			std::unique_ptr<uint8[]> larger(new (std::nothrow) uint8[grown]);
			if (!larger)
				return B_NO_MEMORY;
			memcpy(larger.get(), bytes.get(), length);
			bytes = std::move(larger);
			capacity = grown;
		}
		ssize_t result = reader.Read(bytes.get() + length, capacity - length);
		if (result < 0)
			return status_t(result);
		if (result == 0)
			break;
		length += size_t(result);
	}
	if (length > kMaxEncodedLength)
		return B_NO_MEMORY;
	data->bytes = std::move(bytes);
	data->length = length;
	return B_OK;
}

} // namespace BPrivate
