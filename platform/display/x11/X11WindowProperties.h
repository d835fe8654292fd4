#ifndef _X11_WINDOW_PROPERTIES_H
#define _X11_WINDOW_PROPERTIES_H

#include <SupportDefs.h>
#include <xcb/xcb.h>

namespace BPrivate {

class X11Connection;

// The ICCCM and EWMH properties through which a window manager learns what a
// window is and how it may be placed and resized. Plain requests, any thread.

enum class X11WindowRole {
	kNormal,     // a titled top-level window
	kDialog,     // an alert: transient, dialog type, modal state
	kBorderless, // no decorations asked of the window manager
	kPopUp,      // a menu: override-redirect, never managed
	kDesktop     // the desktop host's window: under everything, on all workspaces
};

struct X11SizeHints {
	int32 x, y;                // content position in root coordinates
	int32 width, height;       // content size in pixels
	int32 minWidth, minHeight; // 0: none
	int32 maxWidth, maxHeight; // 0: none
};

void x11_set_title(X11Connection& connection, xcb_window_t window, const char* title);

// WM_CLASS (instance and class), _NET_WM_PID, WM_CLIENT_MACHINE,
// WM_PROTOCOLS (WM_DELETE_WINDOW) and the window type for the role.
void x11_set_identity(X11Connection& connection, xcb_window_t window, const char* className,
                      X11WindowRole role, xcb_window_t transientFor);

// WM_NORMAL_HINTS: a program-given position (USPosition/PPosition) so that the
// window manager honours it, static gravity so that the position is the
// content's and not the frame's, and the size limits.
void x11_set_size_hints(X11Connection& connection, xcb_window_t window, const X11SizeHints& hints);

// EWMH requests of the window manager, sent as client messages to the root
// window as an ordinary application (source 1).
void x11_request_active_window(X11Connection& connection, xcb_window_t window,
                               xcb_timestamp_t time);
void x11_request_current_desktop(X11Connection& connection, uint32 desktop, xcb_timestamp_t time);
void x11_request_window_desktop(X11Connection& connection, xcb_window_t window, uint32 desktop);
// _NET_WM_DESKTOP of a window not yet managed, which the window manager
// reads when it first maps it.
void x11_set_window_desktop(X11Connection& connection, xcb_window_t window, uint32 desktop);

// The window's content rectangle in root coordinates, asked from the server
// (decorations the window manager adds are not part of it). False if the
// window is gone.
bool x11_content_frame(const X11Connection& connection, xcb_window_t window, int32* x, int32* y,
                       int32* width, int32* height);

// Reads a UTF-8 or Latin-1 text property (for tests and titles).
bool x11_read_text_property(const X11Connection& connection, xcb_window_t window,
                            xcb_atom_t property, char* buffer, size_t size);

} // namespace BPrivate

#endif
