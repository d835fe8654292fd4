#ifndef _X11_SCREEN_H
#define _X11_SCREEN_H

#include <SupportDefs.h>

namespace BPrivate {

class X11Connection;

struct ScreenRect {
	int32 x, y, width, height;
};

// The main screen's frame: the primary RandR monitor (the first one when none
// is primary), else the root window. Asked from the server at each call, so
// it follows monitor changes.
ScreenRect x11_screen_frame(const X11Connection& connection);
// The root window, which spans every monitor; asked from the server, as the
// connection's setup tells only the size it had when we connected.
ScreenRect x11_root_frame(const X11Connection& connection);

} // namespace BPrivate

#endif
