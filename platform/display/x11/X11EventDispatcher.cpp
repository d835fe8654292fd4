#include "display/x11/X11EventDispatcher.h"

#include <string.h>

#include <xcb/randr.h>

#include <OS.h>

#include "display/DisplayBackend.h"
#include "display/x11/BeDefs.h"
#include "display/x11/X11Connection.h"
#include "display/x11/X11DragSource.h"
#include "display/x11/X11DropTarget.h"
#include "display/x11/X11Keyboard.h"
#include "display/x11/X11Pointer.h"
#include "display/x11/X11ReplicantSwitch.h"
#include "display/x11/X11Screen.h"
#include "display/x11/X11Window.h"
#include "display/x11/X11WindowRegistry.h"
#include "display/x11/X11Workspaces.h"

namespace BPrivate {

namespace {

// X reports the wheel as presses of buttons 4 (up), 5 (down), 6 (left) and
// 7 (right), each with an instant release.
bool is_wheel(uint8 button)
{
	return button >= 4 && button <= 7;
}

} // namespace

X11EventDispatcher::X11EventDispatcher(X11Connection& connection, X11WindowRegistry& windows,
                                       X11Keyboard& keyboard, X11Pointer& pointer,
                                       X11Workspaces& workspaces)
    : fConnection(connection), fWindows(windows), fKeyboard(keyboard), fPointer(pointer),
      fWorkspaces(workspaces), fDragSource(nullptr), fDropTarget(nullptr), fClicks(),
      fPointerWindow(XCB_WINDOW_NONE)
{
}

void X11EventDispatcher::SetDragAndDrop(X11DragSource* source, X11DropTarget* target)
{
	fDragSource = source;
	fDropTarget = target;
}

void X11EventDispatcher::Tick()
{
	bigtime_t now = system_time();
	if (fDragSource != nullptr)
		fDragSource->Tick(now);
	if (fDropTarget != nullptr)
		fDropTarget->Tick(now);
}

void X11EventDispatcher::HandleEvent(const xcb_generic_event_t* event)
{
	uint8 type = event->response_type & 0x7f;
	// A drag in progress has the pointer and keyboard, and answers for its
	// data.
	if (fDragSource != nullptr && fDragSource->HandleEvent(event))
		return;
	switch (type) {
		case 0:
			// An error of a request nobody checked (a window gone under a
			// late request): nothing to undo.
			break;
		case XCB_KEY_PRESS:
		case XCB_KEY_RELEASE:
			_Key((const xcb_key_press_event_t*) event, type == XCB_KEY_PRESS);
			break;
		case XCB_BUTTON_PRESS:
		case XCB_BUTTON_RELEASE:
			_Button((const xcb_button_press_event_t*) event, type == XCB_BUTTON_PRESS);
			break;
		case XCB_MOTION_NOTIFY: {
			auto motion = (const xcb_motion_notify_event_t*) event;
			fPointer.Moved();
			_Motion(motion->event, motion->event_x, motion->event_y, motion->root_x, motion->root_y,
			        motion->state, motion->time);
			break;
		}
		case XCB_ENTER_NOTIFY:
		case XCB_LEAVE_NOTIFY: {
			// Crossings tell the kit the pointer came or went even when no
			// motion happens inside (a fast move across the edge); those
			// caused by grabs are not moves.
			auto crossing = (const xcb_enter_notify_event_t*) event;
			if (crossing->mode != XCB_NOTIFY_MODE_NORMAL)
				break;
			_Motion(crossing->event, crossing->event_x, crossing->event_y, crossing->root_x,
			        crossing->root_y, crossing->state, crossing->time);
			break;
		}
		case XCB_EXPOSE: {
			auto expose = (const xcb_expose_event_t*) event;
			if (auto window = fWindows.Find(expose->window)) {
				window->Exposed(expose->x, expose->y, expose->width, expose->height,
				                expose->count == 0);
			}
			break;
		}
		case XCB_CONFIGURE_NOTIFY: {
			auto configure = (const xcb_configure_notify_event_t*) event;
			if (configure->event != configure->window)
				break;
			if (auto window = fWindows.Find(configure->window))
				window->ServerConfigured(event->full_sequence);
			break;
		}
		case XCB_REPARENT_NOTIFY: {
			auto reparent = (const xcb_reparent_notify_event_t*) event;
			if (auto window = fWindows.Find(reparent->window))
				window->ServerConfigured(event->full_sequence);
			break;
		}
		case XCB_MAP_NOTIFY: {
			auto map = (const xcb_map_notify_event_t*) event;
			if (auto window = fWindows.Find(map->window)) {
				// The first picture is on screen: the key map's turn.
				fKeyboard.Want();
				window->ServerMapped(true);
				window->ServerConfigured(event->full_sequence);
			}
			break;
		}
		case XCB_UNMAP_NOTIFY: {
			auto unmap = (const xcb_unmap_notify_event_t*) event;
			if (auto window = fWindows.Find(unmap->window))
				window->ServerMapped(false);
			break;
		}
		case XCB_FOCUS_IN:
		case XCB_FOCUS_OUT:
			_Focus((const xcb_focus_in_event_t*) event, type == XCB_FOCUS_IN);
			break;
		case XCB_KEYMAP_NOTIFY:
			fKeyboard.HandleKeymapNotify((const xcb_keymap_notify_event_t*) event);
			break;
		case XCB_CLIENT_MESSAGE:
			if (fDropTarget != nullptr &&
			    fDropTarget->HandleClientMessage((const xcb_client_message_event_t*) event))
				break;
			_ClientMessage((const xcb_client_message_event_t*) event);
			break;
		case XCB_SELECTION_NOTIFY:
			if (fDropTarget != nullptr)
				fDropTarget->HandleSelectionNotify((const xcb_selection_notify_event_t*) event);
			break;
		case XCB_PROPERTY_NOTIFY: {
			auto property = (const xcb_property_notify_event_t*) event;
			fConnection.NoteEventTime(property->time);
			if (fDropTarget != nullptr && fDropTarget->HandlePropertyNotify(property))
				break;
			if (property->window == fConnection.Root())
				_RootProperty(property);
			break;
		}
		default:
			if (type == fKeyboard.XkbEventBase())
				fKeyboard.HandleXkbEvent(event);
			else if (fConnection.RandrEventBase() != 0 &&
			         type == fConnection.RandrEventBase() + XCB_RANDR_SCREEN_CHANGE_NOTIFY)
				_ScreenChanged();
			break;
	}
}

void X11EventDispatcher::ConnectionLost()
{
	display_lost();
}

void X11EventDispatcher::_Key(const xcb_key_press_event_t* event, bool down)
{
	fConnection.NoteEventTime(event->time);
	bool repeat = false;
	TranslatedKey translated = fKeyboard.HandleKey(event->detail, event->state, down, &repeat);
	auto window = fWindows.Find(event->event);
	if (!window)
		return;

	DisplayKeyEvent key = {};
	key.down = down;
	key.repeat = repeat;
	key.when = system_time();
	key.key = translated.key;
	static_assert(sizeof(key.bytes) >= sizeof(translated.bytes));
	memcpy(key.bytes, translated.bytes, sizeof(translated.bytes));
	key.rawChar = (int32) translated.rawChar;
	key.modifiers = translated.modifiers;
	window->Sink([&](DisplayEventSink& sink) { sink.KeyEvent(key); });
}

void X11EventDispatcher::_Button(const xcb_button_press_event_t* event, bool down)
{
	fConnection.NoteEventTime(event->time);
	auto window = fWindows.Find(event->event);
	if (!window)
		return;
	BPoint where(event->event_x, event->event_y);
	uint32 modifiers = fKeyboard.EventModifiers(event->state);

	if (is_wheel(event->detail)) {
		// Never mouse down/up: a wheel step must not start a drag or a menu.
		if (!down)
			return;
		fClicks.Reset();
		DisplayWheelEvent wheel = {};
		wheel.when = system_time();
		wheel.where = where;
		wheel.deltaX = event->detail == 6 ? -1 : (event->detail == 7 ? 1 : 0);
		wheel.deltaY = event->detail == 4 ? -1 : (event->detail == 5 ? 1 : 0);
		wheel.modifiers = modifiers;
		window->Sink([&](DisplayEventSink& sink) { sink.WheelEvent(wheel); });
		return;
	}

	uint32 button = be_button(event->detail);
	if (button == 0)
		return; // side buttons: nothing in the Be API
	// The state holds the buttons before this event.
	uint32 buttons = X11Pointer::ButtonsFromState(event->state);
	buttons = down ? (buttons | button) : (buttons & ~button);

	DisplayMouseEvent mouse = {};
	mouse.type = down ? kMouseDown : kMouseUp;
	mouse.when = system_time();
	mouse.where = where;
	mouse.screenWhere = BPoint(event->root_x, event->root_y);
	mouse.buttons = buttons;
	mouse.modifiers = modifiers;
	// The server's clock (milliseconds) times the clicks: what the user did,
	// not when we got round to reading it.
	mouse.clicks =
	    down ? fClicks.Press((bigtime_t) event->time * 1000, mouse.screenWhere, button) : 0;
	// Click to focus is the window manager's job; without one, ours.
	if (down && !fWorkspaces.KnownWindowManager())
		window->ClickedWithoutWindowManager();
	window->Sink([&](DisplayEventSink& sink) { sink.MouseEvent(mouse); });
}

void X11EventDispatcher::_Motion(xcb_window_t id, int16 x, int16 y, int16 rootX, int16 rootY,
                                 uint16 state, xcb_timestamp_t time)
{
	fConnection.NoteEventTime(time);
	auto window = fWindows.Find(id);
	if (!window)
		return;
	fPointerWindow.store(id);
	DisplayMouseEvent mouse = {};
	mouse.type = kMouseMoved;
	mouse.when = system_time();
	mouse.where = BPoint(x, y);
	mouse.screenWhere = BPoint(rootX, rootY);
	mouse.buttons = X11Pointer::ButtonsFromState(state);
	mouse.modifiers = fKeyboard.EventModifiers(state);
	window->Sink([&](DisplayEventSink& sink) { sink.MouseEvent(mouse); });
}

void X11EventDispatcher::_Focus(const xcb_focus_in_event_t* event, bool in)
{
	// Focus moving to a grab (an open menu) and back is not a change of
	// the active window, nor is the pointer-root focus passing by.
	if (event->mode == XCB_NOTIFY_MODE_GRAB || event->mode == XCB_NOTIFY_MODE_UNGRAB)
		return;
	if (event->detail == XCB_NOTIFY_DETAIL_POINTER ||
	    event->detail == XCB_NOTIFY_DETAIL_POINTER_ROOT ||
	    event->detail == XCB_NOTIFY_DETAIL_NONE) {
		return;
	}
	if (auto window = fWindows.Find(event->event))
		window->FocusChanged(in);
}

void X11EventDispatcher::_ClientMessage(const xcb_client_message_event_t* event)
{
	const X11Atoms& atoms = fConnection.Atoms();
	if (event->type != atoms.wmProtocols || event->format != 32)
		return;
	if (event->data.data32[0] != atoms.wmDeleteWindow)
		return;
	if (auto window = fWindows.Find(event->window))
		window->Sink([](DisplayEventSink& sink) { sink.CloseRequested(); });
}

void X11EventDispatcher::_ScreenChanged()
{
	ScreenRect screen = x11_screen_frame(fConnection);
	BRect frame(0, 0, screen.width - 1, screen.height - 1);
	for (const auto& window : fWindows.All())
		window->Sink([&](DisplayEventSink& sink) { sink.ScreenChanged(frame); });
}

void X11EventDispatcher::_RootProperty(const xcb_property_notify_event_t* event)
{
	bool drawn;
	if (event->atom == fConnection.Atoms().showReplicants) {
		if (event->state == XCB_PROPERTY_NEW_VALUE && read_draggers_drawn(fConnection, &drawn))
			draggers_drawn_changed(drawn);
		return;
	}
	int32 previous, current;
	if (!fWorkspaces.HandleRootProperty(event->atom, &previous, &current))
		return;
	for (const auto& window : fWindows.All())
		window->Sink([&](DisplayEventSink& sink) { sink.WorkspaceChanged(previous, current); });
}

} // namespace BPrivate
