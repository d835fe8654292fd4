// Exclusive launch: one running instance per signature and display, which the
// later launches hand their arguments to. The instance is app_launch_helper,
// a program that tells on its output what reaches its ArgvReceived.

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <AppDefs.h>
#include <Message.h>
#include <OS.h>

#include "app/LaunchAddress.h"
#include "app/LaunchEndpoint.h"

extern char** environ;

namespace {

const char* kSignature = "application/x-vnd.test-launch";

std::string helper_path()
{
	const char* dir = getenv("PL_BINARY_DIR");
	return std::string(dir != NULL ? dir : ".") + "/bin/app_launch_helper";
}

// What the running executable calls itself: the replacement for argv[0].
std::string helper_real_path()
{
	char path[PATH_MAX];
	return realpath(helper_path().c_str(), path) != NULL ? path : "";
}

int remove_entry(const char* path, const struct stat*, int, struct FTW*)
{
	remove(path);
	return 0;
}

std::vector<std::string> folder_entries(const std::string& folder)
{
	std::vector<std::string> names;
	std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
	if (dir == nullptr)
		return names;
	while (dirent* entry = readdir(dir.get())) {
		if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
			names.push_back(entry->d_name);
	}
	return names;
}

// One launch of the helper, its output read line by line with deadlines.
class Launch {
public:
	// |display| NULL: without DISPLAY.
	Launch(const std::vector<std::string>& arguments, const char* display, const std::string& cwd,
	       const std::string& program = helper_path())
	{
		std::vector<std::string> all = {program};
		all.insert(all.end(), arguments.begin(), arguments.end());
		std::vector<char*> argv;
		for (std::string& argument : all)
			argv.push_back(argument.data());
		argv.push_back(NULL);

		std::vector<std::string> variables;
		for (char** variable = environ; *variable != NULL; variable++) {
			if (strncmp(*variable, "DISPLAY=", 8) != 0)
				variables.push_back(*variable);
		}
		// The display name only tells instances apart here: no server runs
		// behind it, so the helpers draw offscreen.
		if (display != NULL) {
			variables.push_back(std::string("DISPLAY=") + display);
			variables.push_back("PL_DISPLAY_BACKEND=offscreen");
		}
		std::vector<char*> envp;
		for (std::string& variable : variables)
			envp.push_back(variable.data());
		envp.push_back(NULL);

		int pipes[2];
		if (pipe2(pipes, O_CLOEXEC) != 0)
			return;
		posix_spawn_file_actions_t actions;
		posix_spawn_file_actions_init(&actions);
		posix_spawn_file_actions_adddup2(&actions, pipes[1], 1);
		posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
		if (posix_spawn(&fPid, program.c_str(), &actions, NULL, argv.data(), envp.data()) != 0)
			fPid = -1;
		posix_spawn_file_actions_destroy(&actions);
		close(pipes[1]);
		fOutput = pipes[0];
		fcntl(fOutput, F_SETFL, O_NONBLOCK);
	}

	~Launch()
	{
		if (fPid > 0) {
			kill(fPid, SIGKILL);
			waitpid(fPid, NULL, 0);
		}
		if (fOutput >= 0)
			close(fOutput);
	}

	bool Started() const { return fPid > 0; }

	// The next line of output, or "" when none comes within |seconds|.
	std::string Line(double seconds = 20)
	{
		bigtime_t deadline = system_time() + (bigtime_t) (seconds * 1000000);
		for (;;) {
			size_t end = fBuffer.find('\n');
			if (end != std::string::npos) {
				std::string line = fBuffer.substr(0, end);
				fBuffer.erase(0, end + 1);
				return line;
			}
			bigtime_t left = deadline - system_time();
			if (left <= 0)
				return "";
			pollfd fd = {fOutput, POLLIN, 0};
			if (poll(&fd, 1, (int) (left / 1000) + 1) <= 0)
				continue;
			char data[512];
			ssize_t bytes = read(fOutput, data, sizeof(data));
			if (bytes <= 0)
				return "";
			fBuffer.append(data, bytes);
		}
	}

