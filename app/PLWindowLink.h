#ifndef PL_WINDOW_LINK_H
#define PL_WINDOW_LINK_H

#include <mutex>

#include <Messenger.h>

class BWindow;

// How the application reaches one of its document windows from any thread
// without ever touching a window that has quit. The window cuts the link in
// its Quit(), before the object goes; every call through the link holds the
// link's lock for its duration, so the window cannot go in the middle of it.
//
// The lock is a leaf: under it only BWindow::IsActive() and Activate() run,
// which take no looper lock (they read a flag and ask the display). A window
// may therefore cut its link while it holds its own looper lock, and the
// application may go through links while it holds its own.
class PLWindowLink {
public:
	explicit PLWindowLink(BWindow* window);

	// False once the window has quit (or is quitting).
	bool IsAlive() const;
	// False also when the window is gone.
	bool IsActive() const;
	// Brings the window to the front with the focus; false when it is gone.
	bool Activate() const;

	// Addresses the window by id: sending through it, or locking its target,
	// fails cleanly once the window has gone, and never reaches another
	// window that happens to take the same address.
	const BMessenger& Messenger() const { return fMessenger; }

	// Called by the window as it quits.
	void Cut();

private:
	mutable std::mutex fLock;
	BWindow* fWindow;            // guarded by fLock; NULL once cut
	const BMessenger fMessenger; // fixed
};

#endif
