#ifndef _X11_DROP_TARGET_H
#define _X11_DROP_TARGET_H

#include <memory>

#include <Point.h>
#include <xcb/xcb.h>

#include "display/DisplayDrag.h"
#include "display/x11/X11SelectionReader.h"

namespace BPrivate {

class X11Connection;
class X11Window;
class X11WindowRegistry;

// The receiving end of XDND for drags from other programs: answers
// XdndEnter/Position/Leave/Drop sent to our windows, fetches the data (the
// platform's message type, else text/uri-list) through the XdndSelection and
// hands the window's sink the same drag events a drag within the process
// gives. Never waits for the source: a source that stops answering fails the
// drop at the reader's deadline, and the window hears only that the drag
// left. Event thread only.
class X11DropTarget {
public:
	X11DropTarget(X11Connection& connection, X11WindowRegistry& windows);

	// True when the event was XDND's (or its transfer's).
	bool HandleClientMessage(const xcb_client_message_event_t* event);
	bool HandleSelectionNotify(const xcb_selection_notify_event_t* event);
	bool HandlePropertyNotify(const xcb_property_notify_event_t* event);
	void Tick(bigtime_t now);

private:
	void _Enter(const xcb_client_message_event_t* event);
	void _Position(const xcb_client_message_event_t* event);
	void _Leave(const xcb_client_message_event_t* event);
	void _Drop(const xcb_client_message_event_t* event);
	// The reader finished or failed: the data becomes the payload, and a
	// drop that waited for it is delivered or refused.
	void _TransferEnded();
	// Tells the window where the drag is; returns its answer.
	bool _Report(drag_phase phase);
	void _SendStatus();
	void _Finish(bool accepted);
	void _End();

	X11Connection& fConnection;
	X11WindowRegistry& fWindows;
	X11SelectionReader fReader;

	// The drag in progress over one of our windows (one at a time: there is
	// one pointer).
	bool fActive;
	xcb_window_t fSource;
	xcb_window_t fTarget;
	std::shared_ptr<X11Window> fWindow;
	xcb_atom_t fType; // what we fetch; XCB_ATOM_NONE when nothing offered fits
	BPoint fRoot;     // the last position
	bool fPositioned;
	bool fAccepted;    // the window's last answer
	bool fDropPending; // XdndDrop came before the data
	DragPayloadRef fPayload;
};

} // namespace BPrivate

#endif
