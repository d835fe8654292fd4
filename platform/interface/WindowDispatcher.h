#ifndef _WINDOW_DISPATCHER_H
#define _WINDOW_DISPATCHER_H

#include <Message.h>
#include <Point.h>
#include <SupportDefs.h>

#include <vector>

class BHandler;
class BView;
class BWindow;

namespace BPrivate {

// Turns the input the display posts into the window (window coordinates, no
// target) into the Be messages for the right view: hit-testing, the mouse
// event mask, transits, click counting and the focus view for keys. The
// target's filters run before its hook and may redirect or drop the message.
// Window thread only, with the window locked.
class WindowDispatcher {
public:
	WindowDispatcher(BWindow* window);

	// True when the message was input it handled.
	bool DispatchInput(BMessage* message);
	// A drag over the window (kMsgWindowDrag): mouse-moved messages with
	// "be:drag_message" and their transits while it passes, and the dropped
	// message posted to the view under the drop point.
	void DispatchDrag(BMessage* message);

	// Until every mouse button is up: B_POINTER_EVENTS sends all pointer
	// events to |view| alone, B_KEYBOARD_EVENTS the keys as well as to the
	// focus view. Options: B_LOCK_WINDOW_FOCUS keeps the keyboard with the
	// window, B_SUSPEND_VIEW_FOCUS keeps keys from the focus view,
	// B_NO_POINTER_HISTORY drops a mouse-moved when a newer one waits.
	status_t SetMouseEventMask(BView* view, uint32 mask, uint32 options);
	// Lasting (until changed, or the view leaves): |view| also gets every
	// pointer event and/or every key, wherever the pointer and the focus
	// are. A mask of 0 ends it. B_LOCK_WINDOW_FOCUS applies only to masks
	// that end with the mouse button.
	void SetEventMask(BView* view, uint32 mask, uint32 options);
	void ForgetView(BView* view);
	BView* LastMouseMovedView() const { return fLastMouseMoved; }

	// The deepest shown view under a window point; the top view when no other.
	BView* ViewAt(BPoint where) const;

private:
	void _MouseDown(BMessage* message, BPoint where);
	void _MouseUp(BMessage* message, BPoint where);
	void _MouseMoved(BMessage* message, BPoint where);
	void _Key(BMessage* message);
	void _Wheel(BMessage* message, BPoint where);
	void _Drop(BMessage* message, BPoint where);
	void _SendMoved(BView* view, BMessage* message, BPoint where, uint32 transit);
	// Runs the filters of *target and of whatever they redirect to; false when
	// one of them drops the message.
	bool _Filter(BMessage* message, BHandler** target);
	void _CallMouseHook(BMessage* message, BHandler* target);
	void _ReleaseMask();
	// The views with a lasting mask get pointer events too (other than
	// |handled|, which just had this one).
	void _SendToEventMasks(BMessage* message, BPoint where, BView* handled);
	void _DeliverKey(BMessage* message, BHandler* target);
	bool _FocusSuspended() const;
	// A mouse-moved newer than the one being handled waits in the queue,
	// with no press or release before it.
	bool _NewerMoveQueued() const;

	struct EventMask {
		BView* view;
		uint32 mask;
		uint32 options;
		bool hadPointer; // the pointer was inside the view at the last event
	};

	BWindow* fWindow;
	BView* fLastMouseMoved; // the view the pointer was last reported over
	BView* fMaskView;       // SetMouseEventMask(B_POINTER_EVENTS) holder
	uint32 fMaskOptions;
	bool fMaskViewHadPointer; // the pointer was inside fMaskView at the last event
	BView* fKeyMaskView;      // SetMouseEventMask(B_KEYBOARD_EVENTS) holder
	uint32 fKeyMaskOptions;
	std::vector<EventMask> fEventMasks; // SetEventMask() of attached views
	BMessage fDragMessage; // what the drag passing over the window carries
	bool fDragging;        // fDragMessage is valid

	// Click counting for "clicks".
	bigtime_t fLastClickTime;
	BPoint fLastClickWhere;
	int32 fLastClickButtons;
	int32 fClickCount;
};

} // namespace BPrivate

#endif
