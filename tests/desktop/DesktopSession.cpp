#include "DesktopSession.h"

#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

extern char** environ;

namespace {

// Menus open with their top left at the pointer, in rows of 21 pixels; a
// submenu opens beside its menu, which is some 155 pixels wide.
constexpr int kMenuRow = 21;
constexpr int kMenuItemInset = 8;
constexpr int kSubmenuLeft = 160;

pid_t spawn_on_x11(const std::string& program, const std::string& argument)
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

} // namespace

void DesktopSession::SetUp()
{
	WithWindowManager<>::SetUp();
	ForgetShelf();
}

void DesktopSession::TearDown()
{
	if (HasFailure()) {
		std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
		Server()->Run("import -window root " + BinaryDir() + "/" + name + "-failure.png");
	}
	ForgetDesktopFolder();
	Kill();
	WithWindowManager<>::TearDown();
}

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

std::string DesktopSession::ShelfPath()
{
	const char* data = getenv("XDG_DATA_HOME");
	return std::string(data != NULL ? data : "") + "/pl-platform/desktop/shelf";
}

void DesktopSession::ForgetShelf()
{
	if (getenv("XDG_DATA_HOME") != NULL)
		unlink(ShelfPath().c_str());
}

void DesktopSession::Launch()
{
	fProgram = spawn_on_x11(BinaryDir() + "/bin/pelivant-desktop", "");
	ASSERT_GT(fProgram, 0) << "pelivant-desktop did not start";
}

void DesktopSession::Kill()
{
	if (fProgram <= 0)
		return;
	kill(fProgram, SIGKILL);
	waitpid(fProgram, NULL, 0);
	fProgram = -1;
	WaitFor([&] { return FindClient("Desktop") == XCB_WINDOW_NONE; });
}

xcb_window_t DesktopSession::StartDesktop()
{
	Launch();
	return fProgram > 0 ? WaitForDesktop() : (xcb_window_t) XCB_WINDOW_NONE;
}

xcb_window_t DesktopSession::WaitForDesktop()
{
	xcb_window_t window = XCB_WINDOW_NONE;
	WaitFor([&] { return (window = FindClient("Desktop")) != XCB_WINDOW_NONE; });
	return window;
}

xcb_window_t DesktopSession::OpenViewer(pid_t* program, int* x, int* y, uint32_t* centre)
{
	return OpenViewer(SourceDir() + "/samples/a.png", "a.png   100%", 320, 240, program, x, y,
	                  centre);
}

xcb_window_t DesktopSession::OpenViewer(const std::string& path, const std::string& title,
                                        int width, int height, pid_t* program, int* x, int* y,
                                        uint32_t* centre)
{
	*program = spawn_on_x11(BinaryDir() + "/bin/pelivant", path);
	if (*program <= 0)
		return XCB_WINDOW_NONE;
	xcb_window_t window = XCB_WINDOW_NONE;
	WaitFor([&] { return (window = FindClient(title.c_str())) != XCB_WINDOW_NONE; });
	int shownWidth = 0, shownHeight = 0;
	std::vector<uint32_t> shown;
	if (window == XCB_WINDOW_NONE || !WaitFor([&] {
		    return ContentFrame(window, x, y, &shownWidth, &shownHeight) &&
		           shownWidth == width && shownHeight >= height;
	    }) || !WaitFor([&] {
		    shown = Pixels(window, width / 2, height / 2, 1, 1);
		    return !shown.empty() && (shown[0] & 0xFFFFFF) != 0;
	    }))
		return XCB_WINDOW_NONE;
	// Drawn: the same twice a while apart (a clip never settles; two
	// seconds are enough for a picture).
	uint32_t last = shown[0] & 0xFFFFFF;
	for (int i = 0; i < 20; i++) {
		usleep(100000);
		shown = Pixels(window, width / 2, height / 2, 1, 1);
		uint32_t now = shown.empty() ? 0 : shown[0] & 0xFFFFFF;
		bool same = now == last;
		last = now;
		if (same)
			break;
	}
	*centre = last;
	return window;
}

void DesktopSession::Quit(pid_t* program)
{
	if (*program <= 0)
		return;
	kill(*program, SIGKILL);
	waitpid(*program, NULL, 0);
	*program = -1;
}

bool DesktopSession::QuitByKey(xcb_window_t window, pid_t* program)
{
	Xdotool("windowactivate --sync " + std::to_string(window) + " key q");
	int status = -1;
	bool ended = WaitFor([&] { return waitpid(*program, &status, WNOHANG) == *program; });
	if (ended)
		*program = -1;
	else
		Quit(program);
	return ended;
}

bool DesktopSession::DragOut(int x, int y, int dropX, int dropY)
{
	std::string drag = "mousemove " + std::to_string(x + 3) + " " + std::to_string(y + 3) +
	                   " mousedown 1 sleep 0.05 mousemove " + std::to_string(x + 8) + " " +
	                   std::to_string(y + 8) + " sleep 0.1";
	for (int step = 1; step <= 20; step++) {
		drag += " mousemove " + std::to_string(x + 8 + (dropX - x - 8) * step / 20) + " " +
		        std::to_string(y + 8 + (dropY - y - 8) * step / 20) + " sleep 0.03";
	}
	return Xdotool(drag + " sleep 0.2 mouseup 1");
}