	// The exit status, or -1 when it still runs after |seconds|.
	int Exit(double seconds = 20)
	{
		bigtime_t deadline = system_time() + (bigtime_t) (seconds * 1000000);
		while (Running()) {
			if (system_time() > deadline)
				return -1;
			usleep(5000);
		}
		return fStatus;
	}

	bool Running()
	{
		int status = 0;
		if (fPid > 0 && waitpid(fPid, &status, WNOHANG) == fPid) {
			fPid = -1;
			fStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
		}
		return fPid > 0;
	}

	void Kill()
	{
		kill(fPid, SIGKILL);
		waitpid(fPid, NULL, 0);
		fPid = -1;
	}

private:
	pid_t fPid = -1;
	int fStatus = -1;
	int fOutput = -1;
	std::string fBuffer;
};

std::string argv_line(const std::vector<std::string>& arguments, const std::string& cwd)
{
	std::string line =
	    "argv " + std::to_string(arguments.size() + 1) + " [" + helper_real_path() + "]";
	for (const std::string& argument : arguments)
		line += " [" + argument + "]";
	return line + " cwd [" + cwd + "]";
}

// Every test has a runtime folder of its own (also for the launches, which
// inherit it) and two working folders.
class LaunchTest : public testing::Test {
protected:
	void SetUp() override
	{
		char root[] = "/tmp/pl-launch-test-XXXXXX";
		ASSERT_NE(mkdtemp(root), nullptr);
		fRoot = root;
		fRuntime = fRoot + "/run";
		fFirst = fRoot + "/first";
		fSecond = fRoot + "/second dir";
		ASSERT_EQ(mkdir(fRuntime.c_str(), 0700), 0);
		ASSERT_EQ(mkdir(fFirst.c_str(), 0755), 0);
		ASSERT_EQ(mkdir(fSecond.c_str(), 0755), 0);
		const char* previous = getenv("XDG_RUNTIME_DIR");
		fPreviousRuntime = previous != NULL ? previous : "";
		setenv("XDG_RUNTIME_DIR", fRuntime.c_str(), 1);
	}

	void TearDown() override
	{
		setenv("XDG_RUNTIME_DIR", fPreviousRuntime.c_str(), 1);
		nftw(fRoot.c_str(), remove_entry, 8, FTW_DEPTH | FTW_PHYS);
	}

	BPrivate::LaunchAddress Address(const char* display)
	{
		BPrivate::LaunchAddress address;
		EXPECT_EQ(BPrivate::launch_address(kSignature, display, &address), B_OK);
		return address;
	}

	// Ends a running instance through a launch that says "quit".
	void QuitInstance(Launch& instance, const char* display)
	{
		Launch quit({"quit"}, display, fFirst);
		EXPECT_EQ(quit.Exit(), 0);
		EXPECT_EQ(instance.Line(), argv_line({"quit"}, fFirst));
		EXPECT_EQ(instance.Line(), "ended");
		EXPECT_EQ(instance.Exit(), 0);
	}

	std::string fRoot;
	std::string fRuntime;
	std::string fFirst;
	std::string fSecond;
	std::string fPreviousRuntime;
};

// Connects to |address| the way a launch does, sends |bytes| as they are,
// and returns what comes back before the instance hangs up ("" for nothing).
std::string talk_to(const BPrivate::LaunchAddress& address, const std::string& bytes)
{
	int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
	sockaddr_un name = {};
	name.sun_family = AF_UNIX;
	strncpy(name.sun_path, address.socketPath.c_str(), sizeof(name.sun_path) - 1);
	if (connect(fd, (const sockaddr*) &name, sizeof(name)) != 0) {
		close(fd);
		return "no connection";
	}
	send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
	shutdown(fd, SHUT_WR);
	std::string answer;
	bigtime_t deadline = system_time() + 10000000;
	while (system_time() < deadline) {
		pollfd ready = {fd, POLLIN, 0};
		if (poll(&ready, 1, 100) <= 0)
			continue;
		char data[64];
		ssize_t got = read(fd, data, sizeof(data));
		if (got <= 0)
			break;
		answer.append(data, got);
	}
	close(fd);
	return answer;
}

std::string frame(const std::string& payload, uint32 length)
{
	std::string bytes;
	for (int i = 0; i < 4; i++)
		bytes += (char) ((length >> (8 * i)) & 0xff);
	return bytes + payload;
}

std::string frame(const BMessage& message)
{
	std::string payload(message.FlattenedSize(), '\0');
	message.Flatten(payload.data(), payload.size());
	return frame(payload, payload.size());
}

} // namespace

