#include <File.h>

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "storage/EntryRefPath.h"

namespace {

const uint32 kKnownModeBits =
    O_ACCMODE | B_CREATE_FILE | B_ERASE_FILE | B_FAIL_IF_EXISTS | B_OPEN_AT_END;

} // namespace

BFile::BFile() : fMode(0) {}

BFile::BFile(const entry_ref* ref, uint32 openMode) : fMode(0)
{
	SetTo(ref, openMode);
}

BFile::BFile(const BEntry* entry, uint32 openMode) : fMode(0)
{
	SetTo(entry, openMode);
}

BFile::BFile(const char* path, uint32 openMode) : fMode(0)
{
	SetTo(path, openMode);
}

BFile::~BFile() = default;

status_t BFile::SetTo(const entry_ref* ref, uint32 openMode)
{
	Unset();
	if (ref == NULL) {
		_SetStatus(B_BAD_VALUE);
		return B_BAD_VALUE;
	}
	std::string path;
	status_t status = BPrivate::path_for_ref(*ref, &path);
	if (status != B_OK) {
		_SetStatus(status);
		return status;
	}
	return SetTo(path.c_str(), openMode);
}

status_t BFile::SetTo(const BEntry* entry, uint32 openMode)
{
	Unset();
	entry_ref ref;
	status_t status = entry == NULL ? B_BAD_VALUE : entry->GetRef(&ref);
	if (status != B_OK) {
		_SetStatus(status);
		return status;
	}
	return SetTo(&ref, openMode);
}

status_t BFile::SetTo(const char* path, uint32 openMode)
{
	Unset();
	status_t status = B_OK;
	if (path == NULL || (openMode & ~kKnownModeBits) != 0 || (openMode & O_ACCMODE) == O_ACCMODE)
		status = B_BAD_VALUE;
	else if (path[0] == '\0')
		status = B_ENTRY_NOT_FOUND;
	if (status != B_OK) {
		_SetStatus(status);
		return status;
	}

	int fd;
	do {
		fd = open(path, int(openMode) | O_CLOEXEC | O_NOCTTY, 0666);
	} while (fd < 0 && errno == EINTR);
	if (fd < 0 && errno == ETXTBSY && (openMode & O_ACCMODE) == B_READ_WRITE &&
	    (openMode & (B_ERASE_FILE | B_OPEN_AT_END)) == 0) {
		// Linux refuses to open a running executable for writing; the Be API
		// did not, and applications open their own file B_READ_WRITE to read
		// their resources. Such a file opens read-only: IsWritable() says so
		// and writes fail, so nothing is lost silently.
		openMode = (openMode & ~uint32(O_ACCMODE) & ~uint32(B_CREATE_FILE | B_FAIL_IF_EXISTS)) |
		           B_READ_ONLY;
		do {
			fd = open(path, int(openMode) | O_CLOEXEC | O_NOCTTY);
		} while (fd < 0 && errno == EINTR);
	}
	if (fd < 0) {
		status = errno_to_status(errno);
		_SetStatus(status);
		return status;
	}
	struct stat st;
	if (fstat(fd, &st) != 0)
		status = errno_to_status(errno);
	else if (S_ISDIR(st.st_mode))
		status = B_IS_A_DIRECTORY;
	if (status != B_OK) {
		close(fd);
		_SetStatus(status);
		return status;
	}
	_SetFd(fd);
	fMode = openMode;
	_SetStatus(B_OK);
	return B_OK;
}

void BFile::Unset()
{
	BNode::Unset();
	fMode = 0;
}

bool BFile::IsReadable() const
{
	return InitCheck() == B_OK && (fMode & O_ACCMODE) != B_WRITE_ONLY;
}

bool BFile::IsWritable() const
{
	return InitCheck() == B_OK && (fMode & O_ACCMODE) != B_READ_ONLY;
}

ssize_t BFile::Read(void* buffer, size_t size)
{
	if (InitCheck() != B_OK)
		return InitCheck();
	if (!IsReadable())
		return B_PERMISSION_DENIED;
	ssize_t got;
	do {
		got = read(_Fd(), buffer, size);
	} while (got < 0 && errno == EINTR);
	return got < 0 ? errno_to_status(errno) : got;
}

ssize_t BFile::ReadAt(off_t position, void* buffer, size_t size)
{
	if (InitCheck() != B_OK)
		return InitCheck();
	if (!IsReadable())
		return B_PERMISSION_DENIED;
	if (position < 0)
		return B_BAD_VALUE;
	ssize_t got;
	do {
		got = pread(_Fd(), buffer, size, position);
	} while (got < 0 && errno == EINTR);
	return got < 0 ? errno_to_status(errno) : got;
}

ssize_t BFile::Write(const void* buffer, size_t size)
{
	if (InitCheck() != B_OK)
		return InitCheck();
	if (!IsWritable())
		return B_PERMISSION_DENIED;
	ssize_t put;
	do {
		put = write(_Fd(), buffer, size);
	} while (put < 0 && errno == EINTR);
	return put < 0 ? errno_to_status(errno) : put;
}

// With B_OPEN_AT_END, Linux appends whatever |position| says.
ssize_t BFile::WriteAt(off_t position, const void* buffer, size_t size)
{
	if (InitCheck() != B_OK)
		return InitCheck();
	if (!IsWritable())
		return B_PERMISSION_DENIED;
	if (position < 0)
		return B_BAD_VALUE;
	ssize_t put;
	do {
		put = pwrite(_Fd(), buffer, size, position);
	} while (put < 0 && errno == EINTR);
	return put < 0 ? errno_to_status(errno) : put;
}

off_t BFile::Seek(off_t position, uint32 seekMode)
{
	if (InitCheck() != B_OK)
		return InitCheck();
	if (seekMode != SEEK_SET && seekMode != SEEK_CUR && seekMode != SEEK_END)
		return B_BAD_VALUE;
	off_t result = lseek(_Fd(), position, int(seekMode));
	return result < 0 ? errno_to_status(errno) : result;
}

off_t BFile::Position() const
{
	if (InitCheck() != B_OK)
		return InitCheck();
	off_t result = lseek(_Fd(), 0, SEEK_CUR);
	return result < 0 ? errno_to_status(errno) : result;
}

status_t BFile::GetSize(off_t* size) const
{
	return BStatable::GetSize(size);
}

status_t BFile::SetSize(off_t size)
{
	if (InitCheck() != B_OK)
		return InitCheck();
	if (size < 0)
		return B_BAD_VALUE;
	if (!IsWritable())
		return B_PERMISSION_DENIED;
	if (ftruncate(_Fd(), size) != 0)
		return errno_to_status(errno);
	return B_OK;
}
