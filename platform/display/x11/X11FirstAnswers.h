#ifndef _X11_FIRST_ANSWERS_H
#define _X11_FIRST_ANSWERS_H

#include <mutex>
#include <optional>

#include "display/x11/X11Screen.h"

namespace BPrivate {

class X11Connection;

// What a program's first window asks the server before it shows (the
// screen's frame to fit itself in, the replicant switch for its dragger),
// asked while the connection is still being prepared, so that the first
// window finds the replies waiting instead of making a round trip for each.
// Each answer serves the first caller only; later ones ask the server again,
// so a monitor or switch change is never missed for long.
//
// Any thread.
class X11FirstAnswers {
public:
	explicit X11FirstAnswers(X11Connection& connection) : fConnection(connection) {}
	// Drops the replies nobody took.
	~X11FirstAnswers();

	X11FirstAnswers(const X11FirstAnswers&) = delete;
	X11FirstAnswers& operator=(const X11FirstAnswers&) = delete;

	// Sends the requests; the connection's atoms must be known.
	void Ask();

	ScreenRect ScreenFrame();
	// False when no program has set the switch on this server yet.
	bool DraggersDrawn(bool* drawn);
	// The switch is about to change: the answer asked before is stale.
	void ForgetDraggersDrawn();

private:
	X11Connection& fConnection;
	std::mutex fLock; // leaf; guards what follows
	std::optional<X11ScreenFrameRequest> fScreenFrame;
	std::optional<xcb_get_property_cookie_t> fDraggersDrawn;
};

} // namespace BPrivate

#endif