TEST(LaunchAddress, DisplaysAreNamedOneWay)
{
	using BPrivate::normalize_display;
	EXPECT_EQ(normalize_display(NULL), "");
	EXPECT_EQ(normalize_display(""), "");
	EXPECT_EQ(normalize_display(":0"), ":0");
	EXPECT_EQ(normalize_display(":0.0"), ":0");
	EXPECT_EQ(normalize_display("unix:0.1"), ":0");
	EXPECT_EQ(normalize_display("Remote:10.0"), "remote:10");
	EXPECT_NE(normalize_display("remote:0"), normalize_display(":0"));
	EXPECT_NE(normalize_display(":1"), normalize_display(":10"));
}

TEST_F(LaunchTest, TheAddressFollowsSignatureAndDisplayInAnOwnerOnlyFolder)
{
	BPrivate::LaunchAddress a = Address(":3");
	EXPECT_EQ(a.socketPath.rfind(fRuntime + "/", 0), 0u) << a.socketPath;
	EXPECT_NE(a.socketPath, a.lockPath);
	EXPECT_EQ(Address(":3.0").socketPath, a.socketPath);
	EXPECT_NE(Address(":4").socketPath, a.socketPath);
	EXPECT_NE(Address(NULL).socketPath, a.socketPath);
	BPrivate::LaunchAddress other;
	ASSERT_EQ(BPrivate::launch_address("application/x-vnd.Test-Launch", ":3", &other), B_OK);
	EXPECT_EQ(other.socketPath, a.socketPath);
	ASSERT_EQ(BPrivate::launch_address("application/x-vnd.test-other", ":3", &other), B_OK);
	EXPECT_NE(other.socketPath, a.socketPath);

	// A runtime folder others may enter, or none at all, is not used.
	std::string fallback = "/tmp/pl-runtime-" + std::to_string(getuid());
	std::string folder;
	ASSERT_EQ(chmod(fRuntime.c_str(), 0755), 0);
	ASSERT_EQ(BPrivate::launch_folder(&folder), B_OK);
	EXPECT_EQ(folder, fallback);
	unsetenv("XDG_RUNTIME_DIR");
	ASSERT_EQ(BPrivate::launch_folder(&folder), B_OK);
	EXPECT_EQ(folder, fallback);
	struct stat info;
	ASSERT_EQ(lstat(fallback.c_str(), &info), 0);
	EXPECT_TRUE(S_ISDIR(info.st_mode));
	EXPECT_EQ(info.st_mode & 077, 0u);
	EXPECT_EQ(info.st_uid, getuid());

	// No room left for a socket name.
	std::string deep = fRoot + "/" + std::string(100, 'd');
	ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
	setenv("XDG_RUNTIME_DIR", deep.c_str(), 1);
	EXPECT_EQ(BPrivate::launch_address(kSignature, ":3", &other), B_NAME_TOO_LONG);
}

