#include "display/x11/X11Pointer.h"

#include <xcb/xfixes.h>

#include "display/x11/X11Connection.h"

namespace BPrivate {

X11Pointer::X11Pointer(X11Connection& connection)
    : fConnection(connection), fHidden(false), fHiddenWindow(XCB_WINDOW_NONE),
      fBlankCursor(XCB_CURSOR_NONE), fKeyboardGrabbed(false)
{
}

X11Pointer::~X11Pointer()
{
	if (fBlankCursor != XCB_CURSOR_NONE)
		xcb_free_cursor(fConnection.Connection(), fBlankCursor);
}

uint32 X11Pointer::ButtonsFromState(uint16 state)
{
	uint32 buttons = 0;
	if ((state & XCB_BUTTON_MASK_1) != 0)
		buttons |= 1;
	if ((state & XCB_BUTTON_MASK_3) != 0)
		buttons |= 2;
	if ((state & XCB_BUTTON_MASK_2) != 0)
		buttons |= 4;
	return buttons;
}

bool X11Pointer::Query(int32* x, int32* y, uint32* buttons) const
{
	auto reply = fConnection.Reply(xcb_query_pointer_reply,
	                               xcb_query_pointer(fConnection.Connection(), fConnection.Root()));
	if (!reply)
		return false;
	*x = reply->root_x;
	*y = reply->root_y;
	*buttons = ButtonsFromState(reply->mask);
	return true;
}

void X11Pointer::Warp(int32 x, int32 y)
{
	xcb_connection_t* c = fConnection.Connection();
	xcb_warp_pointer(c, XCB_WINDOW_NONE, fConnection.Root(), 0, 0, 0, 0, (int16) x, (int16) y);
	xcb_flush(c);
}

status_t X11Pointer::Grab(xcb_window_t window, bool ownerEvents, bool withKeyboard)
{
	xcb_connection_t* c = fConnection.Connection();
	// The time of the event that led here, not CurrentTime: a grab stamped
	// later than a newer one the server already saw is refused as InvalidTime.
	xcb_timestamp_t time = fConnection.LastEventTime();
	uint16 mask = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
	              XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_ENTER_WINDOW |
	              XCB_EVENT_MASK_LEAVE_WINDOW;
	xcb_grab_pointer_cookie_t pointerCookie =
	    xcb_grab_pointer(c, ownerEvents ? 1 : 0, window, mask, XCB_GRAB_MODE_ASYNC,
	                     XCB_GRAB_MODE_ASYNC, XCB_WINDOW_NONE, XCB_CURSOR_NONE, time);
	xcb_grab_keyboard_cookie_t keyboardCookie = {};
	if (withKeyboard) {
		keyboardCookie = xcb_grab_keyboard(c, ownerEvents ? 1 : 0, window, time,
		                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
	}
	auto pointer = fConnection.Reply(xcb_grab_pointer_reply, pointerCookie);
	bool keyboardGrabbed = false;
	if (withKeyboard) {
		auto keyboard = fConnection.Reply(xcb_grab_keyboard_reply, keyboardCookie);
		keyboardGrabbed = keyboard && keyboard->status == XCB_GRAB_STATUS_SUCCESS;
	}
	{
		std::lock_guard<std::mutex> guard(fLock);
		fKeyboardGrabbed = keyboardGrabbed;
	}
	if (!pointer || pointer->status != XCB_GRAB_STATUS_SUCCESS) {
		Ungrab();
		return B_ERROR;
	}
	return B_OK;
}

void X11Pointer::Ungrab()
{
	xcb_connection_t* c = fConnection.Connection();
	xcb_timestamp_t time = fConnection.LastEventTime();
	xcb_ungrab_pointer(c, time);
	{
		std::lock_guard<std::mutex> guard(fLock);
		if (fKeyboardGrabbed)
			xcb_ungrab_keyboard(c, time);
		fKeyboardGrabbed = false;
	}
	xcb_flush(c);
}

void X11Pointer::Obscure(xcb_window_t window)
{
	std::lock_guard<std::mutex> guard(fLock);
	if (fHidden)
		return;
	fHidden = true;
	if (fConnection.HasXfixesCursor())
		xcb_xfixes_hide_cursor(fConnection.Connection(), fConnection.Root());
	else
		_SetBlankCursor(window, true);
	xcb_flush(fConnection.Connection());
}

void X11Pointer::Moved()
{
	std::lock_guard<std::mutex> guard(fLock);
	if (!fHidden)
		return;
	fHidden = false;
	if (fConnection.HasXfixesCursor())
		xcb_xfixes_show_cursor(fConnection.Connection(), fConnection.Root());
	else
		_SetBlankCursor(fHiddenWindow, false);
	xcb_flush(fConnection.Connection());
}

void X11Pointer::_SetBlankCursor(xcb_window_t window, bool blank)
{
	xcb_connection_t* c = fConnection.Connection();
	if (blank && fBlankCursor == XCB_CURSOR_NONE) {
		xcb_pixmap_t pixmap = xcb_generate_id(c);
		xcb_create_pixmap(c, 1, pixmap, fConnection.Root(), 1, 1);
		// A new pixmap's content is undefined: clear it, so that the mask
		// lets nothing through.
		xcb_gcontext_t gc = xcb_generate_id(c);
		uint32_t foreground = 0;
		xcb_create_gc(c, gc, pixmap, XCB_GC_FOREGROUND, &foreground);
		xcb_rectangle_t all = {0, 0, 1, 1};
		xcb_poly_fill_rectangle(c, pixmap, gc, 1, &all);
		xcb_free_gc(c, gc);
		fBlankCursor = xcb_generate_id(c);
		xcb_create_cursor(c, fBlankCursor, pixmap, pixmap, 0, 0, 0, 0, 0, 0, 0, 0);
		xcb_free_pixmap(c, pixmap);
	}
	fHiddenWindow = blank ? window : (xcb_window_t) XCB_WINDOW_NONE;
	if (window == XCB_WINDOW_NONE)
		return;
	uint32_t cursor = blank ? fBlankCursor : (xcb_cursor_t) XCB_CURSOR_NONE;
	xcb_change_window_attributes(c, window, XCB_CW_CURSOR, &cursor);
}

} // namespace BPrivate
