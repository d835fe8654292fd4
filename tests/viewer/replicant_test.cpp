// The replicant side of a viewing view: the lock and about fields of its
// archive, the "Lock" and "Workspaces" items it adds to a menu, the host
// test, the see-through drawing of a locked desktop replicant; and the
// workspace menu with its items, marks, rebuilding and archive.

#include <AppDefs.h>
#include <Application.h>
#include <Dragger.h>
#include <Handler.h>
#include <InterfaceDefs.h>
#include <Looper.h>
#include <Menu.h>
#include <MenuItem.h>
#include <Message.h>
#include <PopUpMenu.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "display/offscreen/OffscreenControl.h"
#include "platform/interface/InterfaceTestSupport.h"
#include "replicant/PLReplicantableView.h"
#include "replicant/PLWorkspaceMenu.h"
#include "view/Commands.h"
#include "viewer/ViewerTestSupport.h"

namespace {

const char* const kSignature = "application/x-vnd.Tarvosk.Pelivant2";

std::vector<std::string> labels_of(BMenu* menu)
{
	std::vector<std::string> labels;
	for (int32 i = 0; i < menu->CountItems(); i++) {
		BMenuItem* item = menu->ItemAt(i);
		labels.push_back(dynamic_cast<BSeparatorItem*>(item) != NULL ? "---" : item->Label());
	}
	return labels;
}

class TestWorkspaceMenu : public PLWorkspaceMenu {
public:
	TestWorkspaceMenu(int32 workspace) : PLWorkspaceMenu("Workspaces", workspace) {}
	bool OpenInitial() { return AddDynamicItem(B_INITIAL_ADD); }
	bool OpenProcessing() { return AddDynamicItem(B_PROCESSING); }
};

} // namespace

TEST(ReplicantableView, AViewFromAFrameStartsLockedAndNoReplicant)
{
	InterfaceTestApp app;
	PLReplicantableView view(BRect(0, 0, 99, 99), "view", B_FOLLOW_ALL_SIDES, B_WILL_DRAW);
	EXPECT_TRUE(view.IsLocked());
	EXPECT_FALSE(view.IsReplicant());
	EXPECT_FALSE(view.IsOnTracker());
	EXPECT_EQ(view.AboutContents(), "");

	BMessage archive;
	ASSERT_EQ(view.Archive(&archive, true), B_OK);
	EXPECT_STREQ(archive.GetString("add_on", ""), kSignature);
	bool locked = false;
	ASSERT_EQ(archive.FindBool("PL:lock", &locked), B_OK);
	EXPECT_TRUE(locked);
	const char* about = NULL;
	ASSERT_EQ(archive.FindString("PL:about", &about), B_OK);
	EXPECT_STREQ(about, "");
}

TEST(ReplicantableView, LockAndAboutSurviveTheArchive)
{
	InterfaceTestApp app;
	PLReplicantableView view(BRect(10, 20, 109, 69), "view", B_FOLLOW_ALL_SIDES, B_WILL_DRAW);
	view.SetAboutContents("Pelivant\nversion 2");
	BMessage toggle(kMsgToggleLock);
	view.MessageReceived(&toggle);
	EXPECT_FALSE(view.IsLocked());

	BMessage archive;
	ASSERT_EQ(view.Archive(&archive, true), B_OK);
	PLReplicantableView restored(&archive);
	EXPECT_TRUE(restored.IsReplicant());
	EXPECT_FALSE(restored.IsLocked());
	EXPECT_FALSE(restored.IsOnTracker());
	EXPECT_EQ(restored.AboutContents(), "Pelivant\nversion 2");
	EXPECT_EQ(restored.Frame(), BRect(10, 20, 109, 69));
	// The host places a replicant; resizing the host's view leaves it be.
	EXPECT_EQ(restored.ResizingMode(), uint32(B_FOLLOW_NONE));

	// Archives written by others may lack our fields.
	BMessage bare;
	ASSERT_EQ(view.BView::Archive(&bare, true), B_OK);
	PLReplicantableView fromBare(&bare);
	EXPECT_TRUE(fromBare.IsLocked());
	EXPECT_EQ(fromBare.AboutContents(), "");
}

TEST(ReplicantableView, TwoLockTogglesRestoreTheFlag)
{
	InterfaceTestApp app;
	BWindow* window = make_document_window(BRect(100, 100, 199, 199));
	PLReplicantableView* view =
	    new PLReplicantableView(BRect(0, 0, 99, 99), "view", B_FOLLOW_ALL_SIDES, B_WILL_DRAW);
	window->AddChild(view);
	window->Show();
	for (bool expected : {false, true}) {
		ASSERT_TRUE(window->Lock());
		window->PostMessage(kMsgToggleLock, view);
		window->Unlock();
		ASSERT_TRUE(sync_window(window));
		ASSERT_TRUE(window->Lock());
		EXPECT_EQ(view->IsLocked(), expected);
		window->Unlock();
	}
	quit_window(window);
}

