#include <DataIO.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <limits>

BDataIO::BDataIO() = default;
BDataIO::~BDataIO() = default;

ssize_t BDataIO::Read(void*, size_t)
{
	return B_NOT_ALLOWED;
}

ssize_t BDataIO::Write(const void*, size_t)
{
	return B_NOT_ALLOWED;
}

status_t BDataIO::Flush()
{
	return B_OK;
}

status_t BDataIO::ReadExactly(void* buffer, size_t size, size_t* bytesRead)
{
	size_t total = 0;
	status_t status = B_OK;
	while (total < size) {
		ssize_t got = Read(static_cast<char*>(buffer) + total, size - total);
		if (got < 0) {
			status = static_cast<status_t>(got);
			break;
		}
		if (got == 0) {
			status = B_PARTIAL_READ;
			break;
		}
		total += static_cast<size_t>(got);
	}
	if (bytesRead != NULL)
		*bytesRead = total;
	return status;
}

status_t BDataIO::WriteExactly(const void* buffer, size_t size, size_t* bytesWritten)
{
	size_t total = 0;
	status_t status = B_OK;
	while (total < size) {
		ssize_t put = Write(static_cast<const char*>(buffer) + total, size - total);
		if (put < 0) {
			status = static_cast<status_t>(put);
			break;
		}
		if (put == 0) {
			status = B_PARTIAL_WRITE;
			break;
		}
		total += static_cast<size_t>(put);
	}
	if (bytesWritten != NULL)
		*bytesWritten = total;
	return status;
}

BPositionIO::BPositionIO() = default;
BPositionIO::~BPositionIO() = default;

ssize_t BPositionIO::Read(void* buffer, size_t size)
{
	off_t position = Position();
	ssize_t got = ReadAt(position, buffer, size);
	if (got > 0)
		Seek(position + got, SEEK_SET);
	return got;
}

ssize_t BPositionIO::Write(const void* buffer, size_t size)
{
	off_t position = Position();
	ssize_t put = WriteAt(position, buffer, size);
	if (put > 0)
		Seek(position + put, SEEK_SET);
	return put;
}

status_t BPositionIO::ReadAtExactly(off_t position, void* buffer, size_t size, size_t* bytesRead)
{
	size_t total = 0;
	status_t status = B_OK;
	while (total < size) {
		ssize_t got = ReadAt(position + static_cast<off_t>(total),
			static_cast<char*>(buffer) + total, size - total);
		if (got < 0) {
			status = static_cast<status_t>(got);
			break;
		}
		if (got == 0) {
			status = B_PARTIAL_READ;
			break;
		}
		total += static_cast<size_t>(got);
	}
	if (bytesRead != NULL)
		*bytesRead = total;
	return status;
}

status_t BPositionIO::WriteAtExactly(off_t position, const void* buffer, size_t size,
	size_t* bytesWritten)
{
	size_t total = 0;
	status_t status = B_OK;
	while (total < size) {
		ssize_t put = WriteAt(position + static_cast<off_t>(total),
			static_cast<const char*>(buffer) + total, size - total);
		if (put < 0) {
			status = static_cast<status_t>(put);
			break;
		}
		if (put == 0) {
			status = B_PARTIAL_WRITE;
			break;
		}
		total += static_cast<size_t>(put);
	}
	if (bytesWritten != NULL)
		*bytesWritten = total;
	return status;
}

status_t BPositionIO::SetSize(off_t)
{
	return B_ERROR;
}

status_t BPositionIO::GetSize(off_t* size) const
{
	if (size == NULL)
		return B_BAD_VALUE;
	// Seek is not const in the Be API; measuring moves and restores the position.
	BPositionIO* self = const_cast<BPositionIO*>(this);
	off_t current = self->Position();
	if (current < 0)
		return static_cast<status_t>(current);
	off_t end = self->Seek(0, SEEK_END);
	if (end < 0)
		return static_cast<status_t>(end);
	*size = end;
	self->Seek(current, SEEK_SET);
	return B_OK;
}

namespace {

// Every offset stays within what both off_t and size_t can hold.
constexpr off_t kMaxMemoryOffset = std::numeric_limits<ssize_t>::max();

off_t resolve_seek(off_t position, uint32 seekMode, off_t current, off_t length)
{
	off_t origin;
	switch (seekMode) {
		case SEEK_SET: origin = 0; break;
		case SEEK_CUR: origin = current; break;
		case SEEK_END: origin = length; break;
		default: return B_BAD_VALUE;
	}
	if ((position > 0 && origin > kMaxMemoryOffset - position) || origin + position < 0)
		return B_BAD_VALUE;
	return origin + position;
}

} // namespace

BMallocIO::BMallocIO()
	: fBlockSize(256), fMallocSize(0), fLength(0), fData(NULL), fPosition(0)
{
}

BMallocIO::~BMallocIO()
{
	free(fData);
}

