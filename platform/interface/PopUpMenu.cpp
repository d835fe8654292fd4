#include <PopUpMenu.h>

#include <MenuItem.h>
#include <Message.h>
#include <OS.h>
#include <Window.h>

#include "interface/MenuTracker.h"

using BPrivate::MenuTracker;
using BPrivate::PopUpTracking;

BPopUpMenu::BPopUpMenu(const char* name, bool radioMode, bool labelFromMarked, menu_layout layout)
    : BMenu(name, layout), fTracking(NULL), fAutoDestruct(false)
{
	// Label-from-marked forces radio mode on, so it is set first and the radio
	// flag given here has the last word only when it is not needed.
	if (labelFromMarked)
		SetLabelFromMarked(true);
	else
		SetRadioMode(radioMode);
}

BPopUpMenu::BPopUpMenu(BMessage* archive) : BMenu(archive), fTracking(NULL), fAutoDestruct(false)
{
	bool flag;
	if (archive != NULL && archive->FindBool("_asyncdelete", &flag) == B_OK)
		fAutoDestruct = flag;
}

BPopUpMenu::~BPopUpMenu()
{
	// An open menu closes first; its tracker is done with it once it has
	// finished (and delivered an asynchronous choice).
	if (std::shared_ptr<PopUpTracking> tracking = PopUpTracking::Of(this)) {
		tracking->Cancel();
		tracking->Wait();
	}
}

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

BMenuItem* BPopUpMenu::Go(BPoint where, bool deliversMessage, bool openAnyway, bool async)
{
	return _Go(where, deliversMessage, openAnyway, NULL, async);
}

BMenuItem* BPopUpMenu::Go(BPoint where, bool deliversMessage, bool openAnyway, BRect clickToOpen,
                          bool async)
{
	return _Go(where, deliversMessage, openAnyway, &clickToOpen, async);
}

BPoint BPopUpMenu::ScreenLocation()
{
	return fWhere;
}

// How long a Go() waits for the menu's last tracking to let go of it.
static const bigtime_t kClosingPatience = 500000;

BMenuItem* BPopUpMenu::_Go(BPoint where, bool deliversMessage, bool openAnyway, BRect* clickToOpen,
                           bool async)
{
	// A second Go() on a menu that is open already changes nothing. One that
	// is closing (its windows gone, its choice on its way) is let finish
	// first: a press that opens it again at once is not lost.
	if (std::shared_ptr<PopUpTracking> open = PopUpTracking::Of(this)) {
		if (!open->IsClosing() || !open->WaitFinished(kClosingPatience))
			return NULL;
	}
	fWhere = where;
	BPrivate::TrackingOptions options;
	options.where = ScreenLocation();
	options.openAnyway = openAnyway;
	options.hasClickToOpen = clickToOpen != NULL && clickToOpen->IsValid();
	if (options.hasClickToOpen)
		options.clickToOpen = *clickToOpen;
	options.async = async;
	options.deliversMessage = deliversMessage;

	// Asked for here, before the menu opens: the calling thread is a window's,
	// holding its lock, or not.
	BWindow* caller = dynamic_cast<BWindow*>(BLooper::LooperForThread(find_thread(NULL)));
	if (caller != NULL && !caller->IsLocked())
		caller = NULL;

	std::shared_ptr<PopUpTracking> tracking = MenuTracker::Start(this, options);
	if (tracking == nullptr || async)
		return NULL;
	BMenuItem* chosen = tracking->Wait(caller);
	if (chosen != NULL && deliversMessage)
		chosen->Invoke();
	return chosen;
}
