#include "interface/MenuWindow.h"

#include <AppDefs.h>
#include <Menu.h>
#include <Message.h>

#include "interface/MenuTracker.h"
#include "interface/WindowPrivate.h"

namespace BPrivate {

MenuWindow::MenuWindow(BRect frame, BMenu* menu, const BMessenger& tracker)
    : BWindow(frame, menu->Name() != NULL ? menu->Name() : "", B_NO_BORDER_WINDOW_LOOK,
              kMenuWindowFeel,
              B_NOT_MOVABLE | B_NOT_CLOSABLE | B_NOT_ZOOMABLE | B_NOT_MINIMIZABLE |
                  B_NOT_RESIZABLE | B_AVOID_FOCUS | B_WILL_ACCEPT_FIRST_CLICK,
              B_ALL_WORKSPACES),
      fMenu(menu), fTracker(tracker)
{
	menu->MoveTo(0, 0);
	menu->ResizeTo(Bounds().Width(), Bounds().Height());
	AddChild(menu);
}

MenuWindow::~MenuWindow()
{
	if (!IsLocked())
		Lock();
	if (fMenu != NULL && fMenu->Window() == this)
		RemoveChild(fMenu);
}

void MenuWindow::DispatchMessage(BMessage* message, BHandler* handler)
{
	switch (message->what) {
		case B_MOUSE_DOWN:
		case B_MOUSE_UP:
		case B_MOUSE_MOVED:
		case B_KEY_DOWN: {
			BMessage forwarded(*message);
			BPoint where;
			if (!forwarded.HasPoint("screen_where") && forwarded.FindPoint("where", &where) == B_OK)
				forwarded.AddPoint("screen_where", ConvertToScreen(where));
			fTracker.SendMessage(&forwarded);
			return;
		}
		case B_MOUSE_WHEEL_CHANGED:
		case B_KEY_UP:
		case B_UNMAPPED_KEY_DOWN:
		case B_UNMAPPED_KEY_UP:
		case B_MODIFIERS_CHANGED:
			return;
		default:
			BWindow::DispatchMessage(message, handler);
			return;
	}
}

bool MenuWindow::QuitRequested()
{
	BMessage cancel(kMsgCancelTracking);
	fTracker.SendMessage(&cancel);
	return true;
}

} // namespace BPrivate
