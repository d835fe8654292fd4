#include "display/x11/X11WindowProperties.h"

#include <ctype.h>
#include <string.h>
#include <unistd.h>

#include <initializer_list>

#include "display/x11/X11Connection.h"

namespace BPrivate {

void x11_set_title(X11Connection& connection, xcb_window_t window, const char* title)
{
	if (title == nullptr)
		title = "";
	xcb_connection_t* c = connection.Connection();
	uint32 length = (uint32) strlen(title);
	// _NET_WM_NAME is what EWMH window managers show (UTF-8); WM_NAME, typed
	// UTF8_STRING as most toolkits do, for the others.
	xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, connection.Atoms().netWmName,
	                    connection.Atoms().utf8String, 8, length, title);
	xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
	                    connection.Atoms().utf8String, 8, length, title);
	xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_ICON_NAME,
	                    connection.Atoms().utf8String, 8, length, title);
}

void x11_set_identity(X11Connection& connection, xcb_window_t window, const char* className,
                      X11WindowRole role, xcb_window_t transientFor)
{
	xcb_connection_t* c = connection.Connection();
	const X11Atoms& atoms = connection.Atoms();

	if (className == nullptr || className[0] == '\0')
		className = "application";
	// WM_CLASS is "instance\0class\0".
	char wmClass[256];
	size_t length = strnlen(className, 120);
	memcpy(wmClass, className, length);
	wmClass[length] = '\0';
	memcpy(wmClass + length + 1, className, length);
	wmClass[length + 1] = (char) toupper((unsigned char) wmClass[length + 1]);
	wmClass[2 * length + 1] = '\0';
	xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
	                    (uint32) (2 * length + 2), wmClass);

	uint32 pid = (uint32) getpid();
	xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atoms.netWmPid, XCB_ATOM_CARDINAL, 32, 1,
	                    &pid);
	char host[256] = {};
	if (gethostname(host, sizeof(host) - 1) == 0) {
		xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLIENT_MACHINE,
		                    XCB_ATOM_STRING, 8, (uint32) strlen(host), host);
	}

	xcb_atom_t protocols[] = {atoms.wmDeleteWindow};
	xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atoms.wmProtocols, XCB_ATOM_ATOM, 32, 1,
	                    protocols);

	xcb_atom_t type = atoms.netWmWindowTypeNormal;
	switch (role) {
		case X11WindowRole::kDialog:
			type = atoms.netWmWindowTypeDialog;
			break;
		case X11WindowRole::kPopUp:
			type = atoms.netWmWindowTypePopupMenu;
			break;
		case X11WindowRole::kDesktop:
			type = atoms.netWmWindowTypeDesktop;
			break;
		default:
			break;
	}
	xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atoms.netWmWindowType, XCB_ATOM_ATOM, 32,
	                    1, &type);

	if (role == X11WindowRole::kDialog) {
		xcb_window_t owner = transientFor != XCB_WINDOW_NONE ? transientFor : connection.Root();
		xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_TRANSIENT_FOR,
		                    XCB_ATOM_WINDOW, 32, 1, &owner);
		xcb_atom_t state[] = {atoms.netWmStateModal};
		xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atoms.netWmState, XCB_ATOM_ATOM, 32,
		                    1, state);
	}
	if (role == X11WindowRole::kDesktop) {
		// Window managers keep a desktop-type window under the others and out
		// of task bars on their own; the states say so to those that do not.
		xcb_atom_t state[] = {atoms.netWmStateSticky, atoms.netWmStateSkipTaskbar,
		                      atoms.netWmStateSkipPager, atoms.netWmStateBelow};
		xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atoms.netWmState, XCB_ATOM_ATOM, 32,
		                    4, state);
	}
	if (role == X11WindowRole::kBorderless || role == X11WindowRole::kDesktop) {
		// _MOTIF_WM_HINTS with no decorations: the one convention every window
		// manager in use honours for a borderless window.
		uint32 hints[5] = {2, 0, 0, 0, 0}; // flags: decorations given; decorations: none
		xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atoms.motifWmHints,
		                    atoms.motifWmHints, 32, 5, hints);
	}
}

