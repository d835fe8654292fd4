#ifndef PL_POP_UP_MENU_H
#define PL_POP_UP_MENU_H

#include <PopUpMenu.h>

class BView;

// The context menu of a document window, built afresh for each click on the
// secondary button: zoom commands, the list of open windows with the active
// one marked, "About", "Close" and "Quit". Its commands go to the clicked
// viewing view, "About" to the application. The menu is a snapshot: it does
// not follow windows that open or close while it is up.
class PLPopUpMenu : public BPopUpMenu {
public:
	// Runs in the clicked window's thread, with that window locked.
	PLPopUpMenu(BView* target);
	virtual ~PLPopUpMenu();

private:
	void _AddWindowItems(BMenu* menu);
};

#endif
