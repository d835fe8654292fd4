#include "display/x11/X11Atoms.h"

#include <stdlib.h>
#include <string.h>

#include <iterator>

#include "display/DisplayDrag.h"
#include "display/x11/X11ReplicantSwitch.h"

namespace BPrivate {

namespace {

struct AtomName {
	const char* name;
	xcb_atom_t X11Atoms::*field;
};

const AtomName kAtomNames[] = {
    {"UTF8_STRING", &X11Atoms::utf8String},
    {"WM_PROTOCOLS", &X11Atoms::wmProtocols},
    {"WM_DELETE_WINDOW", &X11Atoms::wmDeleteWindow},
    {"WM_TAKE_FOCUS", &X11Atoms::wmTakeFocus},
    {"WM_STATE", &X11Atoms::wmState},
    {"_NET_WM_NAME", &X11Atoms::netWmName},
    {"_NET_WM_PID", &X11Atoms::netWmPid},
    {"_NET_WM_DESKTOP", &X11Atoms::netWmDesktop},
    {"_NET_WM_WINDOW_TYPE", &X11Atoms::netWmWindowType},
    {"_NET_WM_WINDOW_TYPE_NORMAL", &X11Atoms::netWmWindowTypeNormal},
    {"_NET_WM_WINDOW_TYPE_DIALOG", &X11Atoms::netWmWindowTypeDialog},
    {"_NET_WM_WINDOW_TYPE_POPUP_MENU", &X11Atoms::netWmWindowTypePopupMenu},
    {"_NET_WM_WINDOW_TYPE_DESKTOP", &X11Atoms::netWmWindowTypeDesktop},
    {"_NET_WM_STATE", &X11Atoms::netWmState},
    {"_NET_WM_STATE_MODAL", &X11Atoms::netWmStateModal},
    {"_NET_WM_STATE_SKIP_TASKBAR", &X11Atoms::netWmStateSkipTaskbar},
    {"_NET_WM_STATE_SKIP_PAGER", &X11Atoms::netWmStateSkipPager},
    {"_NET_WM_STATE_STICKY", &X11Atoms::netWmStateSticky},
    {"_NET_WM_STATE_BELOW", &X11Atoms::netWmStateBelow},
    {"_NET_ACTIVE_WINDOW", &X11Atoms::netActiveWindow},
    {"_NET_CURRENT_DESKTOP", &X11Atoms::netCurrentDesktop},
    {"_NET_NUMBER_OF_DESKTOPS", &X11Atoms::netNumberOfDesktops},
    {"_NET_SUPPORTING_WM_CHECK", &X11Atoms::netSupportingWmCheck},
    {"_NET_FRAME_EXTENTS", &X11Atoms::netFrameExtents},
    {"_MOTIF_WM_HINTS", &X11Atoms::motifWmHints},
    {"XdndAware", &X11Atoms::xdndAware},
    {"XdndEnter", &X11Atoms::xdndEnter},
    {"XdndPosition", &X11Atoms::xdndPosition},
    {"XdndStatus", &X11Atoms::xdndStatus},
    {"XdndLeave", &X11Atoms::xdndLeave},
    {"XdndDrop", &X11Atoms::xdndDrop},
    {"XdndFinished", &X11Atoms::xdndFinished},
    {"XdndSelection", &X11Atoms::xdndSelection},
    {"XdndTypeList", &X11Atoms::xdndTypeList},
    {"XdndActionCopy", &X11Atoms::xdndActionCopy},
    {"INCR", &X11Atoms::incr},
    {"TARGETS", &X11Atoms::targets},
    {kDragMessageType, &X11Atoms::dragMessageType},
    {kUriListType, &X11Atoms::uriListType},
    {"_PL_DROP_DATA", &X11Atoms::dropProperty},
    {kShowReplicantsProperty, &X11Atoms::showReplicants},
};

} // namespace

bool intern_atoms(xcb_connection_t* connection, X11Atoms* atoms)
{
	constexpr size_t count = std::size(kAtomNames);
	xcb_intern_atom_cookie_t cookies[count];
	for (size_t i = 0; i < count; i++) {
		cookies[i] = xcb_intern_atom(connection, 0, (uint16_t) strlen(kAtomNames[i].name),
		                             kAtomNames[i].name);
	}
	bool ok = true;
	for (size_t i = 0; i < count; i++) {
		xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookies[i], nullptr);
		if (reply == nullptr || reply->atom == XCB_ATOM_NONE)
			ok = false;
		else
			atoms->*(kAtomNames[i].field) = reply->atom;
		free(reply);
	}
	return ok;
}

} // namespace BPrivate
