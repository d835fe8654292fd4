#ifndef _X11_REPLICANT_SWITCH_H
#define _X11_REPLICANT_SWITCH_H

#include <xcb/xcb.h>

namespace BPrivate {

class X11Connection;

// The "show replicants" switch of every program on the display: a CARDINAL
// (1 shown, 0 hidden) on the root window, kShowReplicantsProperty. Every
// client already hears the root's property changes (X11Workspaces asks for
// them), so a change reaches all of them at once.
const char* const kShowReplicantsProperty = "_PL_SHOW_REPLICANTS";

// Any thread; a round trip. False when no program has set the switch on this
// server yet.
bool read_draggers_drawn(X11Connection& connection, bool* drawn);
// The same in two halves, for asking ahead of need: the reply half waits only
// if the answer has not arrived yet. A request whose reply is never taken
// must be discarded (xcb_discard_reply).
xcb_get_property_cookie_t request_draggers_drawn(X11Connection& connection);
bool draggers_drawn_reply(X11Connection& connection, xcb_get_property_cookie_t request,
                          bool* drawn);
void write_draggers_drawn(X11Connection& connection, bool drawn);

} // namespace BPrivate

#endif
