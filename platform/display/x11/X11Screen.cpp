#include "display/x11/X11Screen.h"

#include <xcb/randr.h>

#include "display/x11/X11Connection.h"

namespace BPrivate {

ScreenRect x11_root_frame(const X11Connection& connection)
{
	xcb_screen_t* screen = connection.Screen();
	ScreenRect frame = {0, 0, screen->width_in_pixels, screen->height_in_pixels};
	auto geometry = connection.Reply(xcb_get_geometry_reply,
	                                 xcb_get_geometry(connection.Connection(), connection.Root()));
	if (geometry && geometry->width > 0 && geometry->height > 0)
		frame = {0, 0, geometry->width, geometry->height};
	return frame;
}

ScreenRect x11_screen_frame(const X11Connection& connection)
{
	ScreenRect frame = x11_root_frame(connection);
	if (!connection.HasRandrMonitors())
		return frame;

	auto reply =
	    connection.Reply(xcb_randr_get_monitors_reply,
	                     xcb_randr_get_monitors(connection.Connection(), connection.Root(), 1));
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

} // namespace BPrivate
