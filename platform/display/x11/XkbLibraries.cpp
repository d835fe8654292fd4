// xkbcommon, its X11 part and XCB's XKB extension are opened when the key map
// is first compiled rather than linked, for the reason JpegLibrary.cpp
// gives: three libraries fewer to load before a program's first window.
// The key map is compiled on the set-up thread, beside the decoding of the
// first picture, so opening them there costs the first picture nothing.
// The backend calls them by their own names; the definitions below stand in
// for them inside libplatform.so (hidden, so that no other module binds to
// them) and forward to the real functions.
//
// Without the libraries every call fails the way xkbcommon reports failure
// (0 or NULL), so the keyboard's set-up fails and with it the display's:
// only objects the libraries made reach the other calls.

#include "support/LibrarySet.h"

// xcb/xkb.h names a structure field "explicit", a keyword in C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace {

enum Library { kCommon, kCommonX11, kXcbXkb, kLibraryCount };

// The sonames of the ABI the headers describe.
const char* const kLibraryNames[kLibraryCount] = {"libxkbcommon.so.0", "libxkbcommon-x11.so.0",
                                                  "libxcb-xkb.so.1"};

// Constant-initialised, so that it is ready before any static initialiser.
constinit BPrivate::LibrarySet sLibraries(kLibraryNames);

} // namespace

#define PL_XKB_REAL(library, name) PL_LIBRARY_REAL(sLibraries, library, name)

