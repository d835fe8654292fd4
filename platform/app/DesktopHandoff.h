#ifndef PLATFORM_APP_DESKTOP_HANDOFF_H
#define PLATFORM_APP_DESKTOP_HANDOFF_H

// Where a drop goes that no window took: to the desktop application, so that
// a picture dragged onto the bare desktop is never simply lost.

#include <Point.h>

class BMessage;

namespace BPrivate {

// The signature of the application that is the desktop.
extern const char kDesktopSignature[];

// Hands |drop| to the desktop application as a message dropped at
// |screenWhere| (screen coordinates; its drop offset is kept), starting the
// application when it does not run. Without a desktop application installed
// nothing happens, at once.
void hand_unclaimed_drop_to_desktop(BMessage* drop, BPoint screenWhere);

} // namespace BPrivate

#endif
