#ifndef _X11_ATOMS_H
#define _X11_ATOMS_H

#include <xcb/xcb.h>

namespace BPrivate {

// The atoms the backend names, interned once per connection in a single batch
// of requests. Fixed after X11Connection::Open().
struct X11Atoms {
	xcb_atom_t utf8String;
	xcb_atom_t wmProtocols;
	xcb_atom_t wmDeleteWindow;
	xcb_atom_t wmTakeFocus;
	xcb_atom_t wmState;
	xcb_atom_t netWmName;
	xcb_atom_t netWmPid;
	xcb_atom_t netWmDesktop;
	xcb_atom_t netWmWindowType;
	xcb_atom_t netWmWindowTypeNormal;
	xcb_atom_t netWmWindowTypeDialog;
	xcb_atom_t netWmWindowTypePopupMenu;
	xcb_atom_t netWmWindowTypeDesktop;
	xcb_atom_t netWmState;
	xcb_atom_t netWmStateModal;
	xcb_atom_t netWmStateSkipTaskbar;
	xcb_atom_t netWmStateSkipPager;
	xcb_atom_t netWmStateSticky;
	xcb_atom_t netWmStateBelow;
	xcb_atom_t netActiveWindow;
	xcb_atom_t netCurrentDesktop;
	xcb_atom_t netNumberOfDesktops;
	xcb_atom_t netSupportingWmCheck;
	xcb_atom_t netFrameExtents;
	xcb_atom_t motifWmHints;
	// Drag and drop (XDND 5) and the selection transfers it uses.
	xcb_atom_t xdndAware;
	xcb_atom_t xdndEnter;
	xcb_atom_t xdndPosition;
	xcb_atom_t xdndStatus;
	xcb_atom_t xdndLeave;
	xcb_atom_t xdndDrop;
	xcb_atom_t xdndFinished;
	xcb_atom_t xdndSelection;
	xcb_atom_t xdndTypeList;
	xcb_atom_t xdndActionCopy;
	xcb_atom_t incr;
	xcb_atom_t targets;
	xcb_atom_t dragMessageType; // kDragMessageType
	xcb_atom_t uriListType;     // kUriListType
	xcb_atom_t dropProperty;    // where a drop's data is delivered to us
	xcb_atom_t showReplicants;  // kShowReplicantsProperty on the root
};

// Interns every atom of X11Atoms; returns false if the server refused any.
bool intern_atoms(xcb_connection_t* connection, X11Atoms* atoms);

} // namespace BPrivate

#endif
