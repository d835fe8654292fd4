#ifndef _DESKTOP_VIEW_H
#define _DESKTOP_VIEW_H

#include <View.h>

#include <sys/types.h>

#include <string>
#include <vector>

class BBitmap;
class BPopUpMenu;
class BShelf;
class IconTheme;

// The desktop's background: its view colour is the wallpaper, which the
// platform paints before Draw; Draw itself paints only what lies over it,
// also over the replicants (B_DRAW_ON_CHILDREN), so that a locked replicant
// that asks its parent to draw over it shows the same as the bare desktop.
// Holds the shelf of replicants, which loads them as the view is made.
class DesktopView : public BView {
public:
	// |shelfPath|: the file the shelf loads from and saves to; empty for a
	// shelf that keeps nothing. |folder|: whose files show as icons; empty
	// for none.
	// |theme|: where icons come from, owned by the view; NULL for the
	// installed themes.
	DesktopView(BRect frame, const std::string& shelfPath, const std::string& folder = "",
	            IconTheme* theme = NULL);
	~DesktopView() override;

	void AttachedToWindow() override;
	void DetachedFromWindow() override;
	void Draw(BRect updateRect) override;
	void DrawAfterChildren(BRect updateRect) override;
	void MessageReceived(BMessage* message) override;
	void MouseDown(BPoint where) override;

	// The icons, in grid order, their names and the selected one (-1: none).
	int32 CountIcons() const { return (int32) fNames.size(); }
	const std::string& IconName(int32 index) const { return fNames[index]; }
	// The theme's picture for it; NULL when the built-in one is drawn.
	const BBitmap* IconBitmap(int32 index) const { return fIcons[index]; }
	BRect IconCell(int32 index) const;
	int32 Selection() const { return fSelection; }
	// Reads the folder again; the selected file stays selected.
	void Rescan();

	BShelf* Shelf() const { return fShelf; }
	// The context menu as it would open now, owned by the caller; its items
	// target this view once it is in a window.
	BPopUpMenu* MakeContextMenu();

	static const rgb_color kBackground;

private:
	// Hears the folder's entries come, go and change name, and its parent
	// for the folder's own coming and going.
	void _WatchFolder();
	void _HandleNodeMonitor(BMessage* message);
	int32 _IconAt(BPoint where) const;
	void _Select(int32 index);
	void _Open(int32 index);
	// Hands |path| to the desktop's usual opener.
	void _XdgOpen(const std::string& path);
	void _DrawIcon(int32 index);
	// The file's type as the storage kit tells it, "inode/directory" for a
	// folder.
	std::string _TypeOf(const std::string& name) const;

	BShelf* fShelf; // owned; deleted before the view lets its children go
	std::string fFolder;
	std::vector<std::string> fNames;
	std::vector<const BBitmap*> fIcons; // by fNames' index, owned by fTheme
	IconTheme* fTheme;                  // owned
	int32 fSelection;
	bool fWatching;      // the folder is watched
	ino_t fFolderNode;   // its node, while watched; 0 while there is none
	ino_t fParentNode;   // its parent's, while watched
	bool fRescanPosted;  // a rescan is queued for the node monitor's news
	std::vector<pid_t> fOpeners; // xdg-open children not yet reaped
};

// Codes of the context menu's items.
enum {
	kMsgShowReplicants = 'dSRp',
	kMsgOpenFolder = 'dOFo',
	// Posted to itself: the folder changed, read it once for a burst of news.
	kMsgRescan = 'dRsc'
};

#endif
