#include "display/x11/X11KeyMap.h"

#include <string.h>

#include <xcb/xproto.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <InterfaceDefs.h>

namespace BPrivate {

namespace {

// Core modifier masks. Mod1 is Alt, Mod2 NumLock and Mod4 Super on every
// XKB layout in use (xkbcommon names them so: XKB_MOD_NAME_ALT is "Mod1").
const uint16 kShiftMask = XCB_MOD_MASK_SHIFT;
const uint16 kLockMask = XCB_MOD_MASK_LOCK;
const uint16 kControlMask = XCB_MOD_MASK_CONTROL;
const uint16 kAltMask = XCB_MOD_MASK_1;
const uint16 kNumLockMask = XCB_MOD_MASK_2;
const uint16 kSuperMask = XCB_MOD_MASK_4;

uint32 side_bit(xkb_keysym_t keysym)
{
	switch (keysym) {
		case XKB_KEY_Shift_L:
			return B_LEFT_SHIFT_KEY;
		case XKB_KEY_Shift_R:
			return B_RIGHT_SHIFT_KEY;
		case XKB_KEY_Control_L:
			return B_LEFT_CONTROL_KEY;
		case XKB_KEY_Control_R:
			return B_RIGHT_CONTROL_KEY;
		case XKB_KEY_Alt_L:
		case XKB_KEY_Meta_L:
			return B_LEFT_COMMAND_KEY;
		case XKB_KEY_Alt_R:
		case XKB_KEY_Meta_R:
			return B_RIGHT_COMMAND_KEY;
		case XKB_KEY_Super_L:
			return B_LEFT_OPTION_KEY;
		case XKB_KEY_Super_R:
			return B_RIGHT_OPTION_KEY;
		default:
			return 0;
	}
}

uint16 modifier_mask(xkb_keysym_t keysym)
{
	switch (keysym) {
		case XKB_KEY_Shift_L:
		case XKB_KEY_Shift_R:
			return kShiftMask;
		case XKB_KEY_Control_L:
		case XKB_KEY_Control_R:
			return kControlMask;
		case XKB_KEY_Alt_L:
		case XKB_KEY_Alt_R:
		case XKB_KEY_Meta_L:
		case XKB_KEY_Meta_R:
			return kAltMask;
		case XKB_KEY_Super_L:
		case XKB_KEY_Super_R:
			return kSuperMask;
		case XKB_KEY_Caps_Lock:
			return kLockMask;
		case XKB_KEY_Num_Lock:
			return kNumLockMask;
		default:
			return 0;
	}
}

bool is_pressed(const uint8* pressedKeys, uint32 keycode)
{
	return pressedKeys != nullptr && keycode < 256 &&
	       (pressedKeys[keycode / 8] & (1 << (keycode % 8))) != 0;
}

bool is_modifier_keysym(xkb_keysym_t keysym)
{
	return side_bit(keysym) != 0 || keysym == XKB_KEY_Caps_Lock || keysym == XKB_KEY_Num_Lock ||
	       keysym == XKB_KEY_Shift_Lock || keysym == XKB_KEY_Hyper_L || keysym == XKB_KEY_Hyper_R ||
	       keysym == XKB_KEY_Mode_switch;
}

} // namespace

X11KeyMap::X11KeyMap(xkb_keymap* keymap)
    : fKeymap(xkb_keymap_ref(keymap)), fSideBits(), fModMask(), fLockKey(), fModifierKey()
{
	xkb_keycode_t minimum = xkb_keymap_min_keycode(keymap);
	xkb_keycode_t maximum = xkb_keymap_max_keycode(keymap);
	for (xkb_keycode_t code = minimum; code <= maximum && code < 256; code++) {
		const xkb_keysym_t* syms = nullptr;
		int count = xkb_keymap_key_get_syms_by_level(keymap, code, 0, 0, &syms);
		if (count < 1)
			continue;
		fSideBits[code] = side_bit(syms[0]);
		fModifierKey[code] = is_modifier_keysym(syms[0]);
		fModMask[code] = modifier_mask(syms[0]);
		fLockKey[code] = syms[0] == XKB_KEY_Caps_Lock || syms[0] == XKB_KEY_Num_Lock;
	}
}

X11KeyMap::~X11KeyMap()
{
	xkb_keymap_unref(fKeymap);
}

bool X11KeyMap::IsModifierKey(uint32 keycode) const
{
	return keycode < 256 && fModifierKey[keycode];
}

uint32 X11KeyMap::Modifiers(uint16 state, const uint8* pressedKeys) const
{
	uint32 modifiers = 0;
	if ((state & kShiftMask) != 0)
		modifiers |= B_SHIFT_KEY;
	if ((state & kControlMask) != 0)
		modifiers |= B_CONTROL_KEY;
	if ((state & kAltMask) != 0)
		modifiers |= B_COMMAND_KEY;
	if ((state & kSuperMask) != 0)
		modifiers |= B_OPTION_KEY;
	if ((state & kLockMask) != 0)
		modifiers |= B_CAPS_LOCK;
	if ((state & kNumLockMask) != 0)
		modifiers |= B_NUM_LOCK;

	uint32 sides = 0;
	if (pressedKeys != nullptr) {
		for (int code = 0; code < 256; code++) {
			if (fSideBits[code] != 0 && (pressedKeys[code / 8] & (1 << (code % 8))) != 0)
				sides |= fSideBits[code];
		}
	}
	// A side bit only where its modifier is on; a modifier whose key we did
	// not see go down (it was pressed in another window) counts as the left.
	const struct {
		uint32 modifier, left, right;
	} kPairs[] = {
	    {B_SHIFT_KEY, B_LEFT_SHIFT_KEY, B_RIGHT_SHIFT_KEY},
	    {B_CONTROL_KEY, B_LEFT_CONTROL_KEY, B_RIGHT_CONTROL_KEY},
	    {B_COMMAND_KEY, B_LEFT_COMMAND_KEY, B_RIGHT_COMMAND_KEY},
	    {B_OPTION_KEY, B_LEFT_OPTION_KEY, B_RIGHT_OPTION_KEY},
	};
	for (const auto& pair : kPairs) {
		if ((modifiers & pair.modifier) == 0)
			continue;
		uint32 held = sides & (pair.left | pair.right);
		modifiers |= held != 0 ? held : pair.left;
	}
	return modifiers;
}

bool X11KeyMap::_BeKeyByte(xkb_keysym_t keysym, char* byte)
{
	switch (keysym) {
		case XKB_KEY_BackSpace:
			*byte = B_BACKSPACE;
			return true;
		case XKB_KEY_Tab:
		case XKB_KEY_ISO_Left_Tab:
		case XKB_KEY_KP_Tab:
			*byte = B_TAB;
			return true;
		// X says 0x0D; Be applications compare with B_ENTER, 0x0A.
		case XKB_KEY_Return:
		case XKB_KEY_KP_Enter:
		case XKB_KEY_ISO_Enter:
			*byte = B_ENTER;
			return true;
		case XKB_KEY_Escape:
			*byte = B_ESCAPE;
			return true;
		case XKB_KEY_Left:
		case XKB_KEY_KP_Left:
			*byte = B_LEFT_ARROW;
			return true;
		case XKB_KEY_Right:
		case XKB_KEY_KP_Right:
			*byte = B_RIGHT_ARROW;
			return true;
		case XKB_KEY_Up:
		case XKB_KEY_KP_Up:
			*byte = B_UP_ARROW;
			return true;
		case XKB_KEY_Down:
		case XKB_KEY_KP_Down:
			*byte = B_DOWN_ARROW;
			return true;
		case XKB_KEY_Home:
		case XKB_KEY_KP_Home:
			*byte = B_HOME;
			return true;
		case XKB_KEY_End:
		case XKB_KEY_KP_End:
			*byte = B_END;
			return true;
		case XKB_KEY_Page_Up:
		case XKB_KEY_KP_Page_Up:
			*byte = B_PAGE_UP;
			return true;
		case XKB_KEY_Page_Down:
		case XKB_KEY_KP_Page_Down:
			*byte = B_PAGE_DOWN;
			return true;
		case XKB_KEY_Delete:
		case XKB_KEY_KP_Delete:
			*byte = B_DELETE;
			return true;
		case XKB_KEY_Insert:
		case XKB_KEY_KP_Insert:
			*byte = B_INSERT;
			return true;
		case XKB_KEY_Print:
		case XKB_KEY_Scroll_Lock:
		case XKB_KEY_Pause:
			*byte = B_FUNCTION_KEY;
			return true;
		default:
			if (keysym >= XKB_KEY_F1 && keysym <= XKB_KEY_F35) {
				*byte = B_FUNCTION_KEY;
				return true;
			}
			return false;
	}
}

uint16 X11KeyMap::_StateAfter(uint32 keycode, uint16 coreState, bool down,
                              const uint8* pressedKeys) const
{
	if (keycode >= 256 || fModMask[keycode] == 0)
		return coreState;
	uint16 bit = fModMask[keycode];
	if (fLockKey[keycode])
		return down ? coreState ^ bit : coreState;
	if (down)
		return coreState | bit;
	// The other Shift (or Control...) may still be held.
	for (uint32 code = 0; code < 256; code++) {
		if (code != keycode && fModMask[code] == bit && !fLockKey[code] &&
		    is_pressed(pressedKeys, code)) {
			return coreState;
		}
	}
	return coreState & ~bit;
}

TranslatedKey X11KeyMap::Translate(uint32 keycode, uint16 coreState, bool down,
                                   const uint8* pressedKeys) const
{
	TranslatedKey key = {};
	key.modifiers = Modifiers(_StateAfter(keycode, coreState, down, pressedKeys), pressedKeys);

	// A scratch state per call keeps translation free of shared mutable state;
	// the core state carries everything the level choice needs.
	xkb_state* state = xkb_state_new(fKeymap);
	if (state == nullptr)
		return key;
	uint32 group = (coreState >> 13) & 0x3;
	xkb_state_update_mask(state, coreState & 0xff, 0, 0, 0, 0, group);
	xkb_keysym_t keysym = xkb_state_key_get_one_sym(state, keycode);
	xkb_layout_index_t layout = xkb_state_key_get_layout(state, keycode);
	xkb_state_unref(state);

	xkb_keysym_t plain = XKB_KEY_NoSymbol;
	const xkb_keysym_t* syms = nullptr;
	if (layout != XKB_LAYOUT_INVALID &&
	    xkb_keymap_key_get_syms_by_level(fKeymap, keycode, layout, 0, &syms) >= 1) {
		plain = syms[0];
	}

	// The function keys are told apart by their Be key codes.
	key.key = (int32) keycode;
	if (plain >= XKB_KEY_F1 && plain <= XKB_KEY_F12)
		key.key = B_F1_KEY + (int32) (plain - XKB_KEY_F1);
	else if (plain == XKB_KEY_Print)
		key.key = B_PRINT_KEY;
	else if (plain == XKB_KEY_Scroll_Lock)
		key.key = B_SCROLL_KEY;
	else if (plain == XKB_KEY_Pause)
		key.key = B_PAUSE_KEY;

	char raw = 0;
	if (_BeKeyByte(plain, &raw)) {
		key.rawChar = (uint8) raw;
	} else {
		char utf8[8];
		if (xkb_keysym_to_utf8(plain, utf8, sizeof(utf8)) > 1)
			key.rawChar = (uint8) utf8[0];
	}

	if (keysym == XKB_KEY_NoSymbol || is_modifier_keysym(keysym))
		return key;
	if (_BeKeyByte(keysym, key.bytes)) {
		key.byteCount = 1;
		return key;
	}
	// From the keysym, not xkb_state_key_get_utf8(): that applies X's Control
	// transformation to every key ('/' becomes 0x1F), while a Be keymap only
	// turns Control + letter into a control code and leaves '+', '-' and the
	// digits alone (Control-'+' is '+' with B_CONTROL_KEY).
	int size = xkb_keysym_to_utf8(keysym, key.bytes, sizeof(key.bytes));
	if (size <= 1) {
		key.bytes[0] = '\0';
		return key;
	}
	key.byteCount = size - 1;
	char& first = key.bytes[0];
	if (key.byteCount == 1 && (key.modifiers & B_CONTROL_KEY) != 0 &&
	    ((first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z'))) {
		first = (char) (first & 0x1f);
	}
	return key;
}

} // namespace BPrivate
