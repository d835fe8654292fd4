#ifndef _CLICK_COUNTER_H
#define _CLICK_COUNTER_H

#include <Point.h>
#include <SupportDefs.h>

namespace BPrivate {

// Counts quick repeated presses of the same buttons at about the same place
// (the "clicks" of B_MOUSE_DOWN), for every backend alike.
class ClickCounter {
public:
	static const bigtime_t kInterval = 500000; // the Be default double-click speed
	static constexpr float kSlop = 4;          // pixels the pointer may wander

	int32 Press(bigtime_t when, BPoint screenWhere, uint32 buttons)
	{
		bool again = fCount > 0 && buttons == fButtons && when - fWhen <= kInterval &&
		             when >= fWhen && fabsf(screenWhere.x - fWhere.x) <= kSlop &&
		             fabsf(screenWhere.y - fWhere.y) <= kSlop;
		fCount = again ? fCount + 1 : 1;
		fWhen = when;
		fWhere = screenWhere;
		fButtons = buttons;
		return fCount;
	}
	void Reset() { fCount = 0; }

private:
	static float fabsf(float value) { return value < 0 ? -value : value; }

	bigtime_t fWhen = 0;
	BPoint fWhere;
	uint32 fButtons = 0;
	int32 fCount = 0;
};

} // namespace BPrivate

#endif
