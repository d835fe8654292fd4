#ifndef _WINDOW_DISPATCHER_H
#define _WINDOW_DISPATCHER_H

#include <Point.h>
#include <SupportDefs.h>

class BHandler;
class BMessage;
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

	status_t SetMouseEventMask(BView* view, uint32 mask, uint32 options);
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
	void _SendMoved(BView* view, BMessage* message, BPoint where, uint32 transit);
	// Runs the filters of *target and of whatever they redirect to; false when
	// one of them drops the message.
	bool _Filter(BMessage* message, BHandler** target);
	void _CallMouseHook(BMessage* message, BHandler* target);
	void _ReleaseMask();

	BWindow* fWindow;
	BView* fLastMouseMoved; // the view the pointer was last reported over
	BView* fMaskView;       // SetMouseEventMask(B_POINTER_EVENTS) holder
	uint32 fMaskOptions;
	bool fMaskViewHadPointer; // the pointer was inside fMaskView at the last event

	// Click counting for "clicks".
	bigtime_t fLastClickTime;
	BPoint fLastClickWhere;
	int32 fLastClickButtons;
	int32 fClickCount;
};

} // namespace BPrivate

#endif
