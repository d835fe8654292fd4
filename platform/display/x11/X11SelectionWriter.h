#ifndef _X11_SELECTION_WRITER_H
#define _X11_SELECTION_WRITER_H

#include <vector>

#include <OS.h>
#include <xcb/xcb.h>

#include "display/DisplayDrag.h"

namespace BPrivate {

class X11Connection;

// Serves the XdndSelection while we own it: answers SelectionRequest with
// TARGETS or the payload's data in the type asked for, in pieces (INCR) when
// larger than one request should carry. Never waits for a requestor: each
// piece goes out when the requestor deleted the last one, and a requestor
// that stops reading is forgotten at a deadline. Event thread only.
class X11SelectionWriter {
public:
	explicit X11SelectionWriter(X11Connection& connection);

	// What requests are answered with from now on (NULL: refused).
	void Serve(const DragPayloadRef& payload);
	const DragPayloadRef& Serving() const { return fPayload; }

	// True when the event was for us.
	bool HandleSelectionRequest(const xcb_selection_request_event_t* event, xcb_window_t owner);
	bool HandlePropertyNotify(const xcb_property_notify_event_t* event);
	void Tick(bigtime_t now);

	static const bigtime_t kStallTimeout = 3000000;

private:
	struct Transfer {
		xcb_window_t requestor;
		xcb_atom_t property;
		xcb_atom_t type;
		DragPayloadRef payload; // keeps the bytes while they go out
		const std::string* data;
		size_t offset;
		bigtime_t deadline;
	};

	size_t _PieceSize() const;
	void _Notify(const xcb_selection_request_event_t* event, xcb_atom_t property);

	X11Connection& fConnection;
	DragPayloadRef fPayload;
	std::vector<Transfer> fTransfers;
};

} // namespace BPrivate

#endif