bool DesktopSession::ChooseMenuItem(int x, int y, int index)
{
	std::vector<uint32_t> before = Pixels(ObserverRoot(), x + 4, y + 2, 40, 10);
	if (!Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 3"))
		return false;
	if (!WaitFor([&] { return Pixels(ObserverRoot(), x + 4, y + 2, 40, 10) != before; }))
		return false;
	return Xdotool("sleep 0.2 mousemove " + std::to_string(x + 30) + " " +
	               std::to_string(y + kMenuItemInset + index * kMenuRow) + " sleep 0.2 click 1");
}

bool DesktopSession::ChooseSubmenuItem(int x, int y, int row, int index)
{
	std::vector<uint32_t> before = Pixels(ObserverRoot(), x + 4, y + 2, 40, 10);
	if (!Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 3"))
		return false;
	if (!WaitFor([&] { return Pixels(ObserverRoot(), x + 4, y + 2, 40, 10) != before; }))
		return false;
	// Onto the item, which opens the submenu, then along its row into the
	// submenu and down to the item wanted.
	int rowY = y + kMenuItemInset + row * kMenuRow;
	int subX = x + kSubmenuLeft + 20;
	std::vector<uint32_t> bare = Pixels(ObserverRoot(), subX, rowY, 20, 4);
	if (!Xdotool("sleep 0.2 mousemove " + std::to_string(x + 30) + " " + std::to_string(rowY)))
		return false;
	if (!WaitFor([&] { return Pixels(ObserverRoot(), subX, rowY, 20, 4) != bare; }))
		return false;
	return Xdotool("sleep 0.2 mousemove " + std::to_string(subX) + " " + std::to_string(rowY) +
	               " sleep 0.2 mousemove " + std::to_string(subX) + " " +
	               std::to_string(rowY + index * kMenuRow) + " sleep 0.2 click 1");
}

bool DesktopSession::Xdotool(const std::string& arguments)
{
	return Server()->Run("xdotool " + arguments) == 0;
}

std::vector<xcb_window_t> DesktopSession::Windows(const char* property)
{
	std::vector<xcb_window_t> windows;
	xcb_get_property_reply_t* reply = xcb_get_property_reply(
	    Observer(),
	    xcb_get_property(Observer(), 0, ObserverRoot(), Atom(property), XCB_ATOM_WINDOW, 0, 256),
	    nullptr);
	if (reply == nullptr)
		return windows;
	xcb_window_t* values = (xcb_window_t*) xcb_get_property_value(reply);
	windows.assign(values, values + xcb_get_property_value_length(reply) / 4);
	free(reply);
	return windows;
}

bool DesktopSession::WaitForPixel(xcb_window_t window, int x, int y, uint32_t color,
                                  uint32_t* seen)
{
	return WaitFor([&] {
		std::vector<uint32_t> pixels = Pixels(window, x, y, 1, 1);
		*seen = pixels.empty() ? 0xFFFFFFFF : pixels[0] & 0xFFFFFF;
		return *seen == color;
	});
}

bool DesktopSession::AnyPixel(xcb_window_t window, int x, int y, int width, int height,
                              int64_t color)
{
	std::vector<uint32_t> pixels = Pixels(window, x, y, width, height);
	return std::any_of(pixels.begin(), pixels.end(), [&](uint32_t pixel) {
		pixel &= 0xFFFFFF;
		return color < 0 ? pixel != kBackground : pixel == (uint32_t) color;
	});
}

std::string DesktopSession::UseDesktopFolder()
{
	const char* config = getenv("XDG_CONFIG_HOME");
	char folder[] = "/tmp/desktop_x11_folder_XXXXXX";
	if (config == NULL || mkdtemp(folder) == NULL)
		return std::string();
	mkdir(config, 0700);
	FILE* dirs = fopen((std::string(config) + "/user-dirs.dirs").c_str(), "w");
	if (dirs == NULL)
		return std::string();
	fprintf(dirs, "XDG_DESKTOP_DIR=\"%s\"\n", folder);
	fclose(dirs);
	fFolder = folder;
	return fFolder;
}

void DesktopSession::ForgetDesktopFolder()
{
	const char* config = getenv("XDG_CONFIG_HOME");
	if (config != NULL)
		unlink((std::string(config) + "/user-dirs.dirs").c_str());
	if (!fFolder.empty())
		Server()->Run("rm -rf '" + fFolder + "'");
	fFolder.clear();
}

bool DesktopSession::WriteFile(const std::string& path)
{
	FILE* out = fopen(path.c_str(), "w");
	if (out == NULL)
		return false;
	fputs("notes\n", out);
	return fclose(out) == 0;
}
