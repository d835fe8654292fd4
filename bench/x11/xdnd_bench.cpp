// Time from the release of a drag to the dropped message being handled in
// the target, across two programs (tests/platform/x11/xdnd_peer) on a private
// Xvfb, for an archive of about 2 KB and one of about 1 MB. The release is
// injected with xdotool, so each sample also holds one xdotool start-up;
// "xdotool_baseline" measures that start-up alone (a pointer move).

#include <OS.h>

#include <benchmark/benchmark.h>

#include <limits.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/x11/XvfbServer.h"

extern char** environ;

namespace {

XvfbServer* sServer = nullptr;

std::string peer_path()
{
	char self[PATH_MAX];
	ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
	std::string dir = length > 0 ? std::string(self, length) : std::string("./x");
	return dir.substr(0, dir.rfind('/')) + "/xdnd_peer";
}

pid_t spawn(const std::vector<std::string>& arguments)
{
	std::string program = peer_path();
	std::vector<char*> argv = {const_cast<char*>(program.c_str())};
	for (const std::string& argument : arguments)
		argv.push_back(const_cast<char*>(argument.c_str()));
	argv.push_back(nullptr);
	pid_t pid = -1;
	setenv("DISPLAY", sServer->Display().c_str(), 1);
	if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
		return -1;
	return pid;
}

bool wait_until(const std::function<bool()>& condition, bigtime_t timeout = 10000000)
{
	bigtime_t deadline = system_time() + timeout;
	while (system_time() < deadline) {
		if (condition())
			return true;
		usleep(2000);
	}
	return false;
}

void BM_ReleaseToHandled(benchmark::State& state)
{
	if (sServer == nullptr) {
		sServer = new XvfbServer;
		if (!sServer->Start()) {
			state.SkipWithError("no Xvfb");
			return;
		}
	}
	char dir[] = "/tmp/pl-xdnd-bench-XXXXXX";
	if (mkdtemp(dir) == nullptr) {
		state.SkipWithError("no temporary folder");
		return;
	}
	std::string output = std::string(dir) + "/dropped";
	std::string meta = output + ".meta";
	// No window manager: the windows' content lies where it was asked for.
	pid_t target = spawn({"target", "1000", "200", output});
	pid_t source = spawn({"source", "200", "200", std::to_string(state.range(0))});
	bool shown = wait_until([] {
		return sServer->Run("xdotool search --name 'dnd source' >/dev/null 2>&1") == 0 &&
		       sServer->Run("xdotool search --name 'dnd target' >/dev/null 2>&1") == 0;
	});
	if (!shown)
		state.SkipWithError("the peers did not show their windows");

	for (auto _ : state) {
		if (!shown)
			break;
		unlink(meta.c_str());
		sServer->Run("xdotool mousemove 300 300 sleep 0.05 mousedown 1 sleep 0.05 "
		             "mousemove 310 310 sleep 0.2 mousemove 900 300 sleep 0.05 "
		             "mousemove 1100 300 sleep 0.05 mousemove 1105 305 sleep 0.2");
		bigtime_t released = system_time();
		sServer->Run("xdotool mouseup 1");
		if (!wait_until([&] { return access(meta.c_str(), F_OK) == 0; })) {
			state.SkipWithError("nothing was dropped");
			break;
		}
		int dropped, remote, moves;
		float x, y;
		long long handled = 0;
		std::ifstream(meta) >> dropped >> remote >> x >> y >> moves >> handled;
		state.SetIterationTime((handled - released) / 1e6);
	}
	kill(source, SIGTERM);
	kill(target, SIGTERM);
	waitpid(source, nullptr, 0);
	waitpid(target, nullptr, 0);
	sServer->Run(std::string("rm -rf ") + dir);
}

void BM_XdotoolBaseline(benchmark::State& state)
{
	if (sServer == nullptr) {
		sServer = new XvfbServer;
		if (!sServer->Start()) {
			state.SkipWithError("no Xvfb");
			return;
		}
	}
	for (auto _ : state)
		sServer->Run("xdotool mousemove 10 10");
}

} // namespace

BENCHMARK(BM_ReleaseToHandled)
    ->Arg(2000)
    ->Arg(1000000)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XdotoolBaseline)->Iterations(10)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
	benchmark::Initialize(&argc, argv);
	benchmark::RunSpecifiedBenchmarks();
	delete sServer;
	return 0;
}
