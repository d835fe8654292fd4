#include "desktop/DesktopView.h"

#include <Application.h>
#include <Dragger.h>
#include <Entry.h>
#include <MenuItem.h>
#include <Message.h>
#include <PopUpMenu.h>
#include <Shelf.h>
#include <Window.h>

// Haiku's desktop blue.
const rgb_color DesktopView::kBackground = {51, 102, 152, 255};

DesktopView::DesktopView(BRect frame, const std::string& shelfPath)
    : BView(frame, "Desktop", B_FOLLOW_ALL_SIDES, B_WILL_DRAW | B_DRAW_ON_CHILDREN),
      fShelf(NULL)
{
	SetViewColor(kBackground);
	entry_ref ref;
	if (!shelfPath.empty() && get_ref_for_path(shelfPath.c_str(), &ref) == B_OK)
		fShelf = new BShelf(&ref, this, true, "DesktopShelf");
	else
		fShelf = new BShelf(this, true, "DesktopShelf");
}

DesktopView::~DesktopView()
{
	// The shelf saves what is shelved now, while the replicants still live.
	delete fShelf;
}

BPopUpMenu* DesktopView::MakeContextMenu()
{
	BPopUpMenu* menu = new BPopUpMenu("Desktop", false, false);
	BMenuItem* show = new BMenuItem("Show Replicants", new BMessage(kMsgShowReplicants));
	show->SetMarked(BDragger::AreDraggersDrawn());
	menu->AddItem(show);
	menu->AddSeparatorItem();
	menu->AddItem(new BMenuItem("About", new BMessage(B_ABOUT_REQUESTED)));
	menu->AddItem(new BMenuItem("Quit", new BMessage(B_QUIT_REQUESTED)));
	// The switch is this view's; About and Quit are the application's.
	show->SetTarget(this);
	for (int32 i = 1; i < menu->CountItems(); i++) {
		if (BMenuItem* item = menu->ItemAt(i))
			item->SetTarget(be_app);
	}
	return menu;
}

void DesktopView::MouseDown(BPoint where)
{
	BMessage* message = Window() != NULL ? Window()->CurrentMessage() : NULL;
	int32 buttons = 0;
	if (message != NULL)
		message->FindInt32("buttons", &buttons);
	if ((buttons & B_SECONDARY_MOUSE_BUTTON) == 0)
		return;
	BPopUpMenu* menu = MakeContextMenu();
	menu->SetAsyncAutoDestruct(true);
	BPoint screen = ConvertToScreen(where);
	menu->Go(screen, true, false, BRect(screen - BPoint(2, 2), screen + BPoint(2, 2)), true);
}

void DesktopView::MessageReceived(BMessage* message)
{
	switch (message->what) {
		case kMsgShowReplicants:
			if (BDragger::AreDraggersDrawn())
				BDragger::HideAllDraggers();
			else
				BDragger::ShowAllDraggers();
			break;
		default:
			BView::MessageReceived(message);
			break;
	}
}
