#include "app/LaunchHandoff.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <AppDefs.h>
#include <Message.h>
#include <OS.h>

#include "app/LaunchAddress.h"

namespace BPrivate {

namespace {

// Waits until |fd| is ready for |events|, |wake| stirs or |deadline| passes.
status_t wait_for(int fd, short events, bigtime_t deadline, int wake)
{
	for (;;) {
		bigtime_t left = deadline - system_time();
		if (left <= 0)
			return B_TIMED_OUT;
		pollfd fds[2] = {{fd, events, 0}, {wake, POLLIN, 0}};
		int result = poll(fds, wake >= 0 ? 2 : 1, (int) ((left + 999) / 1000));
		if (result < 0 && errno != EINTR)
			return B_ERROR;
		if (result <= 0)
			continue;
		if (wake >= 0 && fds[1].revents != 0)
			return B_INTERRUPTED;
		return B_OK;
	}
}

int connect_to(const LaunchAddress& address, status_t* status)
{
	int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
	if (fd < 0) {
		*status = B_NO_MORE_FDS;
		return -1;
	}
	sockaddr_un name = {};
	name.sun_family = AF_UNIX;
	strncpy(name.sun_path, address.socketPath.c_str(), sizeof(name.sun_path) - 1);
	if (connect(fd, (const sockaddr*) &name, sizeof(name)) != 0) {
		// Refused or missing: the instance is not listening yet, or no
		// longer. A full backlog means it does not keep up: it is hung.
		*status = errno == EAGAIN ? (status_t) B_TIMED_OUT : (status_t) B_ENTRY_NOT_FOUND;
		close(fd);
		return -1;
	}
	// Only one of our own processes may receive our files.
	ucred peer;
	socklen_t size = sizeof(peer);
	if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != getuid()) {
		*status = B_NOT_ALLOWED;
		close(fd);
		return -1;
	}
	*status = B_OK;
	return fd;
}

} // namespace

status_t read_fully(int fd, void* data, size_t size, bigtime_t deadline, int wake)
{
	char* bytes = (char*) data;
	while (size > 0) {
		ssize_t done = read(fd, bytes, size);
		if (done > 0) {
			bytes += done;
			size -= (size_t) done;
			continue;
		}
		if (done == 0)
			return B_ERROR;
		if (errno == EINTR)
			continue;
		if (errno != EAGAIN)
			return B_ERROR;
		status_t status = wait_for(fd, POLLIN, deadline, wake);
		if (status != B_OK)
			return status;
	}
	return B_OK;
}

status_t write_fully(int fd, const void* data, size_t size, bigtime_t deadline)
{
	const char* bytes = (const char*) data;
	while (size > 0) {
		ssize_t done = send(fd, bytes, size, MSG_NOSIGNAL);
		if (done >= 0) {
			bytes += done;
			size -= (size_t) done;
			continue;
		}
		if (errno == EINTR)
			continue;
		if (errno != EAGAIN)
			return B_ERROR;
		status_t status = wait_for(fd, POLLOUT, deadline, -1);
		if (status != B_OK)
			return status;
	}
	return B_OK;
}

status_t launch_frame(const BMessage& message, std::vector<char>* frame)
{
	ssize_t size = message.FlattenedSize();
	if (size <= 0 || (size_t) size > kMaxLaunchMessageSize)
		return B_BAD_VALUE;
	frame->assign(4 + (size_t) size, 0);
	for (int i = 0; i < 4; i++)
		(*frame)[i] = (char) (((uint32) size >> (8 * i)) & 0xff);
	return message.Flatten(frame->data() + 4, size);
}

status_t read_launch_frame(int fd, bigtime_t deadline, int wake, std::vector<char>* data)
{
	unsigned char header[4];
	status_t status = read_fully(fd, header, sizeof(header), deadline, wake);
	if (status != B_OK)
		return status;
	uint32 length = (uint32) header[0] | (uint32) header[1] << 8 | (uint32) header[2] << 16 |
	                (uint32) header[3] << 24;
	if (length == 0 || length > kMaxLaunchMessageSize)
		return B_BAD_DATA;
	data->resize(length);
	return read_fully(fd, data->data(), length, deadline, wake);
}

status_t hand_over_launch(const LaunchAddress& address, const BMessage& message, bigtime_t timeout)
{
	BMessage wire;
	std::vector<char> frame;
	status_t status = wrap_launch_message(message, &wire);
	if (status == B_OK)
		status = launch_frame(wire, &frame);
	if (status != B_OK)
		return status;

	int fd = connect_to(address, &status);
	if (fd < 0)
		return status;
	bigtime_t deadline = system_time() + timeout;
	status = write_fully(fd, frame.data(), frame.size(), deadline);
	char answer = 0;
	if (status == B_OK)
		status = read_fully(fd, &answer, 1, deadline, -1);
	close(fd);
	if (status == B_TIMED_OUT)
		return B_TIMED_OUT;
	// A hang-up without an answer is a refusal too.
	return status == B_OK && answer == kLaunchAccepted ? B_OK : B_NOT_ALLOWED;
}

} // namespace BPrivate
