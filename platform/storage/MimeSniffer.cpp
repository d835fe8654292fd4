#include "storage/MimeSniffer.h"

#include <errno.h>
#include <magic.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

#include <StorageDefs.h>

namespace BPrivate {

namespace {

// libmagic reads no further than this into a file by default for most tests;
// containers (MP4, Matroska) and images announce themselves well before.
const size_t kSniffLength = 16384;

struct Magic {
	std::mutex lock;       // a magic_t is not safe for concurrent use
	magic_t cookie = NULL; // guarded by lock; loaded once, never closed
	status_t status = B_NO_INIT;
};

Magic& magic()
{
	static Magic* instance = [] {
		Magic* m = new Magic; // never destroyed: sniffs may run during exit
		m->cookie = magic_open(MAGIC_MIME_TYPE | MAGIC_ERROR);
		if (m->cookie == NULL) {
			m->status = B_NO_MEMORY;
		} else if (magic_load(m->cookie, NULL) != 0) {
			magic_close(m->cookie);
			m->cookie = NULL;
			m->status = B_ERROR;
		} else {
			m->status = B_OK;
		}
		return m;
	}();
	return *instance;
}

// A few names differ between sniffers and the shared-mime-info names the
// rest of the desktop uses.
const char* normalized(const char* type)
{
	static const struct {
		const char* from;
		const char* to;
	} kAliases[] = {
	    {"image/heic", "image/heif"},
	    {"image/x-ms-bmp", "image/bmp"},
	};
	for (const auto& alias : kAliases) {
		if (strcmp(type, alias.from) == 0)
			return alias.to;
	}
	return type;
}

std::atomic<bool> sPreparing{false};

} // namespace

void prepare_mime_sniffer()
{
	if (sPreparing.exchange(true))
		return;
	// Reading and checking the compiled database takes about a millisecond,
	// as long as opening the display; the thread is not waited for at exit
	// because the database, once loaded, is never released anyway.
	try {
		std::thread([] { magic(); }).detach();
	} catch (...) {
		// Without a thread the first sniff loads it, as before.
	}
}

status_t sniff_mime_type(int fd, char* type)
{
	if (type == NULL)
		return B_BAD_VALUE;
	struct stat st;
	if (fstat(fd, &st) != 0)
		return errno_to_status(errno);
	if (S_ISDIR(st.st_mode)) {
		strcpy(type, "application/x-vnd.Be-directory");
		return B_OK;
	}
	if (!S_ISREG(st.st_mode))
		return B_BAD_TYPE; // devices, FIFOs and sockets are not read

	char buffer[kSniffLength];
	size_t length = 0;
	while (length < sizeof(buffer)) {
		ssize_t got = pread(fd, buffer + length, sizeof(buffer) - length, off_t(length));
		if (got < 0) {
			if (errno == EINTR)
				continue;
			return errno_to_status(errno);
		}
		if (got == 0)
			break;
		length += size_t(got);
	}

	Magic& m = magic();
	std::lock_guard<std::mutex> guard(m.lock);
	if (m.status != B_OK)
		return m.status;
	const char* found = magic_buffer(m.cookie, buffer, length);
	if (found == NULL || found[0] == '\0')
		return B_ERROR;
	found = normalized(found);
	size_t size = strlen(found);
	if (size >= B_MIME_TYPE_LENGTH)
		return B_NAME_TOO_LONG;
	memcpy(type, found, size + 1);
	return B_OK;
}

} // namespace BPrivate
