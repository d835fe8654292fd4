#include "display/x11/X11Screen.h"

#include "display/x11/X11Connection.h"

namespace BPrivate {

namespace {

ScreenRect root_frame_reply(const X11Connection& connection, xcb_get_geometry_cookie_t cookie)
{
	xcb_screen_t* screen = connection.Screen();
	ScreenRect frame = {0, 0, screen->width_in_pixels, screen->height_in_pixels};
	auto geometry = connection.Reply(xcb_get_geometry_reply, cookie);
	if (geometry && geometry->width > 0 && geometry->height > 0)
		frame = {0, 0, geometry->width, geometry->height};
	return frame;
}

} // namespace

ScreenRect x11_root_frame(const X11Connection& connection)
{
	return root_frame_reply(connection,
	                        xcb_get_geometry(connection.Connection(), connection.Root()));
}

ScreenRect x11_screen_frame(const X11Connection& connection)
{
	return x11_screen_frame_reply(connection, x11_request_screen_frame(connection));
}

X11ScreenFrameRequest x11_request_screen_frame(const X11Connection& connection)
{
	X11ScreenFrameRequest request = {};
	request.geometry = xcb_get_geometry(connection.Connection(), connection.Root());
	request.askedMonitors = connection.HasRandrMonitors();
	if (request.askedMonitors)
		request.monitors = xcb_randr_get_monitors(connection.Connection(), connection.Root(), 1);
	return request;
}

ScreenRect x11_screen_frame_reply(const X11Connection& connection,
                                  const X11ScreenFrameRequest& request)
{
	ScreenRect frame = root_frame_reply(connection, request.geometry);
	if (!request.askedMonitors)
		return frame;

	auto reply = connection.Reply(xcb_randr_get_monitors_reply, request.monitors);
	if (!reply)
		return frame;
	bool found = false;
	for (xcb_randr_monitor_info_iterator_t monitors =
	         xcb_randr_get_monitors_monitors_iterator(reply.get());
	     monitors.rem > 0; xcb_randr_monitor_info_next(&monitors)) {
		const xcb_randr_monitor_info_t* monitor = monitors.data;
		if (monitor->width == 0 || monitor->height == 0)
			continue;
		if (!found || monitor->primary) {
			frame = {monitor->x, monitor->y, monitor->width, monitor->height};
			found = true;
		}
		if (monitor->primary)
			break;
	}
	return frame;
}

void x11_discard_screen_frame(const X11Connection& connection, const X11ScreenFrameRequest& request)
{
	xcb_discard_reply(connection.Connection(), request.geometry.sequence);
	if (request.askedMonitors)
		xcb_discard_reply(connection.Connection(), request.monitors.sequence);
}

} // namespace BPrivate
