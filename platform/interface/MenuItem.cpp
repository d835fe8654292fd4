#include <MenuItem.h>

#include <stdlib.h>
#include <string.h>

#include <InterfaceDefs.h>
#include <Menu.h>
#include <Message.h>
#include <OS.h>

BMenuItem::BMenuItem(const char* label, BMessage* message, char shortcut, uint32 modifiers)
    : BInvoker(message, NULL)
{
	_InitData();
	SetLabel(label);
	SetShortcut(shortcut, modifiers);
}

BMenuItem::BMenuItem(BMenu* submenu, BMessage* message) : BInvoker(message, NULL)
{
	_InitData();
	_SetSubmenu(submenu);
}

BMenuItem::BMenuItem(BMessage* archive) : BArchivable(archive)
{
	_InitData();
	if (archive == NULL)
		return;

	const char* label = NULL;
	if (archive->FindString("_label", &label) == B_OK)
		SetLabel(label);
	bool flag = false;
	if (archive->FindBool("_disable", &flag) == B_OK)
		fEnabled = !flag;
	if (archive->FindBool("_marked", &flag) == B_OK)
		fMark = flag;
	int32 shortcut = 0;
	int32 modifiers = 0;
	if (archive->FindInt32("_shortcut", &shortcut) == B_OK) {
		archive->FindInt32("_mods", &modifiers);
		fShortcutChar = static_cast<char>(shortcut);
		fModifiers = static_cast<uint32>(modifiers);
	}

	BMessage* message = new BMessage();
	if (archive->FindMessage("_msg", message) == B_OK)
		SetMessage(message);
	else
		delete message;

	BMessage submenuArchive;
	if (archive->FindMessage("_submenu", &submenuArchive) == B_OK) {
		BArchivable* object = instantiate_object(&submenuArchive);
		BMenu* submenu = dynamic_cast<BMenu*>(object);
		if (submenu != NULL) {
			// The item's own label, archived beside the submenu, wins over
			// the submenu's name.
			char* ownLabel = fLabel;
			fLabel = NULL;
			_SetSubmenu(submenu);
			if (ownLabel != NULL) {
				free(fLabel);
				fLabel = ownLabel;
			}
		} else
			delete object;
	}
}

BMenuItem::~BMenuItem()
{
	if (fSuper != NULL)
		fSuper->RemoveItem(this);
	delete fSubmenu;
	free(fLabel);
}

void BMenuItem::_InitData()
{
	fLabel = NULL;
	fSubmenu = NULL;
	fSuper = NULL;
	fModifiers = 0;
	fShortcutChar = 0;
	fMark = false;
	fEnabled = true;
	fSelected = false;
}

void BMenuItem::_SetSubmenu(BMenu* submenu)
{
	fSubmenu = submenu;
	if (submenu == NULL)
		return;
	submenu->fSuperitem = this;
	SetLabel(submenu->Name());
}

void BMenuItem::_SetSuper(BMenu* super)
{
	fSuper = super;
}

BArchivable* BMenuItem::Instantiate(BMessage* archive)
{
	if (!validate_instantiation(archive, "BMenuItem"))
		return NULL;
	return new BMenuItem(archive);
}

status_t BMenuItem::Archive(BMessage* archive, bool deep) const
{
	status_t status = BArchivable::Archive(archive, deep);
	if (status == B_OK && fLabel != NULL)
		status = archive->AddString("_label", fLabel);
	if (status == B_OK && !fEnabled)
		status = archive->AddBool("_disable", true);
	if (status == B_OK && fMark)
		status = archive->AddBool("_marked", true);
	if (status == B_OK && fShortcutChar != 0) {
		status = archive->AddInt32("_shortcut", fShortcutChar);
		if (status == B_OK)
			status = archive->AddInt32("_mods", static_cast<int32>(fModifiers));
	}
	if (status == B_OK && Message() != NULL)
		status = archive->AddMessage("_msg", Message());
	if (status == B_OK && deep && fSubmenu != NULL) {
		BMessage submenuArchive;
		status = fSubmenu->Archive(&submenuArchive, true);
		if (status == B_OK)
			status = archive->AddMessage("_submenu", &submenuArchive);
	}
	return status;
}

void BMenuItem::SetLabel(const char* label)
{
	char* copy = label != NULL ? strdup(label) : NULL;
	free(fLabel);
	fLabel = copy;
}

void BMenuItem::SetEnabled(bool enable)
{
	fEnabled = enable;
	if (fSubmenu != NULL)
		fSubmenu->SetEnabled(enable);
}

void BMenuItem::SetMarked(bool mark)
{
	fMark = mark;
	if (mark && fSuper != NULL)
		fSuper->_ItemMarked(this);
}

void BMenuItem::SetShortcut(char shortcut, uint32 modifiers)
{
	fShortcutChar = shortcut;
	fModifiers = shortcut != 0 ? (modifiers | B_COMMAND_KEY) : 0;
}

const char* BMenuItem::Label() const
{
	return fLabel != NULL ? fLabel : "";
}

bool BMenuItem::IsEnabled() const
{
	if (!fEnabled)
		return false;
	if (fSubmenu != NULL && !fSubmenu->IsEnabled())
		return false;
	return fSuper == NULL || fSuper->IsEnabled();
}

bool BMenuItem::IsMarked() const
{
	return fMark;
}

char BMenuItem::Shortcut(uint32* modifiers) const
{
	if (modifiers != NULL)
		*modifiers = fModifiers;
	return fShortcutChar;
}

BMenu* BMenuItem::Submenu() const
{
	return fSubmenu;
}

BMenu* BMenuItem::Menu() const
{
	return fSuper;
}

BRect BMenuItem::Frame() const
{
	return fBounds;
}

status_t BMenuItem::Invoke(BMessage* message)
{
	if (!IsEnabled())
		return B_ERROR;
	if (fSuper != NULL && fSuper->IsRadioMode())
		SetMarked(true);

	if (message == NULL)
		message = Message();
	if (message == NULL)
		return B_BAD_VALUE;

	BMessage copy(*message);
	copy.AddInt64("when", system_time());
	copy.AddPointer("source", this);
	copy.AddInt32("index", fSuper != NULL ? fSuper->IndexOf(this) : -1);
	return BInvoker::Invoke(&copy);
}
