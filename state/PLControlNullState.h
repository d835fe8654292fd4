#ifndef PL_CONTROL_NULL_STATE_H
#define PL_CONTROL_NULL_STATE_H

#include <Font.h>

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

	// Where the message's baseline starts in a view of |bounds|, for a text
	// |width| wide in a font of |height|: centred across, the baseline half
	// the text's height below the middle. Not rounded.
	static BPoint TextStart(BRect bounds, float width, const font_height& height);

private:
	PLControlNullState() {}
};

#endif
