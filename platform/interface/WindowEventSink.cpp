// From the display's events to the Be messages a window handles. Input goes
// to the window's top view in window coordinates; the window thread then
// finds the view it is for (WindowDispatcher).

#include "interface/WindowEventSink.h"

#include <AppDefs.h>
#include <Message.h>
#include <Region.h>
#include <string.h>

#include "app/LooperPrivate.h"
#include "interface/DropData.h"

namespace BPrivate {

WindowEventSink::WindowEventSink() : fWorkspaces(NULL), fTakesDrops(false), fDragValid(false) {}

void WindowEventSink::SetTargets(const BMessenger& window, const BMessenger& inputTarget,
                                 const std::atomic<uint32>* workspaces, bool takesDrops)
{
	fWindow = window;
	fInput = inputTarget;
	fWorkspaces = workspaces;
	fTakesDrops = takesDrops;
}

void WindowEventSink::MouseEvent(const DisplayMouseEvent& event)
{
	uint32 what;
	switch (event.type) {
		case kMouseDown:
			what = B_MOUSE_DOWN;
			break;
		case kMouseUp:
			what = B_MOUSE_UP;
			break;
		default:
			what = B_MOUSE_MOVED;
			break;
	}
	BMessage message(what);
	message.AddInt64("when", event.when);
	message.AddPoint("where", event.where);
	message.AddPoint("screen_where", event.screenWhere);
	message.AddInt32("buttons", static_cast<int32>(event.buttons));
	message.AddInt32("modifiers", static_cast<int32>(event.modifiers));
	if (what == B_MOUSE_DOWN)
		message.AddInt32("clicks", event.clicks > 0 ? event.clicks : 1);
	fInput.SendMessage(&message);
}

void WindowEventSink::WheelEvent(const DisplayWheelEvent& event)
{
	BMessage message(B_MOUSE_WHEEL_CHANGED);
	message.AddInt64("when", event.when);
	message.AddPoint("where", event.where);
	message.AddFloat("be:wheel_delta_x", event.deltaX);
	message.AddFloat("be:wheel_delta_y", event.deltaY);
	message.AddInt32("modifiers", static_cast<int32>(event.modifiers));
	fInput.SendMessage(&message);
}

void WindowEventSink::KeyEvent(const DisplayKeyEvent& event)
{
	BMessage message(event.down ? B_KEY_DOWN : B_KEY_UP);
	message.AddInt64("when", event.when);
	message.AddInt32("key", event.key);
	message.AddInt32("modifiers", static_cast<int32>(event.modifiers));
	// The backend's buffer is NUL-terminated within its size; never trust
	// more than that.
	size_t length = strnlen(event.bytes, sizeof(event.bytes) - 1);
	char bytes[sizeof(event.bytes)];
	memcpy(bytes, event.bytes, length);
	bytes[length] = '\0';
	for (size_t i = 0; i < length; i++)
		message.AddInt8("byte", static_cast<int8>(bytes[i]));
	message.AddString("bytes", bytes);
	message.AddInt32("raw_char", event.rawChar);
	if (event.repeat)
		message.AddInt32("be:key_repeat", 1);
	fInput.SendMessage(&message);
}

void WindowEventSink::FrameChanged(BRect frame, bool moved, bool resized)
{
	bigtime_t now = system_time();
	if (moved) {
		BMessage message(B_WINDOW_MOVED);
		message.AddInt64("when", now);
		message.AddPoint("where", frame.LeftTop());
		fWindow.SendMessage(&message);
	}
	if (resized) {
		BMessage message(B_WINDOW_RESIZED);
		message.AddInt64("when", now);
		message.AddInt32("width", static_cast<int32>(frame.Width()));
		message.AddInt32("height", static_cast<int32>(frame.Height()));
		fWindow.SendMessage(&message);
	}
}

void WindowEventSink::ActivationChanged(bool active)
{
	BMessage message(B_WINDOW_ACTIVATED);
	message.AddInt64("when", system_time());
	message.AddBool("active", active);
	fWindow.SendMessage(&message);
}

void WindowEventSink::CloseRequested()
{
	fWindow.SendMessage(B_QUIT_REQUESTED);
}

void WindowEventSink::Exposed(const BRegion& region)
{
	BMessage message(kMsgWindowExposed);
	for (int32 i = 0; i < region.CountRects(); i++)
		message.AddRect("rect", region.RectAt(i));
	fWindow.SendMessage(&message);
}

// Every window on the workspace left and on the one entered hears of it; a
// window on both hears twice.
void WindowEventSink::WorkspaceChanged(int32 previous, int32 current)
{
	uint32 workspaces = fWorkspaces != NULL ? fWorkspaces->load() : 0;
	bigtime_t now = system_time();
	const struct {
		int32 workspace;
		bool active;
	} changes[] = {{previous, false}, {current, true}};
	for (const auto& change : changes) {
		if (change.workspace < 0 || change.workspace >= 32 ||
		    (workspaces & (1u << change.workspace)) == 0)
			continue;
		BMessage message(B_WORKSPACE_ACTIVATED);
		message.AddInt64("when", now);
		message.AddInt32("workspace", change.workspace);
		message.AddBool("active", change.active);
		fWindow.SendMessage(&message);
	}
}

void WindowEventSink::ScreenChanged(BRect frame)
{
	BMessage message(B_SCREEN_CHANGED);
	message.AddInt64("when", system_time());
	message.AddRect("frame", frame);
	message.AddInt32("mode", B_RGB32);
	fWindow.SendMessage(&message);
}

const BMessage* WindowEventSink::_DragMessage(const DragPayloadRef& payload)
{
	if (payload == nullptr)
		return NULL;
	if (fConverted.lock() != payload) {
		fConverted = payload;
		fDragMessage.MakeEmpty();
		fDragValid = drop_message_from_payload(*payload, &fDragMessage) == B_OK;
	}
	return fDragValid ? &fDragMessage : NULL;
}

// Where in the dragged image the pointer is: the display knows it for drags of
// this process; from another program only the message says, and only within
// what an image can be.
BPoint WindowEventSink::_Offset(const DisplayDragEvent& event, const BMessage* dragged)
{
	BPoint offset;
	if (!event.sourceRemote || dragged == NULL ||
	    dragged->FindPoint("_drop_offset_", &offset) != B_OK)
		return event.offset;
	if (!(offset.x >= 0 && offset.x <= 16384 && offset.y >= 0 && offset.y <= 16384))
		return event.offset;
	return offset;
}

bool WindowEventSink::DragEvent(const DisplayDragEvent& event)
{
	if (!fTakesDrops)
		return false;
	const BMessage* dragged = NULL;
	if (event.phase != kDragExited) {
		dragged = _DragMessage(event.payload);
		// Data that is no message (garbled, of a type windows do not take) is
		// refused; a drag whose data has not arrived yet may still be taken.
		if (dragged == NULL && (event.payload != nullptr || event.phase == kDragDropped))
			return false;
	}

	BMessage message(kMsgWindowDrag);
	message.AddInt32("phase", event.phase);
	message.AddInt64("when", event.when);
	message.AddPoint("where", event.where);
	message.AddPoint("screen_where", event.screenWhere);
	message.AddPoint("offset", _Offset(event, dragged));
	message.AddInt32("buttons", static_cast<int32>(event.buttons));
	message.AddInt32("modifiers", static_cast<int32>(event.modifiers));
	message.AddBool("remote", event.sourceRemote);
	if (dragged != NULL && (event.phase == kDragDropped || fPosted.lock() != event.payload)) {
		if (message.AddMessage("message", dragged) != B_OK)
			return false;
		fPosted = event.payload;
	}
	if (event.phase == kDragDropped) {
		fPosted.reset();
		if (event.payload->replyTo.IsValid()) {
			message.AddInt32("reply_port", MessengerAccess::Port(event.payload->replyTo));
			message.AddInt32("reply_token", MessengerAccess::Token(event.payload->replyTo));
		}
	}
	if (event.phase == kDragExited)
		fPosted.reset();
	return fWindow.SendMessage(&message) == B_OK;
}

} // namespace BPrivate
