#ifndef PL_REPLICANTABLE_VIEW_H
#define PL_REPLICANTABLE_VIEW_H

#include <View.h>

#include <string>

class BDragger;
class BMenu;
class PLForwardFilter;
class PLWorkspaceMenu;

// The base of every viewing view: what a view needs to leave the application
// and live on as a replicant. Built from a frame it sits in an application
// window and its replicant side stays idle; built from an archive it is a
// replicant inside some host, possibly the desktop.
class PLReplicantableView : public BView {
public:
	PLReplicantableView(BRect frame, const char* name, uint32 resizingMode, uint32 flags);
	PLReplicantableView(BMessage* archive);
	virtual ~PLReplicantableView();

	// "add_on", "PL:lock" and "PL:about" after the view's own fields.
	virtual status_t Archive(BMessage* data, bool deep = true) const;
	virtual void MessageReceived(BMessage* message);
	virtual void AllAttached();
	virtual void AllDetached();
	// Paints nothing of its own: a locked replicant on the desktop lets the
	// desktop draw over it.
	virtual void Draw(BRect updateRect);

	// Puts "Lock", "Workspaces" and a separator at the top of |menu|.
	virtual void SetMenu(BMenu* menu);

	// Shows or hides the view by its workspace setting.
	void WorkspaceActivated();
	void SetAboutContents(const std::string& contents);
	const std::string& AboutContents() const { return fAboutContents; }

	bool IsLocked() const { return fLocked; }
	bool IsOnTracker() const { return fOnTracker; }
	bool IsReplicant() const { return fIsReplicant; }

private:
	void _ToggleLock();
	void _ShowAbout();
	static bool _HostIsTracker();

	BDragger* fDragger;                // a child view; NULL if an archive lacked it
	bool fIsReplicant;                 // built from an archive
	bool fLocked;                      // mirrored by the mark of the "Lock" item
	bool fOnTracker;                   // the host is the desktop; fixed at construction
	PLForwardFilter* fWorkspaceFilter; // replicants only; owned; on the window while attached
	PLWorkspaceMenu* fWorkspaceMenu;   // replicants only; owned by the dragger's menu
	std::string fAboutContents;
};

#endif