extern "C" {
#pragma GCC visibility push(hidden)

// xkbcommon

struct xkb_context* xkb_context_new(enum xkb_context_flags flags)
{
	PL_XKB_REAL(kCommon, xkb_context_new);
	return real != nullptr ? real(flags) : nullptr;
}

void xkb_context_unref(struct xkb_context* context)
{
	PL_XKB_REAL(kCommon, xkb_context_unref);
	if (real != nullptr)
		real(context);
}

struct xkb_keymap* xkb_keymap_ref(struct xkb_keymap* keymap)
{
	PL_XKB_REAL(kCommon, xkb_keymap_ref);
	return real != nullptr ? real(keymap) : nullptr;
}

void xkb_keymap_unref(struct xkb_keymap* keymap)
{
	PL_XKB_REAL(kCommon, xkb_keymap_unref);
	if (real != nullptr)
		real(keymap);
}

xkb_keycode_t xkb_keymap_min_keycode(struct xkb_keymap* keymap)
{
	PL_XKB_REAL(kCommon, xkb_keymap_min_keycode);
	return real != nullptr ? real(keymap) : 0;
}

xkb_keycode_t xkb_keymap_max_keycode(struct xkb_keymap* keymap)
{
	PL_XKB_REAL(kCommon, xkb_keymap_max_keycode);
	return real != nullptr ? real(keymap) : 0;
}

int xkb_keymap_key_get_syms_by_level(struct xkb_keymap* keymap, xkb_keycode_t key,
                                     xkb_layout_index_t layout, xkb_level_index_t level,
                                     const xkb_keysym_t** symsOut)
{
	PL_XKB_REAL(kCommon, xkb_keymap_key_get_syms_by_level);
	if (real != nullptr)
		return real(keymap, key, layout, level, symsOut);
	*symsOut = nullptr;
	return 0;
}

int xkb_keysym_to_utf8(xkb_keysym_t keysym, char* buffer, size_t size)
{
	PL_XKB_REAL(kCommon, xkb_keysym_to_utf8);
	return real != nullptr ? real(keysym, buffer, size) : 0;
}

struct xkb_state* xkb_state_new(struct xkb_keymap* keymap)
{
	PL_XKB_REAL(kCommon, xkb_state_new);
	return real != nullptr ? real(keymap) : nullptr;
}

void xkb_state_unref(struct xkb_state* state)
{
	PL_XKB_REAL(kCommon, xkb_state_unref);
	if (real != nullptr)
		real(state);
}

enum xkb_state_component
xkb_state_update_mask(struct xkb_state* state, xkb_mod_mask_t depressedMods,
                      xkb_mod_mask_t latchedMods, xkb_mod_mask_t lockedMods,
                      xkb_layout_index_t depressedLayout, xkb_layout_index_t latchedLayout,
                      xkb_layout_index_t lockedLayout)
{
	PL_XKB_REAL(kCommon, xkb_state_update_mask);
	if (real == nullptr)
		return xkb_state_component(0);
	return real(state, depressedMods, latchedMods, lockedMods, depressedLayout, latchedLayout,
	            lockedLayout);
}

xkb_layout_index_t xkb_state_key_get_layout(struct xkb_state* state, xkb_keycode_t key)
{
	PL_XKB_REAL(kCommon, xkb_state_key_get_layout);
	return real != nullptr ? real(state, key) : XKB_LAYOUT_INVALID;
}

xkb_keysym_t xkb_state_key_get_one_sym(struct xkb_state* state, xkb_keycode_t key)
{
	PL_XKB_REAL(kCommon, xkb_state_key_get_one_sym);
	return real != nullptr ? real(state, key) : XKB_KEY_NoSymbol;
}

int xkb_state_key_get_utf8(struct xkb_state* state, xkb_keycode_t key, char* buffer, size_t size)
{
	PL_XKB_REAL(kCommon, xkb_state_key_get_utf8);
	if (real != nullptr)
		return real(state, key, buffer, size);
	if (size > 0)
		buffer[0] = '\0';
	return 0;
}

// xkbcommon-x11

int xkb_x11_setup_xkb_extension(xcb_connection_t* connection, uint16_t majorVersion,
                                uint16_t minorVersion, enum xkb_x11_setup_xkb_extension_flags flags,
                                uint16_t* majorVersionOut, uint16_t* minorVersionOut,
                                uint8_t* baseEventOut, uint8_t* baseErrorOut)
{
	PL_XKB_REAL(kCommonX11, xkb_x11_setup_xkb_extension);
	if (real == nullptr)
		return 0;
	return real(connection, majorVersion, minorVersion, flags, majorVersionOut, minorVersionOut,
	            baseEventOut, baseErrorOut);
}

int32_t xkb_x11_get_core_keyboard_device_id(xcb_connection_t* connection)
{
	PL_XKB_REAL(kCommonX11, xkb_x11_get_core_keyboard_device_id);
	return real != nullptr ? real(connection) : -1;
}

struct xkb_keymap* xkb_x11_keymap_new_from_device(struct xkb_context* context,
                                                  xcb_connection_t* connection, int32_t deviceId,
                                                  enum xkb_keymap_compile_flags flags)
{
	PL_XKB_REAL(kCommonX11, xkb_x11_keymap_new_from_device);
	return real != nullptr ? real(context, connection, deviceId, flags) : nullptr;
}

// XCB's XKB extension

xcb_void_cookie_t xcb_xkb_select_events(xcb_connection_t* c, xcb_xkb_device_spec_t deviceSpec,
                                        uint16_t affectWhich, uint16_t clear, uint16_t selectAll,
                                        uint16_t affectMap, uint16_t map, const void* details)
{
	PL_XKB_REAL(kXcbXkb, xcb_xkb_select_events);
	if (real == nullptr)
		return xcb_void_cookie_t{0};
	return real(c, deviceSpec, affectWhich, clear, selectAll, affectMap, map, details);
}

xcb_xkb_per_client_flags_cookie_t
xcb_xkb_per_client_flags(xcb_connection_t* c, xcb_xkb_device_spec_t deviceSpec, uint32_t change,
                         uint32_t value, uint32_t ctrlsToChange, uint32_t autoCtrls,
                         uint32_t autoCtrlsValues)
{
	PL_XKB_REAL(kXcbXkb, xcb_xkb_per_client_flags);
	if (real == nullptr)
		return xcb_xkb_per_client_flags_cookie_t{0};
	return real(c, deviceSpec, change, value, ctrlsToChange, autoCtrls, autoCtrlsValues);
}

xcb_xkb_per_client_flags_reply_t*
xcb_xkb_per_client_flags_reply(xcb_connection_t* c, xcb_xkb_per_client_flags_cookie_t cookie,
                               xcb_generic_error_t** e)
{
	PL_XKB_REAL(kXcbXkb, xcb_xkb_per_client_flags_reply);
	if (real != nullptr)
		return real(c, cookie, e);
	if (e != nullptr)
		*e = nullptr;
	return nullptr;
}

#pragma GCC visibility pop
}
