#include "display/x11/X11Workspaces.h"

#include "display/x11/X11Connection.h"
#include "display/x11/X11WindowProperties.h"

namespace BPrivate {

namespace {

const uint32 kAllDesktops = 0xFFFFFFFF;

} // namespace

X11Workspaces::X11Workspaces(X11Connection& connection)
    : fConnection(connection), fKnownCurrent(0), fKnownCount(1), fKnownWindowManager(false)
{
	// Root property changes tell of workspace switches. The root's event mask
	// is per client, so this takes nothing from the window manager.
	uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
	xcb_change_window_attributes(connection.Connection(), connection.Root(), XCB_CW_EVENT_MASK,
	                             &mask);
	// Read after asking for the changes, so that none is missed; asked all
	// at once, as the first window waits for them.
	const X11Atoms& atoms = fConnection.Atoms();
	xcb_get_property_cookie_t count = _AskRoot(atoms.netNumberOfDesktops, XCB_ATOM_CARDINAL);
	xcb_get_property_cookie_t current = _AskRoot(atoms.netCurrentDesktop, XCB_ATOM_CARDINAL);
	xcb_get_property_cookie_t manager = _AskRoot(atoms.netSupportingWmCheck, XCB_ATOM_WINDOW);
	fKnownCount = _CountFrom(count);
	fKnownCurrent = _CurrentFrom(current);
	fKnownWindowManager = _WindowManagerFrom(manager);
}

xcb_get_property_cookie_t X11Workspaces::_AskRoot(xcb_atom_t atom, xcb_atom_t type) const
{
	return xcb_get_property(fConnection.Connection(), 0, fConnection.Root(), atom, type, 0, 1);
}

int32 X11Workspaces::_CardinalFrom(xcb_get_property_cookie_t cookie, int32 fallback) const
{
	auto reply = fConnection.Reply(xcb_get_property_reply, cookie);
	if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
		return fallback;
	return (int32) * (const uint32*) xcb_get_property_value(reply.get());
}

bool X11Workspaces::_WindowManagerFrom(xcb_get_property_cookie_t cookie) const
{
	auto reply = fConnection.Reply(xcb_get_property_reply, cookie);
	return reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) >= 4;
}

int32 X11Workspaces::_CountFrom(xcb_get_property_cookie_t cookie) const
{
	int32 count = _CardinalFrom(cookie, 1);
	// The Be API knows 1 to 32 workspaces.
	return count < 1 ? 1 : (count > 32 ? 32 : count);
}

int32 X11Workspaces::_CurrentFrom(xcb_get_property_cookie_t cookie) const
{
	int32 current = _CardinalFrom(cookie, 0);
	return current < 0 || current >= Count() ? 0 : current;
}

bool X11Workspaces::HasWindowManager() const
{
	return _WindowManagerFrom(_AskRoot(fConnection.Atoms().netSupportingWmCheck, XCB_ATOM_WINDOW));
}

int32 X11Workspaces::_ReadCount() const
{
	return _CountFrom(_AskRoot(fConnection.Atoms().netNumberOfDesktops, XCB_ATOM_CARDINAL));
}

int32 X11Workspaces::Current() const
{
	return _CurrentFrom(_AskRoot(fConnection.Atoms().netCurrentDesktop, XCB_ATOM_CARDINAL));
}

void X11Workspaces::Activate(int32 index)
{
	if (index < 0 || index >= Count())
		return;
	x11_request_current_desktop(fConnection, (uint32) index, fConnection.LastEventTime());
	xcb_flush(fConnection.Connection());
}

void X11Workspaces::PlaceWindow(xcb_window_t window, uint32 workspaceMask, bool mapped)
{
	uint32 desktop;
	if (workspaceMask == 0)
		desktop = (uint32) Current();
	else if ((workspaceMask & (workspaceMask - 1)) != 0)
		desktop = kAllDesktops;
	else
		desktop = (uint32) __builtin_ctz(workspaceMask);

	if (mapped) {
		// A mapped window's desktop belongs to the window manager.
		x11_request_window_desktop(fConnection, window, desktop);
	} else {
		x11_set_window_desktop(fConnection, window, desktop);
	}
	xcb_flush(fConnection.Connection());
}

bool X11Workspaces::HandleRootProperty(xcb_atom_t atom, int32* previous, int32* current)
{
	if (atom == fConnection.Atoms().netSupportingWmCheck)
		fKnownWindowManager = HasWindowManager();
	if (atom == fConnection.Atoms().netNumberOfDesktops)
		fKnownCount = _ReadCount();
	if (atom != fConnection.Atoms().netCurrentDesktop)
		return false;
	int32 now = Current();
	std::lock_guard<std::mutex> guard(fLock);
	if (now == fKnownCurrent)
		return false;
	*previous = fKnownCurrent;
	*current = now;
	fKnownCurrent = now;
	return true;
}

} // namespace BPrivate
