#ifndef _X11_CONNECTION_H
#define _X11_CONNECTION_H

#include <stdlib.h>

#include <atomic>
#include <memory>
#include <thread>

#include <SupportDefs.h>
#include <xcb/xcb.h>

#include "display/x11/X11Atoms.h"

namespace BPrivate {

struct FreeDeleter {
	void operator()(void* pointer) const { free(pointer); }
};

// A reply or error from libxcb, which hands them out malloc'ed.
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

// The process's one connection to the X server and the facts learnt when it
// was opened. XCB is thread-safe, so every thread sends requests through
// Connection(); only the event thread reads events. Everything here is fixed
// after Open() (or Prepare()) except the fields marked otherwise.
class X11Connection {
public:
	X11Connection();
	~X11Connection();

	// Connects to displayName (NULL: $DISPLAY) and checks what the server
	// offers. B_ERROR when there is no server or no 24-bit TrueColor visual.
	status_t Open(const char* displayName = nullptr);

	// Open() in two steps. Connect() only makes the connection and finds the
	// visual in the server's greeting, waiting for nothing more; Prepare()
	// learns the atoms and extensions, which takes a few round trips and may
	// run on another thread while the caller goes on, as long as nothing else
	// uses the connection until it returns.
	status_t Connect(const char* displayName = nullptr);
	status_t Prepare();

	xcb_connection_t* Connection() const { return fConnection; }
	xcb_screen_t* Screen() const { return fScreen; }
	xcb_window_t Root() const { return fScreen->root; }
	const X11Atoms& Atoms() const { return fAtoms; }

	// The visual windows are created with: depth 24, pixels stored as
	// little-endian 0x00RRGGBB in 32 bits, the memory order of B_RGB32.
	xcb_visualid_t Visual() const { return fVisual; }
	xcb_colormap_t Colormap() const { return fColormap; }
	uint8 Depth() const { return 24; }

	bool HasShm() const { return fHasShm; }
	bool HasShmFd() const { return fHasShmFd; }
	bool HasRandrMonitors() const { return fHasRandrMonitors; }
	bool HasXfixesCursor() const { return fHasXfixesCursor; }
	uint8 RandrEventBase() const { return fRandrEventBase; }
	uint8 ShmEventBase() const { return fShmEventBase; }
	// Largest request in bytes (BIG-REQUESTS included).
	size_t MaximumRequestBytes() const { return fMaximumRequestBytes; }

	// Forbid MIT-SHM, or its fd passing, so that the other paths can be
	// exercised. Before any surface is made.
	void DisableShm() { fHasShm = fHasShmFd = false; }
	void DisableShmFd() { fHasShmFd = false; }

	// The event thread sleeps in poll() on the connection's socket. When
	// another thread waits for a reply, libxcb may read pending events into
	// its queue, where poll() cannot see them; Sync() and every reply taken
	// through Reply() nudge the event thread through this eventfd so that it
	// looks at its queue again.
	int WakeFd() const { return fWakeFd; }
	void WakeEventThread() const;
	void SetEventThread(std::thread::id id) { fEventThread.store(id); }
	bool IsEventThread() const { return fEventThread.load() == std::this_thread::get_id(); }

	// Waits for the reply of a request sent by the calling thread.
	template <typename R, typename C>
	XcbReply<R> Reply(R* (*replyFunction)(xcb_connection_t*, C, xcb_generic_error_t**),
	                  C cookie) const
	{
		xcb_generic_error_t* error = nullptr;
		R* reply = replyFunction(fConnection, cookie, &error);
		free(error);
		_AfterWait();
		return XcbReply<R>(reply);
	}

	// Checks a _checked request; true when the server accepted it.
	bool Check(xcb_void_cookie_t cookie) const;

	// A round trip: every request sent before has been processed when it returns.
	void Sync() const;

	// The time of the latest server event seen (for grabs and activation).
	xcb_timestamp_t LastEventTime() const { return fLastEventTime.load(); }
	void NoteEventTime(xcb_timestamp_t time);

private:
	bool _FindVisual();
	void _PrefetchExtensions();
	void _QueryExtensions();
	void _AfterWait() const;

	xcb_connection_t* fConnection;
	xcb_screen_t* fScreen;
	int fScreenNumber;
	X11Atoms fAtoms;
	xcb_visualid_t fVisual;
	xcb_colormap_t fColormap; // 0: the screen's default
	bool fHasShm;
	bool fHasShmFd;
	bool fHasRandrMonitors;
	bool fHasXfixesCursor;
	uint8 fRandrEventBase;
	uint8 fShmEventBase;
	size_t fMaximumRequestBytes;
	bool fExtensionsPrefetched;
	int fWakeFd;
	std::atomic<std::thread::id> fEventThread;
	std::atomic<xcb_timestamp_t> fLastEventTime; // any thread
};

} // namespace BPrivate

#endif
