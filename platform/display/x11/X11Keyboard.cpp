#include "display/x11/X11Keyboard.h"

#include <string.h>

// xcb/xkb.h names a structure field "explicit", a keyword in C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>

#include "display/x11/X11Connection.h"

namespace BPrivate {

namespace {

// The core modifier bits that give a Be modifier (X11KeyMap::Modifiers): a
// state without any of them has none, key map or not.
const uint16 kModifierBits = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_CONTROL |
                             XCB_MOD_MASK_1 | XCB_MOD_MASK_2 | XCB_MOD_MASK_4;

} // namespace

X11Keyboard::X11Keyboard(X11Connection& connection)
    : fConnection(connection), fLoadStatus(B_NO_INIT), fContext(nullptr), fDeviceId(-1),
      fXkbEventBase(0), fIsWanted(false), fPressed()
{
}

X11Keyboard::~X11Keyboard()
{
	{
		std::lock_guard<std::mutex> guard(fLock);
		fKeyMap.reset();
	}
	if (fContext != nullptr)
		xkb_context_unref(fContext);
}

status_t X11Keyboard::Load()
{
	std::call_once(fLoadOnce, [this] { fLoadStatus = _Init(); });
	return fLoadStatus;
}

void X11Keyboard::Want()
{
	std::lock_guard<std::mutex> guard(fWantLock);
	fIsWanted = true;
	fWanted.notify_all();
}

status_t X11Keyboard::LoadWhenWanted(bigtime_t timeout)
{
	{
		std::unique_lock<std::mutex> lock(fWantLock);
		fWanted.wait_for(lock, std::chrono::microseconds(timeout), [this] { return fIsWanted; });
	}
	return Load();
}

status_t X11Keyboard::_Init()
{
	xcb_connection_t* c = fConnection.Connection();
	uint8_t baseEvent = 0;
	if (!xkb_x11_setup_xkb_extension(
	        c, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
	        XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &baseEvent, nullptr)) {
		return B_ERROR;
	}
	fDeviceId = xkb_x11_get_core_keyboard_device_id(c);
	if (fDeviceId < 0)
		return B_ERROR;
	fContext = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
	if (fContext == nullptr)
		return B_NO_MEMORY;
	status_t status = _LoadKeymap();
	if (status != B_OK)
		return status;

	// Keymap changes reach us as XKB events; a held key then repeats as
	// presses only, without the fake releases X sends otherwise.
	uint16 events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
	uint16 mapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS |
	                  XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS |
	                  XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_VIRTUAL_MODS |
	                  XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
	xcb_xkb_select_events(c, (xcb_xkb_device_spec_t) fDeviceId, events, 0, events, mapParts,
	                      mapParts, nullptr);
	uint32 detectable = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
	auto reply = fConnection.Reply(xcb_xkb_per_client_flags_reply,
	                               xcb_xkb_per_client_flags(c, (xcb_xkb_device_spec_t) fDeviceId,
	                                                        detectable, detectable, 0, 0, 0));
	(void) reply; // without it, repeats still arrive, as release + press pairs
	fXkbEventBase.store(baseEvent, std::memory_order_release);
	return B_OK;
}

status_t X11Keyboard::_LoadKeymap()
{
	xkb_keymap* keymap = xkb_x11_keymap_new_from_device(fContext, fConnection.Connection(),
	                                                    fDeviceId, XKB_KEYMAP_COMPILE_NO_FLAGS);
	if (keymap == nullptr)
		return B_ERROR;
	auto keyMap = std::make_shared<X11KeyMap>(keymap);
	xkb_keymap_unref(keymap);
	std::lock_guard<std::mutex> guard(fLock);
	fKeyMap = std::move(keyMap);
	return B_OK;
}

std::shared_ptr<X11KeyMap> X11Keyboard::_KeyMap()
{
	Load();
	std::lock_guard<std::mutex> guard(fLock);
	return fKeyMap;
}

void X11Keyboard::HandleXkbEvent(const xcb_generic_event_t* event)
{
	// All XKB events share one event code; the kind is in the second byte.
	uint8 kind = event->pad0;
	if (Load() == B_OK && (kind == XCB_XKB_NEW_KEYBOARD_NOTIFY || kind == XCB_XKB_MAP_NOTIFY))
		_LoadKeymap();
}

TranslatedKey X11Keyboard::HandleKey(uint32 keycode, uint16 state, bool down, bool* repeat)
{
	uint8 bit = (uint8) (1 << (keycode % 8));
	uint8& slot = fPressed[(keycode / 8) % 32];
	*repeat = down && (slot & bit) != 0;
	if (down)
		slot |= bit;
	else
		slot &= (uint8) ~bit;

	std::shared_ptr<X11KeyMap> keyMap = _KeyMap();
	if (!keyMap)
		return TranslatedKey{};
	return keyMap->Translate(keycode, state, down, fPressed);
}

bool X11Keyboard::IsModifierKey(uint32 keycode)
{
	std::shared_ptr<X11KeyMap> keyMap = _KeyMap();
	return keyMap && keyMap->IsModifierKey(keycode);
}

uint32 X11Keyboard::EventModifiers(uint16 state)
{
	// Pointer events come before any key; most hold no modifier.
	if ((state & kModifierBits) == 0)
		return 0;
	std::shared_ptr<X11KeyMap> keyMap = _KeyMap();
	return keyMap ? keyMap->Modifiers(state, fPressed) : 0;
}

void X11Keyboard::HandleKeymapNotify(const xcb_keymap_notify_event_t* event)
{
	// The event holds keys 8..255; keys 0..7 do not exist.
	fPressed[0] = 0;
	memcpy(fPressed + 1, event->keys, sizeof(event->keys));
}

uint32 X11Keyboard::Modifiers()
{
	xcb_connection_t* c = fConnection.Connection();
	xcb_query_pointer_cookie_t pointerCookie = xcb_query_pointer(c, fConnection.Root());
	xcb_query_keymap_cookie_t keymapCookie = xcb_query_keymap(c);
	auto pointer = fConnection.Reply(xcb_query_pointer_reply, pointerCookie);
	auto keys = fConnection.Reply(xcb_query_keymap_reply, keymapCookie);
	std::shared_ptr<X11KeyMap> keyMap = _KeyMap();
	if (!pointer || !keyMap)
		return 0;
	return keyMap->Modifiers(pointer->mask, keys ? keys->keys : nullptr);
}

} // namespace BPrivate