TEST(ReplicantableView, SetMenuPutsLockAndWorkspacesOnTop)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	PLReplicantableView view(BRect(0, 0, 99, 99), "view", B_FOLLOW_ALL_SIDES, B_WILL_DRAW);
	BPopUpMenu menu("dragger", false, false);
	menu.AddItem(new BMenuItem("About", new BMessage(B_ABOUT_REQUESTED)));
	view.SetMenu(&menu);

	EXPECT_EQ(labels_of(&menu), (std::vector<std::string>{"Lock", "Workspaces", "---", "About"}));
	BMenuItem* lock = menu.ItemAt(0);
	EXPECT_TRUE(lock->IsMarked());
	ASSERT_NE(lock->Message(), (BMessage*) NULL);
	EXPECT_EQ(lock->Message()->what, uint32(kMsgToggleLock));
	PLWorkspaceMenu* workspaces = dynamic_cast<PLWorkspaceMenu*>(menu.ItemAt(1)->Submenu());
	ASSERT_NE(workspaces, (PLWorkspaceMenu*) NULL);
	EXPECT_EQ(workspaces->Workspace(), -1);
	EXPECT_TRUE(workspaces->ItemAt(0)->IsMarked());
	EXPECT_EQ(menu.ItemAt(1)->Message(), (BMessage*) NULL);
}

TEST(ReplicantableView, OnlyTheDesktopBySignatureIsTheTracker)
{
	PLReplicantableView frameView(BRect(0, 0, 9, 9), "view", B_FOLLOW_NONE, B_WILL_DRAW);
	BMessage archive;
	ASSERT_EQ(frameView.Archive(&archive, true), B_OK);

	const struct {
		const char* signature;
		bool tracker;
	} hosts[] = {{"application/x-vnd.Be-TRAK", true},
	             {"application/x-vnd.Be-TRAKER", false},
	             {"application/x-vnd.Be-TRA", false},
	             {"application/x-vnd.test-host", false}};
	for (const auto& host : hosts) {
		BApplication* app = new BApplication(host.signature);
		PLReplicantableView replicant(&archive);
		EXPECT_EQ(replicant.IsOnTracker(), host.tracker) << host.signature;
		app->Lock();
		delete app;
	}
	// No application at all: not the desktop.
	PLReplicantableView orphan(&archive);
	EXPECT_FALSE(orphan.IsOnTracker());
}

namespace {

std::atomic<bool> sInReplicantDraw{false};

// The desktop view: it records its Draw calls made from within the
// replicant's.
class DesktopView : public BView {
public:
	DesktopView(BRect frame) : BView(frame, "desktop", B_FOLLOW_ALL_SIDES, B_WILL_DRAW) {}
	void Draw(BRect updateRect) override
	{
		if (sInReplicantDraw) {
			throughReplicant++;
			lastRect = updateRect;
		}
	}
	std::atomic<int32> throughReplicant{0};
	BRect lastRect;
};

class TracedReplicant : public PLReplicantableView {
public:
	TracedReplicant(BMessage* archive) : PLReplicantableView(archive) {}
	void Draw(BRect updateRect) override
	{
		sInReplicantDraw = true;
		PLReplicantableView::Draw(updateRect);
		sInReplicantDraw = false;
	}
};

} // namespace