TEST_F(LaunchTest, ALaterLaunchHandsItsArgumentsAndFolderToTheRunningOne)
{
	Launch first({"a.png"}, ":7", fFirst);
	ASSERT_TRUE(first.Started());
	EXPECT_EQ(first.Line(), argv_line({"a.png"}, fFirst));
	ASSERT_EQ(first.Line().rfind("ready", 0), 0u);

	// Under another name, from another folder: argv[0] names the running
	// executable, the folder is the later launch's.
	std::string link = fSecond + "/another name";
	ASSERT_EQ(symlink(helper_path().c_str(), link.c_str()), 0);
	{
		Launch second({"b.jpg", "c d.png"}, ":7", fSecond, link);
		EXPECT_EQ(second.Exit(), 0);
		EXPECT_EQ(second.Line(1), "") << "the later launch must not reach Run()";
	}
	EXPECT_EQ(first.Line(), argv_line({"b.jpg", "c d.png"}, fSecond));

	// Without arguments there is nothing to hand over.
	{
		Launch bare({}, ":7", fSecond);
		EXPECT_EQ(bare.Exit(), 0);
		EXPECT_EQ(bare.Line(1), "");
	}
	QuitInstance(first, ":7");
	EXPECT_TRUE(folder_entries(fRuntime).empty()) << "the socket and lock file stay behind";
}

TEST_F(LaunchTest, AnInstanceThatDiedLeavesNothingInTheWay)
{
	Launch dead({}, ":7", fFirst);
	ASSERT_EQ(dead.Line().rfind("ready", 0), 0u);
	dead.Kill();
	ASSERT_EQ(folder_entries(fRuntime).size(), 2u);

	Launch first({"a.png"}, ":7", fFirst);
	EXPECT_EQ(first.Line(), argv_line({"a.png"}, fFirst));
	ASSERT_EQ(first.Line().rfind("ready", 0), 0u);
	Launch second({"b.png"}, ":7", fSecond);
	EXPECT_EQ(second.Exit(), 0);
	EXPECT_EQ(first.Line(), argv_line({"b.png"}, fSecond));
	QuitInstance(first, ":7");
}

TEST_F(LaunchTest, WhatIsNotALaunchIsRefusedAndTheInstanceCarriesOn)
{
	Launch first({}, ":7", fFirst);
	ASSERT_EQ(first.Line().rfind("ready", 0), 0u);
	BPrivate::LaunchAddress address = Address(":7");

	// Lengths out of bounds, a truncated frame, bytes that are no message:
	// the instance hangs up without an answer or refuses.
	EXPECT_EQ(talk_to(address, frame("", 0xffffffff)), "");
	EXPECT_EQ(talk_to(address, frame(std::string(64, 'x'), 1024 * 1024 + 1)), "");
	EXPECT_EQ(talk_to(address, frame("", 0)), "");
	EXPECT_EQ(talk_to(address, frame(std::string(10, 'x'), 100)), "");
	EXPECT_EQ(talk_to(address, frame(std::string(16, 'x'), 16)), "N");

	// Messages that are not a launch.
	BMessage other('abcd');
	other.AddString("argv", "x.png");
	EXPECT_EQ(talk_to(address, frame(other)), "N");
	BMessage noFolder(B_ARGV_RECEIVED);
	noFolder.AddInt32("argc", 2);
	noFolder.AddString("argv", "viewer");
	noFolder.AddString("argv", "x.png");
	EXPECT_EQ(talk_to(address, frame(noFolder)), "N");
	BMessage wrongCount(noFolder);
	wrongCount.AddString("cwd", "/");
	wrongCount.ReplaceInt32("argc", 5);
	EXPECT_EQ(talk_to(address, frame(wrongCount)), "N");
	BMessage numbers(B_ARGV_RECEIVED);
	numbers.AddInt32("argc", 1);
	numbers.AddInt32("argv", 7);
	numbers.AddString("cwd", "/");
	EXPECT_EQ(talk_to(address, frame(numbers)), "N");

	// A launch from whatever program: argv[0] still names the instance.
	BMessage launch(noFolder);
	launch.ReplaceString("argv", 0, "/bin/elsewhere");
	launch.AddString("cwd", "/somewhere");
	EXPECT_EQ(talk_to(address, frame(launch)), "Y");
	EXPECT_EQ(first.Line(), argv_line({"x.png"}, "/somewhere"));

	// A connection that says nothing holds up the next launch only for a
	// while.
	int silent = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
	sockaddr_un name = {};
	name.sun_family = AF_UNIX;
	strncpy(name.sun_path, address.socketPath.c_str(), sizeof(name.sun_path) - 1);
	ASSERT_EQ(connect(silent, (const sockaddr*) &name, sizeof(name)), 0);
	{
		Launch second({"b.png"}, ":7", fSecond);
		EXPECT_EQ(second.Exit(), 0);
		EXPECT_EQ(first.Line(), argv_line({"b.png"}, fSecond));
	}
	close(silent);
	QuitInstance(first, ":7");
}