namespace {

// WM_NORMAL_HINTS: the flags and seventeen fields of 32 bits each.
enum : uint32 {
	kUserPosition = 1u << 0,
	kUserSize = 1u << 1,
	kProgramPosition = 1u << 2,
	kProgramSize = 1u << 3,
	kMinimumSize = 1u << 4,
	kMaximumSize = 1u << 5,
	kWindowGravity = 1u << 9,
};

struct SizeHintsProperty {
	uint32 flags;
	int32 x, y, width, height;
	int32 minWidth, minHeight, maxWidth, maxHeight;
	int32 widthIncrement, heightIncrement;
	int32 minAspectNumerator, minAspectDenominator, maxAspectNumerator, maxAspectDenominator;
	int32 baseWidth, baseHeight;
	uint32 windowGravity;
};
static_assert(sizeof(SizeHintsProperty) == 18 * 4);

const uint32 kSourceApplication = 1;

void send_root_message(X11Connection& connection, xcb_window_t window, xcb_atom_t type,
                       std::initializer_list<uint32> data)
{
	xcb_client_message_event_t event = {};
	event.response_type = XCB_CLIENT_MESSAGE;
	event.format = 32;
	event.window = window;
	event.type = type;
	int i = 0;
	for (uint32 value : data)
		event.data.data32[i++] = value;
	xcb_send_event(connection.Connection(), 0, connection.Root(),
	               XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
	               reinterpret_cast<const char*>(&event));
}

} // namespace

void x11_set_size_hints(X11Connection& connection, xcb_window_t window, const X11SizeHints& hints)
{
	SizeHintsProperty property = {};
	// Both the user and the program flags: some window managers honour only one.
	property.flags = kUserPosition | kUserSize | kProgramPosition | kProgramSize | kWindowGravity;
	property.x = hints.x;
	property.y = hints.y;
	property.width = hints.width;
	property.height = hints.height;
	property.windowGravity = XCB_GRAVITY_STATIC;
	if (hints.minWidth > 0 || hints.minHeight > 0) {
		property.flags |= kMinimumSize;
		property.minWidth = hints.minWidth > 0 ? hints.minWidth : 1;
		property.minHeight = hints.minHeight > 0 ? hints.minHeight : 1;
	}
	if (hints.maxWidth > 0 || hints.maxHeight > 0) {
		property.flags |= kMaximumSize;
		property.maxWidth = hints.maxWidth > 0 ? hints.maxWidth : 32767;
		property.maxHeight = hints.maxHeight > 0 ? hints.maxHeight : 32767;
	}
	xcb_change_property(connection.Connection(), XCB_PROP_MODE_REPLACE, window,
	                    XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18, &property);
}

void x11_request_active_window(X11Connection& connection, xcb_window_t window,
                               xcb_timestamp_t time)
{
	// No window of ours is known to be active: the third field stays None.
	send_root_message(connection, window, connection.Atoms().netActiveWindow,
	                  {kSourceApplication, time, XCB_WINDOW_NONE});
}

void x11_request_current_desktop(X11Connection& connection, uint32 desktop, xcb_timestamp_t time)
{
	send_root_message(connection, connection.Root(), connection.Atoms().netCurrentDesktop,
	                  {desktop, time});
}

void x11_request_window_desktop(X11Connection& connection, xcb_window_t window, uint32 desktop)
{
	send_root_message(connection, window, connection.Atoms().netWmDesktop,
	                  {desktop, kSourceApplication});
}

void x11_set_window_desktop(X11Connection& connection, xcb_window_t window, uint32 desktop)
{
	xcb_change_property(connection.Connection(), XCB_PROP_MODE_REPLACE, window,
	                    connection.Atoms().netWmDesktop, XCB_ATOM_CARDINAL, 32, 1, &desktop);
}

bool x11_content_frame(const X11Connection& connection, xcb_window_t window, int32* x, int32* y,
                       int32* width, int32* height)
{
	xcb_connection_t* c = connection.Connection();
	xcb_get_geometry_cookie_t geometryCookie = xcb_get_geometry(c, window);
	xcb_translate_coordinates_cookie_t originCookie =
	    xcb_translate_coordinates(c, window, connection.Root(), 0, 0);
	auto geometry = connection.Reply(xcb_get_geometry_reply, geometryCookie);
	auto origin = connection.Reply(xcb_translate_coordinates_reply, originCookie);
	if (!geometry || !origin)
		return false;
	*x = origin->dst_x;
	*y = origin->dst_y;
	*width = geometry->width;
	*height = geometry->height;
	return true;
}

bool x11_read_text_property(const X11Connection& connection, xcb_window_t window,
                            xcb_atom_t property, char* buffer, size_t size)
{
	if (size == 0)
		return false;
	auto reply =
	    connection.Reply(xcb_get_property_reply,
	                     xcb_get_property(connection.Connection(), 0, window, property,
	                                      XCB_GET_PROPERTY_TYPE_ANY, 0, (uint32) (size / 4 + 1)));
	if (!reply || reply->format != 8)
		return false;
	size_t length = (size_t) xcb_get_property_value_length(reply.get());
	if (length >= size)
		length = size - 1;
	memcpy(buffer, xcb_get_property_value(reply.get()), length);
	buffer[length] = '\0';
	return true;
}

} // namespace BPrivate
