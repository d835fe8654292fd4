#include <PopUpMenu.h>

#include <Message.h>

BPopUpMenu::BPopUpMenu(const char* name, bool radioMode, bool labelFromMarked, menu_layout layout)
    : BMenu(name, layout), fAutoDestruct(false)
{
	// Label-from-marked forces radio mode on, so it is set first and the radio
	// flag given here has the last word only when it is not needed.
	if (labelFromMarked)
		SetLabelFromMarked(true);
	else
		SetRadioMode(radioMode);
}

BPopUpMenu::BPopUpMenu(BMessage* archive) : BMenu(archive), fAutoDestruct(false)
{
	bool flag;
	if (archive != NULL && archive->FindBool("_asyncdelete", &flag) == B_OK)
		fAutoDestruct = flag;
}

BPopUpMenu::~BPopUpMenu() = default;

BArchivable* BPopUpMenu::Instantiate(BMessage* archive)
{
	if (!validate_instantiation(archive, "BPopUpMenu"))
		return NULL;
	return new BPopUpMenu(archive);
}

status_t BPopUpMenu::Archive(BMessage* archive, bool deep) const
{
	status_t status = BMenu::Archive(archive, deep);
	if (status == B_OK && fAutoDestruct)
		status = archive->AddBool("_asyncdelete", true);
	return status;
}

void BPopUpMenu::SetAsyncAutoDestruct(bool on)
{
	fAutoDestruct = on;
}

bool BPopUpMenu::AsyncAutoDestruct() const
{
	return fAutoDestruct;
}
