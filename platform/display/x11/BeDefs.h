#ifndef _X11_BE_DEFS_H
#define _X11_BE_DEFS_H

// The Be constants the X11 backend reads and produces that the Be headers
// keep beside their classes (mouse buttons in View.h; window looks, feels and
// flags in Window.h), with their values, until those headers exist.
namespace BPrivate {

enum {
	B_PRIMARY_MOUSE_BUTTON = 0x01,
	B_SECONDARY_MOUSE_BUTTON = 0x02,
	B_TERTIARY_MOUSE_BUTTON = 0x04,
};

// X's button 1 is the primary, 3 the secondary, 2 the tertiary; the wheel's
// buttons (4 to 7) and others are no Be button.
inline unsigned int be_button(unsigned char button)
{
	switch (button) {
		case 1:
			return B_PRIMARY_MOUSE_BUTTON;
		case 2:
			return B_TERTIARY_MOUSE_BUTTON;
		case 3:
			return B_SECONDARY_MOUSE_BUTTON;
		default:
			return 0;
	}
}

enum {
	B_TITLED_WINDOW_LOOK = 1,
	B_MODAL_WINDOW_LOOK = 3,
	B_FLOATING_WINDOW_LOOK = 7,
	B_DOCUMENT_WINDOW_LOOK = 11,
	B_NO_BORDER_WINDOW_LOOK = 19,
	B_BORDERED_WINDOW_LOOK = 20,
};

enum {
	B_NORMAL_WINDOW_FEEL = 0,
	B_MODAL_APP_WINDOW_FEEL = 1,
	B_MODAL_SUBSET_WINDOW_FEEL = 2,
	B_MODAL_ALL_WINDOW_FEEL = 3,
};

enum {
	B_NOT_RESIZABLE = 0x00000002,
	B_NOT_H_RESIZABLE = 0x00000004,
	B_NOT_V_RESIZABLE = 0x00000008,
	B_AVOID_FOCUS = 0x00002000,
};

} // namespace BPrivate

#endif
