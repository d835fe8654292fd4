// BMenu as a view: where its items lie, how it draws them and which one is
// selected while it is open.

#include <Menu.h>

#include <math.h>

#include <MenuItem.h>
#include <Window.h>

#include "interface/MenuPrivate.h"

using BPrivate::MenuMetrics;

namespace BPrivate {

MenuMetrics MenuMetrics::For(const BFont& font)
{
	font_height height;
	font.GetHeight(&height);
	MenuMetrics metrics;
	metrics.ascent = ceilf(height.ascent);
	metrics.contentHeight = ceilf(height.ascent) + ceilf(height.descent);
	return metrics;
}

} // namespace BPrivate

void BMenu::AttachedToWindow()
{
	BView::AttachedToWindow();
}

void BMenu::_LayoutItems(BPoint* size)
{
	BFont font;
	GetFont(&font);
	MenuMetrics metrics = MenuMetrics::For(font);

	fHasSubmenus = false;
	fHasShortcuts = false;
	float widest = 0;
	float shortcutWidth = 0;
	for (BMenuItem* item : fItems) {
		float width = 0;
		float height = 0;
		item->GetContentSize(&width, &height);
		if (fMaxContentWidth > 0 && width > fMaxContentWidth)
			width = fMaxContentWidth;
		widest = fmaxf(widest, width);
		if (item->Submenu() != NULL)
			fHasSubmenus = true;
		if (item->Shortcut() != 0) {
			fHasShortcuts = true;
			shortcutWidth =
			    fmaxf(shortcutWidth, StringWidth(BPrivate::shortcut_label(item).c_str()));
		}
	}

	const float border = MenuMetrics::kBorder;
	float x = border;
	float y = border;
	if (fLayout == B_ITEMS_IN_ROW) {
		float rowHeight = metrics.contentHeight + 2 * MenuMetrics::kItemPadding;
		for (BMenuItem* item : fItems) {
			float width = 0;
			float height = 0;
			item->GetContentSize(&width, &height);
			width = ceilf(width) + 2 * MenuMetrics::kRowPadding;
			BPrivate::MenuAccess::SetItemFrame(item, BRect(x, y, x + width - 1, y + rowHeight - 1));
			x += width;
		}
		size->x = x + border - 1;
		size->y = y + rowHeight + border - 1;
		return;
	}

	// Columns (a matrix has no frames of its own here, so it is a column too):
	// the mark, the label, the shortcut and the submenu arrow side by side.
	float width = MenuMetrics::kMarkWidth + ceilf(widest) + MenuMetrics::kRightMargin;
	if (fHasShortcuts)
		width += MenuMetrics::kColumnGap + ceilf(shortcutWidth);
	if (fHasSubmenus)
		width += MenuMetrics::kArrowWidth;
	width = fmaxf(width, MenuMetrics::kMinWidth);
	for (BMenuItem* item : fItems) {
		float itemWidth = 0;
		float itemHeight = 0;
		item->GetContentSize(&itemWidth, &itemHeight);
		float height = ceilf(itemHeight) + 2 * MenuMetrics::kItemPadding;
		BPrivate::MenuAccess::SetItemFrame(item, BRect(x, y, x + width - 1, y + height - 1));
		y += height;
	}
	size->x = width + 2 * border - 1;
	size->y = fmaxf(y, 2 * border + MenuMetrics::kItemPadding) + border - 1;
}

void BMenu::GetPreferredSize(float* width, float* height)
{
	BPoint size;
	_LayoutItems(&size);
	if (width != NULL)
		*width = size.x;
	if (height != NULL)
		*height = size.y;
}

void BMenu::ResizeToPreferred()
{
	float width;
	float height;
	GetPreferredSize(&width, &height);
	ResizeTo(width, height);
}

void BMenu::Draw(BRect updateRect)
{
	SetHighColor(tint_color(ui_color(B_MENU_BACKGROUND_COLOR), B_DARKEN_3_TINT));
	StrokeRect(Bounds());
	for (BMenuItem* item : fItems) {
		if (item->Frame().Intersects(updateRect))
			item->Draw();
	}
}

BMenuItem* BMenu::_ItemAt(BPoint where) const
{
	for (BMenuItem* item : fItems) {
		if (item->Frame().Contains(where))
			return item;
	}
	return NULL;
}

void BMenu::_Select(BMenuItem* item)
{
	if (item == fSelected)
		return;
	if (fSelected != NULL)
		fSelected->_Select(false);
	fSelected = item;
	if (item != NULL)
		item->_Select(true);
}

void BMenu::SetMaxContentWidth(float width)
{
	fMaxContentWidth = width > 0 ? width : 0;
}

float BMenu::MaxContentWidth() const
{
	return fMaxContentWidth;
}
