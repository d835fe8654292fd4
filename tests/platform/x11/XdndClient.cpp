#include "XdndClient.h"

#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <algorithm>

XdndClient::XdndClient()
{
	fConnection = xcb_connect(nullptr, nullptr);
	if (xcb_connection_has_error(fConnection)) {
		xcb_disconnect(fConnection);
		fConnection = nullptr;
		return;
	}
	xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(fConnection)).data;
	fWindow = xcb_generate_id(fConnection);
	uint32_t values[] = {1, XCB_EVENT_MASK_PROPERTY_CHANGE};
	xcb_create_window(fConnection, XCB_COPY_FROM_PARENT, fWindow, screen->root, -20, -20, 10, 10,
	                  0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
	                  XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
	xcb_flush(fConnection);
}

XdndClient::~XdndClient()
{
	for (xcb_generic_event_t* event : fPending)
		free(event);
	if (fConnection != nullptr)
		xcb_disconnect(fConnection);
}

xcb_atom_t XdndClient::Atom(const char* name)
{
	xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
	    fConnection, xcb_intern_atom(fConnection, 0, strlen(name), name), nullptr);
	xcb_atom_t atom = reply != nullptr ? reply->atom : (xcb_atom_t) XCB_ATOM_NONE;
	free(reply);
	return atom;
}

void XdndClient::_Send(xcb_window_t target, const char* type, uint32_t d1, uint32_t d2,
                       uint32_t d3, uint32_t d4)
{
	xcb_client_message_event_t message = {};
	message.response_type = XCB_CLIENT_MESSAGE;
	message.format = 32;
	message.window = target;
	message.type = Atom(type);
	message.data.data32[0] = fWindow;
	message.data.data32[1] = d1;
	message.data.data32[2] = d2;
	message.data.data32[3] = d3;
	message.data.data32[4] = d4;
	xcb_send_event(fConnection, 0, target, XCB_EVENT_MASK_NO_EVENT, (const char*) &message);
	xcb_flush(fConnection);
}

void XdndClient::Enter(xcb_window_t target, const std::vector<std::string>& types)
{
	// A new drag: whatever the last one left unread is stale.
	for (xcb_generic_event_t* event : fPending)
		free(event);
	fPending.clear();
	xcb_set_selection_owner(fConnection, fWindow, Atom("XdndSelection"), XCB_CURRENT_TIME);
	std::vector<xcb_atom_t> atoms;
	for (const std::string& type : types)
		atoms.push_back(Atom(type.c_str()));
	if (atoms.size() > 3) {
		xcb_change_property(fConnection, XCB_PROP_MODE_REPLACE, fWindow, Atom("XdndTypeList"),
		                    XCB_ATOM_ATOM, 32, atoms.size(), atoms.data());
	}
	atoms.resize(std::max<size_t>(atoms.size(), 3), XCB_ATOM_NONE);
	_Send(target, "XdndEnter", (5u << 24) | (types.size() > 3 ? 1 : 0), atoms[0], atoms[1],
	      atoms[2]);
}

void XdndClient::Position(xcb_window_t target, int x, int y)
{
	_Send(target, "XdndPosition", 0, ((uint32_t) x << 16) | (uint32_t) y, XCB_CURRENT_TIME,
	      Atom("XdndActionCopy"));
}

void XdndClient::Leave(xcb_window_t target)
{
	_Send(target, "XdndLeave", 0, 0, 0, 0);
}

void XdndClient::Drop(xcb_window_t target)
{
	_Send(target, "XdndDrop", 0, XCB_CURRENT_TIME, 0, 0);
}

bool XdndClient::_Pump(const std::function<bool(xcb_generic_event_t*)>& handled, double seconds)
{
	timespec start;
	clock_gettime(CLOCK_MONOTONIC, &start);
	// Events another wait did not want stay for the next.
	for (size_t i = 0; i < fPending.size(); i++) {
		if (handled(fPending[i])) {
			free(fPending[i]);
			fPending.erase(fPending.begin() + i);
			return true;
		}
	}
	for (;;) {
		while (xcb_generic_event_t* event = xcb_poll_for_event(fConnection)) {
			if (handled(event)) {
				free(event);
				return true;
			}
			fPending.push_back(event);
		}
		timespec now;
		clock_gettime(CLOCK_MONOTONIC, &now);
		double elapsed = (now.tv_sec - start.tv_sec) + (now.tv_nsec - start.tv_nsec) / 1e9;
		if (elapsed >= seconds || xcb_connection_has_error(fConnection))
			return false;
		pollfd fd = {xcb_get_file_descriptor(fConnection), POLLIN, 0};
		poll(&fd, 1, 20);
	}
}

bool XdndClient::WaitFor(const char* type, uint32_t data[5], double seconds)
{
	xcb_atom_t wanted = Atom(type);
	return _Pump(
	    [&](xcb_generic_event_t* event) {
		    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
			    return false;
		    auto message = (xcb_client_message_event_t*) event;
		    if (message->type != wanted)
			    return false;
		    memcpy(data, message->data.data32, 5 * sizeof(uint32_t));
		    return true;
	    },
	    seconds);
}

bool XdndClient::Serve(const std::string& data, bool answer, double seconds)
{
	return _Pump(
	    [&](xcb_generic_event_t* event) {
		    if ((event->response_type & 0x7f) != XCB_SELECTION_REQUEST)
			    return false;
		    if (!answer)
			    return true;
		    auto request = (xcb_selection_request_event_t*) event;
		    xcb_change_property(fConnection, XCB_PROP_MODE_REPLACE, request->requestor,
		                        request->property, request->target, 8, data.size(), data.data());
		    xcb_selection_notify_event_t notify = {};
		    notify.response_type = XCB_SELECTION_NOTIFY;
		    notify.time = request->time;
		    notify.requestor = request->requestor;
		    notify.selection = request->selection;
		    notify.target = request->target;
		    notify.property = request->property;
		    xcb_send_event(fConnection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
		                   (const char*) &notify);
		    xcb_flush(fConnection);
		    return true;
	    },
	    seconds);
}