TEST(ReplicantableView, ALockedDesktopReplicantLetsTheDesktopDrawOverIt)
{
	BMessage archive;
	{
		PLReplicantableView view(BRect(100, 50, 199, 149), "view", B_FOLLOW_NONE, B_WILL_DRAW);
		ASSERT_EQ(view.Archive(&archive, true), B_OK);
	}
	BApplication* tracker = new BApplication("application/x-vnd.Be-TRAK");
	InterfaceTestApp display; // opens the offscreen display; be_app is the tracker
	BWindow* window = new BWindow(BRect(0, 0, 399, 299), "desktop", B_TITLED_WINDOW, 0);
	DesktopView* desktop = new DesktopView(BRect(0, 0, 399, 299));
	TracedReplicant* replicant = new TracedReplicant(&archive);
	ASSERT_TRUE(replicant->IsOnTracker());
	desktop->AddChild(replicant);
	window->AddChild(desktop);
	window->Show();
	ASSERT_TRUE(sync_window(window));
	ASSERT_TRUE(window->Lock());
	EXPECT_NE(desktop->Flags() & B_DRAW_ON_CHILDREN, 0u);
	window->Unlock();
	EXPECT_TRUE(wait_for([&] { return desktop->throughReplicant.load() > 0; }));

	ASSERT_TRUE(window->Lock());
	desktop->throughReplicant = 0;
	replicant->Invalidate(BRect(10, 20, 29, 39));
	window->Unlock();
	ASSERT_TRUE(wait_for([&] { return desktop->throughReplicant.load() > 0; }));
	ASSERT_TRUE(window->Lock());
	// In the desktop's coordinates.
	EXPECT_TRUE(desktop->lastRect.Contains(BRect(110, 70, 129, 89)));
	// Unlocked, the replicant draws alone.
	BMessage toggle(kMsgToggleLock);
	replicant->MessageReceived(&toggle);
	window->Unlock();
	ASSERT_TRUE(sync_window(window));
	ASSERT_TRUE(window->Lock());
	desktop->throughReplicant = 0;
	replicant->Invalidate();
	window->Unlock();
	ASSERT_TRUE(sync_window(window));
	ASSERT_TRUE(sync_window(window));
	EXPECT_EQ(desktop->throughReplicant.load(), 0);

	quit_window(window);
	tracker->Lock();
	delete tracker;
}

TEST(WorkspaceMenu, ListsAllWorkspacesAndEachOne)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	PLWorkspaceMenu menu("Workspaces", -1);
	EXPECT_EQ(labels_of(&menu),
	          (std::vector<std::string>{"All Workspaces", " 1", " 2", " 3", " 4"}));
	EXPECT_TRUE(menu.IsRadioMode());
	EXPECT_TRUE(menu.ItemAt(0)->IsMarked());
	EXPECT_EQ(menu.Workspace(), -1);
	for (int32 i = 0; i < menu.CountItems(); i++) {
		BMessage* message = menu.ItemAt(i)->Message();
		ASSERT_NE(message, (BMessage*) NULL);
		EXPECT_EQ(message->what, uint32(kMsgSetWorkspace));
		EXPECT_EQ(message->GetInt32("workspace", -99), i - 1);
	}

	menu.SetWorkspace(2);
	EXPECT_EQ(menu.Workspace(), 2);
	EXPECT_EQ(menu.FindMarked(), menu.ItemAt(3));
	EXPECT_STREQ(menu.FindMarked()->Label(), " 3");
	EXPECT_FALSE(menu.ItemAt(0)->IsMarked());

	// Values without an item change nothing.
	menu.SetWorkspace(4);
	menu.SetWorkspace(-2);
	EXPECT_EQ(menu.Workspace(), 2);

	offscreen_set_workspaces(12, 0);
	PLWorkspaceMenu many("Workspaces", 10);
	std::vector<std::string> labels = labels_of(&many);
	ASSERT_EQ(labels.size(), 13u);
	EXPECT_EQ(labels[9], " 9");
	EXPECT_EQ(labels[10], "10");
	EXPECT_EQ(labels[12], "12");
	EXPECT_EQ(many.Workspace(), 10);
	offscreen_set_workspaces(4, 0);
}

TEST(WorkspaceMenu, OpeningRebuildsOnlyWhenTheCountChanged)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	BLooper* looper = new BLooper("target");
	BHandler* target = new BHandler("target");
	looper->AddHandler(target);

	TestWorkspaceMenu menu(-1);
	menu.SetWorkspace(2);
	menu.SetTarget(target);
	BMenuItem* first = menu.ItemAt(1);

	// Unchanged count: the same items, now aimed at the target.
	EXPECT_FALSE(menu.OpenInitial());
	EXPECT_EQ(menu.ItemAt(1), first);
	for (int32 i = 0; i < menu.CountItems(); i++)
		EXPECT_EQ(menu.ItemAt(i)->Target(), target) << i;

	// Later stages change nothing.
	offscreen_set_workspaces(6, 0);
	EXPECT_FALSE(menu.OpenProcessing());
	EXPECT_EQ(menu.CountItems(), 5);

	// Grown from 4 to 6: rebuilt, the same index marked again.
	EXPECT_FALSE(menu.OpenInitial());
	EXPECT_EQ(menu.CountItems(), 7);
	EXPECT_EQ(menu.Workspace(), 2);
	EXPECT_EQ(menu.ItemAt(6)->Target(), target);

	// Shrunk below the chosen workspace: all workspaces rather than none.
	menu.SetWorkspace(5);
	offscreen_set_workspaces(2, 0);
	EXPECT_FALSE(menu.OpenInitial());
	EXPECT_EQ(labels_of(&menu), (std::vector<std::string>{"All Workspaces", " 1", " 2"}));
	EXPECT_EQ(menu.Workspace(), -1);

	offscreen_set_workspaces(4, 0);
	looper->Lock();
	looper->RemoveHandler(target);
	delete target;
	looper->Quit();
}

