#ifndef _X11_EVENT_DISPATCHER_H
#define _X11_EVENT_DISPATCHER_H

#include <atomic>

#include "display/ClickCounter.h"
#include "display/x11/X11EventThread.h"

namespace BPrivate {

class X11Connection;
class X11DragSource;
class X11DropTarget;
class X11Keyboard;
class X11Pointer;
class X11Window;
class X11WindowRegistry;
class X11Workspaces;

// Turns X events into the calls of the windows' event sinks: input with Be
// buttons, clicks, bytes and modifiers, frames, focus, exposure, close
// requests and workspace switches. Runs on the event thread only.
class X11EventDispatcher : public X11EventHandler {
public:
	X11EventDispatcher(X11Connection& connection, X11WindowRegistry& windows, X11Keyboard& keyboard,
	                   X11Pointer& pointer, X11Workspaces& workspaces);

	// Before the event thread starts; both outlive it.
	void SetDragAndDrop(X11DragSource* source, X11DropTarget* target);

	void HandleEvent(const xcb_generic_event_t* event) override;
	void Tick() override;
	void ConnectionLost() override;

	// The window the pointer was last seen in (for hiding the cursor).
	xcb_window_t PointerWindow() const { return fPointerWindow.load(); }

private:
	void _Key(const xcb_key_press_event_t* event, bool down);
	void _Button(const xcb_button_press_event_t* event, bool down);
	void _Motion(xcb_window_t window, int16 x, int16 y, int16 rootX, int16 rootY, uint16 state,
	             xcb_timestamp_t time);
	void _Focus(const xcb_focus_in_event_t* event, bool in);
	void _ClientMessage(const xcb_client_message_event_t* event);
	// RandR: every window hears the new screen.
	void _ScreenChanged();
	void _RootProperty(const xcb_property_notify_event_t* event);

	X11Connection& fConnection;
	X11WindowRegistry& fWindows;
	X11Keyboard& fKeyboard;
	X11Pointer& fPointer;
	X11Workspaces& fWorkspaces;
	X11DragSource* fDragSource; // fixed before the thread starts
	X11DropTarget* fDropTarget; // fixed before the thread starts
	ClickCounter fClicks;
	std::atomic<xcb_window_t> fPointerWindow;
};

} // namespace BPrivate

#endif
