#ifndef _MENU_ITEM_H
#define _MENU_ITEM_H

#include <Archivable.h>
#include <Invoker.h>
#include <Rect.h>

class BMenu;
class BMessage;

namespace BPrivate {
class MenuAccess;
}

// One entry of a menu: a label with a message to send, or the controlling
// item of a submenu. The item owns its message and its submenu; the menu that
// holds it owns the item.
class BMenuItem : public BArchivable, public BInvoker {
public:
	// A shortcut character implies B_COMMAND_KEY in |modifiers|, as it does
	// in the Be API.
	BMenuItem(const char* label, BMessage* message, char shortcut = 0, uint32 modifiers = 0);
	// Labelled with the submenu's name.
	BMenuItem(BMenu* submenu, BMessage* message = NULL);
	BMenuItem(BMessage* archive);
	virtual ~BMenuItem();

	static BArchivable* Instantiate(BMessage* archive);
	// "_label", "_disable", "_marked", "_shortcut" and "_mods", "_msg", and
	// with |deep| "_submenu". The target is not archived.
	virtual status_t Archive(BMessage* archive, bool deep = true) const;

	virtual void SetLabel(const char* label);
	virtual void SetEnabled(bool enable);
	// In a radio-mode menu marking an item unmarks the others; in a menu that
	// takes its label from the marked item, the controlling item takes this
	// item's label.
	virtual void SetMarked(bool mark);
	virtual void SetShortcut(char shortcut, uint32 modifiers);

	const char* Label() const;
	// False also while the menu holding the item is disabled.
	bool IsEnabled() const;
	bool IsMarked() const;
	char Shortcut(uint32* modifiers = NULL) const;
	// The item is under the pointer (or chosen by key) in an open menu.
	bool IsSelected() const;

	BMenu* Submenu() const;
	BMenu* Menu() const;
	// Where the item lies in its menu's coordinates, once the menu was laid out.
	BRect Frame() const;

	// Sends a copy of the message (or of |message|) with "when", "source" and
	// "index" appended; a field of the same name that the message already has
	// stays item 0. Marks the item first in a radio-mode menu. B_ERROR for a
	// disabled item, B_BAD_VALUE without a message.
	virtual status_t Invoke(BMessage* message = NULL);

protected:
	// The label's size in the menu's font.
	virtual void GetContentSize(float* width, float* height);
	// The label, from ContentLocation(); the menu's colours are set.
	virtual void DrawContent();
	// The whole item into its menu (locked, in its window): background,
	// mark, content, shortcut and submenu arrow.
	virtual void Draw();
	// Redraws the item as selected or not.
	virtual void Highlight(bool on);
	// Left-top of the content in the menu's coordinates.
	BPoint ContentLocation() const;

private:
	friend class BMenu;
	friend class BPrivate::MenuAccess;

	BMenuItem(const BMenuItem&) = delete;
	BMenuItem& operator=(const BMenuItem&) = delete;

	void _InitData();
	void _SetSubmenu(BMenu* submenu);
	void _SetSuper(BMenu* super);
	void _Select(bool selected);
	void _DrawMark();
	void _DrawShortcut();
	void _DrawSubmenuArrow();

	char* fLabel;    // owned; NULL is ""
	BMenu* fSubmenu; // owned
	BMenu* fSuper;   // the menu that holds the item, or NULL
	BRect fBounds;   // laid out by the menu, in its coordinates
	uint32 fModifiers;
	char fShortcutChar;
	bool fMark;
	bool fEnabled;  // the item's own flag; IsEnabled() also asks the menu
	bool fSelected; // the menu's window lock
};

// A line between groups of items. It has an index like any item, is never
// enabled and never invoked.
class BSeparatorItem : public BMenuItem {
public:
	BSeparatorItem();
	BSeparatorItem(BMessage* archive);
	virtual ~BSeparatorItem();

	static BArchivable* Instantiate(BMessage* archive);
	virtual status_t Archive(BMessage* archive, bool deep = true) const;

	virtual void SetEnabled(bool enable);

protected:
	virtual void GetContentSize(float* width, float* height);
	virtual void Draw();
};

#endif
