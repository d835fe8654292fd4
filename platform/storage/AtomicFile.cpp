// Replacing a file so that a crash leaves it old or new, never torn.

#include "storage/AtomicFile.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include <Errors.h>

namespace BPrivate {

static std::atomic<atomic_write_hook> sHook{NULL};

void set_atomic_write_hook(atomic_write_hook hook)
{
	sHook.store(hook);
}

static bool may_go_on(atomic_write_step step)
{
	atomic_write_hook hook = sHook.load();
	return hook == NULL || hook(step);
}

static bool write_all(int fd, const char* data, size_t size)
{
	size_t written = 0;
	while (written < size) {
		ssize_t done = write(fd, data + written, size - written);
		if (done < 0 && errno == EINTR)
			continue;
		if (done <= 0)
			return false;
		written += static_cast<size_t>(done);
	}
	return true;
}

status_t write_file_atomically(const char* path, const void* data, size_t size, mode_t mode)
{
	if (path == NULL || path[0] == '\0' || (data == NULL && size > 0))
		return B_BAD_VALUE;
	std::string target = path;
	std::string folder = ".";
	size_t slash = target.rfind('/');
	if (slash != std::string::npos)
		folder = slash == 0 ? "/" : target.substr(0, slash);

	if (!may_go_on(ATOMIC_WRITE_CREATE))
		return B_IO_ERROR;
	std::string temporary = target + ".XXXXXX";
	int fd = mkostemp(temporary.data(), O_CLOEXEC);
	if (fd < 0)
		return errno == EACCES || errno == EROFS ? static_cast<status_t>(B_NOT_ALLOWED) : B_IO_ERROR;

	const char* bytes = static_cast<const char*>(data);
	if (!may_go_on(ATOMIC_WRITE_DATA)) {
		write_all(fd, bytes, size / 2);
		close(fd);
		return B_IO_ERROR;
	}
	bool ok = write_all(fd, bytes, size) && fchmod(fd, mode) == 0;
	if (ok && !may_go_on(ATOMIC_WRITE_SYNC)) {
		close(fd);
		return B_IO_ERROR;
	}
	ok = ok && fsync(fd) == 0;
	ok = close(fd) == 0 && ok;
	if (ok && !may_go_on(ATOMIC_WRITE_RENAME))
		return B_IO_ERROR;
	if (!ok || rename(temporary.c_str(), target.c_str()) != 0) {
		unlink(temporary.c_str());
		return B_IO_ERROR;
	}
	if (!may_go_on(ATOMIC_WRITE_SYNC_FOLDER))
		return B_IO_ERROR;
	// The rename itself lasts only once the folder is on disk too.
	int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	if (dir >= 0) {
		fsync(dir);
		close(dir);
	}
	return B_OK;
}

} // namespace BPrivate
