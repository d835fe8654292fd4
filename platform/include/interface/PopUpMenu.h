#ifndef _POP_UP_MENU_H
#define _POP_UP_MENU_H

#include <Menu.h>

// A menu that opens on its own, wherever it is asked to: as a context menu at
// the pointer, or as the menu of a field. Unlike a plain menu it starts in
// radio mode with its label following the marked item.
class BPopUpMenu : public BMenu {
public:
	BPopUpMenu(const char* name, bool radioMode = true, bool labelFromMarked = true,
	    menu_layout layout = B_ITEMS_IN_COLUMN);
	// The menu's fields and "_asyncdelete".
	BPopUpMenu(BMessage* archive);
	virtual ~BPopUpMenu();

	static BArchivable* Instantiate(BMessage* archive);
	virtual status_t Archive(BMessage* archive, bool deep = true) const;

	// An asynchronous pop-up that deletes itself once it has closed, so the
	// code that opened it need not wait for it.
	void SetAsyncAutoDestruct(bool on);
	bool AsyncAutoDestruct() const;

private:
	bool fAutoDestruct;
};

#endif
