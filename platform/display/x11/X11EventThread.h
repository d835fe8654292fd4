#ifndef _X11_EVENT_THREAD_H
#define _X11_EVENT_THREAD_H

#include <atomic>
#include <thread>
#include <vector>

#include <SupportDefs.h>
#include <xcb/xcb.h>

namespace BPrivate {

class X11Connection;

// What the event thread hands its events to. Called on the event thread only.
class X11EventHandler {
public:
	virtual ~X11EventHandler() = default;
	virtual void HandleEvent(const xcb_generic_event_t* event) = 0;
	// The end of a batch: everything read so far has been handled.
	virtual void BatchDone() {}
	// After every batch and every quiet wake-up (at least each 100 ms): for
	// deadlines of transfers that wait on other programs.
	virtual void Tick() {}
	// The server went away; no event follows.
	virtual void ConnectionLost() {}
};

// Drops the events that later ones in the same batch make stale: of a run of
// pointer motions in one window with the same buttons and modifiers, and of a
// run of ConfigureNotify for one window, only the last stays. Runs only:
// merging across other events would reorder input. Freed events are removed
// from the vector.
void coalesce_events(std::vector<xcb_generic_event_t*>& events);

// The process's one reader of the X connection: sleeps in poll() on the
// connection and the wake-up eventfd, reads every queued event, merges stale
// ones and hands the rest to the handler. It never runs application code;
// the handler only posts.
class X11EventThread {
public:
	X11EventThread(X11Connection& connection, X11EventHandler& handler);
	~X11EventThread();

	status_t Start();
	// Ends and joins the thread; safe to call twice.
	void Stop();

private:
	void _Run();
	bool _ReadQueued(std::vector<xcb_generic_event_t*>& events, bool fromSocket);

	X11Connection& fConnection;
	X11EventHandler& fHandler;
	std::thread fThread;
	std::atomic<bool> fQuit;
};

} // namespace BPrivate

#endif