status_t BMallocIO::_Reserve(size_t size)
{
	if (size <= fMallocSize)
		return B_OK;
	size_t blocks = (size + fBlockSize - 1) / fBlockSize;
	size_t newSize = blocks * fBlockSize;
	char* grown = static_cast<char*>(realloc(fData, newSize));
	if (grown == NULL)
		return B_NO_MEMORY;
	fData = grown;
	fMallocSize = newSize;
	return B_OK;
}

ssize_t BMallocIO::ReadAt(off_t position, void* buffer, size_t size)
{
	if (buffer == NULL || position < 0)
		return B_BAD_VALUE;
	if (static_cast<size_t>(position) >= fLength)
		return 0;
	size_t available = fLength - static_cast<size_t>(position);
	size_t count = size < available ? size : available;
	memcpy(buffer, fData + position, count);
	return static_cast<ssize_t>(count);
}

ssize_t BMallocIO::WriteAt(off_t position, const void* buffer, size_t size)
{
	if (buffer == NULL || position < 0 || position > kMaxMemoryOffset
		|| size > static_cast<size_t>(kMaxMemoryOffset - position))
		return B_BAD_VALUE;
	size_t end = static_cast<size_t>(position) + size;
	status_t status = _Reserve(end);
	if (status != B_OK)
		return status;
	if (static_cast<size_t>(position) > fLength)
		memset(fData + fLength, 0, static_cast<size_t>(position) - fLength);
	memcpy(fData + position, buffer, size);
	if (end > fLength)
		fLength = end;
	return static_cast<ssize_t>(size);
}

off_t BMallocIO::Seek(off_t position, uint32 seekMode)
{
	off_t target = resolve_seek(position, seekMode, fPosition, static_cast<off_t>(fLength));
	if (target < 0)
		return target;
	fPosition = target;
	return fPosition;
}

off_t BMallocIO::Position() const
{
	return fPosition;
}

status_t BMallocIO::SetSize(off_t size)
{
	if (size < 0 || size > kMaxMemoryOffset)
		return B_BAD_VALUE;
	size_t newLength = static_cast<size_t>(size);
	if (newLength == 0) {
		free(fData);
		fData = NULL;
		fMallocSize = 0;
		fLength = 0;
		return B_OK;
	}
	status_t status = _Reserve(newLength);
	if (status != B_OK)
		return status;
	if (newLength > fLength)
		memset(fData + fLength, 0, newLength - fLength);
	fLength = newLength;
	return B_OK;
}

void BMallocIO::SetBlockSize(size_t blockSize)
{
	fBlockSize = blockSize == 0 ? 1 : blockSize;
}

const void* BMallocIO::Buffer() const
{
	return fData;
}

size_t BMallocIO::BufferLength() const
{
	return fLength;
}

BMemoryIO::BMemoryIO(void* data, size_t length)
	: fReadOnly(false), fBuffer(static_cast<char*>(data)), fLength(length), fBufferSize(length),
	  fPosition(0)
{
}

BMemoryIO::BMemoryIO(const void* data, size_t length)
	: fReadOnly(true), fBuffer(const_cast<char*>(static_cast<const char*>(data))),
	  fLength(length), fBufferSize(length), fPosition(0)
{
}

BMemoryIO::~BMemoryIO() = default;

ssize_t BMemoryIO::ReadAt(off_t position, void* buffer, size_t size)
{
	if (buffer == NULL || position < 0)
		return B_BAD_VALUE;
	if (static_cast<size_t>(position) >= fLength)
		return 0;
	size_t available = fLength - static_cast<size_t>(position);
	size_t count = size < available ? size : available;
	memcpy(buffer, fBuffer + position, count);
	return static_cast<ssize_t>(count);
}

ssize_t BMemoryIO::WriteAt(off_t position, const void* buffer, size_t size)
{
	if (fReadOnly)
		return B_NOT_ALLOWED;
	if (buffer == NULL || position < 0)
		return B_BAD_VALUE;
	if (static_cast<size_t>(position) >= fBufferSize)
		return 0;
	size_t room = fBufferSize - static_cast<size_t>(position);
	size_t count = size < room ? size : room;
	memcpy(fBuffer + position, buffer, count);
	if (static_cast<size_t>(position) + count > fLength)
		fLength = static_cast<size_t>(position) + count;
	return static_cast<ssize_t>(count);
}

off_t BMemoryIO::Seek(off_t position, uint32 seekMode)
{
	off_t target = resolve_seek(position, seekMode, fPosition, static_cast<off_t>(fLength));
	if (target < 0)
		return target;
	fPosition = target;
	return fPosition;
}

off_t BMemoryIO::Position() const
{
	return fPosition;
}

status_t BMemoryIO::SetSize(off_t size)
{
	if (fReadOnly)
		return B_NOT_ALLOWED;
	if (size < 0 || static_cast<size_t>(size) > fBufferSize)
		return B_ERROR;
	fLength = static_cast<size_t>(size);
	return B_OK;
}
