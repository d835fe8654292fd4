#include "display/x11/X11ReplicantSwitch.h"

#include "display/x11/X11Connection.h"

namespace BPrivate {

bool read_draggers_drawn(X11Connection& connection, bool* drawn)
{
	return draggers_drawn_reply(connection, request_draggers_drawn(connection), drawn);
}

xcb_get_property_cookie_t request_draggers_drawn(X11Connection& connection)
{
	return xcb_get_property(connection.Connection(), 0, connection.Root(),
	                        connection.Atoms().showReplicants, XCB_ATOM_CARDINAL, 0, 1);
}

bool draggers_drawn_reply(X11Connection& connection, xcb_get_property_cookie_t request, bool* drawn)
{
	auto reply = connection.Reply(xcb_get_property_reply, request);
	if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
		return false;
	*drawn = *(const uint32_t*) xcb_get_property_value(reply.get()) != 0;
	return true;
}

void write_draggers_drawn(X11Connection& connection, bool drawn)
{
	uint32_t value = drawn ? 1 : 0;
	xcb_change_property(connection.Connection(), XCB_PROP_MODE_REPLACE, connection.Root(),
	                    connection.Atoms().showReplicants, XCB_ATOM_CARDINAL, 32, 1, &value);
	xcb_flush(connection.Connection());
}

} // namespace BPrivate
