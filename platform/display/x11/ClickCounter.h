#ifndef _CLICK_COUNTER_H
#define _CLICK_COUNTER_H

#include <SupportDefs.h>

namespace BPrivate {

// Counts multiple clicks: a press of the same buttons within the double-click
// interval of the previous press, and within a few pixels of it, continues
// the series ("clicks" 2, 3, ...); anything else starts a new one.
// Times are in microseconds, positions in screen pixels. Not locked.
class ClickCounter {
public:
	explicit ClickCounter(bigtime_t interval = 500000, int32 slop = 4)
	    : fInterval(interval), fSlop(slop)
	{
	}

	void SetInterval(bigtime_t interval) { fInterval = interval; }

	int32 Press(uint32 buttons, bigtime_t when, int32 x, int32 y);

	// A press elsewhere (another window, a wheel step) breaks the series.
	void Reset() { fClicks = 0; }

private:
	bigtime_t fInterval;
	int32 fSlop;
	int32 fClicks = 0;
	uint32 fButtons = 0;
	bigtime_t fWhen = 0;
	int32 fX = 0;
	int32 fY = 0;
};

} // namespace BPrivate

#endif
