#ifndef _X11_POINTER_H
#define _X11_POINTER_H

#include <mutex>

#include <SupportDefs.h>
#include <xcb/xcb.h>

namespace BPrivate {

class X11Connection;

// The pointer: where it is, warping it, grabbing it for a window, and hiding
// the cursor until the next motion (ObscureCursor). Any thread.
class X11Pointer {
public:
	explicit X11Pointer(X11Connection& connection);
	~X11Pointer();

	// Screen position and the Be button bits (primary 1, secondary 2,
	// tertiary 4) asked from the server. False when the server did not answer.
	bool Query(int32* x, int32* y, uint32* buttons) const;

	void Warp(int32 x, int32 y);

	// All pointer events go to window until Ungrab(), wherever the pointer
	// is. ownerEvents: events over our other windows still go to those (what
	// a pop-up menu over its parent needs). withKeyboard grabs the keyboard
	// too. The window must be mapped. B_ERROR if the server refused.
	status_t Grab(xcb_window_t window, bool ownerEvents, bool withKeyboard);
	void Ungrab();

	// Hides the cursor over our windows until the pointer next moves.
	void Obscure(xcb_window_t window);
	// Event thread, on any motion: shows the cursor again if it was hidden.
	void Moved();

	// Be button bits of a core state mask.
	static uint32 ButtonsFromState(uint16 state);

private:
	void _SetBlankCursor(xcb_window_t window, bool blank);

	X11Connection& fConnection;
	std::mutex fLock;           // leaf
	bool fHidden;               // guarded by fLock
	xcb_window_t fHiddenWindow; // guarded by fLock; the blank cursor's window
	xcb_cursor_t fBlankCursor;  // guarded by fLock; made on first use
	bool fKeyboardGrabbed;      // guarded by fLock
};

} // namespace BPrivate

#endif
