#ifndef _DESKTOP_SESSION_H
#define _DESKTOP_SESSION_H

#include <sys/types.h>

#include <string>

#include "platform/x11/XvfbFixture.h"

// A user's session on a private Xvfb with openbox: a home folder of the
// test's own (with its desktop folder), pelivant-desktop, and pelivant
// windows, driven with xdotool as a user would.
class DesktopSession : public WithWindowManager<> {
protected:
	void SetUp() override;
	void TearDown() override;

	static std::string BinaryDir();
	static std::string SourceDir();
	const std::string& Home() const { return fHome; }
	std::string DesktopFolder() const { return fHome + "/Desktop"; }

	// Starts pelivant-desktop and waits for its window; the window or none.
	xcb_window_t StartDesktop();
	void KillDesktop();
	xcb_window_t Desktop() const { return fDesktop; }

	// Opens a file in pelivant and moves its window so that its content's
	// top left lies at (x, y); the window or none. The window's title is the
	// file's name followed by its magnification.
	xcb_window_t OpenInViewer(const std::string& path, const std::string& title, int x, int y);
	// Quits pelivant by its key; false when it did not end.
	bool QuitViewer(xcb_window_t window);

	// Presses the dragger handle at the top left of a view whose top left
	// is at |viewTopLeft| on the screen, and drags it so that the view's top
	// left comes to |to|.
	void DragHandle(int viewLeft, int viewTop, int toLeft, int toTop);
	// Opens the dragger's menu of the replicant whose top left is given
	// and clicks the item |index| of it (0 is "Lock").
	void ChooseFromDraggerMenu(int viewLeft, int viewTop, int index);
	// The same, for the item |subIndex| of the menu's "Workspaces" submenu.
	void ChooseWorkspace(int viewLeft, int viewTop, int subIndex);

	bool Xdotool(const std::string& arguments);
	// The desktop's pixel at a screen point as 0xRRGGBB (0xFFFFFFFF when it
	// cannot be read).
	uint32_t DesktopPixel(int x, int y);
	// Waits until the desktop's pixel at (x, y) satisfies |condition|; the
	// last value seen in |seen|.
	template <typename Condition>
	bool WaitForDesktopPixel(int x, int y, Condition condition, uint32_t* seen, double seconds = 10)
	{
		return WaitFor(
		    [&] {
			    *seen = DesktopPixel(x, y);
			    return *seen != 0xFFFFFFFF && condition(*seen);
		    },
		    seconds);
	}

	static constexpr uint32_t kBackground = 0x336698;

private:
	pid_t Spawn(const std::string& program, const std::string& argument);

	std::string fHome;
	std::string fOldHome;
	bool fHadHome = false;
	pid_t fDesktopProcess = -1;
	pid_t fViewer = -1;
	xcb_window_t fDesktop = XCB_WINDOW_NONE;
};

#endif
