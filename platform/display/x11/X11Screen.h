#ifndef _X11_SCREEN_H
#define _X11_SCREEN_H

#include <xcb/randr.h>
#include <xcb/xcb.h>

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

// x11_screen_frame in two halves, for asking ahead of need: the requests go
// out at once, and the reply half (any thread, once) waits only for what has
// not arrived yet. A request whose reply is never taken must be discarded.
struct X11ScreenFrameRequest {
	xcb_get_geometry_cookie_t geometry;
	xcb_randr_get_monitors_cookie_t monitors;
	bool askedMonitors;
};
X11ScreenFrameRequest x11_request_screen_frame(const X11Connection& connection);
ScreenRect x11_screen_frame_reply(const X11Connection& connection,
                                  const X11ScreenFrameRequest& request);
void x11_discard_screen_frame(const X11Connection& connection,
                              const X11ScreenFrameRequest& request);

} // namespace BPrivate

#endif
