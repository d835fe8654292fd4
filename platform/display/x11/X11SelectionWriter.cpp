#include "display/x11/X11SelectionWriter.h"

#include <algorithm>

#include "display/x11/X11Connection.h"

namespace BPrivate {

// At most this many transfers run at once; further INCR requests are refused.
static const size_t kMaxTransfers = 8;

X11SelectionWriter::X11SelectionWriter(X11Connection& connection) : fConnection(connection) {}

void X11SelectionWriter::Serve(const DragPayloadRef& payload)
{
	fPayload = payload;
}

size_t X11SelectionWriter::_PieceSize() const
{
	// Well inside one request, whatever BIG-REQUESTS allows.
	return std::min<size_t>(fConnection.MaximumRequestBytes() / 4, 256 * 1024);
}

void X11SelectionWriter::_Notify(const xcb_selection_request_event_t* event, xcb_atom_t property)
{
	xcb_selection_notify_event_t notify = {};
	notify.response_type = XCB_SELECTION_NOTIFY;
	notify.time = event->time;
	notify.requestor = event->requestor;
	notify.selection = event->selection;
	notify.target = event->target;
	notify.property = property;
	xcb_send_event(fConnection.Connection(), 0, event->requestor, XCB_EVENT_MASK_NO_EVENT,
	               reinterpret_cast<const char*>(&notify));
	xcb_flush(fConnection.Connection());
}

bool X11SelectionWriter::HandleSelectionRequest(const xcb_selection_request_event_t* event,
                                                xcb_window_t owner)
{
	const X11Atoms& atoms = fConnection.Atoms();
	if (event->owner != owner || event->selection != atoms.xdndSelection)
		return false;
	// Clients of the old conventions give no property: the target's name.
	xcb_atom_t property = event->property != XCB_ATOM_NONE ? event->property : event->target;
	xcb_connection_t* c = fConnection.Connection();
	if (fPayload == nullptr) {
		_Notify(event, XCB_ATOM_NONE);
		return true;
	}

	if (event->target == atoms.targets) {
		std::vector<xcb_atom_t> types = {atoms.targets};
		for (const DragPayload::Offer& offer : fPayload->offers) {
			if (offer.type == kDragMessageType)
				types.push_back(atoms.dragMessageType);
			else if (offer.type == kUriListType)
				types.push_back(atoms.uriListType);
		}
		xcb_change_property(c, XCB_PROP_MODE_REPLACE, event->requestor, property, XCB_ATOM_ATOM,
		                    32, types.size(), types.data());
		_Notify(event, property);
		return true;
	}

	const DragPayload::Offer* offer = NULL;
	if (event->target == atoms.dragMessageType)
		offer = fPayload->Find(kDragMessageType);
	else if (event->target == atoms.uriListType)
		offer = fPayload->Find(kUriListType);
	if (offer == NULL) {
		_Notify(event, XCB_ATOM_NONE);
		return true;
	}

	const std::string& data = offer->data;
	if (data.size() <= _PieceSize()) {
		xcb_change_property(c, XCB_PROP_MODE_REPLACE, event->requestor, property, event->target,
		                    8, data.size(), data.data());
		_Notify(event, property);
		return true;
	}
	if (fTransfers.size() >= kMaxTransfers) {
		_Notify(event, XCB_ATOM_NONE);
		return true;
	}
	// INCR: announce the size, then a piece each time the requestor deleted
	// the property (it must hear our PropertyNotify, so we select it).
	uint32 events = XCB_EVENT_MASK_PROPERTY_CHANGE;
	xcb_change_window_attributes(c, event->requestor, XCB_CW_EVENT_MASK, &events);
	uint32 size = static_cast<uint32>(std::min<size_t>(data.size(), UINT32_MAX));
	xcb_change_property(c, XCB_PROP_MODE_REPLACE, event->requestor, property, atoms.incr, 32, 1,
	                    &size);
	fTransfers.push_back(Transfer{event->requestor, property, event->target, fPayload, &data, 0,
	                              system_time() + kStallTimeout});
	_Notify(event, property);
	return true;
}

bool X11SelectionWriter::HandlePropertyNotify(const xcb_property_notify_event_t* event)
{
	if (event->state != XCB_PROPERTY_DELETE)
		return false;
	for (size_t i = 0; i < fTransfers.size(); i++) {
		Transfer& transfer = fTransfers[i];
		if (transfer.requestor != event->window || transfer.property != event->atom)
			continue;
		size_t length = std::min(_PieceSize(), transfer.data->size() - transfer.offset);
		// The last piece is the empty one.
		xcb_change_property(fConnection.Connection(), XCB_PROP_MODE_REPLACE, transfer.requestor,
		                    transfer.property, transfer.type, 8, length,
		                    transfer.data->data() + transfer.offset);
		xcb_flush(fConnection.Connection());
		if (length == 0)
			fTransfers.erase(fTransfers.begin() + i);
		else {
			transfer.offset += length;
			transfer.deadline = system_time() + kStallTimeout;
		}
		return true;
	}
	return false;
}

void X11SelectionWriter::Tick(bigtime_t now)
{
	fTransfers.erase(std::remove_if(fTransfers.begin(), fTransfers.end(),
	                                [now](const Transfer& t) { return now >= t.deadline; }),
	                 fTransfers.end());
}

} // namespace BPrivate
