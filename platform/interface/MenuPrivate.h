#ifndef _MENU_PRIVATE_H
#define _MENU_PRIVATE_H

#include <Menu.h>
#include <MenuItem.h>

#include <functional>

namespace BPrivate {

// What the code that opens and tracks menus needs beyond the public calls.
class MenuAccess {
public:
	// The AddDynamicItem protocol, run before a menu opens: B_INITIAL_ADD,
	// then B_PROCESSING while the menu asks for more, B_ABORT as soon as
	// |stillWanted| says the user gave up. False when the adding was aborted.
	static bool AddDynamicItems(BMenu* menu, const std::function<bool()>& stillWanted);

	static void SetItemFrame(BMenuItem* item, BRect frame) { item->fBounds = frame; }
	static bool IsSeparator(const BMenuItem* item);
};

} // namespace BPrivate

#endif
