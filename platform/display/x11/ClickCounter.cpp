#include "display/x11/ClickCounter.h"

#include <stdlib.h>

namespace BPrivate {

int32 ClickCounter::Press(uint32 buttons, bigtime_t when, int32 x, int32 y)
{
	bool continues = fClicks > 0 && buttons == fButtons && when >= fWhen &&
	                 when - fWhen <= fInterval && abs(x - fX) <= fSlop && abs(y - fY) <= fSlop;
	fClicks = continues ? fClicks + 1 : 1;
	fButtons = buttons;
	fWhen = when;
	// Distance counts from the first press of the series, so that a slow
	// drift cannot chain clicks across the screen.
	if (!continues) {
		fX = x;
		fY = y;
	}
	return fClicks;
}

} // namespace BPrivate
