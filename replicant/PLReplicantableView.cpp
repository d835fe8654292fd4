#include "replicant/PLReplicantableView.h"

#include <AppDefs.h>
#include <Application.h>
#include <MenuItem.h>
#include <Message.h>
#include <Region.h>
#include <Roster.h>

#include <cmath>
#include <cstring>
#include <new>

#include "app/AppSignature.h"
#include "replicant/PLWorkspaceMenu.h"
#include "view/Commands.h"

static const char* const kTrackerSignature = "application/x-vnd.Be-TRAK";

PLReplicantableView::PLReplicantableView(BRect frame, const char* name, uint32 resizingMode,
                                         uint32 flags)
    : BView(frame, name, resizingMode, flags), fDragger(NULL), fIsReplicant(false), fLocked(true),
      fOnTracker(false), fWorkspaceFilter(NULL), fWorkspaceMenu(NULL)
{
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

	WorkspaceActivated();
}

PLReplicantableView::~PLReplicantableView() {}

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

	if (fOnTracker && Parent() != NULL) {
		// The desktop view draws its icons over its children only when asked;
		// one hide and show makes it draw the replicant's area anew.
		Parent()->SetFlags(Parent()->Flags() | B_DRAW_ON_CHILDREN);
		Hide();
		Show();
	}
}

void PLReplicantableView::AllDetached() {}

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
	Invalidate();
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
