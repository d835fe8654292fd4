#ifndef _INTERFACE_TEST_SUPPORT_H
#define _INTERFACE_TEST_SUPPORT_H

// Helpers for the window and view tests on the offscreen display: an
// application for the test's lifetime, waits with deadlines, a round trip
// through a window's queue, pixels and input of the offscreen display.

#include <Application.h>
#include <GraphicsDefs.h>
#include <Point.h>
#include <Rect.h>

#include <functional>
#include <vector>

class BWindow;

// A BApplication for windows to register with, unless one exists already.
class InterfaceTestApp {
public:
	InterfaceTestApp();
	~InterfaceTestApp();

private:
	BApplication* fApp;
};

// Polls |condition| until it holds or |timeout| passes; false on timeout.
bool wait_for(const std::function<bool()>& condition, bigtime_t timeout = 5000000);

// Returns once every message queued in |window| before the call has been
// handled; false if that takes longer than the deadline.
bool sync_window(BWindow* window);
// Like sync_window, and also waits for what handling those messages queued in
// turn: a display resize reaches the views as B_VIEW_RESIZED only once the
// window has taken it.
bool settle_window(BWindow* window);

// The shown pop-up menus' frames on the screen, the first opened first.
std::vector<BRect> popup_frames();
// Waits until |count| menus are open and hold the pointer (or, for 0, until
// every menu has closed and let it go).
bool wait_for_popups(size_t count);

// The window's pixel at a content point, as the display shows it.
rgb_color window_pixel(BWindow* window, int32 x, int32 y);
// Calls |visit| with each pixel of |rect| (content coordinates), read from
// one copy of the window's pixels, until it returns true; whether it did.
bool window_find_pixel(BWindow* window, BRect rect,
                       const std::function<bool(int32 x, int32 y, rgb_color pixel)>& visit);
// How often the window's pixels were presented to the display.
int32 window_present_count(BWindow* window);
bool window_is_mapped(BWindow* window);

// Input as the user gives it, in screen coordinates.
void inject_mouse_moved(BPoint screenWhere, uint32 buttons = 0);
void inject_mouse_pressed(uint32 button, uint32 modifiers = 0);
void inject_mouse_released(uint32 button);
void inject_mouse_released_all();
void inject_wheel(float deltaX, float deltaY);
void inject_key_down(const char* bytes, int32 key, uint32 modifiers);
void inject_key_up(const char* bytes, int32 key, uint32 modifiers);

// The display resizes the window, as a user dragging its border would.
void offscreen_resize_window(BWindow* window, int32 width, int32 height);
// The window manager's close box.
void offscreen_request_close(BWindow* window);
void offscreen_set_workspaces(int32 count, int32 current);
void offscreen_switch_workspace(int32 workspace);

#endif
