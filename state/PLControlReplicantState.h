#ifndef PL_CONTROL_REPLICANT_STATE_H
#define PL_CONTROL_REPLICANT_STATE_H

#include "state/PLControlState.h"

// The state of a view restored as a replicant. Its frame belongs to the host,
// so it zooms and scrolls inside that frame and never fits a window.
class PLControlReplicantState : public PLControlState {
public:
	static PLControlReplicantState* Instance();

	virtual void KeyDown(PLControlView* view, const char* bytes, int32 numBytes);
	virtual void MouseDown(PLControlView* view, BPoint where);
	virtual void MouseUp(PLControlView* view, BPoint where);

private:
	PLControlReplicantState() {}
};

#endif