TEST(WorkspaceMenu, TheChoiceSurvivesArchiving)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	PLWorkspaceMenu menu("Workspaces", -1);
	menu.SetWorkspace(1);
	BMessage archive;
	ASSERT_EQ(menu.Archive(&archive, true), B_OK);
	EXPECT_STREQ(archive.GetString("add_on", ""), kSignature);
	EXPECT_STREQ(archive.GetString("class", ""), "PLWorkspaceMenu");

	BArchivable* object = instantiate_object(&archive);
	PLWorkspaceMenu* restored = dynamic_cast<PLWorkspaceMenu*>(object);
	ASSERT_NE(restored, (PLWorkspaceMenu*) NULL);
	EXPECT_EQ(labels_of(restored), labels_of(&menu));
	EXPECT_EQ(restored->Workspace(), 1);
	EXPECT_TRUE(restored->IsRadioMode());
	EXPECT_EQ(restored->ItemAt(2)->Message()->GetInt32("workspace", -99), 1);
	// Radio mode came back too: marking another unmarks the first.
	restored->SetWorkspace(3);
	EXPECT_EQ(restored->Workspace(), 3);
	EXPECT_FALSE(restored->ItemAt(2)->IsMarked());
	delete restored;

	BMessage other;
	other.AddString("class", "BMenu");
	EXPECT_EQ(PLWorkspaceMenu::Instantiate(&other), (BArchivable*) NULL);
}

namespace {

BPopUpMenu* dragger_menu(BView* view)
{
	BDragger* dragger = dynamic_cast<BDragger*>(view->FindView("_dragger_"));
	return dragger != NULL ? dragger->PopUp() : NULL;
}

PLWorkspaceMenu* workspace_menu(BView* view)
{
	BPopUpMenu* menu = dragger_menu(view);
	BMenuItem* item = menu != NULL ? menu->FindItem("Workspaces") : NULL;
	return item != NULL ? dynamic_cast<PLWorkspaceMenu*>(item->Submenu()) : NULL;
}

} // namespace

TEST(ReplicantableView, EveryViewCarriesADraggerWithLockAndWorkspaces)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	PLReplicantableView view(BRect(0, 0, 99, 99), "view", B_FOLLOW_ALL_SIDES, B_WILL_DRAW);
	BDragger* dragger = dynamic_cast<BDragger*>(view.FindView("_dragger_"));
	ASSERT_NE(dragger, (BDragger*) NULL);
	EXPECT_EQ(dragger->Parent(), &view);
	EXPECT_EQ(dragger->Frame(), BRect(0, 0, 7, 7));
	EXPECT_EQ(dragger->Target(), &view);

	BPopUpMenu* menu = dragger_menu(&view);
	ASSERT_NE(menu, (BPopUpMenu*) NULL);
	std::vector<std::string> labels = labels_of(menu);
	ASSERT_GE(labels.size(), 4u);
	EXPECT_EQ(std::vector<std::string>(labels.begin(), labels.begin() + 3),
	          (std::vector<std::string>{"Lock", "Workspaces", "---"}));
	// The dragger's own items follow, the about item among them.
	EXPECT_NE(menu->FindItem(B_ABOUT_REQUESTED), (BMenuItem*) NULL);
	EXPECT_TRUE(menu->ItemAt(0)->IsMarked());
	PLWorkspaceMenu* workspaces = workspace_menu(&view);
	ASSERT_NE(workspaces, (PLWorkspaceMenu*) NULL);
	EXPECT_EQ(workspaces->Workspace(), -1);

	// The lock item's mark follows the flag.
	BMessage toggle(kMsgToggleLock);
	view.MessageReceived(&toggle);
	EXPECT_FALSE(view.IsLocked());
	EXPECT_FALSE(menu->FindItem("Lock")->IsMarked());
	view.MessageReceived(&toggle);
	EXPECT_TRUE(view.IsLocked());
	EXPECT_TRUE(menu->FindItem("Lock")->IsMarked());
}

