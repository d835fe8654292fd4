#ifndef _MENU_H
#define _MENU_H

#include <InterfaceDefs.h>
#include <Messenger.h>
#include <View.h>

#include <vector>

class BMenuItem;
class BMessage;

namespace BPrivate {
class MenuAccess;
class MenuTracker;
} // namespace BPrivate

enum menu_layout { B_ITEMS_IN_ROW = 0, B_ITEMS_IN_COLUMN, B_ITEMS_IN_MATRIX };

// A list of items, each a message to send or the entry to a submenu. The menu
// owns its items (and through them its submenus); its name is the label of
// the item that controls it. It is the view that shows its items while it is
// open, each open menu in a window of its own.
class BMenu : public BView {
public:
	BMenu(const char* name, menu_layout layout = B_ITEMS_IN_COLUMN);
	// The view's fields, the name, "_layout", "_radio", "_disable",
	// "_dyn_label" and the items in "_items", each rebuilt by the class name
	// its archive carries.
	BMenu(BMessage* archive);
	virtual ~BMenu();

	static BArchivable* Instantiate(BMessage* archive);
	// Items only when |deep|; their targets are not archived.
	virtual status_t Archive(BMessage* archive, bool deep = true) const;

	virtual void AttachedToWindow();
	virtual void Draw(BRect updateRect);
	// The size that shows every item (BRect units: pixels - 1).
	virtual void GetPreferredSize(float* width, float* height);
	virtual void ResizeToPreferred();

	// Appends; with an index, inserts there (false when the index is past the
	// end or the item already belongs to a menu).
	bool AddItem(BMenuItem* item);
	bool AddItem(BMenuItem* item, int32 index);
	// Adds an item controlling |submenu|, labelled with its name.
	bool AddItem(BMenu* submenu);
	bool AddItem(BMenu* submenu, int32 index);
	bool AddSeparatorItem();

	// The item leaves the menu undeleted; a target that was the menu itself
	// is cleared.
	bool RemoveItem(BMenuItem* item);
	BMenuItem* RemoveItem(int32 index);
	bool RemoveItems(int32 index, int32 count, bool deleteItems = false);
	// Removes and deletes the controlling item; the submenu is the caller's.
	bool RemoveItem(BMenu* submenu);

	// The items present now, of this menu only (not its submenus). Stops at
	// the first item that refuses the target and returns its error.
	virtual status_t SetTargetForItems(BHandler* target);
	virtual status_t SetTargetForItems(BMessenger messenger);

	virtual void SetEnabled(bool enable);
	// Changes no marks.
	virtual void SetRadioMode(bool on);
	// Forces radio mode on.
	void SetLabelFromMarked(bool on);
	bool IsLabelFromMarked();
	bool IsEnabled() const;
	bool IsRadioMode() const;

	BMenuItem* ItemAt(int32 index) const;
	BMenu* SubmenuAt(int32 index) const;
	// Separators count.
	int32 CountItems() const;
	int32 IndexOf(BMenuItem* item) const;
	int32 IndexOf(BMenu* submenu) const;
	// The first match, depth-first: each submenu is searched before the items
	// after its controlling item.
	BMenuItem* FindItem(const char* label) const;
	BMenuItem* FindItem(uint32 command) const;
	// The marked item with the lowest index, or NULL.
	BMenuItem* FindMarked();
	int32 FindMarkedIndex();

	BMenu* Supermenu() const;
	BMenuItem* Superitem() const;
	menu_layout Layout() const;

	// Labels wider than this are cut off; 0 (the default) for no limit.
	void SetMaxContentWidth(float width);
	float MaxContentWidth() const;

protected:
	enum add_state { B_INITIAL_ADD, B_PROCESSING, B_ABORT };

	// Called each time the menu is about to open, in the thread that opens it:
	// first with B_INITIAL_ADD; while it returns true, again with
	// B_PROCESSING; with B_ABORT when the user gave up on the menu meanwhile.
	virtual bool AddDynamicItem(add_state state);

private:
	friend class BMenuItem;
	friend class BPrivate::MenuAccess;
	friend class BPrivate::MenuTracker;

	BMenu(const BMenu&) = delete;
	BMenu& operator=(const BMenu&) = delete;

	void _InitData(menu_layout layout);
	bool _AddItem(BMenuItem* item, int32 index);
	void _ItemMarked(BMenuItem* item);
	// Gives every item its frame; the menu's size comes out in |size|.
	void _LayoutItems(BPoint* size);
	// The item under a point in the menu's coordinates, or NULL.
	BMenuItem* _ItemAt(BPoint where) const;
	void _Select(BMenuItem* item);

	std::vector<BMenuItem*> fItems; // owned
	BMenuItem* fSuperitem;          // the item controlling this menu, or NULL
	BMenuItem* fSelected;           // highlighted while open; window lock
	float fMaxContentWidth;
	menu_layout fLayout;
	bool fEnabled;
	bool fRadioMode;
	bool fLabelFromMarked;
	bool fHasSubmenus; // an arrow column is laid out
	bool fHasShortcuts;
};

#endif
