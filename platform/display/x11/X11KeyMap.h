#ifndef _X11_KEY_MAP_H
#define _X11_KEY_MAP_H

#include <SupportDefs.h>
#include <xkbcommon/xkbcommon.h>

namespace BPrivate {

// What one key press means to a Be application.
struct TranslatedKey {
	char bytes[8]; // UTF-8, NUL-terminated; empty for keys without a character
	int32 byteCount;
	uint32 rawChar;   // the character of the key without modifiers (first byte)
	uint32 modifiers; // Be modifier bits
	// The X key code, except for the function keys (F1-F12, Print, Scroll
	// Lock, Pause), which have Be key codes (B_F1_KEY...) because that is how
	// Be applications tell them apart.
	int32 key;
};

// Turns X key codes and core modifier states into Be bytes and modifier bits
// with an xkbcommon keymap. Knows nothing of the connection, so it runs
// without a display. The keymap is fixed after construction; Translate() is
// const and may be called from any thread.
class X11KeyMap {
public:
	// Takes a reference to keymap.
	explicit X11KeyMap(xkb_keymap* keymap);
	~X11KeyMap();

	xkb_keymap* Keymap() const { return fKeymap; }

	// coreState is the state field of an X key event (the modifier and button
	// masks before the event, the group in bits 13-14); pressedKeys, if not
	// NULL, the 32-byte bitmap of keys held down after the event (the
	// left/right modifier bits come from it). The modifiers of the result are
	// those after the event: pressing Shift reports Shift on.
	TranslatedKey Translate(uint32 keycode, uint16 coreState, bool down,
	                        const uint8* pressedKeys) const;

	// The Be modifier bits of a core state and the keys held down.
	uint32 Modifiers(uint16 coreState, const uint8* pressedKeys) const;

	// True for Shift, Control, Alt, Super and the lock keys: their presses
	// change the modifiers, they type nothing.
	bool IsModifierKey(uint32 keycode) const;

private:
	static bool _BeKeyByte(xkb_keysym_t keysym, char* byte);

	xkb_keymap* fKeymap;
	uint16 _StateAfter(uint32 keycode, uint16 coreState, bool down, const uint8* pressedKeys) const;

	uint32 fSideBits[256]; // the Be left/right modifier bit each key code sets
	uint16 fModMask[256];  // the core modifier a modifier key sets or toggles
	bool fLockKey[256];    // its presses toggle fModMask (Caps Lock, Num Lock)
	bool fModifierKey[256];
};

} // namespace BPrivate

#endif
