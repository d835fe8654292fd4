// How a menu item measures and draws itself into its menu.

#include <MenuItem.h>

#include <math.h>
#include <string.h>

#include <InterfaceDefs.h>
#include <Menu.h>
#include <Window.h>

#include "interface/MenuPrivate.h"

using BPrivate::MenuMetrics;

namespace BPrivate {

std::string shortcut_label(const BMenuItem* item)
{
	uint32 modifiers = 0;
	char key = item->Shortcut(&modifiers);
	if (key == 0)
		return std::string();
	// On this platform the command key is Alt, the option key Super.
	std::string label;
	if ((modifiers & B_CONTROL_KEY) != 0)
		label += "Ctrl+";
	if ((modifiers & B_OPTION_KEY) != 0)
		label += "Super+";
	if ((modifiers & B_COMMAND_KEY) != 0)
		label += "Alt+";
	if ((modifiers & B_SHIFT_KEY) != 0)
		label += "Shift+";
	label += key;
	return label;
}

} // namespace BPrivate

bool BMenuItem::IsSelected() const
{
	return fSelected;
}

void BMenuItem::_Select(bool selected)
{
	if (fSelected == selected)
		return;
	fSelected = selected;
	Highlight(selected);
}

void BMenuItem::Highlight(bool)
{
	if (fSuper != NULL && fSuper->Window() != NULL)
		fSuper->Invalidate(fBounds);
}

void BMenuItem::GetContentSize(float* width, float* height)
{
	BFont font;
	if (fSuper != NULL)
		fSuper->GetFont(&font);
	else
		font = *be_plain_font;
	if (width != NULL)
		*width = font.StringWidth(Label());
	if (height != NULL)
		*height = MenuMetrics::For(font).contentHeight;
}

BPoint BMenuItem::ContentLocation() const
{
	float left = fBounds.left + MenuMetrics::kMarkWidth;
	if (fSuper != NULL && fSuper->Layout() == B_ITEMS_IN_ROW)
		left = fBounds.left + MenuMetrics::kRowPadding;
	return BPoint(left, fBounds.top + MenuMetrics::kItemPadding);
}

void BMenuItem::DrawContent()
{
	if (fSuper == NULL)
		return;
	font_height height;
	fSuper->GetFontHeight(&height);
	BPoint where = ContentLocation();
	where.y += ceilf(height.ascent);

	// A label wider than the menu allows is cut at a character boundary.
	const char* label = Label();
	int32 length = static_cast<int32>(strlen(label));
	float room = fSuper->MaxContentWidth();
	if (room > 0) {
		while (length > 0 && fSuper->StringWidth(label, length) > room) {
			length--;
			while (length > 0 && (static_cast<uint8>(label[length]) & 0xc0) == 0x80)
				length--;
		}
	}
	fSuper->DrawString(label, length, where);
}

void BMenuItem::Draw()
{
	BMenu* menu = fSuper;
	if (menu == NULL)
		return;
	bool enabled = IsEnabled();
	bool highlighted = fSelected && enabled;
	rgb_color background = highlighted ? ui_color(B_MENU_SELECTION_BACKGROUND_COLOR)
	                                   : ui_color(B_MENU_BACKGROUND_COLOR);
	menu->SetLowColor(background);
	if (highlighted) {
		menu->SetHighColor(background);
		menu->FillRect(fBounds);
	}
	rgb_color text;
	if (!enabled)
		text = tint_color(ui_color(B_MENU_BACKGROUND_COLOR), B_DISABLED_LABEL_TINT);
	else if (highlighted)
		text = ui_color(B_MENU_SELECTED_ITEM_TEXT_COLOR);
	else
		text = ui_color(B_MENU_ITEM_TEXT_COLOR);
	menu->SetHighColor(text);

	DrawContent();
	if (menu->Layout() != B_ITEMS_IN_ROW) {
		if (fMark)
			_DrawMark();
		if (fShortcutChar != 0)
			_DrawShortcut();
		if (fSubmenu != NULL)
			_DrawSubmenuArrow();
	}
	menu->SetLowColor(ui_color(B_MENU_BACKGROUND_COLOR));
}

void BMenuItem::_DrawMark()
{
	// A tick, two pixels thick, in the mark column.
	float left = fBounds.left + 6;
	float middle = floorf((fBounds.top + fBounds.bottom) / 2);
	for (float dy = 0; dy < 2; dy++) {
		fSuper->StrokeLine(BPoint(left, middle + dy), BPoint(left + 3, middle + 3 + dy));
		fSuper->StrokeLine(BPoint(left + 3, middle + 3 + dy), BPoint(left + 9, middle - 3 + dy));
	}
}

void BMenuItem::_DrawShortcut()
{
	std::string label = BPrivate::shortcut_label(this);
	font_height height;
	fSuper->GetFontHeight(&height);
	float right = fBounds.right - MenuMetrics::kRightMargin;
	if (fSuper->fHasSubmenus)
		right -= MenuMetrics::kArrowWidth;
	float left = right - fSuper->StringWidth(label.c_str());
	fSuper->DrawString(label.c_str(), BPoint(left, fBounds.top + MenuMetrics::kItemPadding +
	                                                   ceilf(height.ascent)));
}

void BMenuItem::_DrawSubmenuArrow()
{
	// A triangle pointing right, drawn as shrinking columns.
	float left = fBounds.right - MenuMetrics::kArrowWidth + 2;
	float middle = floorf((fBounds.top + fBounds.bottom) / 2);
	for (float i = 0; i < 4; i++)
		fSuper->StrokeLine(BPoint(left + i, middle - 3 + i), BPoint(left + i, middle + 3 - i));
}

// #pragma mark - BSeparatorItem

void BSeparatorItem::GetContentSize(float* width, float* height)
{
	if (width != NULL)
		*width = 0;
	if (height != NULL)
		*height = MenuMetrics::kSeparatorHeight - 2 * MenuMetrics::kItemPadding;
}

void BSeparatorItem::Draw()
{
	BMenu* menu = Menu();
	if (menu == NULL)
		return;
	BRect frame = Frame();
	float middle = floorf((frame.top + frame.bottom) / 2);
	rgb_color background = ui_color(B_MENU_BACKGROUND_COLOR);
	menu->SetHighColor(tint_color(background, B_DARKEN_2_TINT));
	menu->StrokeLine(BPoint(frame.left + 1, middle), BPoint(frame.right - 1, middle));
	menu->SetHighColor(tint_color(background, B_LIGHTEN_2_TINT));
	menu->StrokeLine(BPoint(frame.left + 1, middle + 1), BPoint(frame.right - 1, middle + 1));
}
