#ifndef PL_CONTROL_STATE_H
#define PL_CONTROL_STATE_H

#include <Point.h>
#include <Rect.h>

class BMessage;
class PLControlView;

// How a viewing view draws and answers input. A state holds no data: it
// works on the view it is handed, so one object per state serves every view.
// This base draws the picture over black and scrolls it by dragging; the
// other hooks default to the replicant-capable view's or the platform's.
// States are singletons that live until the process ends.
class PLControlState {
public:
	virtual void AllAttached(PLControlView* view);
	virtual void AllDetached(PLControlView* view);
	virtual void FrameResized(PLControlView* view, float width, float height);
	virtual void Draw(PLControlView* view, BRect updateRect);
	virtual void KeyDown(PLControlView* view, const char* bytes, int32 numBytes);
	virtual void MouseDown(PLControlView* view, BPoint where);
	virtual void MouseMoved(PLControlView* view, BPoint where, uint32 transit,
	                        const BMessage* dragMessage);
	virtual void MouseUp(PLControlView* view, BPoint where);
	virtual void MessageReceived(PLControlView* view, BMessage* message);

protected:
	PLControlState() {}
	// Never destroyed, so never through a base pointer.
	~PLControlState() {}
};

#endif
