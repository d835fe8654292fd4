#ifndef _DRAGGER_H
#define _DRAGGER_H

#include <View.h>

class BBitmap;
class BPopUpMenu;

// The handle by which a view is dragged out of its window as a replicant. It
// is a small view named "_dragger_" that lies on top of its target: its
// parent (the usual case), its only child, or a sibling, decided when it is
// attached. A primary-button drag archives the target deep into a
// B_ARCHIVED_OBJECT message and starts a drag with it; the secondary button
// opens the pop-up menu. The dragger owns its pop-up menu.
class BDragger : public BView {
public:
	BDragger(BRect frame, BView* target, uint32 resizingMode = B_FOLLOW_NONE,
	         uint32 flags = B_WILL_DRAW);
	// Restores "_rel" and the pop-up archived in "_popup", whatever classes
	// its items and submenus are, as long as they are registered.
	BDragger(BMessage* archive);
	virtual ~BDragger();

	static BArchivable* Instantiate(BMessage* archive);
	// The view's fields, "_rel" and, whenever a pop-up exists, "_popup".
	virtual status_t Archive(BMessage* archive, bool deep = true) const;

	virtual void AttachedToWindow();
	virtual void DetachedFromWindow();
	virtual void Draw(BRect updateRect);
	virtual void MouseDown(BPoint where);
	virtual void MouseUp(BPoint where);
	virtual void MouseMoved(BPoint where, uint32 transit, const BMessage* dragMessage);
	virtual void MessageReceived(BMessage* message);

	// The process-wide "show replicants" switch. With handles off, a
	// dragger hides itself unless it is its target's parent, and draws
	// nothing either way. The change reaches each dragger through its
	// window's queue.
	static status_t ShowAllDraggers();
	static status_t HideAllDraggers();
	static bool AreDraggersDrawn();

	// The pop-up menu, the default one built on the first call: "About
	// <target>…" (B_ABOUT_REQUESTED with the target's name in "target"), a
	// separator, "Remove Replicant". NULL while the target is unknown.
	BPopUpMenu* PopUp() const;
	// Replaces the pop-up, deleting the old one; the dragger owns |menu|.
	status_t SetPopUp(BPopUpMenu* menu);

	BView* Target() const;

private:
	enum relation {
		TARGET_UNKNOWN,
		TARGET_IS_CHILD,
		TARGET_IS_PARENT,
		TARGET_IS_SIBLING,
		DRAG_UNKNOWN
	};

	void _InitData();
	relation _RelationTo(const BView* target) const;
	BView* _ResolvedTarget() const;
	void _BuildDefaultPopUp() const;
	void _ApplyDraggersDrawn();
	status_t _ArchiveForDrag(BMessage* archive) const;
	void _StartDrag();
	void _ShowPopUp(BPoint where);

	BView* fTarget; // not owned; NULL until known
	relation fRelation;
	mutable BPopUpMenu* fPopUp; // owned; built on demand by PopUp()
	BBitmap* fBitmap;           // the handle's picture, owned
	bool fTracking;             // a primary press waits to become a drag
	BPoint fPressWhere;         // screen coordinates of that press
	bigtime_t fPressTime;
};

#endif
