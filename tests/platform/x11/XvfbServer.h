#ifndef _XVFB_SERVER_H
#define _XVFB_SERVER_H

#include <sys/types.h>

#include <string>
#include <vector>

// A private X server for a test suite or a benchmark: Xvfb on a display number it picks
// itself (-displayfd), so that suites running side by side never collide,
// and optionally openbox as an EWMH window manager on it. Everything is
// stopped in the destructor.
class XvfbServer {
public:
	XvfbServer() = default;
	~XvfbServer();
	XvfbServer(const XvfbServer&) = delete;
	XvfbServer& operator=(const XvfbServer&) = delete;

	// Starts Xvfb with a 1920 x 1080 x 24 screen and the extra arguments
	// (such as "-extension", "MIT-SHM"), and waits until a client can connect.
	bool Start(const std::vector<std::string>& extraArguments = {});
	void Stop();

	// Starts openbox and waits until it announces itself on the root window.
	bool StartWindowManager();
	void StopWindowManager();

	const std::string& Display() const { return fDisplay; }

	// Runs a shell command line with DISPLAY set to this server; its exit code.
	int Run(const std::string& commandLine) const;

private:
	pid_t fServer = -1;
	pid_t fWindowManager = -1;
	std::string fDisplay;
};

#endif
