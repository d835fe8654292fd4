#include "translation/FileIO.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace BPrivate {

namespace {

status_t from_errno(int error)
{
	switch (error) {
		case ENOENT:
		case ENOTDIR:
			return B_ENTRY_NOT_FOUND;
		case EACCES:
		case EPERM:
			return B_PERMISSION_DENIED;
		case ENOMEM:
			return B_NO_MEMORY;
		case EINVAL:
			return B_BAD_VALUE;
		default:
			return B_IO_ERROR;
	}
}

} // namespace

FileIO::FileIO(const char* path) : fFD(-1), fPosition(0), fStatus(B_BAD_VALUE)
{
	if (path == NULL)
		return;
	fFD = open(path, O_RDONLY | O_CLOEXEC);
	if (fFD < 0) {
		fStatus = from_errno(errno);
		return;
	}
	// A directory opens read-only but is no picture.
	struct stat info;
	if (fstat(fFD, &info) != 0 || !S_ISREG(info.st_mode)) {
		fStatus = B_BAD_VALUE;
		return;
	}
	fStatus = B_OK;
}

FileIO::~FileIO()
{
	if (fFD >= 0)
		close(fFD);
}

ssize_t FileIO::ReadAt(off_t position, void* buffer, size_t size)
{
	if (fStatus != B_OK)
		return fStatus;
	if (position < 0)
		return B_BAD_VALUE;
	for (;;) {
		ssize_t result = pread(fFD, buffer, size, position);
		if (result >= 0)
			return result;
		if (errno != EINTR)
			return from_errno(errno);
	}
}

ssize_t FileIO::WriteAt(off_t, const void*, size_t)
{
	return B_NOT_ALLOWED;
}

off_t FileIO::Seek(off_t position, uint32 seekMode)
{
	if (fStatus != B_OK)
		return fStatus;
	off_t base = 0;
	if (seekMode == SEEK_CUR) {
		base = fPosition;
	} else if (seekMode == SEEK_END) {
		off_t size;
		status_t status = GetSize(&size);
		if (status != B_OK)
			return status;
		base = size;
	} else if (seekMode != SEEK_SET) {
		return B_BAD_VALUE;
	}
	if (base + position < 0)
		return B_BAD_VALUE;
	fPosition = base + position;
	return fPosition;
}

off_t FileIO::Position() const
{
	return fPosition;
}

status_t FileIO::GetSize(off_t* size) const
{
	if (fStatus != B_OK)
		return fStatus;
	struct stat info;
	if (fstat(fFD, &info) != 0)
		return from_errno(errno);
	*size = info.st_size;
	return B_OK;
}

} // namespace BPrivate
