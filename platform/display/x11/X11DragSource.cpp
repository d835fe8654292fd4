#include "display/x11/X11DragSource.h"

#include <OS.h>

#include <algorithm>

#include <xcb/xfixes.h>

#include "display/x11/BeDefs.h"
#include "display/x11/X11Connection.h"
#include "display/x11/X11Keyboard.h"
#include "display/x11/X11Pointer.h"
#include "display/x11/X11Window.h"
#include "display/x11/X11WindowRegistry.h"

namespace BPrivate {

namespace {

// The SHAPE extension's kinds, as XFixes takes them.
const uint8 kShapeBounding = 0;
const uint8 kShapeInput = 2;

// How long a target that took the drop may read the data before we stop
// serving it.
const bigtime_t kFinishTimeout = 10000000;
// A dragged image larger than this is shown as its outline.
const int32 kMaxImageSide = 512;

} // namespace

X11DragSource::X11DragSource(X11Connection& connection, X11WindowRegistry& windows,
                             X11Keyboard& keyboard, X11Pointer& pointer)
    : fConnection(connection), fWindows(windows), fKeyboard(keyboard), fPointer(pointer),
      fOwner(XCB_WINDOW_NONE), fActive(false), fSourceWindow(XCB_WINDOW_NONE),
      fFeedback(XCB_WINDOW_NONE), fTime(XCB_CURRENT_TIME), fAwaitingFinish(false),
      fFinishDeadline(0), fWriter(connection)
{
}

X11DragSource::~X11DragSource()
{
	xcb_connection_t* c = fConnection.Connection();
	if (fFeedback != XCB_WINDOW_NONE)
		xcb_destroy_window(c, fFeedback);
	if (fOwner != XCB_WINDOW_NONE)
		xcb_destroy_window(c, fOwner);
}

status_t X11DragSource::Start(X11Window* source, const DisplayDragStart& drag)
{
	if (source == nullptr || drag.payload == nullptr)
		return B_BAD_VALUE;
	int32 x, y;
	uint32 buttons = 0;
	if (!fPointer.Query(&x, &y, &buttons))
		return B_ERROR;
	// A drag lives while a button is held.
	if (buttons == 0)
		return B_NOT_ALLOWED;

	std::lock_guard<std::mutex> guard(fLock);
	xcb_connection_t* c = fConnection.Connection();
	if (fActive)
		_Cancel();
	if (fOwner == XCB_WINDOW_NONE) {
		fOwner = xcb_generate_id(c);
		uint32 overrideRedirect = 1;
		xcb_create_window(c, XCB_COPY_FROM_PARENT, fOwner, fConnection.Root(), -10, -10, 1, 1, 0,
		                  XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
		                  XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
	}
	fFeedback = _CreateFeedback(drag);
	if (fPointer.Grab(source->Id(), false, true) != B_OK) {
		xcb_destroy_window(c, fFeedback);
		fFeedback = XCB_WINDOW_NONE;
		xcb_flush(c);
		return B_ERROR;
	}
	xcb_set_selection_owner(c, fOwner, fConnection.Atoms().xdndSelection,
	                        fConnection.LastEventTime());
	fWriter.Serve(drag.payload);
	fDrag = drag;
	fActive = true;
	fSourceWindow = source->Id();
	fTarget = Target();
	fAwaitingFinish = false;
	_Moved(static_cast<int16>(x), static_cast<int16>(y), fConnection.LastEventTime());
	xcb_flush(c);
	return B_OK;
}

xcb_window_t X11DragSource::_CreateFeedback(const DisplayDragStart& drag)
{
	xcb_connection_t* c = fConnection.Connection();
	int32 width = std::clamp(drag.frame.IntegerWidth() + 1, 1, 4096);
	int32 height = std::clamp(drag.frame.IntegerHeight() + 1, 1, 4096);
	bool image = !drag.image.empty() && drag.imageWidth == width && drag.imageHeight == height &&
	             width <= kMaxImageSide && height <= kMaxImageSide;

	xcb_window_t window = xcb_generate_id(c);
	xcb_colormap_t colormap = fConnection.Colormap() != 0 ? fConnection.Colormap()
	                                                      : fConnection.Screen()->default_colormap;
	uint32 values[] = {fConnection.Screen()->black_pixel, 0, 1, colormap};
	xcb_create_window(c, fConnection.Depth(), window, fConnection.Root(),
	                  static_cast<int16>(drag.frame.left), static_cast<int16>(drag.frame.top),
	                  static_cast<uint16>(width), static_cast<uint16>(height), 0,
	                  XCB_WINDOW_CLASS_INPUT_OUTPUT, fConnection.Visual(),
	                  XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT |
	                      XCB_CW_COLORMAP,
	                  values);
	if (fConnection.HasXfixesCursor()) {
		// Never under the pointer as far as finding the target goes.
		xcb_xfixes_region_t none = xcb_generate_id(c);
		xcb_xfixes_create_region(c, none, 0, nullptr);
		xcb_xfixes_set_window_shape_region(c, window, kShapeInput, 0, 0, none);
		xcb_xfixes_destroy_region(c, none);
		if (!image) {
			// The rectangle's outline, one pixel wide.
			uint16 w = static_cast<uint16>(width), h = static_cast<uint16>(height);
			xcb_rectangle_t sides[] = {{0, 0, w, 1},
			                           {0, static_cast<int16>(h - 1), w, 1},
			                           {0, 0, 1, h},
			                           {static_cast<int16>(w - 1), 0, 1, h}};
			xcb_xfixes_region_t outline = xcb_generate_id(c);
			xcb_xfixes_create_region(c, outline, 4, sides);
			xcb_xfixes_set_window_shape_region(c, window, kShapeBounding, 0, 0, outline);
			xcb_xfixes_destroy_region(c, outline);
		}
	}
	if (image) {
		// The server paints the background itself on every exposure.
		xcb_pixmap_t pixmap = xcb_generate_id(c);
		xcb_create_pixmap(c, fConnection.Depth(), pixmap, window, width, height);
		xcb_gcontext_t gc = xcb_generate_id(c);
		xcb_create_gc(c, gc, pixmap, 0, nullptr);
		xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, width, height, 0, 0, 0,
		              fConnection.Depth(), drag.image.size() * 4,
		              reinterpret_cast<const uint8*>(drag.image.data()));
		xcb_change_window_attributes(c, window, XCB_CW_BACK_PIXMAP, &pixmap);
		xcb_free_gc(c, gc);
		xcb_free_pixmap(c, pixmap);
	}
	xcb_map_window(c, window);
	return window;
}

bool X11DragSource::HandleEvent(const xcb_generic_event_t* event)
{
	std::lock_guard<std::mutex> guard(fLock);
	uint8 type = event->response_type & 0x7f;
	switch (type) {
		case XCB_MOTION_NOTIFY: {
			if (!fActive)
				return false;
			auto motion = reinterpret_cast<const xcb_motion_notify_event_t*>(event);
			fConnection.NoteEventTime(motion->time);
			_Moved(motion->root_x, motion->root_y, motion->time);
			return true;
		}
		case XCB_BUTTON_PRESS:
			return fActive;
		case XCB_BUTTON_RELEASE: {
			if (!fActive)
				return false;
			auto release = reinterpret_cast<const xcb_button_release_event_t*>(event);
			fConnection.NoteEventTime(release->time);
			uint32 left = X11Pointer::ButtonsFromState(release->state) & ~be_button(release->detail);
			if (be_button(release->detail) != 0 && left == 0)
				_Released(release->root_x, release->root_y, release->time);
			return true;
		}
		case XCB_KEY_PRESS:
		case XCB_KEY_RELEASE: {
			if (!fActive)
				return false;
			auto key = reinterpret_cast<const xcb_key_press_event_t*>(event);
			bool repeat = false;
			TranslatedKey translated =
			    fKeyboard.HandleKey(key->detail, key->state, type == XCB_KEY_PRESS, &repeat);
			if (type == XCB_KEY_PRESS && translated.bytes[0] == 0x1b &&
			    translated.bytes[1] == '\0')
				_Cancel();
			return true;
		}
		case XCB_ENTER_NOTIFY:
		case XCB_LEAVE_NOTIFY:
			return fActive;
		case XCB_CLIENT_MESSAGE: {
			auto message = reinterpret_cast<const xcb_client_message_event_t*>(event);
			if (message->window != fOwner || fOwner == XCB_WINDOW_NONE || message->format != 32)
				return false;
			const X11Atoms& atoms = fConnection.Atoms();
			if (message->type == atoms.xdndStatus && message->data.data32[0] == fTarget.window &&
			    fActive) {
				fTarget.accepts = (message->data.data32[1] & 1) != 0;
				fTarget.statusPending = false;
				if (fTarget.moved)
					_SendPosition();
			} else if (message->type == atoms.xdndFinished && fAwaitingFinish &&
			           message->data.data32[0] == fTarget.window) {
				fAwaitingFinish = false;
				fTarget = Target();
				fWriter.Serve(nullptr);
			}
			return true;
		}
		case XCB_SELECTION_REQUEST:
			return fWriter.HandleSelectionRequest(
			    reinterpret_cast<const xcb_selection_request_event_t*>(event), fOwner);
		case XCB_SELECTION_CLEAR: {
			auto clear = reinterpret_cast<const xcb_selection_clear_event_t*>(event);
			if (clear->owner != fOwner || fOwner == XCB_WINDOW_NONE)
				return false;
			fWriter.Serve(nullptr);
			return true;
		}
		case XCB_PROPERTY_NOTIFY:
			return fWriter.HandlePropertyNotify(
			    reinterpret_cast<const xcb_property_notify_event_t*>(event));
		default:
			return false;
	}
}

void X11DragSource::Tick(bigtime_t now)
{
	std::lock_guard<std::mutex> guard(fLock);
	fWriter.Tick(now);
	if (fAwaitingFinish && now >= fFinishDeadline) {
		fAwaitingFinish = false;
		fTarget = Target();
		if (!fActive)
			fWriter.Serve(nullptr);
	}
	// The source window went away under the drag (its grab with it).
	if (fActive && !fWindows.Find(fSourceWindow))
		_Cancel();
}

void X11DragSource::_Moved(int16 rootX, int16 rootY, xcb_timestamp_t time)
{
	fRoot = BPoint(rootX, rootY);
	fTime = time;
	xcb_connection_t* c = fConnection.Connection();
	if (fFeedback != XCB_WINDOW_NONE) {
		int32 position[] = {rootX - static_cast<int32>(fDrag.offset.x),
		                    rootY - static_cast<int32>(fDrag.offset.y)};
		xcb_configure_window(c, fFeedback, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, position);
	}

	Target next;
	_FindTarget(rootX, rootY, &next);
	if (next.window != fTarget.window) {
		_Leave();
		fTarget = next;
		if (fTarget.window != XCB_WINDOW_NONE && !fTarget.local) {
			const X11Atoms& atoms = fConnection.Atoms();
			xcb_atom_t types[3] = {XCB_ATOM_NONE, XCB_ATOM_NONE, XCB_ATOM_NONE};
			int count = 0;
			for (const DragPayload::Offer& offer : fDrag.payload->offers) {
				if (count < 3 && offer.type == kDragMessageType)
					types[count++] = atoms.dragMessageType;
				else if (count < 3 && offer.type == kUriListType)
					types[count++] = atoms.uriListType;
			}
			_SendClientMessage(fTarget.window, atoms.xdndEnter, fTarget.version << 24, types[0],
			                   types[1], types[2]);
		}
	} else {
		fTarget.topLevel = next.topLevel;
	}
	if (fTarget.local)
		fTarget.accepts = _LocalEvent(kDragMoved);
	else if (fTarget.window != XCB_WINDOW_NONE) {
		if (fTarget.statusPending)
			fTarget.moved = true;
		else
			_SendPosition();
	}
	xcb_flush(c);
}

void X11DragSource::_Released(int16 rootX, int16 rootY, xcb_timestamp_t time)
{
	_Moved(rootX, rootY, time);
	_EndGrab();
	fActive = false;
	if (fTarget.local) {
		bool taken = fTarget.accepts && _LocalEvent(kDragDropped);
		if (!taken)
			_LocalEvent(kDragExited);
		fTarget = Target();
		fWriter.Serve(nullptr);
	} else if (fTarget.window != XCB_WINDOW_NONE) {
		if (fTarget.accepts) {
			_SendClientMessage(fTarget.window, fConnection.Atoms().xdndDrop, 0, time, 0, 0);
			fAwaitingFinish = true;
			fFinishDeadline = system_time() + kFinishTimeout;
		} else {
			_Leave();
			fTarget = Target();
			fWriter.Serve(nullptr);
		}
	} else {
		fWriter.Serve(nullptr);
		if (fDrag.unclaimed)
			fDrag.unclaimed(fRoot);
	}
	_SourceMouseUp(rootX, rootY);
	fDrag = DisplayDragStart();
	xcb_flush(fConnection.Connection());
}

void X11DragSource::_Cancel()
{
	_Leave();
	fTarget = Target();
	_EndGrab();
	fActive = false;
	fWriter.Serve(nullptr);
	fDrag = DisplayDragStart();
	// The buttons may still be down, but the source's press is over.
	_SourceMouseUp(static_cast<int16>(fRoot.x), static_cast<int16>(fRoot.y));
	xcb_flush(fConnection.Connection());
}

void X11DragSource::_EndGrab()
{
	fPointer.Ungrab();
	if (fFeedback != XCB_WINDOW_NONE) {
		xcb_destroy_window(fConnection.Connection(), fFeedback);
		fFeedback = XCB_WINDOW_NONE;
	}
}

void X11DragSource::_FindTarget(int16 rootX, int16 rootY, Target* target)
{
	xcb_connection_t* c = fConnection.Connection();
	xcb_window_t root = fConnection.Root();
	xcb_window_t window = root;
	// Down through the window manager's frames to the first window that
	// says it takes drops.
	for (int depth = 0; depth < 16; depth++) {
		auto reply = fConnection.Reply(xcb_translate_coordinates_reply,
		                               xcb_translate_coordinates(c, root, window, rootX, rootY));
		if (!reply || reply->child == XCB_WINDOW_NONE || reply->child == fFeedback)
			return;
		xcb_window_t child = reply->child;
		if (depth == 0)
			target->topLevel = child;
		if (std::shared_ptr<X11Window> local = fWindows.Find(child)) {
			if (local->IsPopUp())
				return;
			target->window = child;
			target->local = local;
			return;
		}
		uint32 version = _AwareVersion(child);
		if (version >= 3) {
			target->window = child;
			target->version = std::min<uint32>(version, 5);
			return;
		}
		window = child;
	}
}

uint32 X11DragSource::_AwareVersion(xcb_window_t window)
{
	xcb_connection_t* c = fConnection.Connection();
	auto reply = fConnection.Reply(
	    xcb_get_property_reply,
	    xcb_get_property(c, 0, window, fConnection.Atoms().xdndAware, XCB_ATOM_ATOM, 0, 1));
	if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
		return 0;
	return *static_cast<const uint32*>(xcb_get_property_value(reply.get()));
}

void X11DragSource::_Leave()
{
	if (fTarget.local)
		_LocalEvent(kDragExited);
	else if (fTarget.window != XCB_WINDOW_NONE)
		_SendClientMessage(fTarget.window, fConnection.Atoms().xdndLeave, 0, 0, 0, 0);
}

void X11DragSource::_SendPosition()
{
	uint32 packed = (static_cast<uint32>(static_cast<uint16>(fRoot.x)) << 16) |
	                static_cast<uint16>(fRoot.y);
	_SendClientMessage(fTarget.window, fConnection.Atoms().xdndPosition, 0, packed, fTime,
	                   fConnection.Atoms().xdndActionCopy);
	fTarget.statusPending = true;
	fTarget.moved = false;
}

void X11DragSource::_SendClientMessage(xcb_window_t to, xcb_atom_t type, uint32 d1, uint32 d2,
                                       uint32 d3, uint32 d4)
{
	xcb_client_message_event_t message = {};
	message.response_type = XCB_CLIENT_MESSAGE;
	message.format = 32;
	message.window = to;
	message.type = type;
	message.data.data32[0] = fOwner;
	message.data.data32[1] = d1;
	message.data.data32[2] = d2;
	message.data.data32[3] = d3;
	message.data.data32[4] = d4;
	xcb_send_event(fConnection.Connection(), 0, to, XCB_EVENT_MASK_NO_EVENT,
	               reinterpret_cast<const char*>(&message));
}

bool X11DragSource::_LocalEvent(drag_phase phase)
{
	if (!fTarget.local)
		return false;
	DisplayDragEvent drag;
	drag.phase = phase;
	drag.when = system_time();
	drag.screenWhere = fRoot;
	drag.where = fRoot - fTarget.local->Frame().LeftTop();
	drag.offset = fDrag.offset;
	drag.buttons = phase == kDragMoved ? B_PRIMARY_MOUSE_BUTTON : 0;
	drag.modifiers = 0;
	drag.sourceRemote = false;
	drag.payload = fDrag.payload;
	bool answer = false;
	fTarget.local->Sink([&](DisplayEventSink& sink) { answer = sink.DragEvent(drag); });
	return answer;
}

void X11DragSource::_SourceMouseUp(int16 rootX, int16 rootY)
{
	std::shared_ptr<X11Window> source = fWindows.Find(fSourceWindow);
	if (!source)
		return;
	DisplayMouseEvent mouse = {};
	mouse.type = kMouseUp;
	mouse.when = system_time();
	mouse.screenWhere = BPoint(rootX, rootY);
	mouse.where = mouse.screenWhere - source->Frame().LeftTop();
	mouse.buttons = 0;
	source->Sink([&](DisplayEventSink& sink) { sink.MouseEvent(mouse); });
}

} // namespace BPrivate