TEST(ReplicantableView, ARestoredViewKeepsItsMenuAndAimsItAtItself)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	BMessage archive;
	{
		PLReplicantableView view(BRect(0, 0, 99, 99), "view", B_FOLLOW_NONE, B_WILL_DRAW);
		BMessage toggle(kMsgToggleLock);
		view.MessageReceived(&toggle);
		workspace_menu(&view)->SetWorkspace(1);
		ASSERT_EQ(view.Archive(&archive, true), B_OK);
	}
	// A workspace other than the chosen one is showing: it starts hidden.
	PLReplicantableView* restored = new PLReplicantableView(&archive);
	EXPECT_TRUE(restored->IsHidden());
	EXPECT_FALSE(restored->IsLocked());
	BPopUpMenu* menu = dragger_menu(restored);
	ASSERT_NE(menu, (BPopUpMenu*) NULL);
	EXPECT_FALSE(menu->FindItem("Lock")->IsMarked());
	ASSERT_NE(workspace_menu(restored), (PLWorkspaceMenu*) NULL);
	EXPECT_EQ(workspace_menu(restored)->Workspace(), 1);

	BWindow* window = make_document_window(BRect(100, 100, 299, 299), "host");
	window->AddChild(restored);
	window->Show();
	ASSERT_TRUE(sync_window(window));
	ASSERT_TRUE(window->Lock());
	// Attached: the dragger's items come to the view.
	EXPECT_EQ(menu->FindItem("Lock")->Target(), restored);
	EXPECT_EQ(menu->FindItem(B_ABOUT_REQUESTED)->Target(), restored);
	window->Unlock();

	// The workspace the replicant belongs to comes up: it shows.
	offscreen_switch_workspace(1);
	ASSERT_TRUE(window->Lock());
	window->PostMessage(B_WORKSPACE_ACTIVATED, restored);
	window->Unlock();
	ASSERT_TRUE(sync_window(window));
	ASSERT_TRUE(window->Lock());
	EXPECT_FALSE(restored->IsHidden(restored->Parent()));
	window->Unlock();
	offscreen_switch_workspace(0);
	quit_window(window);
}

TEST(ReplicantableView, TheWorkspaceRuleShowsAndHidesWithoutPilingUp)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	BMessage archive;
	{
		PLReplicantableView view(BRect(0, 0, 99, 99), "view", B_FOLLOW_NONE, B_WILL_DRAW);
		ASSERT_EQ(view.Archive(&archive, true), B_OK);
	}
	PLReplicantableView replicant(&archive);
	PLWorkspaceMenu* menu = workspace_menu(&replicant);
	ASSERT_NE(menu, (PLWorkspaceMenu*) NULL);
	BMessage choose(kMsgSetWorkspace);

	// "All Workspaces": a hidden view shows.
	replicant.Hide();
	replicant.MessageReceived(&choose);
	EXPECT_FALSE(replicant.IsHidden());

	// Workspace 2 while 2 is current: shown.
	offscreen_switch_workspace(2);
	menu->SetWorkspace(2);
	replicant.Hide();
	replicant.MessageReceived(&choose);
	EXPECT_FALSE(replicant.IsHidden());

	// Workspace 2 while 0 is current: hidden, and hidden only once.
	offscreen_switch_workspace(0);
	BMessage activated(B_WORKSPACE_ACTIVATED);
	replicant.MessageReceived(&activated);
	EXPECT_TRUE(replicant.IsHidden());
	replicant.MessageReceived(&activated);
	replicant.WorkspaceActivated();
	replicant.Show();
	EXPECT_FALSE(replicant.IsHidden());
}

TEST(ReplicantableView, TheAboutAlertShowsTheTextAndWaitsForOk)
{
	InterfaceTestApp app;
	BWindow* window = make_document_window(BRect(100, 100, 299, 299));
	PLReplicantableView* view =
	    new PLReplicantableView(BRect(0, 0, 199, 199), "view", B_FOLLOW_ALL_SIDES, B_WILL_DRAW);
	view->SetAboutContents("Pelivant 2\nA viewer");
	window->AddChild(view);
	window->Show();
	ASSERT_TRUE(sync_window(window));

	BPrivate::OffscreenControl* control = BPrivate::OffscreenControl::Get();
	ASSERT_TRUE(window->Lock());
	window->PostMessage(B_ABOUT_REQUESTED, view);
	window->Unlock();
	ASSERT_TRUE(wait_for([&] {
		BPrivate::DisplaySurface* alert = control->FindSurface("About");
		return alert != NULL && control->IsShown(alert) && control->ActiveSurface() == alert;
	}));
	inject_key_down("\n", 0x47, 0);
	inject_key_up("\n", 0x47, 0);
	EXPECT_TRUE(wait_for([&] { return control->FindSurface("About") == NULL; }));
	// The window goes on handling messages.
	EXPECT_TRUE(sync_window(window));
	quit_window(window);
}