TEST_F(LaunchTest, LaunchesAtTheSameTimeMakeOneInstance)
{
	const std::vector<std::string> names = {"one", "two", "three", "four"};
	std::vector<std::unique_ptr<Launch>> launches;
	for (const std::string& name : names)
		launches.push_back(std::make_unique<Launch>(std::vector<std::string>{name}, ":7", fFirst));

	// All but one end at once; that one gets every launch's argument.
	Launch* instance = NULL;
	bigtime_t deadline = system_time() + 30000000;
	size_t ended = 0;
	while (ended < names.size() - 1 && system_time() < deadline) {
		ended = 0;
		for (std::unique_ptr<Launch>& launch : launches)
			ended += !launch->Running();
		usleep(10000);
	}
	ASSERT_EQ(ended, names.size() - 1);
	for (std::unique_ptr<Launch>& launch : launches) {
		if (launch->Running())
			instance = launch.get();
		else
			EXPECT_EQ(launch->Exit(), 0);
	}
	ASSERT_NE(instance, nullptr);
	std::vector<std::string> lines;
	for (size_t i = 0; i <= names.size(); i++)
		lines.push_back(instance->Line());
	for (const std::string& name : names) {
		EXPECT_EQ(std::count(lines.begin(), lines.end(), argv_line({name}, fFirst)), 1) << name;
	}
	EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
	                        [](const std::string& line) { return line.rfind("ready", 0) == 0; }),
	          1);
	QuitInstance(*instance, ":7");
}

TEST_F(LaunchTest, EachDisplayHasItsOwnInstance)
{
	Launch first({}, ":7", fFirst);
	ASSERT_EQ(first.Line().rfind("ready", 0), 0u);
	Launch other({"b.png"}, ":8", fFirst);
	EXPECT_EQ(other.Line(), argv_line({"b.png"}, fFirst));
	ASSERT_EQ(other.Line().rfind("ready", 0), 0u);
	Launch none({"c.png"}, NULL, fFirst);
	EXPECT_EQ(none.Line(), argv_line({"c.png"}, fFirst));
	ASSERT_EQ(none.Line().rfind("ready", 0), 0u);

	// The same displays spelt otherwise.
	{
		Launch later({"d.png"}, ":7.0", fSecond);
		EXPECT_EQ(later.Exit(), 0);
	}
	EXPECT_EQ(first.Line(), argv_line({"d.png"}, fSecond));
	{
		Launch later({"e.png"}, "unix:8", fSecond);
		EXPECT_EQ(later.Exit(), 0);
	}
	EXPECT_EQ(other.Line(), argv_line({"e.png"}, fSecond));

	QuitInstance(first, ":7");
	QuitInstance(other, ":8");
	QuitInstance(none, NULL);
}

TEST_F(LaunchTest, AnInstanceThatDoesNotAnswerDoesNotSwallowTheLaunch)
{
	// This process holds the address and never takes a launch: as an
	// instance that hangs would.
	BPrivate::LaunchEndpoint* hung = NULL;
	ASSERT_EQ(BPrivate::LaunchEndpoint::Claim(Address(":7"), &hung), B_OK);
	std::unique_ptr<BPrivate::LaunchEndpoint> owner(hung);

	// The launch shows its files itself, once it has waited long enough.
	Launch later({"b.png", "quit"}, ":7", fSecond);
	EXPECT_EQ(later.Line(30), argv_line({"b.png", "quit"}, fSecond));
	EXPECT_EQ(later.Exit(), 0);

	// And a launch without files has nothing to lose.
	Launch bare({}, ":7", fSecond);
	EXPECT_EQ(bare.Exit(), 0);
}
