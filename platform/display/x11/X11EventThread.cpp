#include "display/x11/X11EventThread.h"

#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include "display/x11/X11Connection.h"

namespace BPrivate {

namespace {

const int kSafetyTimeout = 100; // ms
// How long to leave the socket to a thread that is reading its reply.
const int kReplyNap = 1; // ms

uint8 event_type(const xcb_generic_event_t* event)
{
	return event->response_type & 0x7f;
}

// Whether b makes a immediately before it stale.
bool supersedes(const xcb_generic_event_t* a, const xcb_generic_event_t* b)
{
	uint8 type = event_type(a);
	if (type != event_type(b))
		return false;
	if (type == XCB_MOTION_NOTIFY) {
		auto first = (const xcb_motion_notify_event_t*) a;
		auto second = (const xcb_motion_notify_event_t*) b;
		return first->event == second->event && first->state == second->state &&
		       first->same_screen == second->same_screen;
	}
	if (type == XCB_CONFIGURE_NOTIFY) {
		auto first = (const xcb_configure_notify_event_t*) a;
		auto second = (const xcb_configure_notify_event_t*) b;
		return first->window == second->window && first->event == second->event;
	}
	return false;
}

} // namespace

void coalesce_events(std::vector<xcb_generic_event_t*>& events)
{
	size_t kept = 0;
	for (size_t i = 0; i < events.size(); i++) {
		if (i + 1 < events.size() && supersedes(events[i], events[i + 1])) {
			free(events[i]);
			continue;
		}
		events[kept++] = events[i];
	}
	events.resize(kept);
}

X11EventThread::X11EventThread(X11Connection& connection, X11EventHandler& handler)
    : fConnection(connection), fHandler(handler), fQuit(false)
{
}

X11EventThread::~X11EventThread()
{
	Stop();
}

status_t X11EventThread::Start()
{
	if (fThread.joinable())
		return B_OK;
	fQuit.store(false);
	fThread = std::thread([this] { _Run(); });
	return B_OK;
}

void X11EventThread::Stop()
{
	if (!fThread.joinable())
		return;
	fQuit.store(true);
	fConnection.WakeEventThread();
	fThread.join();
}

bool X11EventThread::_ReadQueued(std::vector<xcb_generic_event_t*>& events, bool fromSocket)
{
	xcb_connection_t* c = fConnection.Connection();
	// The first read may go to the socket; after that only what libxcb has
	// already buffered, so a flood of events cannot keep a batch open forever.
	xcb_generic_event_t* event = fromSocket ? xcb_poll_for_event(c) : xcb_poll_for_queued_event(c);
	while (event != nullptr) {
		events.push_back(event);
		event = xcb_poll_for_queued_event(c);
	}
	return xcb_connection_has_error(c) == 0;
}

void X11EventThread::_Run()
{
	fConnection.SetEventThread(std::this_thread::get_id());
	xcb_connection_t* c = fConnection.Connection();
	std::vector<xcb_generic_event_t*> events;
	pollfd fds[2] = {
	    {xcb_get_file_descriptor(c), POLLIN, 0},
	    {fConnection.WakeFd(), POLLIN, 0},
	};

	bool alive = true;
	bool dataLeftToOthers = false;
	while (!fQuit.load() && alive) {
		alive = _ReadQueued(events, true);
		if (events.empty()) {
			if (!alive)
				break;
			int ready;
			if (dataLeftToOthers) {
				// The socket has data but libxcb gave us nothing: another
				// thread waiting for a reply reads it, and nudges us after.
				// Polling the socket again would return at once, and spin
				// on a core the X server needs to answer that very thread.
				ready = poll(&fds[1], 1, kReplyNap);
				dataLeftToOthers = false;
			} else {
				// A thread blocked in a big write also reads pending events
				// into libxcb's queue, and no reply wait follows to nudge
				// us; the timeout bounds how long such events could wait.
				ready = poll(fds, 2, kSafetyTimeout);
				dataLeftToOthers = ready > 0 && (fds[0].revents & POLLIN) != 0;
			}
			fHandler.Tick();
			if (ready < 0)
				continue;
			if ((fds[1].revents & POLLIN) != 0) {
				uint64_t count;
				ssize_t result = read(fConnection.WakeFd(), &count, sizeof(count));
				(void) result;
			}
			continue;
		}
		dataLeftToOthers = false;
		coalesce_events(events);
		for (xcb_generic_event_t* event : events) {
			fHandler.HandleEvent(event);
			free(event);
		}
		events.clear();
		fHandler.BatchDone();
		fHandler.Tick();
	}
	for (xcb_generic_event_t* event : events)
		free(event);
	if (!alive)
		fHandler.ConnectionLost();
}

} // namespace BPrivate
