#include "app/LaunchSpawn.h"

#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include <Message.h>
#include <OS.h>

#include "app/LaunchHandoff.h"
#include "app/MessagePrivate.h"

extern char** environ;

namespace BPrivate {

const char kInitialMessageVariable[] = "PL_LAUNCH_MESSAGE_FD";

namespace {

// The descriptor number the child finds its message at.
const int kChildFd = 3;

int message_memfd(const std::vector<const BMessage*>& messages, status_t* status)
{
	if (messages.size() > kMaxInitialMessages) {
		*status = B_BAD_VALUE;
		return -1;
	}
	std::vector<char> frame;
	for (const BMessage* message : messages) {
		BMessage wire;
		std::vector<char> one;
		*status = wrap_launch_message(*message, &wire);
		if (*status == B_OK)
			*status = launch_frame(wire, &one);
		if (*status != B_OK)
			return -1;
		frame.insert(frame.end(), one.begin(), one.end());
	}
	int fd = memfd_create("pl-launch-message", MFD_CLOEXEC | MFD_ALLOW_SEALING);
	if (fd < 0) {
		*status = B_NO_MORE_FDS;
		return -1;
	}
	size_t written = 0;
	while (written < frame.size()) {
		ssize_t done = write(fd, frame.data() + written, frame.size() - written);
		if (done < 0 && errno == EINTR)
			continue;
		if (done <= 0)
			break;
		written += (size_t) done;
	}
	// Sealed, so that nothing else holding it could change it under the child.
	if (written != frame.size() || lseek(fd, 0, SEEK_SET) != 0 ||
	    fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) != 0) {
		close(fd);
		*status = B_IO_ERROR;
		return -1;
	}
	return fd;
}

} // namespace

status_t spawn_application(const std::string& executable, const std::vector<std::string>& arguments,
                           const std::vector<const BMessage*>& messages, pid_t* team)
{
	status_t status = B_OK;
	int fd = -1;
	if (!messages.empty()) {
		fd = message_memfd(messages, &status);
		if (fd < 0)
			return status;
	}

	std::vector<std::string> all = {executable};
	all.insert(all.end(), arguments.begin(), arguments.end());
	std::vector<char*> argv;
	for (std::string& argument : all)
		argv.push_back(argument.data());
	argv.push_back(NULL);

	// The launcher's own descriptor variable, if it had one, is not passed on.
	std::vector<std::string> variables;
	const size_t nameLength = sizeof(kInitialMessageVariable) - 1;
	for (char** variable = environ; *variable != NULL; variable++) {
		if (strncmp(*variable, kInitialMessageVariable, nameLength) != 0 ||
		    (*variable)[nameLength] != '=')
			variables.push_back(*variable);
	}
	if (fd >= 0)
		variables.push_back(std::string(kInitialMessageVariable) + "=" + std::to_string(kChildFd));
	std::vector<char*> envp;
	for (std::string& variable : variables)
		envp.push_back(variable.data());
	envp.push_back(NULL);

	posix_spawn_file_actions_t actions;
	posix_spawn_file_actions_init(&actions);
	if (fd >= 0)
		posix_spawn_file_actions_adddup2(&actions, fd, kChildFd);
	pid_t pid = -1;
	int error = posix_spawn(&pid, executable.c_str(), &actions, NULL, argv.data(), envp.data());
	posix_spawn_file_actions_destroy(&actions);
	if (fd >= 0)
		close(fd);
	if (error != 0)
		return B_LAUNCH_FAILED_EXECUTABLE;

	std::thread([pid] {
		while (waitpid(pid, NULL, 0) < 0 && errno == EINTR)
			;
	}).detach();
	if (team != NULL)
		*team = pid;
	return B_OK;
}

void take_initial_messages(const char* appPath, std::vector<BMessage>* messages)
{
	const char* variable = getenv(kInitialMessageVariable);
	if (variable == NULL)
		return;
	char* end = NULL;
	long number = strtol(variable, &end, 10);
	// Never one of the standard streams, and only the sealed memfd a roster
	// makes: a variable left in the environment by hand could otherwise
	// name any file this process has open.
	bool valid = end != variable && *end == '\0' && number > 2 && number < (1 << 20);
	unsetenv(kInitialMessageVariable);
	struct stat info;
	if (!valid || fstat((int) number, &info) != 0)
		return;
	const int fd = (int) number;
	int seals = fcntl(fd, F_GET_SEALS);
	if (seals < 0 || (seals & F_SEAL_WRITE) == 0)
		return;
	// Only a file of a bounded size is read: a pipe or a terminal left there
	// by whoever started us could keep us waiting.
	const off_t limit = (off_t) (kMaxInitialMessages * (4 + kMaxLaunchMessageSize));
	if (S_ISREG(info.st_mode) && info.st_size <= limit) {
		const bigtime_t deadline = system_time() + 2000000;
		for (size_t i = 0; i < kMaxInitialMessages && lseek(fd, 0, SEEK_CUR) < info.st_size; i++) {
			std::vector<char> data;
			if (read_launch_frame(fd, deadline, -1, &data) != B_OK)
				break;
			BMessage received;
			BMessage message;
			if (BMessage::Private(received).Unflatten(data.data(), data.size()) == B_OK &&
			    accept_launch_message(received, appPath, &message) == B_OK)
				messages->push_back(message);
		}
	}
	close(fd);
}

} // namespace BPrivate
