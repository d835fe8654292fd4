#ifndef PL_CONTROL_NULL_STATE_H
#define PL_CONTROL_NULL_STATE_H

#include "state/PLControlState.h"

// The state of a restored view whose file could not be opened: it says so in
// its frame, "<file name> not found.", and ignores the mouse.
class PLControlNullState : public PLControlState {
public:
	static PLControlNullState* Instance();

	virtual void Draw(PLControlView* view, BRect updateRect);
	virtual void MouseDown(PLControlView* view, BPoint where);
	virtual void MouseMoved(PLControlView* view, BPoint where, uint32 transit,
	                        const BMessage* dragMessage);
	virtual void MouseUp(PLControlView* view, BPoint where);

private:
	PLControlNullState() {}
};

#endif
