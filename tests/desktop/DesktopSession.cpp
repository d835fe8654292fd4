#include "DesktopSession.h"

#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// The dragger's handle is the view's top-left 7 x 7 pixels; the menu opens
// with its top left at the pointer, in rows of about 21 pixels, and the
// "Workspaces" submenu beside it, level with its item.
constexpr int kHandleInset = 3;
constexpr int kMenuRow = 21;
constexpr int kMenuItemInset = 11;
constexpr int kSubmenuLeft = 160;

} // namespace

std::string DesktopSession::BinaryDir()
{
	const char* dir = getenv("PL_BINARY_DIR");
	return dir != NULL ? dir : ".";
}

std::string DesktopSession::SourceDir()
{
	const char* dir = getenv("PL_SOURCE_DIR");
	return dir != NULL ? dir : ".";
}

void DesktopSession::SetUp()
{
	WithWindowManager<>::SetUp();
	char pattern[] = "/tmp/pl-desktop-home-XXXXXX";
	ASSERT_NE(mkdtemp(pattern), nullptr);
	fHome = pattern;
	ASSERT_EQ(mkdir(DesktopFolder().c_str(), 0755), 0);
	const char* home = getenv("HOME");
	fHadHome = home != NULL;
	if (home != NULL)
		fOldHome = home;
	setenv("HOME", fHome.c_str(), 1);
	unsetenv("XDG_CONFIG_HOME");
	// Every test begins with an empty desktop: the shelf is kept under the
	// test process's own data folder, which outlives a test.
	if (const char* data = getenv("XDG_DATA_HOME"))
		unlink((std::string(data) + "/pl-platform/desktop/shelf").c_str());
}

void DesktopSession::TearDown()
{
	if (HasFailure()) {
		std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
		Server()->Run("import -window root " + BinaryDir() + "/" + name + "-failure.png");
	}
	if (fViewer > 0) {
		kill(fViewer, SIGKILL);
		waitpid(fViewer, NULL, 0);
		fViewer = -1;
	}
	KillDesktop();
	if (fHadHome)
		setenv("HOME", fOldHome.c_str(), 1);
	else
		unsetenv("HOME");
	if (!fHome.empty())
		Server()->Run("rm -rf '" + fHome + "'");
	WithWindowManager<>::TearDown();
}

pid_t DesktopSession::Spawn(const std::string& program, const std::string& argument)
{
	std::string path = program;
	std::string arg = argument;
	char* argv[] = {path.data(), argument.empty() ? NULL : arg.data(), NULL};
	setenv("PL_DISPLAY_BACKEND", "x11", 1);
	pid_t child = -1;
	int result = posix_spawn(&child, path.c_str(), NULL, NULL, argv, environ);
	unsetenv("PL_DISPLAY_BACKEND");
	return result == 0 ? child : -1;
}

xcb_window_t DesktopSession::StartDesktop()
{
	fDesktopProcess = Spawn(BinaryDir() + "/bin/pelivant-desktop", "");
	if (fDesktopProcess <= 0)
		return XCB_WINDOW_NONE;
	fDesktop = XCB_WINDOW_NONE;
	WaitFor([&] { return (fDesktop = FindClient("Desktop")) != XCB_WINDOW_NONE; });
	uint32_t seen = 0;
	// Drawn: its background is on the screen.
	if (fDesktop != XCB_WINDOW_NONE)
		WaitForDesktopPixel(1900, 1060, [](uint32_t pixel) { return pixel == kBackground; }, &seen);
	return fDesktop;
}

void DesktopSession::KillDesktop()
{
	if (fDesktopProcess <= 0)
		return;
	kill(fDesktopProcess, SIGKILL);
	waitpid(fDesktopProcess, NULL, 0);
	fDesktopProcess = -1;
	WaitFor([&] { return FindClient("Desktop") == XCB_WINDOW_NONE; });
	fDesktop = XCB_WINDOW_NONE;
}

