#ifndef _WINDOW_EVENT_SINK_H
#define _WINDOW_EVENT_SINK_H

#include <Messenger.h>

#include <Message.h>

#include <atomic>
#include <memory>

#include "display/DisplayBackend.h"

class BWindow;

namespace BPrivate {

// A window's ear on the display: turns each backend event into the Be
// message and posts it into the window's queue. It runs in the display's
// event thread and never calls a hook, takes no window lock and never blocks.
class WindowEventSink : public DisplayEventSink {
public:
	WindowEventSink();

	// Window thread, before the surface is created: where messages go.
	// |inputTarget| gets the raw input (the window's top view).
	// |takesDrops|: the window is one that drops can land in (not a menu).
	void SetTargets(const BMessenger& window, const BMessenger& inputTarget,
	                const std::atomic<uint32>* workspaces, bool takesDrops);

	void MouseEvent(const DisplayMouseEvent& event) override;
	void WheelEvent(const DisplayWheelEvent& event) override;
	void KeyEvent(const DisplayKeyEvent& event) override;
	void FrameChanged(BRect frame, bool moved, bool resized) override;
	void ActivationChanged(bool active) override;
	void CloseRequested() override;
	void Exposed(const BRegion& region) override;
	void WorkspaceChanged(int32 previous, int32 current) override;
	void ScreenChanged(BRect frame) override;
	bool DragEvent(const DisplayDragEvent& event) override;

private:
	// The payload as a message, converted once per drag; NULL when it is
	// not one a window takes.
	const BMessage* _DragMessage(const DragPayloadRef& payload);
	static BPoint _Offset(const DisplayDragEvent& event, const BMessage* dragged);

	// Fixed before the surface exists, so the event thread only reads them.
	BMessenger fWindow;
	BMessenger fInput;
	const std::atomic<uint32>* fWorkspaces;
	bool fTakesDrops;

	// The display's thread only (drag events come one at a time).
	std::weak_ptr<const DragPayload> fConverted; // what fDragMessage was made from
	BMessage fDragMessage;
	bool fDragValid;
	// The payload whose message the window was last sent: later events of
	// the same drag leave it out.
	std::weak_ptr<const DragPayload> fPosted;
};

// A window handles these itself.
enum {
	// Pixels of the window the display lost: "rect" items, window coordinates.
	kMsgWindowExposed = '_EXP',
	// A drag over the window: "phase" int32 (drag_phase), "where" (window
	// coordinates), "screen_where", "offset", "buttons", "modifiers",
	// "remote" bool, "message" (the dragged message, when it changed) and
	// "reply_port" / "reply_token" (drops only, when the source is in this
	// process: where the drop's replies go).
	kMsgWindowDrag = '_DRG'
};

} // namespace BPrivate

#endif
