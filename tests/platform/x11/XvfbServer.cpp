#include "XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <xcb/xcb.h>

extern char** environ;

namespace {

bool spawn(const std::vector<std::string>& arguments, int keepFd, pid_t* pid)
{
	std::vector<char*> argv;
	for (const std::string& argument : arguments)
		argv.push_back(const_cast<char*>(argument.c_str()));
	argv.push_back(nullptr);

	posix_spawn_file_actions_t actions;
	posix_spawn_file_actions_init(&actions);
	posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
	posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
	posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
	(void) keepFd; // inherited: it is the one descriptor opened without O_CLOEXEC
	int result = posix_spawnp(pid, argv[0], &actions, nullptr, argv.data(), environ);
	posix_spawn_file_actions_destroy(&actions);
	return result == 0;
}

void stop_process(pid_t* pid)
{
	if (*pid <= 0)
		return;
	kill(*pid, SIGTERM);
	for (int i = 0; i < 500; i++) {
		if (waitpid(*pid, nullptr, WNOHANG) == *pid) {
			*pid = -1;
			return;
		}
		usleep(10000);
	}
	kill(*pid, SIGKILL);
	waitpid(*pid, nullptr, 0);
	*pid = -1;
}

double now()
{
	timespec ts;
	clock_gettime(CLOCK_MONOTONIC, &ts);
	return (double) ts.tv_sec + (double) ts.tv_nsec / 1e9;
}

} // namespace

XvfbServer::~XvfbServer()
{
	Stop();
}

bool XvfbServer::Start(const std::vector<std::string>& extraArguments)
{
	// Xvfb writes the display number it found free to this pipe once it
	// accepts connections.
	int fds[2];
	if (pipe(fds) != 0)
		return false;
	fcntl(fds[0], F_SETFD, FD_CLOEXEC);
	std::vector<std::string> arguments = {"Xvfb",      "-displayfd", std::to_string(fds[1]),
	                                      "-screen",   "0",          "1920x1080x24",
	                                      "-nolisten", "tcp",        "-noreset"};
	arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
	bool started = spawn(arguments, fds[1], &fServer);
	close(fds[1]);
	if (!started) {
		close(fds[0]);
		return false;
	}

	std::string number;
	double deadline = now() + 20;
	while (now() < deadline) {
		pollfd pfd = {fds[0], POLLIN, 0};
		if (poll(&pfd, 1, 100) <= 0)
			continue;
		char c;
		ssize_t got = read(fds[0], &c, 1);
		if (got <= 0 || c == '\n')
			break;
		number += c;
	}
	close(fds[0]);
	if (number.empty()) {
		Stop();
		return false;
	}
	fDisplay = ":" + number;

	// A connect loop confirms the server really answers.
	while (now() < deadline) {
		xcb_connection_t* connection = xcb_connect(fDisplay.c_str(), nullptr);
		bool ok = xcb_connection_has_error(connection) == 0;
		xcb_disconnect(connection);
		if (ok)
			return true;
		usleep(20000);
	}
	Stop();
	return false;
}

void XvfbServer::Stop()
{
	StopWindowManager();
	stop_process(&fServer);
}

bool XvfbServer::StartWindowManager()
{
	std::string previous = getenv("DISPLAY") ? getenv("DISPLAY") : "";
	setenv("DISPLAY", fDisplay.c_str(), 1);
	bool started = spawn({"openbox", "--sm-disable"}, -1, &fWindowManager);
	if (previous.empty())
		unsetenv("DISPLAY");
	else
		setenv("DISPLAY", previous.c_str(), 1);
	if (!started)
		return false;

	xcb_connection_t* connection = xcb_connect(fDisplay.c_str(), nullptr);
	if (xcb_connection_has_error(connection) != 0) {
		xcb_disconnect(connection);
		return false;
	}
	xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
	const char* name = "_NET_SUPPORTING_WM_CHECK";
	xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
	    connection, xcb_intern_atom(connection, 0, (uint16_t) strlen(name), name), nullptr);
	bool ready = false;
	double deadline = now() + 20;
	while (atom != nullptr && !ready && now() < deadline) {
		xcb_get_property_reply_t* reply = xcb_get_property_reply(
		    connection, xcb_get_property(connection, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1),
		    nullptr);
		ready = reply != nullptr && xcb_get_property_value_length(reply) >= 4;
		free(reply);
		if (!ready)
			usleep(20000);
	}
	free(atom);

	// openbox announces itself before it manages windows, and drops map
	// requests that come in the meantime: map a probe window again and again
	// until it gets framed.
	if (ready) {
		xcb_window_t probe = xcb_generate_id(connection);
		xcb_create_window(connection, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 50, 50, 0,
		                  XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
		ready = false;
		deadline = now() + 60;
		while (!ready && now() < deadline) {
			xcb_map_window(connection, probe);
			xcb_flush(connection);
			double retry = now() + 1;
			while (!ready && now() < retry) {
				xcb_query_tree_reply_t* tree =
				    xcb_query_tree_reply(connection, xcb_query_tree(connection, probe), nullptr);
				ready = tree != nullptr && tree->parent != root;
				free(tree);
				if (!ready)
					usleep(20000);
			}
			if (!ready)
				xcb_unmap_window(connection, probe);
		}
		xcb_destroy_window(connection, probe);
		xcb_flush(connection);
	}
	xcb_disconnect(connection);
	return ready;
}

void XvfbServer::StopWindowManager()
{
	stop_process(&fWindowManager);
}

int XvfbServer::Run(const std::string& commandLine) const
{
	std::string line = "DISPLAY=" + fDisplay + " " + commandLine;
	int status = system(line.c_str());
	return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
