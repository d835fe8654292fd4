#ifndef _WINDOW_FEEL_PRIVATE_H
#define _WINDOW_FEEL_PRIVATE_H

#include <Window.h>

// Window feels of the platform's own, beyond the Be API's: for its menus and
// for the desktop application, which includes this header by name.
namespace BPrivate {

// Menu windows: an undecorated pop-up surface that is never focused, above
// the other windows.
const window_feel kMenuWindowFeel = static_cast<window_feel>(1025);

// The desktop's own window: under every other window, on every workspace,
// kept out of task bars and pagers (an EWMH desktop window).
const window_feel kDesktopWindowFeel = static_cast<window_feel>(1026);

// What a desktop window covers: every monitor of the display, where BScreen
// tells only of the main one. Its windows hear B_SCREEN_CHANGED when this
// changes.
BRect desktop_frame();

} // namespace BPrivate

#endif
