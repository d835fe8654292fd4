#include "replicant/PLReplicantableView.h"

#include <Alert.h>
#include <AppDefs.h>
#include <Application.h>
#include <Dragger.h>
#include <MenuItem.h>
#include <Message.h>
#include <PopUpMenu.h>
#include <Region.h>
#include <Roster.h>
#include <Window.h>

#include <cmath>
#include <cstring>
#include <new>

#include "app/AppSignature.h"
#include "replicant/PLForwardFilter.h"
#include "replicant/PLReplicantInputFilter.h"
#include "replicant/PLWorkspaceMenu.h"
#include "view/Commands.h"

static const char* const kTrackerSignature = "application/x-vnd.Be-TRAK";

PLReplicantableView::PLReplicantableView(BRect frame, const char* name, uint32 resizingMode,
                                         uint32 flags)
    : BView(frame, name, resizingMode, flags), fDragger(NULL), fIsReplicant(false), fLocked(true),
      fOnTracker(false), fWorkspaceFilter(NULL), fWorkspaceMenu(NULL)
{
	fDragger = new BDragger(BRect(0, 0, 7, 7), this, B_FOLLOW_NONE, B_WILL_DRAW);
	AddChild(fDragger);
	PLReplicantableView::SetMenu(fDragger->PopUp());
}

PLReplicantableView::PLReplicantableView(BMessage* archive)
    : BView(archive), fDragger(NULL), fIsReplicant(true), fLocked(true),
      fOnTracker(_HostIsTracker()), fWorkspaceFilter(NULL), fWorkspaceMenu(NULL)
{
	// Archives of ours always carry the lock; one that does not starts locked,
	// as every new view does.
	bool locked;
	if (archive->FindBool("PL:lock", &locked) == B_OK)
		fLocked = locked;
	const char* about;
	if (archive->FindString("PL:about", &about) == B_OK)
		fAboutContents = about;

	// The host decides where a replicant sits; resizing the host's view must
	// not stretch it.
	SetResizingMode(B_FOLLOW_NONE);

	// Archives of ours always hold the dragger with our items in its menu.
	// Without them the replicant runs without lock and workspace items.
	fDragger = dynamic_cast<BDragger*>(FindView("_dragger_"));
	if (fDragger != NULL) {
		// Only the dragger's own hiding counts: a replicant archived while
		// hidden (on another workspace), or a dragger inside hidden views,
		// would otherwise be shown past visible and never hide again. The
		// bound keeps a hostile show level from spinning here.
		for (int32 i = 0; i < 1000 && fDragger->IsHidden(fDragger); i++)
			fDragger->Show();
		BPopUpMenu* popUp = fDragger->PopUp();
		BMenuItem* item = popUp != NULL ? popUp->FindItem("Workspaces") : NULL;
		if (item != NULL)
			fWorkspaceMenu = dynamic_cast<PLWorkspaceMenu*>(item->Submenu());
		if (fWorkspaceMenu != NULL)
			fWorkspaceMenu->SetTarget(this);
	}

	// The window filter goes on in AllAttached(); the input filter stays on
	// the view for its whole life and goes with its filter list.
	fWorkspaceFilter = new PLForwardFilter(B_WORKSPACE_ACTIVATED, this);
	AddFilter(new PLReplicantInputFilter(this));

	WorkspaceActivated();
}

PLReplicantableView::~PLReplicantableView()
{
	// AllDetached() took it off the window.
	delete fWorkspaceFilter;
}

status_t PLReplicantableView::Archive(BMessage* data, bool deep) const
{
	if (BView::Archive(data, deep) != B_OK)
		return B_ERROR;

	data->AddString("add_on", kPLAppSignature);
	data->AddBool("PL:lock", fLocked);
	data->AddString("PL:about", fAboutContents.c_str());
	return B_OK;
}

void PLReplicantableView::MessageReceived(BMessage* message)
{
	switch (message->what) {
		case kMsgToggleLock:
			_ToggleLock();
			break;
		case B_ABOUT_REQUESTED:
			_ShowAbout();
			break;
		case kMsgSetWorkspace:
		case B_WORKSPACE_ACTIVATED:
			WorkspaceActivated();
			break;
		default:
			BView::MessageReceived(message);
			break;
	}
}

void PLReplicantableView::AllAttached()
{
	if (!fIsReplicant)
		return;

	// "Lock" and the dragger's about item come to this view.
	if (fDragger != NULL && fDragger->PopUp() != NULL)
		fDragger->PopUp()->SetTargetForItems(this);

	if (Window() != NULL)
		Window()->AddFilter(fWorkspaceFilter);

	if (fOnTracker && Parent() != NULL) {
		// The desktop view draws its icons over its children only when asked;
		// one hide and show makes it draw the replicant's area anew.
		Parent()->SetFlags(Parent()->Flags() | B_DRAW_ON_CHILDREN);
		Hide();
		Show();
	}
}

void PLReplicantableView::AllDetached()
{
	if (!fIsReplicant || Window() == NULL)
		return;
	Window()->RemoveFilter(fWorkspaceFilter);
}

void PLReplicantableView::Draw(BRect updateRect)
{
	BView* parent = Parent();
	if (!fOnTracker || !fLocked || parent == NULL)
		return;

	BPoint origin = ConvertToParent(BPoint(0, 0));
	BRegion clipping;
	GetClippingRegion(&clipping);
	clipping.OffsetBy(std::trunc(origin.x), std::trunc(origin.y));

	parent->ConstrainClippingRegion(&clipping);
	parent->Draw(ConvertToParent(updateRect));
	parent->ConstrainClippingRegion(NULL);
}

void PLReplicantableView::SetMenu(BMenu* menu)
{
	if (menu == NULL)
		return;

	menu->AddItem(new BSeparatorItem(), 0);
	menu->AddItem(new BMenuItem(new PLWorkspaceMenu("Workspaces", -1)), 0);
	BMenuItem* lock = new BMenuItem("Lock", new BMessage(kMsgToggleLock));
	lock->SetMarked(fLocked);
	menu->AddItem(lock, 0);
}

void PLReplicantableView::WorkspaceActivated()
{
	if (fWorkspaceMenu == NULL)
		return;

	int32 workspace = fWorkspaceMenu->Workspace();
	bool visible = workspace == -1 || workspace == current_workspace();
	if (visible && IsHidden())
		Show();
	else if (!visible && !IsHidden())
		Hide();
}

void PLReplicantableView::SetAboutContents(const std::string& contents)
{
	fAboutContents = contents;
}

void PLReplicantableView::_ToggleLock()
{
	fLocked = !fLocked;
	BPopUpMenu* popUp = fDragger != NULL ? fDragger->PopUp() : NULL;
	BMenuItem* lock = popUp != NULL ? popUp->FindItem("Lock") : NULL;
	if (lock != NULL)
		lock->SetMarked(fLocked);
	Invalidate();
}

void PLReplicantableView::_ShowAbout()
{
	// Synchronous: the window waits, still drawing, until the alert is
	// closed.
	BAlert* alert = new BAlert("About", fAboutContents.c_str(), "Ok", NULL, NULL, B_WIDTH_AS_USUAL,
	                           B_INFO_ALERT);
	alert->Go();
}

bool PLReplicantableView::_HostIsTracker()
{
	if (be_app == NULL)
		return false;
	app_info info;
	if (be_app->GetAppInfo(&info) != B_OK)
		return false;
	return strcmp(info.signature, kTrackerSignature) == 0;
}