xcb_window_t DesktopSession::OpenInViewer(const std::string& path, const std::string& title,
                                          int x, int y)
{
	fViewer = Spawn(BinaryDir() + "/bin/pelivant", path);
	if (fViewer <= 0)
		return XCB_WINDOW_NONE;
	xcb_window_t window = XCB_WINDOW_NONE;
	WaitFor([&] { return (window = FindClient(title.c_str())) != XCB_WINDOW_NONE; });
	if (window == XCB_WINDOW_NONE)
		return window;
	Xdotool("windowmove --sync " + std::to_string(window) + " " + std::to_string(x) + " " +
	        std::to_string(y));
	int left = -1, top = -1, width = 0, height = 0;
	WaitFor([&] { return ContentFrame(window, &left, &top, &width, &height) && left == x && top == y; });
	// Drawn: something other than black is at its centre.
	WaitFor([&] {
		std::vector<uint32_t> pixels = Pixels(window, width / 2, height / 2, 1, 1);
		return !pixels.empty() && (pixels[0] & 0xFFFFFF) != 0;
	});
	return window;
}

bool DesktopSession::QuitViewer(xcb_window_t window)
{
	if (fViewer <= 0)
		return false;
	Xdotool("windowactivate --sync " + std::to_string(window) + " key q");
	int status = -1;
	bool ended = WaitFor([&] { return waitpid(fViewer, &status, WNOHANG) == fViewer; });
	if (!ended) {
		kill(fViewer, SIGKILL);
		waitpid(fViewer, NULL, 0);
	}
	fViewer = -1;
	return ended;
}

void DesktopSession::DragHandle(int viewLeft, int viewTop, int toLeft, int toTop)
{
	// The drag starts once the pointer has moved 5 pixels, and the view is
	// held where the pointer is then: 8 pixels into it.
	int fromX = viewLeft + kHandleInset, fromY = viewTop + kHandleInset;
	int heldX = viewLeft + 8, heldY = viewTop + 8;
	std::string moves = "mousemove " + std::to_string(fromX) + " " + std::to_string(fromY) +
	                    " mousedown 1 sleep 0.05 mousemove " + std::to_string(heldX) + " " +
	                    std::to_string(heldY) + " sleep 0.1";
	int endX = toLeft + 8, endY = toTop + 8;
	for (int step = 1; step <= 20; step++) {
		moves += " mousemove " + std::to_string(heldX + (endX - heldX) * step / 20) + " " +
		         std::to_string(heldY + (endY - heldY) * step / 20) + " sleep 0.03";
	}
	Xdotool(moves + " sleep 0.2 mouseup 1 sleep 0.2");
}

void DesktopSession::ChooseFromDraggerMenu(int viewLeft, int viewTop, int index)
{
	int x = viewLeft + kHandleInset, y = viewTop + kHandleInset;
	Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 3 sleep 0.4" +
	        " mousemove " + std::to_string(x + 40) + " " +
	        std::to_string(y + kMenuItemInset + index * kMenuRow) + " sleep 0.2 click 1 sleep 0.3");
}

void DesktopSession::ChooseWorkspace(int viewLeft, int viewTop, int subIndex)
{
	int x = viewLeft + kHandleInset, y = viewTop + kHandleInset;
	int row = y + kMenuItemInset + kMenuRow;
	// Along the "Workspaces" row into the submenu, then down to the item.
	Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 3 sleep 0.4" +
	        " mousemove " + std::to_string(x + 40) + " " + std::to_string(row) + " sleep 0.4" +
	        " mousemove " + std::to_string(x + kSubmenuLeft + 20) + " " + std::to_string(row) +
	        " sleep 0.2 mousemove " + std::to_string(x + kSubmenuLeft + 20) + " " +
	        std::to_string(row + subIndex * kMenuRow) + " sleep 0.2 click 1 sleep 0.3");
}

bool DesktopSession::Xdotool(const std::string& arguments)
{
	return Server()->Run("xdotool " + arguments) == 0;
}

uint32_t DesktopSession::DesktopPixel(int x, int y)
{
	if (fDesktop == XCB_WINDOW_NONE)
		return 0xFFFFFFFF;
	std::vector<uint32_t> pixels = Pixels(fDesktop, x, y, 1, 1);
	return pixels.empty() ? 0xFFFFFFFF : pixels[0] & 0xFFFFFF;
}
