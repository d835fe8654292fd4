#include <Menu.h>

#include <string.h>

#include <MenuItem.h>
#include <Message.h>

#include "interface/MenuPrivate.h"

BMenu::BMenu(const char* name, menu_layout layout)
    : BView(BRect(0, 0, 0, 0), name, B_FOLLOW_LEFT | B_FOLLOW_TOP, B_WILL_DRAW)
{
	_InitData(layout);
}

BMenu::BMenu(BMessage* archive) : BView(archive)
{
	_InitData(B_ITEMS_IN_ROW);
	if (archive == NULL)
		return;

	int32 layout;
	if (archive->FindInt32("_layout", &layout) == B_OK && layout >= B_ITEMS_IN_ROW &&
	    layout <= B_ITEMS_IN_MATRIX)
		fLayout = static_cast<menu_layout>(layout);
	bool flag;
	if (archive->FindBool("_radio", &flag) == B_OK)
		fRadioMode = flag;
	if (archive->FindBool("_dyn_label", &flag) == B_OK)
		SetLabelFromMarked(flag);
	if (archive->FindBool("_disable", &flag) == B_OK)
		fEnabled = !flag;

	BMessage itemArchive;
	for (int32 i = 0; archive->FindMessage("_items", i, &itemArchive) == B_OK; i++) {
		BArchivable* object = instantiate_object(&itemArchive);
		BMenuItem* item = dynamic_cast<BMenuItem*>(object);
		if (item == NULL) {
			delete object;
			continue;
		}
		// Marks come back as archived, even several in a radio menu: the
		// archive is the authority on what was chosen.
		_AddItem(item, CountItems());
	}
}

BMenu::~BMenu()
{
	for (BMenuItem* item : fItems) {
		item->_SetSuper(NULL);
		delete item;
	}
	fItems.clear();
	if (fSuperitem != NULL)
		fSuperitem->fSubmenu = NULL;
}

void BMenu::_InitData(menu_layout layout)
{
	fSuperitem = NULL;
	fSelected = NULL;
	fMaxContentWidth = 0;
	fLayout = layout;
	fEnabled = true;
	fRadioMode = false;
	fLabelFromMarked = false;
	fHasSubmenus = false;
	fHasShortcuts = false;
	SetViewColor(ui_color(B_MENU_BACKGROUND_COLOR));
	SetLowColor(ui_color(B_MENU_BACKGROUND_COLOR));
	SetFont(be_plain_font);
}

BArchivable* BMenu::Instantiate(BMessage* archive)
{
	if (!validate_instantiation(archive, "BMenu"))
		return NULL;
	return new BMenu(archive);
}

status_t BMenu::Archive(BMessage* archive, bool deep) const
{
	status_t status = BView::Archive(archive, deep);
	if (status == B_OK)
		status = archive->AddInt32("_layout", fLayout);
	if (status == B_OK)
		status = archive->AddBool("_radio", fRadioMode);
	if (status == B_OK)
		status = archive->AddBool("_dyn_label", fLabelFromMarked);
	if (status == B_OK && !fEnabled)
		status = archive->AddBool("_disable", true);
	if (status != B_OK || !deep)
		return status;

	for (const BMenuItem* item : fItems) {
		BMessage itemArchive;
		status = item->Archive(&itemArchive, true);
		if (status == B_OK)
			status = archive->AddMessage("_items", &itemArchive);
		if (status != B_OK)
			return status;
	}
	return B_OK;
}

bool BMenu::_AddItem(BMenuItem* item, int32 index)
{
	if (item == NULL || item->fSuper != NULL || index < 0 || index > CountItems())
		return false;
	fItems.insert(fItems.begin() + index, item);
	item->_SetSuper(this);
	return true;
}

bool BMenu::AddItem(BMenuItem* item)
{
	return _AddItem(item, CountItems());
}

bool BMenu::AddItem(BMenuItem* item, int32 index)
{
	return _AddItem(item, index);
}

bool BMenu::AddItem(BMenu* submenu)
{
	return AddItem(submenu, CountItems());
}

bool BMenu::AddItem(BMenu* submenu, int32 index)
{
	if (submenu == NULL || submenu->fSuperitem != NULL || index < 0 || index > CountItems())
		return false;
	BMenuItem* item = new BMenuItem(submenu);
	if (!_AddItem(item, index)) {
		item->fSubmenu = NULL;
		submenu->fSuperitem = NULL;
		delete item;
		return false;
	}
	return true;
}

bool BMenu::AddSeparatorItem()
{
	return AddItem(new BSeparatorItem());
}

bool BMenu::RemoveItems(int32 index, int32 count, bool deleteItems)
{
	if (index < 0 || count < 0 || index + count > CountItems())
		return false;
	std::vector<BMenuItem*> removed(fItems.begin() + index, fItems.begin() + index + count);
	fItems.erase(fItems.begin() + index, fItems.begin() + index + count);
	for (BMenuItem* item : removed) {
		if (item == fSelected)
			fSelected = NULL;
		item->fSelected = false;
		item->_SetSuper(NULL);
		// A target that was this menu makes no sense for a free item.
		if (item->Target() == this)
			item->SetTarget(BMessenger());
		if (deleteItems)
			delete item;
	}
	return true;
}

