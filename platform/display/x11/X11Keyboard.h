#ifndef _X11_KEYBOARD_H
#define _X11_KEYBOARD_H

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include <xcb/xcb.h>

#include "display/x11/X11KeyMap.h"

struct xkb_context;

namespace BPrivate {

class X11Connection;

// The keyboard of the connection: the XKB keymap of the core keyboard
// (reloaded when the server says it changed), the keys held down as seen by
// our windows, and which presses are repeats.
//
// Compiling the key map takes milliseconds of processor and of the X
// server's time, which the first window must not wait for: it is loaded
// once a window is on screen (Want()) or when something needs it first (a
// key, a pointer event with modifiers held, a caller asking for input),
// whichever comes first.
class X11Keyboard {
public:
	explicit X11Keyboard(X11Connection& connection);
	~X11Keyboard();

	// Any thread: loads the key map once (the calls that need it wait for
	// that load); later calls return how it went. B_ERROR when the server
	// has no usable XKB.
	status_t Load();
	// Any thread: the key map is wanted now.
	void Want();
	// Waits until the key map is wanted or |timeout| (microseconds) has
	// passed, then loads it.
	status_t LoadWhenWanted(bigtime_t timeout);

	// 0 until loaded: no XKB event is asked for before.
	uint8 XkbEventBase() const { return fXkbEventBase.load(std::memory_order_acquire); }

	// Event thread: XKB events (keymap changes), key presses and releases,
	// KeymapNotify. HandleKey() returns the translation; *repeat is set for
	// a press of a key already down (the server sends no release in between
	// since autorepeat is detectable).
	void HandleXkbEvent(const xcb_generic_event_t* event);
	TranslatedKey HandleKey(uint32 keycode, uint16 state, bool down, bool* repeat);
	void HandleKeymapNotify(const xcb_keymap_notify_event_t* event);
	bool IsModifierKey(uint32 keycode);
	// The Be modifier bits of a pointer event's state.
	uint32 EventModifiers(uint16 state);

	// Any thread: the current Be modifier bits asked from the server.
	uint32 Modifiers();

private:
	status_t _Init();
	// Loads it first if nothing has yet.
	std::shared_ptr<X11KeyMap> _KeyMap();
	status_t _LoadKeymap();

	X11Connection& fConnection;
	std::once_flag fLoadOnce;
	status_t fLoadStatus;               // fixed by fLoadOnce
	xkb_context* fContext;              // fixed by fLoadOnce
	int32 fDeviceId;                    // fixed by fLoadOnce
	std::atomic<uint8> fXkbEventBase;   // fixed by fLoadOnce
	std::mutex fWantLock;               // leaf
	std::condition_variable fWanted;    // with fWantLock
	bool fIsWanted;                     // guarded by fWantLock
	mutable std::mutex fLock;           // leaf
	std::shared_ptr<X11KeyMap> fKeyMap; // guarded by fLock
	uint8 fPressed[32];                 // event thread only
};

} // namespace BPrivate

#endif
