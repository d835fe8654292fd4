#include "app/LaunchEndpoint.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <vector>

#include <Message.h>
#include <OS.h>

#include "app/LaunchHandoff.h"
#include "app/MessagePrivate.h"

namespace BPrivate {

namespace {

// How long one connection may take to say what it has to say: a launch
// sends at once, and the next one waits meanwhile.
const bigtime_t kReadTimeout = 2000000;

// Opens and locks the lock file. It is removed by the instance that ends,
// so the file locked may no longer be the one the name leads to: then the
// lock is worth nothing and the claim starts again.
status_t lock_address(const LaunchAddress& address, int* lock)
{
	for (int attempt = 0; attempt < 100; attempt++) {
		int fd = open(address.lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
		if (fd < 0)
			return B_NOT_ALLOWED;
		if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
			int error = errno;
			close(fd);
			return error == EWOULDBLOCK ? B_BUSY : B_NOT_ALLOWED;
		}
		struct stat held, named;
		if (fstat(fd, &held) == 0 && lstat(address.lockPath.c_str(), &named) == 0 &&
		    held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
			if (held.st_uid != getuid()) {
				close(fd);
				return B_NOT_ALLOWED;
			}
			*lock = fd;
			return B_OK;
		}
		close(fd);
	}
	return B_BUSY;
}

int listen_at(const std::string& path)
{
	int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
	if (fd < 0)
		return -1;
	sockaddr_un name = {};
	name.sun_family = AF_UNIX;
	strncpy(name.sun_path, path.c_str(), sizeof(name.sun_path) - 1);
	// The folder is already closed to others; the socket is too, for a
	// folder someone opens later.
	if (bind(fd, (const sockaddr*) &name, sizeof(name)) != 0 || chmod(path.c_str(), 0600) != 0 ||
	    listen(fd, 16) != 0) {
		close(fd);
		return -1;
	}
	return fd;
}

} // namespace

status_t LaunchEndpoint::Claim(const LaunchAddress& address, LaunchEndpoint** endpoint)
{
	if (endpoint == NULL)
		return B_BAD_VALUE;
	*endpoint = NULL;
	int lock = -1;
	status_t status = lock_address(address, &lock);
	if (status != B_OK)
		return status;
	// Whatever socket is there was left by an instance that died: the lock
	// is ours, so no other instance runs.
	unlink(address.socketPath.c_str());
	int fd = listen_at(address.socketPath);
	int wake = fd >= 0 ? eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK) : -1;
	if (wake < 0) {
		if (fd >= 0) {
			close(fd);
			unlink(address.socketPath.c_str());
		}
		unlink(address.lockPath.c_str());
		close(lock);
		return B_NOT_ALLOWED;
	}
	*endpoint = new LaunchEndpoint(address, lock, fd, wake);
	return B_OK;
}

LaunchEndpoint::LaunchEndpoint(const LaunchAddress& address, int lock, int socket, int wake)
    : fAddress(address), fLock(lock), fSocket(socket), fWake(wake)
{
}

LaunchEndpoint::~LaunchEndpoint()
{
	if (fThread.joinable()) {
		uint64_t one = 1;
		while (write(fWake, &one, sizeof(one)) < 0 && errno == EINTR)
			;
		fThread.join();
	}
	// The socket goes first: a launch that finds the lock free must not find
	// a socket of ours still there.
	close(fSocket);
	unlink(fAddress.socketPath.c_str());
	unlink(fAddress.lockPath.c_str());
	close(fLock);
	close(fWake);
}

status_t LaunchEndpoint::Start(const BMessenger& target, const char* appPath)
{
	if (fThread.joinable() || appPath == NULL)
		return B_BAD_VALUE;
	fTarget = target;
	fAppPath = appPath;
	fThread = std::thread([this] { _Serve(); });
	return B_OK;
}

void LaunchEndpoint::_Serve()
{
	for (;;) {
		pollfd fds[2] = {{fSocket, POLLIN, 0}, {fWake, POLLIN, 0}};
		if (poll(fds, 2, -1) < 0) {
			if (errno == EINTR)
				continue;
			return;
		}
		if (fds[1].revents != 0)
			return;
		if ((fds[0].revents & POLLIN) == 0)
			continue;
		int connection = accept4(fSocket, NULL, NULL, SOCK_CLOEXEC | SOCK_NONBLOCK);
		if (connection >= 0) {
			_Take(connection);
			close(connection);
		}
	}
}

void LaunchEndpoint::_Take(int connection)
{
	// The folder is ours alone, but the check costs nothing.
	ucred peer;
	socklen_t size = sizeof(peer);
	if (getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != getuid())
		return;

	std::vector<char> data;
	if (read_launch_frame(connection, system_time() + kReadTimeout, fWake, &data) != B_OK)
		return;
	BMessage received;
	BMessage launch;
	char answer = kLaunchRefused;
	if (BMessage::Private(received).Unflatten(data.data(), data.size()) == B_OK &&
	    accept_launch_message(received, fAppPath.c_str(), &launch) == B_OK &&
	    fTarget.SendMessage(&launch) == B_OK)
		answer = kLaunchAccepted;
	write_fully(connection, &answer, 1, system_time() + kReadTimeout);
}

} // namespace BPrivate