bool BMenu::RemoveItem(BMenuItem* item)
{
	int32 index = IndexOf(item);
	return index >= 0 && RemoveItems(index, 1, false);
}

BMenuItem* BMenu::RemoveItem(int32 index)
{
	BMenuItem* item = ItemAt(index);
	if (item != NULL)
		RemoveItems(index, 1, false);
	return item;
}

bool BMenu::RemoveItem(BMenu* submenu)
{
	int32 index = IndexOf(submenu);
	if (index < 0)
		return false;
	BMenuItem* item = ItemAt(index);
	RemoveItems(index, 1, false);
	item->fSubmenu = NULL;
	submenu->fSuperitem = NULL;
	delete item;
	return true;
}

status_t BMenu::SetTargetForItems(BHandler* target)
{
	for (BMenuItem* item : fItems) {
		status_t status = item->SetTarget(target);
		if (status != B_OK)
			return status;
	}
	return B_OK;
}

status_t BMenu::SetTargetForItems(BMessenger messenger)
{
	for (BMenuItem* item : fItems) {
		status_t status = item->SetTarget(messenger);
		if (status != B_OK)
			return status;
	}
	return B_OK;
}

void BMenu::SetEnabled(bool enable)
{
	fEnabled = enable;
}

void BMenu::SetRadioMode(bool on)
{
	fRadioMode = on;
	if (!on)
		fLabelFromMarked = false;
}

void BMenu::SetLabelFromMarked(bool on)
{
	fLabelFromMarked = on;
	if (on)
		fRadioMode = true;
}

bool BMenu::IsLabelFromMarked()
{
	return fLabelFromMarked;
}

bool BMenu::IsEnabled() const
{
	if (!fEnabled)
		return false;
	const BMenu* super = Supermenu();
	return super == NULL || super->IsEnabled();
}

bool BMenu::IsRadioMode() const
{
	return fRadioMode;
}

BMenuItem* BMenu::ItemAt(int32 index) const
{
	if (index < 0 || index >= CountItems())
		return NULL;
	return fItems[index];
}

BMenu* BMenu::SubmenuAt(int32 index) const
{
	BMenuItem* item = ItemAt(index);
	return item != NULL ? item->Submenu() : NULL;
}

int32 BMenu::CountItems() const
{
	return static_cast<int32>(fItems.size());
}

int32 BMenu::IndexOf(BMenuItem* item) const
{
	for (size_t i = 0; i < fItems.size(); i++) {
		if (fItems[i] == item)
			return static_cast<int32>(i);
	}
	return -1;
}

int32 BMenu::IndexOf(BMenu* submenu) const
{
	if (submenu == NULL)
		return -1;
	for (size_t i = 0; i < fItems.size(); i++) {
		if (fItems[i]->Submenu() == submenu)
			return static_cast<int32>(i);
	}
	return -1;
}

BMenuItem* BMenu::FindItem(const char* label) const
{
	if (label == NULL)
		return NULL;
	for (BMenuItem* item : fItems) {
		if (!BPrivate::MenuAccess::IsSeparator(item) && strcmp(item->Label(), label) == 0)
			return item;
		if (item->Submenu() != NULL) {
			BMenuItem* found = item->Submenu()->FindItem(label);
			if (found != NULL)
				return found;
		}
	}
	return NULL;
}

BMenuItem* BMenu::FindItem(uint32 command) const
{
	for (BMenuItem* item : fItems) {
		if (item->Message() != NULL && item->Message()->what == command)
			return item;
		if (item->Submenu() != NULL) {
			BMenuItem* found = item->Submenu()->FindItem(command);
			if (found != NULL)
				return found;
		}
	}
	return NULL;
}

BMenuItem* BMenu::FindMarked()
{
	for (BMenuItem* item : fItems) {
		if (item->IsMarked())
			return item;
	}
	return NULL;
}

int32 BMenu::FindMarkedIndex()
{
	return IndexOf(FindMarked());
}

BMenu* BMenu::Supermenu() const
{
	return fSuperitem != NULL ? fSuperitem->Menu() : NULL;
}

BMenuItem* BMenu::Superitem() const
{
	return fSuperitem;
}

menu_layout BMenu::Layout() const
{
	return fLayout;
}

bool BMenu::AddDynamicItem(add_state)
{
	return false;
}

void BMenu::_ItemMarked(BMenuItem* item)
{
	if (fRadioMode) {
		for (BMenuItem* other : fItems) {
			if (other != item)
				other->fMark = false;
		}
	}
	if (fLabelFromMarked && fSuperitem != NULL)
		fSuperitem->SetLabel(item->Label());
}

namespace BPrivate {

bool MenuAccess::AddDynamicItems(BMenu* menu, const std::function<bool()>& stillWanted)
{
	if (!menu->AddDynamicItem(BMenu::B_INITIAL_ADD))
		return true;
	do {
		if (stillWanted && !stillWanted()) {
			menu->AddDynamicItem(BMenu::B_ABORT);
			return false;
		}
	} while (menu->AddDynamicItem(BMenu::B_PROCESSING));
	return true;
}

bool MenuAccess::IsSeparator(const BMenuItem* item)
{
	return dynamic_cast<const BSeparatorItem*>(item) != NULL;
}

} // namespace BPrivate
