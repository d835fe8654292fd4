#ifndef _MENU_WINDOW_H
#define _MENU_WINDOW_H

#include <Messenger.h>
#include <Window.h>

class BMenu;

namespace BPrivate {

// The window of one open menu: an undecorated pop-up surface that is never
// focused, holding the menu as its only view. It tracks nothing itself: the
// pointer and keys it receives (all of them, while the menus hold the grab)
// go to the tracker, with the pointer in screen coordinates.
class MenuWindow : public BWindow {
public:
	// Locked, like any new window, until Show().
	MenuWindow(BRect frame, BMenu* menu, const BMessenger& tracker);
	// The menu is removed, never deleted: its item owns it.
	virtual ~MenuWindow();

	virtual void DispatchMessage(BMessage* message, BHandler* handler);
	// An application quitting closes open menus: the tracker hears of it.
	virtual bool QuitRequested();

	BMenu* Menu() const { return fMenu; }

private:
	BMenu* fMenu;
	BMessenger fTracker;
};

} // namespace BPrivate

#endif
