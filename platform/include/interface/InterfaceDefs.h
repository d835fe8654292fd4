#ifndef _INTERFACE_DEFS_H
#define _INTERFACE_DEFS_H

#include <GraphicsDefs.h>
#include <Point.h>
#include <SupportDefs.h>

// The interface kit's shared constants and global calls. Constants that the
// Be headers keep beside their classes (mouse buttons, transit codes,
// resizing modes and view flags in View.h; window types, flags and
// workspace masks in Window.h) live there.

// Bytes of B_KEY_DOWN for the keys that do not type a character.
enum {
	B_BACKSPACE = 0x08,
	B_RETURN = 0x0a,
	B_ENTER = 0x0a,
	B_SPACE = 0x20,
	B_TAB = 0x09,
	B_ESCAPE = 0x1b,
	B_SUBSTITUTE = 0x1a,

	B_LEFT_ARROW = 0x1c,
	B_RIGHT_ARROW = 0x1d,
	B_UP_ARROW = 0x1e,
	B_DOWN_ARROW = 0x1f,

	B_INSERT = 0x05,
	B_DELETE = 0x7f,
	B_HOME = 0x01,
	B_END = 0x04,
	B_PAGE_UP = 0x0b,
	B_PAGE_DOWN = 0x0c,

	B_FUNCTION_KEY = 0x10
};

// Key codes ("key") of the function keys, which all type B_FUNCTION_KEY.
enum {
	B_F1_KEY = 0x02,
	B_F2_KEY = 0x03,
	B_F3_KEY = 0x04,
	B_F4_KEY = 0x05,
	B_F5_KEY = 0x06,
	B_F6_KEY = 0x07,
	B_F7_KEY = 0x08,
	B_F8_KEY = 0x09,
	B_F9_KEY = 0x0a,
	B_F10_KEY = 0x0b,
	B_F11_KEY = 0x0c,
	B_F12_KEY = 0x0d,
	B_PRINT_KEY = 0x0e,
	B_SCROLL_KEY = 0x0f,
	B_PAUSE_KEY = 0x10
};

// The "modifiers" of input messages and modifiers().
enum {
	B_SHIFT_KEY = 0x00000001,
	B_COMMAND_KEY = 0x00000002,
	B_CONTROL_KEY = 0x00000004,
	B_CAPS_LOCK = 0x00000008,
	B_SCROLL_LOCK = 0x00000010,
	B_NUM_LOCK = 0x00000020,
	B_OPTION_KEY = 0x00000040,
	B_MENU_KEY = 0x00000080,
	B_LEFT_SHIFT_KEY = 0x00000100,
	B_RIGHT_SHIFT_KEY = 0x00000200,
	B_LEFT_COMMAND_KEY = 0x00000400,
	B_RIGHT_COMMAND_KEY = 0x00000800,
	B_LEFT_CONTROL_KEY = 0x00001000,
	B_RIGHT_CONTROL_KEY = 0x00002000,
	B_LEFT_OPTION_KEY = 0x00004000,
	B_RIGHT_OPTION_KEY = 0x00008000
};

// The standard colours of the user interface.
enum color_which {
	B_NO_COLOR = 0,
	B_PANEL_BACKGROUND_COLOR = 1,
	B_MENU_BACKGROUND_COLOR = 2,
	B_WINDOW_TAB_COLOR = 3,
	B_KEYBOARD_NAVIGATION_COLOR = 4,
	B_DESKTOP_COLOR = 5,
	B_MENU_SELECTION_BACKGROUND_COLOR = 6,
	B_MENU_ITEM_TEXT_COLOR = 7,
	B_MENU_SELECTED_ITEM_TEXT_COLOR = 8,
	B_MENU_SELECTED_BORDER_COLOR = 9,
	B_PANEL_TEXT_COLOR = 10,
	B_DOCUMENT_BACKGROUND_COLOR = 11,
	B_DOCUMENT_TEXT_COLOR = 12,
	B_CONTROL_BACKGROUND_COLOR = 13,
	B_CONTROL_TEXT_COLOR = 14,
	B_CONTROL_BORDER_COLOR = 15,
	B_CONTROL_HIGHLIGHT_COLOR = 16,
	B_NAVIGATION_PULSE_COLOR = 17,
	B_SHINE_COLOR = 18,
	B_SHADOW_COLOR = 19,
	B_TOOLTIP_BACKGROUND_COLOR = 20,
	B_TOOLTIP_TEXT_COLOR = 21,
	B_WINDOW_TEXT_COLOR = 22,
	B_WINDOW_INACTIVE_TAB_COLOR = 23,
	B_WINDOW_INACTIVE_TEXT_COLOR = 24
};

// How BAlert sizes its buttons: each at least the usual width, all as wide
// as the widest, or each as wide as its own label.
enum button_width { B_WIDTH_AS_USUAL, B_WIDTH_FROM_WIDEST, B_WIDTH_FROM_LABEL };

// Unknown colours are black.
rgb_color ui_color(color_which which);

// Tints for tint_color(): below 1 lightens towards white, above 1 darkens
// towards black.
extern const float B_LIGHTEN_MAX_TINT;
extern const float B_LIGHTEN_2_TINT;
extern const float B_LIGHTEN_1_TINT;
extern const float B_NO_TINT;
extern const float B_DARKEN_1_TINT;
extern const float B_DARKEN_2_TINT;
extern const float B_DARKEN_3_TINT;
extern const float B_DARKEN_4_TINT;
extern const float B_DARKEN_MAX_TINT;
extern const float B_HIGHLIGHT_BACKGROUND_TINT;
extern const float B_DISABLED_LABEL_TINT;
extern const float B_DISABLED_MARK_TINT;

rgb_color tint_color(rgb_color color, float tint);

// Workspaces are numbered from 0. Without a display there is one.
int32 count_workspaces();
int32 current_workspace();
void activate_workspace(int32 workspace);

// The modifier keys held now.
uint32 modifiers();
// Moves the pointer to a screen pixel.
void set_mouse_position(int32 x, int32 y);
// The pointer's screen position and the buttons held now.
status_t get_mouse(BPoint* screenWhere, uint32* buttons);
// The longest time between the presses of a double click, in microseconds:
// the interval the platform counts "clicks" by.
status_t get_click_speed(bigtime_t* speed);
// True when the user's focus policy is focus-follows-mouse. X gives no
// portable answer: PL_FOCUS_FOLLOWS_MOUSE=1 in the environment says so.
bool focus_follows_mouse();

#endif
