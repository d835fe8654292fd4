#ifndef _X11_WORKSPACES_H
#define _X11_WORKSPACES_H

#include <atomic>
#include <mutex>

#include <SupportDefs.h>
#include <xcb/xcb.h>

namespace BPrivate {

class X11Connection;

// Workspaces are the EWMH desktops of the window manager, numbered from 0.
// Without an EWMH window manager there is one workspace, number 0.
class X11Workspaces {
public:
	explicit X11Workspaces(X11Connection& connection);

	// Any thread. The count as last seen on the root window: the viewer asks
	// it again and again while building its menus, and each question would be
	// a round trip on the way to the first picture. The current workspace is
	// asked from the server.
	int32 Count() const { return fKnownCount.load(std::memory_order_relaxed); }
	int32 Current() const;
	bool HasWindowManager() const;
	// The same, as last seen on the root window (no round trip): event thread.
	bool KnownWindowManager() const { return fKnownWindowManager; }
	void Activate(int32 index);

	// Puts a window on the workspaces of a Be workspace mask: 0 (the current
	// one), one bit (that one), more bits (all: an EWMH window lives on one
	// desktop or on all). Before the window is mapped this sets the property
	// the window manager reads; after, it asks the window manager.
	void PlaceWindow(xcb_window_t window, uint32 workspaceMask, bool mapped);

	// Event thread, on a PropertyNotify of the root window. True when the
	// current workspace changed; *previous and *current then say from which
	// to which.
	bool HandleRootProperty(xcb_atom_t atom, int32* previous, int32* current);

private:
	// A root window property in two halves, so that several go out at once.
	xcb_get_property_cookie_t _AskRoot(xcb_atom_t atom, xcb_atom_t type) const;
	int32 _CardinalFrom(xcb_get_property_cookie_t cookie, int32 fallback) const;
	bool _WindowManagerFrom(xcb_get_property_cookie_t cookie) const;
	int32 _CountFrom(xcb_get_property_cookie_t cookie) const;
	int32 _CurrentFrom(xcb_get_property_cookie_t cookie) const;
	int32 _ReadCount() const;

	X11Connection& fConnection;
	std::mutex fLock;               // leaf
	int32 fKnownCurrent;            // guarded by fLock
	std::atomic<int32> fKnownCount; // written by the event thread, after construction
	bool fKnownWindowManager;       // event thread, after construction
};

} // namespace BPrivate

#endif
