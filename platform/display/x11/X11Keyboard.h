#ifndef _X11_KEYBOARD_H
#define _X11_KEYBOARD_H

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
class X11Keyboard {
public:
	explicit X11Keyboard(X11Connection& connection);
	~X11Keyboard();

	// B_ERROR when the server has no usable XKB.
	status_t Init();

	uint8 XkbEventBase() const { return fXkbEventBase; }

	// Event thread: XKB events (keymap changes), key presses and releases,
	// KeymapNotify. HandleKey() returns the translation; *repeat is set for
	// a press of a key already down (the server sends no release in between
	// since autorepeat is detectable).
	void HandleXkbEvent(const xcb_generic_event_t* event);
	TranslatedKey HandleKey(uint32 keycode, uint16 state, bool down, bool* repeat);
	void HandleKeymapNotify(const xcb_keymap_notify_event_t* event);
	bool IsModifierKey(uint32 keycode) const;
	// The Be modifier bits of a pointer event's state.
	uint32 EventModifiers(uint16 state) const;

	// Any thread: the current Be modifier bits asked from the server.
	uint32 Modifiers() const;

private:
	std::shared_ptr<X11KeyMap> _KeyMap() const;
	status_t _LoadKeymap();

	X11Connection& fConnection;
	xkb_context* fContext;              // fixed after Init()
	int32 fDeviceId;                    // fixed after Init()
	uint8 fXkbEventBase;                // fixed after Init()
	mutable std::mutex fLock;           // leaf
	std::shared_ptr<X11KeyMap> fKeyMap; // guarded by fLock
	uint8 fPressed[32];                 // event thread only
};

} // namespace BPrivate

#endif
