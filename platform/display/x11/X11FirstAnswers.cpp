#include "display/x11/X11FirstAnswers.h"

#include <utility>

#include "display/x11/X11Connection.h"
#include "display/x11/X11ReplicantSwitch.h"

namespace BPrivate {

X11FirstAnswers::~X11FirstAnswers()
{
	// XCB keeps an untaken reply until the connection closes.
	std::lock_guard<std::mutex> guard(fLock);
	if (fScreenFrame)
		x11_discard_screen_frame(fConnection, *fScreenFrame);
	if (fDraggersDrawn)
		xcb_discard_reply(fConnection.Connection(), fDraggersDrawn->sequence);
}

void X11FirstAnswers::Ask()
{
	std::lock_guard<std::mutex> guard(fLock);
	fScreenFrame = x11_request_screen_frame(fConnection);
	fDraggersDrawn = request_draggers_drawn(fConnection);
	xcb_flush(fConnection.Connection());
}

ScreenRect X11FirstAnswers::ScreenFrame()
{
	std::optional<X11ScreenFrameRequest> asked;
	{
		std::lock_guard<std::mutex> guard(fLock);
		asked = std::exchange(fScreenFrame, std::nullopt);
	}
	return asked ? x11_screen_frame_reply(fConnection, *asked) : x11_screen_frame(fConnection);
}

bool X11FirstAnswers::DraggersDrawn(bool* drawn)
{
	std::optional<xcb_get_property_cookie_t> asked;
	{
		std::lock_guard<std::mutex> guard(fLock);
		asked = std::exchange(fDraggersDrawn, std::nullopt);
	}
	return asked ? draggers_drawn_reply(fConnection, *asked, drawn)
	             : read_draggers_drawn(fConnection, drawn);
}

void X11FirstAnswers::ForgetDraggersDrawn()
{
	std::lock_guard<std::mutex> guard(fLock);
	if (fDraggersDrawn)
		xcb_discard_reply(fConnection.Connection(), fDraggersDrawn->sequence);
	fDraggersDrawn.reset();
}

} // namespace BPrivate
