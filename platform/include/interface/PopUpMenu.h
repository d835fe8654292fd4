#ifndef _POP_UP_MENU_H
#define _POP_UP_MENU_H

#include <Menu.h>

namespace BPrivate {
struct PopUpTracking;
}

// A menu that opens on its own, wherever it is asked to: as a context menu at
// the pointer, or as the menu of a field. Unlike a plain menu it starts in
// radio mode with its label following the marked item.
class BPopUpMenu : public BMenu {
public:
	BPopUpMenu(const char* name, bool radioMode = true, bool labelFromMarked = true,
	           menu_layout layout = B_ITEMS_IN_COLUMN);
	// The menu's fields and "_asyncdelete".
	BPopUpMenu(BMessage* archive);
	// An open menu is closed first, without a choice.
	virtual ~BPopUpMenu();

	static BArchivable* Instantiate(BMessage* archive);
	virtual status_t Archive(BMessage* archive, bool deep = true) const;

	// Opens the menu with its left-top at |screenWhere| (moved to stay on
	// the screen) and lets the user choose.
	//
	// Synchronous: returns when the menu has closed, with the chosen item or
	// NULL, and invokes the item first when |deliversMessage|. The calling
	// thread may be a window's, holding its lock: the menu runs in windows and
	// a thread of its own and never needs the caller's lock.
	//
	// Asynchronous: returns NULL at once; the chosen item is invoked when the
	// menu closes, and with SetAsyncAutoDestruct(true) the menu then deletes
	// itself.
	//
	// Releasing the button that opened the menu closes it unless the pointer
	// is still where the menu opened, over an item, inside |clickToOpen|
	// (screen coordinates) or |openAnyway| is set; the menu then stays open
	// until a click.
	BMenuItem* Go(BPoint screenWhere, bool deliversMessage = false, bool openAnyway = false,
	              bool async = false);
	BMenuItem* Go(BPoint screenWhere, bool deliversMessage, bool openAnyway, BRect clickToOpen,
	              bool async = false);

	// An asynchronous pop-up that deletes itself once it has closed, so the
	// code that opened it need not wait for it.
	void SetAsyncAutoDestruct(bool on);
	bool AsyncAutoDestruct() const;

protected:
	// Where the left-top of the menu goes for Go(|where|).
	virtual BPoint ScreenLocation();

private:
	friend struct BPrivate::PopUpTracking;

	BMenuItem* _Go(BPoint where, bool deliversMessage, bool openAnyway, BRect* clickToOpen,
	               bool async);

	BPoint fWhere;                      // of the Go() in progress
	BPrivate::PopUpTracking* fTracking; // the menu is open; guarded by its own lock
	bool fAutoDestruct;
};

#endif
