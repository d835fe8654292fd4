#include "view/PLPopUpMenu.h"

#include <string>
#include <vector>

#include <Application.h>
#include <MenuItem.h>
#include <Message.h>
#include <Messenger.h>
#include <Window.h>

#include "app/PLApplication.h"
#include "view/Commands.h"
#include "view/PLControlView.h"

namespace {

// Another window is locked only briefly to read its file name. Two windows
// that open their menus at the same moment each wait for the other at most
// this long, and then leave the other's item out rather than deadlock.
const bigtime_t kWindowLockTimeout = 250000;

BMenuItem* make_item(const char* label, uint32 command)
{
	return new BMenuItem(label, new BMessage(command), 0, 0);
}

// The file name that |window| shows, read under the window's lock; false
// when the window has gone, stayed busy, or shows no viewing view.
bool read_file_name(const BMessenger& window, std::string* name)
{
	if (window.LockTargetWithTimeout(kWindowLockTimeout) != B_OK)
		return false;
	BLooper* looper = NULL;
	window.Target(&looper);
	BWindow* locked = dynamic_cast<BWindow*>(looper);
	PLControlView* view = locked != NULL ? dynamic_cast<PLControlView*>(locked->ChildAt(0)) : NULL;
	if (view != NULL)
		*name = view->FileName();
	if (looper != NULL)
		looper->Unlock();
	return view != NULL;
}

} // namespace

PLPopUpMenu::PLPopUpMenu(BView* target) : BPopUpMenu(NULL, false, false, B_ITEMS_IN_COLUMN)
{
	BMenu* zoom = new BMenu("Zoom", B_ITEMS_IN_COLUMN);
	zoom->AddItem(make_item("In", kMsgZoomIn));
	zoom->AddItem(make_item("In winthout Resize", kMsgZoomInKeepWindow));
	zoom->AddItem(make_item("Out", kMsgZoomOut));
	zoom->AddItem(make_item("Out winthout Resize", kMsgZoomOutKeepWindow));
	zoom->AddItem(make_item("100%", kMsgNormalSize));
	zoom->AddItem(make_item("Fit To Screen", kMsgFitToScreen));
	zoom->SetTargetForItems(target);
	AddItem(zoom);
	AddSeparatorItem();

	BMenu* windows = new BMenu("Window", B_ITEMS_IN_COLUMN);
	windows->AddItem(make_item("Previous", kMsgPreviousWindow));
	windows->AddItem(make_item("Next", kMsgNextWindow));
	windows->AddSeparatorItem();
	_AddWindowItems(windows);
	windows->SetTargetForItems(target);
	AddItem(windows);
	AddSeparatorItem();

	BMenuItem* about = make_item("About", B_ABOUT_REQUESTED);
	about->SetTarget(be_app);
	AddItem(about);
	BMenuItem* close = make_item("Close", kMsgCloseWindow);
	close->SetTarget(target);
	AddItem(close);
	AddSeparatorItem();
	BMenuItem* quit = make_item("Quit", kMsgQuitApplication);
	quit->SetTarget(target);
	AddItem(quit);
}

PLPopUpMenu::~PLPopUpMenu() {}

void PLPopUpMenu::_AddWindowItems(BMenu* menu)
{
	PLApplication* application = dynamic_cast<PLApplication*>(be_app);
	if (application == NULL)
		return;
	std::vector<BMessenger> list;
	application->GetWindowList(list);
	int active = application->ActiveWindow();

	for (size_t i = 0; i < list.size(); i++) {
		// A window that cannot be read leaves no item; the others keep the
		// index of their place in the application's list.
		std::string name;
		if (!read_file_name(list[i], &name))
			continue;
		BMessage* message = new BMessage(kMsgActivateWindow);
		message->AddInt32("index", (int32) i);
		BMenuItem* item = new BMenuItem(name.c_str(), message, 0, 0);
		if ((int) i == active)
			item->SetMarked(true);
		menu->AddItem(item);
	}
}
