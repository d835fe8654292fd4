#include "display/x11/X11SelectionReader.h"

#include <string.h>

#include "display/x11/X11Connection.h"

namespace BPrivate {

X11SelectionReader::X11SelectionReader(X11Connection& connection, size_t maxSize)
    : fConnection(connection), fMaxSize(maxSize), fState(kIdle), fRequestor(XCB_WINDOW_NONE),
      fSelection(XCB_ATOM_NONE), fTarget(XCB_ATOM_NONE), fProperty(XCB_ATOM_NONE), fDeadline(0)
{
}

void X11SelectionReader::Start(xcb_window_t requestor, xcb_atom_t selection, xcb_atom_t target,
                               xcb_atom_t property, xcb_timestamp_t time)
{
	Reset();
	fRequestor = requestor;
	fSelection = selection;
	fTarget = target;
	fProperty = property;
	fState = kWaiting;
	fDeadline = system_time() + kStallTimeout;
	xcb_connection_t* c = fConnection.Connection();
	// Whatever an earlier transfer left there must not pass for this one.
	xcb_delete_property(c, requestor, property);
	xcb_convert_selection(c, requestor, selection, target, property, time);
	xcb_flush(c);
}

void X11SelectionReader::Reset()
{
	if ((fState == kWaiting || fState == kIncremental) && fRequestor != XCB_WINDOW_NONE) {
		xcb_delete_property(fConnection.Connection(), fRequestor, fProperty);
		xcb_flush(fConnection.Connection());
	}
	fState = kIdle;
	fRequestor = XCB_WINDOW_NONE;
	std::string().swap(fData);
}

std::string X11SelectionReader::TakeData()
{
	std::string data;
	data.swap(fData);
	return data;
}

void X11SelectionReader::_Fail()
{
	Reset();
	fState = kFailed;
}

bool X11SelectionReader::_ReadProperty(xcb_atom_t* type, std::string* bytes)
{
	xcb_connection_t* c = fConnection.Connection();
	// One byte more than allowed tells a property that is too large.
	uint32 longs = static_cast<uint32>((fMaxSize - fData.size()) / 4 + 1);
	auto reply = fConnection.Reply(xcb_get_property_reply,
	                               xcb_get_property(c, 1, fRequestor, fProperty,
	                                                XCB_GET_PROPERTY_TYPE_ANY, 0, longs));
	if (!reply || reply->bytes_after > 0)
		return false;
	*type = reply->type;
	int length = xcb_get_property_value_length(reply.get());
	if (length < 0 || fData.size() + size_t(length) > fMaxSize)
		return false;
	bytes->assign(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
	return true;
}

bool X11SelectionReader::HandleSelectionNotify(const xcb_selection_notify_event_t* event)
{
	if (fState != kWaiting || event->requestor != fRequestor || event->selection != fSelection)
		return false;
	if (event->property == XCB_ATOM_NONE || event->target != fTarget) {
		_Fail();
		return true;
	}
	xcb_atom_t type;
	std::string bytes;
	if (!_ReadProperty(&type, &bytes)) {
		_Fail();
		return true;
	}
	if (type == fConnection.Atoms().incr) {
		// The owner announced a lower bound of the size; pieces follow,
		// each as a new value of the (now deleted) property.
		uint32 announced = 0;
		if (bytes.size() >= 4)
			memcpy(&announced, bytes.data(), 4);
		if (announced > fMaxSize) {
			_Fail();
			return true;
		}
		fState = kIncremental;
		fDeadline = system_time() + kStallTimeout;
		return true;
	}
	fData.swap(bytes);
	fState = kDone;
	return true;
}

bool X11SelectionReader::HandlePropertyNotify(const xcb_property_notify_event_t* event)
{
	if (fState != kIncremental || event->window != fRequestor || event->atom != fProperty)
		return false;
	if (event->state != XCB_PROPERTY_NEW_VALUE)
		return true;
	xcb_atom_t type;
	std::string bytes;
	if (!_ReadProperty(&type, &bytes)) {
		_Fail();
		return true;
	}
	if (bytes.empty()) {
		fState = kDone;
		return true;
	}
	fData += bytes;
	fDeadline = system_time() + kStallTimeout;
	return true;
}

void X11SelectionReader::Tick(bigtime_t now)
{
	if ((fState == kWaiting || fState == kIncremental) && now >= fDeadline)
		_Fail();
}

} // namespace BPrivate
