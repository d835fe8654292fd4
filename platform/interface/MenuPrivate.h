#ifndef _MENU_PRIVATE_H
#define _MENU_PRIVATE_H

#include <Font.h>
#include <Menu.h>
#include <MenuItem.h>

#include <functional>
#include <string>

namespace BPrivate {

// The geometry of a menu's items, in pixels.
struct MenuMetrics {
	static constexpr float kBorder = 1;      // the frame around the items
	static constexpr float kItemPadding = 3; // above and below a label
	static constexpr float kRowPadding = 8;  // left and right of a label in a row
	static constexpr float kMarkWidth = 20;  // the mark's column, left of the labels
	static constexpr float kRightMargin = 10;
	static constexpr float kColumnGap = 16; // between a label and its shortcut
	static constexpr float kArrowWidth = 14;
	static constexpr float kMinWidth = 48;
	static constexpr float kSeparatorHeight = 9;

	float ascent;        // whole pixels
	float contentHeight; // a label's ascent and descent, whole pixels

	static MenuMetrics For(const BFont& font);
};

// How an item's shortcut is shown: the modifiers, then the key ("Alt+Shift+C").
std::string shortcut_label(const BMenuItem* item);

// What the code that opens and tracks menus needs beyond the public calls.
class MenuAccess {
public:
	// The AddDynamicItem protocol, run before a menu opens: B_INITIAL_ADD,
	// then B_PROCESSING while the menu asks for more, B_ABORT as soon as
	// |stillWanted| says the user gave up. False when the adding was aborted.
	static bool AddDynamicItems(BMenu* menu, const std::function<bool()>& stillWanted);

	static void SetItemFrame(BMenuItem* item, BRect frame) { item->fBounds = frame; }
	static bool IsSeparator(const BMenuItem* item);

	// Lays the items out; the menu's preferred size in BRect units.
	static BPoint Layout(BMenu* menu)
	{
		BPoint size;
		menu->_LayoutItems(&size);
		return size;
	}
	static BMenuItem* ItemAt(const BMenu* menu, BPoint where) { return menu->_ItemAt(where); }
	// Highlights |item| (NULL: none). The menu's window is locked, if it has one.
	static void Select(BMenu* menu, BMenuItem* item) { menu->_Select(item); }
	static BMenuItem* Selected(const BMenu* menu) { return menu->fSelected; }
};

} // namespace BPrivate

#endif
