#ifndef _DESKTOP_VIEW_H
#define _DESKTOP_VIEW_H

#include <View.h>

#include <string>

class BPopUpMenu;
class BShelf;

// The desktop's background: its view colour is the wallpaper, which the
// platform paints before Draw; Draw itself paints only what lies over it,
// also over the replicants (B_DRAW_ON_CHILDREN), so that a locked replicant
// that asks its parent to draw over it shows the same as the bare desktop.
// Holds the shelf of replicants, which loads them as the view is made.
class DesktopView : public BView {
public:
	// |shelfPath|: the file the shelf loads from and saves to; empty for a
	// shelf that keeps nothing.
	DesktopView(BRect frame, const std::string& shelfPath);
	~DesktopView() override;

	void MessageReceived(BMessage* message) override;
	void MouseDown(BPoint where) override;

	BShelf* Shelf() const { return fShelf; }
	// The context menu as it would open now, owned by the caller; its items
	// target this view once it is in a window.
	BPopUpMenu* MakeContextMenu();

	static const rgb_color kBackground;

private:
	BShelf* fShelf; // owned; deleted before the view lets its children go
};

// Codes of the context menu's items.
enum {
	kMsgShowReplicants = 'dSRp'
};

#endif
