#ifndef _DESKTOP_SESSION_H
#define _DESKTOP_SESSION_H

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/x11/XvfbFixture.h"

// A user's session on a private Xvfb with openbox: pelivant-desktop,
// pelivant windows and a desktop folder of the test's own, driven with
// xdotool as a user would. Every test starts with an empty shelf, and a
// screenshot of a failed one is kept as build/<test>-failure.png.
class DesktopSession : public WithWindowManager<> {
protected:
	void SetUp() override;
	void TearDown() override;

	static std::string BinaryDir();
	static std::string SourceDir();
	static std::string ShelfPath();
	// The replicants of earlier tests are not this one's.
	static void ForgetShelf();

	// Starts pelivant-desktop, and kills it with SIGKILL (waiting until its
	// window is gone).
	void Launch();
	void Kill();
	xcb_window_t WaitForDesktop();
	// Launch() and WaitForDesktop(): the desktop window, or none.
	xcb_window_t StartDesktop();

	// pelivant showing |path|, its window titled |title| once the picture
	// (|width| x |height| pixels at 100 %) is drawn and settled
	// (XCB_WINDOW_NONE if it never was), its content origin and the pixel at
	// the picture's centre. With no path, samples/a.png (320 x 240).
	xcb_window_t OpenViewer(pid_t* program, int* x, int* y, uint32_t* centre);
	xcb_window_t OpenViewer(const std::string& path, const std::string& title, int width,
	                        int height, pid_t* program, int* x, int* y, uint32_t* centre);
	// Ends a program at once.
	static void Quit(pid_t* program);
	// Quits pelivant by its key; false when it did not end (then killed).
	bool QuitByKey(xcb_window_t window, pid_t* program);

	// Drags the viewer's picture by its handle (3 pixels into it, at the
	// view's top left) and lets go at (dropX, dropY): held 8 pixels into the
	// view, it belongs at (dropX - 8, dropY - 8).
	bool DragOut(int x, int y, int dropX, int dropY);
	// The same, tried again while |landed| does not come true: a loaded
	// machine may stretch the few milliseconds a drag takes to start.
	template <typename Condition>
	bool DragOutUntil(int x, int y, int dropX, int dropY, Condition landed)
	{
		for (int attempt = 0; attempt < 3; attempt++) {
			if (!DragOut(x, y, dropX, dropY))
				return false;
			if (WaitFor(landed, 5))
				return true;
		}
		return false;
	}

	// Opens the pop-up menu at (x, y) with the secondary button and, once
	// it shows on the screen, chooses its item |index| (rows of 21 pixels).
	bool ChooseMenuItem(int x, int y, int index = 0);
	bool ChooseFirstItem(int x, int y) { return ChooseMenuItem(x, y, 0); }
	// The same for the item |index| of the submenu of the item |row|, which
	// opens beside the menu, level with that item.
	bool ChooseSubmenuItem(int x, int y, int row, int index);

	bool Xdotool(const std::string& arguments);
	std::vector<xcb_window_t> Windows(const char* property);
	// The window's pixel at (x, y), once it is |color|.
	bool WaitForPixel(xcb_window_t window, int x, int y, uint32_t color, uint32_t* seen);
	// Whether any pixel of the rectangle is not the desktop's background
	// (with |color| < 0), or is |color|.
	bool AnyPixel(xcb_window_t window, int x, int y, int width, int height, int64_t color = -1);

	// A desktop folder of the test's own, through the user's dirs file of
	// the test's private configuration folder. Empty on failure.
	std::string UseDesktopFolder();
	void ForgetDesktopFolder();
	static bool WriteFile(const std::string& path);

	static constexpr uint32_t kBackground = 0x336698;

private:
	pid_t fProgram = -1;
	std::string fFolder;
};

#endif
