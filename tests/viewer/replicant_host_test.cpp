// Viewing views dragged out as replicants: their archives, and what they do
// when a host restores them by class name. The round trip of both views,
// the window filter while attached, the wallpaper behaviour of a locked
// replicant on the desktop, and archives that are odd or hostile: a dragger
// hidden deep inside hidden views, a magnification or offset that is no
// number, a reference to something that is no picture file.

#include <AppDefs.h>
#include <Application.h>
#include <Archivable.h>
#include <Dragger.h>
#include <List.h>
#include <Menu.h>
#include <MenuItem.h>
#include <Message.h>
#include <PopUpMenu.h>
#include <View.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/AppSignature.h"
#include "content/PLImageView.h"
#include "content/PLVideoView.h"
#include "platform/interface/InterfaceTestSupport.h"
#include "platform/storage/TempDir.h"
#include "replicant/PLForwardFilter.h"
#include "replicant/PLWorkspaceMenu.h"
#include "state/PLControlNullState.h"
#include "state/PLControlReplicantState.h"
#include "view/Commands.h"
#include "viewer/ReplicantHost.h"
#include "viewer/ViewerTestSupport.h"

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

std::vector<std::string> top_labels(BMenu* menu, int32 count)
{
	std::vector<std::string> labels;
	for (int32 i = 0; i < count && i < menu->CountItems(); i++) {
		BMenuItem* item = menu->ItemAt(i);
		labels.push_back(dynamic_cast<BSeparatorItem*>(item) != NULL ? "---" : item->Label());
	}
	return labels;
}

int32 forward_filters_on(BWindow* window)
{
	BList* filters = window->FilterList();
	int32 count = 0;
	for (int32 i = 0; filters != NULL && i < filters->CountItems(); i++) {
		if (dynamic_cast<PLForwardFilter*>(static_cast<BMessageFilter*>(filters->ItemAt(i))))
			count++;
	}
	return count;
}

// The view as the application shows it, unlocked, on workspace 2, archived
// as its dragger archives it.
BMessage dragged_out(PLControlView* view)
{
	view->SetAboutContents("Pelivant\nscrollable wallpaper");
	BMessage unlock(kMsgToggleLock);
	view->PLReplicantableView::MessageReceived(&unlock);
	workspace_menu(view)->SetWorkspace(2);
	BMessage archive;
	EXPECT_EQ(view->Archive(&archive, true), B_OK);
	return archive;
}

} // namespace

TEST(ReplicantHost, BothViewsComeBackWhole)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 2);
	ReplicantHost host;
	const struct {
		const char* className;
		const char* sample;
	} cases[] = {{"PLImageView", "quadrants.png"}, {"PLVideoView", "clip-colours.mp4"}};
	for (const auto& c : cases) {
		SCOPED_TRACE(c.className);
		std::unique_ptr<PLControlView> original;
		if (std::string(c.className) == "PLImageView")
			original.reset(new PLImageView(ref_for(sample_path(c.sample))));
		else
			original.reset(new PLVideoView(ref_for(sample_path(c.sample))));
		ASSERT_EQ(original->InitCheck(), B_OK);
		BMessage archive = dragged_out(original.get());

		EXPECT_STREQ(archive.GetString("class", ""), c.className);
		type_code type;
		int32 count = 0;
		ASSERT_EQ(archive.GetInfo("add_on", &type, &count), B_OK);
		ASSERT_EQ(count, 2);
		EXPECT_STREQ(archive.GetString("add_on", 0, ""), kPLAppSignature);
		EXPECT_STREQ(archive.GetString("add_on", 1, ""), kPLAppSignature);
		EXPECT_FALSE(archive.GetBool("PL:lock", true));
		EXPECT_STREQ(archive.GetString("PL:about", ""), "Pelivant\nscrollable wallpaper");

		// The host's own values for the model: zoomed and scrolled there.
		archive.ReplaceFloat("PL:magnification", 1.5f);
		archive.ReplacePoint("PL:offset", BPoint(-4, -2));
		PLControlView* restored = dynamic_cast<PLControlView*>(host.Add(&archive, BPoint(30, 40)));
		ASSERT_NE(restored, (PLControlView*) NULL);
		ASSERT_TRUE(host.Window()->Lock());
		BMessage again;
		ASSERT_EQ(restored->Archive(&again, false), B_OK);
		EXPECT_STREQ(again.GetString("class", ""), c.className);
		EXPECT_TRUE(restored->IsReplicant());
		EXPECT_FALSE(restored->IsLocked());
		EXPECT_FALSE(restored->IsOnTracker());
		EXPECT_EQ(restored->AboutContents(), "Pelivant\nscrollable wallpaper");
		EXPECT_EQ(state_of(restored), PLControlReplicantState::Instance());
		EXPECT_EQ(restored->Magnification(), 1.5f);
		EXPECT_EQ(restored->Offset(), BPoint(-4, -2));
		EXPECT_EQ(restored->Ref(), ref_for(sample_path(c.sample)));
		EXPECT_EQ(restored->Frame(), original->Bounds().OffsetToCopy(30, 40));

		BPopUpMenu* menu = dragger_menu(restored);
		ASSERT_NE(menu, (BPopUpMenu*) NULL);
		EXPECT_EQ(top_labels(menu, 3), (std::vector<std::string>{"Lock", "Workspaces", "---"}));
		EXPECT_FALSE(menu->FindItem("Lock")->IsMarked());
		EXPECT_EQ(menu->FindItem("Lock")->Target(), restored);
		ASSERT_NE(workspace_menu(restored), (PLWorkspaceMenu*) NULL);
		EXPECT_EQ(workspace_menu(restored)->Workspace(), 2);
		EXPECT_STREQ(workspace_menu(restored)->FindMarked()->Label(), " 3");
		// Workspace 2 is showing.
		EXPECT_FALSE(restored->IsHidden());
		// Attached, it hears of workspace switches through the window.
		EXPECT_EQ(forward_filters_on(host.Window()), 1);
		host.Window()->Unlock();

		ASSERT_TRUE(host.Remove(restored));
		ASSERT_TRUE(host.Window()->Lock());
		EXPECT_EQ(forward_filters_on(host.Window()), 0);
		host.Window()->Unlock();
		delete restored;
	}
	offscreen_set_workspaces(4, 0);
}

TEST(ReplicantHost, TheHostsWorkspaceSwitchesShowAndHideTheReplicant)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	ReplicantHost host;
	PLImageView original(ref_for(sample_path("quadrants.png")));
	BMessage archive = dragged_out(&original);
	PLControlView* restored = dynamic_cast<PLControlView*>(host.Add(&archive));
	ASSERT_NE(restored, (PLControlView*) NULL);
	// Workspace 0 shows; the replicant belongs to 2.
	ASSERT_TRUE(host.Window()->Lock());
	EXPECT_TRUE(restored->IsHidden(restored));
	host.Window()->Unlock();

	// The window is told, and the filter passes it on.
	for (int32 workspace : {2, 1, 2}) {
		offscreen_switch_workspace(workspace);
		BMessage activated(B_WORKSPACE_ACTIVATED);
		activated.AddInt32("workspace", workspace);
		activated.AddBool("active", true);
		host.Window()->PostMessage(&activated);
		ASSERT_TRUE(host.Settle());
		ASSERT_TRUE(host.Window()->Lock());
		EXPECT_EQ(restored->IsHidden(restored), workspace != 2) << workspace;
		host.Window()->Unlock();
	}
	offscreen_switch_workspace(0);
}

TEST(ReplicantHost, FrameViewsPutNoFilterOnTheirWindow)
{
	InterfaceTestApp app;
	BWindow* window = make_document_window(BRect(100, 100, 199, 199));
	PLImageView* view = new PLImageView(ref_for(sample_path("quadrants.png")));
	ASSERT_TRUE(show_with_view(window, view));
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(forward_filters_on(window), 0);
	window->RemoveChild(view);
	EXPECT_EQ(forward_filters_on(window), 0);
	window->Unlock();
	delete view;
	quit_window(window);
}

namespace {

// The desktop's own view: what reaches its hooks.
class DesktopView : public BView {
public:
	DesktopView(BRect frame) : BView(frame, "desktop", B_FOLLOW_ALL_SIDES, B_WILL_DRAW) {}
	void MouseDown(BPoint where) override
	{
		downs++;
		lastDown = where;
	}
	void KeyDown(const char* bytes, int32) override { keys += bytes; }
	std::atomic<int32> downs{0};
	BPoint lastDown;
	std::string keys;
};

} // namespace

TEST(ReplicantHost, ALockedDesktopReplicantIsWallpaperForClicksAndKeys)
{
	BMessage archive;
	{
		InterfaceTestApp app;
		offscreen_set_workspaces(4, 0);
		PLImageView original(ref_for(sample_path("quadrants.png")));
		ASSERT_EQ(original.Archive(&archive, true), B_OK);
	}
	BApplication* tracker = new BApplication("application/x-vnd.Be-TRAK");
	InterfaceTestApp display;
	inject_mouse_moved(BPoint(0, 0));
	BWindow* window = new BWindow(BRect(0, 0, 399, 299), "desktop", B_TITLED_WINDOW, 0);
	DesktopView* desktop = new DesktopView(window->Bounds());
	window->AddChild(desktop);
	PLImageView* replicant = dynamic_cast<PLImageView*>(instantiate_object(&archive));
	ASSERT_NE(replicant, (PLImageView*) NULL);
	ASSERT_TRUE(replicant->IsOnTracker());
	ASSERT_TRUE(replicant->IsLocked());
	replicant->MoveTo(100, 50);
	desktop->AddChild(replicant);
	window->Show();
	ASSERT_TRUE(settle_window(window));

	// A click at (10, 20) of the replicant lands at (110, 70) on the desktop.
	inject_mouse_moved(window->ConvertToScreen(BPoint(110, 70)));
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(settle_window(window));
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(desktop->downs.load(), 1);
	EXPECT_EQ(desktop->lastDown, BPoint(110, 70));
	EXPECT_FALSE(replicant->IsFocus());
	// Its keys, too, are the desktop's; the picture does not zoom.
	replicant->MakeFocus(true);
	window->Unlock();
	inject_key_down("+", 0x3a, 0);
	inject_key_up("+", 0x3a, 0);
	ASSERT_TRUE(settle_window(window));
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(desktop->keys, "+");
	EXPECT_EQ(replicant->Magnification(), 1.0f);
	window->Unlock();

	// Unlocked, the replicant takes them.
	window->PostMessage(kMsgToggleLock, replicant);
	ASSERT_TRUE(settle_window(window));
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	inject_key_down("+", 0x3a, 0);
	inject_key_up("+", 0x3a, 0);
	ASSERT_TRUE(settle_window(window));
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(desktop->downs.load(), 1);
	EXPECT_EQ(desktop->keys, "+");
	EXPECT_EQ(replicant->Magnification(), 1.2599210739135742f);
	window->Unlock();

	quit_window(window);
	tracker->Lock();
	delete tracker;
}

TEST(ReplicantHost, ALockedReplicantInAnotherHostIgnoresClicksAndKeys)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	inject_mouse_moved(BPoint(0, 0));
	PLImageView original(ref_for(sample_path("harbour-at-dusk.jpg")));
	original.ResizeTo(99, 79);
	BMessage archive;
	ASSERT_EQ(original.Archive(&archive, true), B_OK);
	ReplicantHost host;
	PLControlView* replicant = dynamic_cast<PLControlView*>(host.Add(&archive, BPoint(20, 10)));
	ASSERT_NE(replicant, (PLControlView*) NULL);
	ASSERT_TRUE(host.Window()->Lock());
	replicant->MakeFocus(true);
	host.Window()->Unlock();

	BPoint inside = host.Window()->ConvertToScreen(BPoint(70, 50));
	inject_mouse_moved(inside);
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_moved(inside - BPoint(20, 10));
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	inject_key_down("+", 0x3a, 0);
	inject_key_up("+", 0x3a, 0);
	ASSERT_TRUE(host.Settle());
	ASSERT_TRUE(host.Window()->Lock());
	EXPECT_EQ(replicant->Magnification(), 1.0f);
	EXPECT_EQ(replicant->Offset(), BPoint(0, 0));
	host.Window()->Unlock();
}

TEST(ReplicantHost, ADraggerHiddenDeepInsideHiddenViewsIsShownAndCanHideAgain)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	BMessage archive;
	{
		PLImageView original(ref_for(sample_path("quadrants.png")));
		BDragger* dragger = dynamic_cast<BDragger*>(original.FindView("_dragger_"));
		ASSERT_NE(dragger, (BDragger*) NULL);
		dragger->Hide();
		// Archived while hidden by its workspace rule.
		original.Hide();
		ASSERT_EQ(original.Archive(&archive, true), B_OK);
	}
	// Put the dragger 20 hidden views deep (messages nest 32 deep at most).
	BMessage draggerArchive;
	int32 index = 0;
	BMessage child;
	for (; archive.FindMessage("_views", index, &child) == B_OK; index++) {
		if (strcmp(child.GetString("_name", ""), "_dragger_") == 0)
			break;
	}
	ASSERT_EQ(archive.FindMessage("_views", index, &draggerArchive), B_OK);
	ASSERT_TRUE(draggerArchive.GetBool("_hidden", false));
	BMessage nested = draggerArchive;
	for (int i = 0; i < 20; i++) {
		BView wrapper(BRect(0, 0, 7, 7), "wrapper", B_FOLLOW_NONE, 0);
		wrapper.Hide();
		BMessage wrapped;
		ASSERT_EQ(wrapper.Archive(&wrapped, true), B_OK);
		ASSERT_EQ(wrapped.AddMessage("_views", &nested), B_OK);
		nested = wrapped;
	}
	ASSERT_EQ(archive.ReplaceMessage("_views", index, &nested), B_OK);

	PLImageView* restored = dynamic_cast<PLImageView*>(instantiate_object(&archive));
	ASSERT_NE(restored, (PLImageView*) NULL);
	BDragger* dragger = dynamic_cast<BDragger*>(restored->FindView("_dragger_"));
	ASSERT_NE(dragger, (BDragger*) NULL);
	EXPECT_FALSE(dragger->IsHidden(dragger));
	// Shown exactly once, not shown past visible: one Hide hides it again.
	dragger->Hide();
	EXPECT_TRUE(dragger->IsHidden(dragger));
	// The replicant itself is on all workspaces: shown by its rule.
	EXPECT_FALSE(restored->IsHidden(restored));
	EXPECT_NE(workspace_menu(restored), (PLWorkspaceMenu*) NULL);
	delete restored;
}

TEST(ReplicantHost, AMagnificationOrOffsetThatIsNoNumberGivesTheFullSizePicture)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	PLImageView original(ref_for(sample_path("quadrants.png")));
	BMessage unlock(kMsgToggleLock);
	original.PLReplicantableView::MessageReceived(&unlock);
	BMessage archive;
	ASSERT_EQ(original.Archive(&archive, true), B_OK);

	const float nan = std::numeric_limits<float>::quiet_NaN();
	const float inf = std::numeric_limits<float>::infinity();
	const struct {
		float magnification;
		BPoint offset;
	} cases[] = {{0.0f, BPoint(0, 0)},      {-2.0f, BPoint(0, 0)},   {nan, BPoint(0, 0)},
	             {inf, BPoint(0, 0)},       {-inf, BPoint(0, 0)},    {1.0f, BPoint(nan, 3)},
	             {1.0f, BPoint(5, inf)},    {nan, BPoint(-inf, nan)}};
	for (const auto& c : cases) {
		SCOPED_TRACE(testing::Message() << c.magnification << " " << c.offset.x << ","
		                                << c.offset.y);
		ReplicantHost host(BRect(100, 100, 299, 249));
		archive.ReplaceFloat("PL:magnification", c.magnification);
		archive.ReplacePoint("PL:offset", c.offset);
		PLControlView* restored = dynamic_cast<PLControlView*>(host.Add(&archive, BPoint(0, 0)));
		ASSERT_NE(restored, (PLControlView*) NULL);
		ASSERT_TRUE(host.Window()->Lock());
		EXPECT_EQ(restored->Magnification(), 1.0f);
		EXPECT_EQ(restored->Offset(), BPoint(0, 0));
		host.Window()->Unlock();
		// The picture at 100 %: the red quadrant top left, white bottom right.
		EXPECT_TRUE(close_color(window_pixel(host.Window(), 10, 10), make_color(255, 0, 0)));
		EXPECT_TRUE(close_color(window_pixel(host.Window(), 60, 44), make_color(255, 255, 255)));
		// And it zooms like any other.
		ASSERT_TRUE(host.Window()->Lock());
		restored->KeyDown("+", 1);
		EXPECT_EQ(restored->Magnification(), 1.2599210739135742f);
		host.Window()->Unlock();
	}
}

namespace {

// Instantiates |archive| in a thread of its own; false when that did not end
// within the deadline (a decoder blocked on the file). The FIFO, if given,
// is then opened for writing once, so that the thread can end.
bool instantiates_promptly(BMessage* archive, bool* nullState, const std::string& fifo = "")
{
	std::atomic<bool> done{false};
	PLControlView* view = NULL;
	std::thread worker([&] {
		view = dynamic_cast<PLControlView*>(instantiate_object(archive));
		done = true;
	});
	bool prompt = wait_for([&] { return done.load(); }, 5000000);
	if (!prompt && !fifo.empty()) {
		int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
		if (fd >= 0)
			close(fd);
	}
	worker.join();
	*nullState = view != NULL && state_of(view) == PLControlNullState::Instance();
	delete view;
	return prompt;
}

} // namespace

TEST(ReplicantHost, OnlyARegularReadableFileIsEverOpened)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	TempDir dir;
	std::string fifo = dir / "pipe.png";
	ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
	std::string unreadable = dir / "secret.png";
	ASSERT_EQ(link(sample_path("quadrants.png").c_str(), unreadable.c_str()), 0);
	std::string linked = dir / "linked.png";
	std::string picture = std::filesystem::absolute(sample_path("quadrants.png"));
	ASSERT_EQ(symlink(picture.c_str(), linked.c_str()), 0);
	std::string toDevice = dir / "zero.png";
	ASSERT_EQ(symlink("/dev/zero", toDevice.c_str()), 0);

	const char* const samples[] = {"quadrants.png", "clip-colours.mp4"};
	for (const char* sample : samples) {
		SCOPED_TRACE(sample);
		std::unique_ptr<PLControlView> original;
		if (std::string(sample) == "quadrants.png")
			original.reset(new PLImageView(ref_for(sample_path(sample))));
		else
			original.reset(new PLVideoView(ref_for(sample_path(sample))));
		BMessage archive;
		ASSERT_EQ(original->Archive(&archive, true), B_OK);

		bool nullState = false;
		for (const std::string& path :
		     {fifo, dir.Path(), std::string("/dev/zero"), toDevice, fifo}) {
			SCOPED_TRACE(path);
			entry_ref ref = ref_for(path);
			archive.ReplaceRef("PL:ref", &ref);
			EXPECT_TRUE(instantiates_promptly(&archive, &nullState, fifo));
			EXPECT_TRUE(nullState);
		}

		// A file this user may not read; root reads everything.
		chmod(unreadable.c_str(), 0);
		if (access(unreadable.c_str(), R_OK) != 0) {
			entry_ref ref = ref_for(unreadable);
			archive.ReplaceRef("PL:ref", &ref);
			EXPECT_TRUE(instantiates_promptly(&archive, &nullState));
			EXPECT_TRUE(nullState);
		}
		chmod(unreadable.c_str(), 0644);

		// A link to the picture itself is followed.
		entry_ref ref = ref_for(linked);
		if (std::string(sample) != "quadrants.png") {
			std::string clip = dir / "clip.mp4";
			unlink(clip.c_str());
			std::string target = std::filesystem::absolute(sample_path(sample));
			ASSERT_EQ(symlink(target.c_str(), clip.c_str()), 0);
			ref = ref_for(clip);
		}
		archive.ReplaceRef("PL:ref", &ref);
		EXPECT_TRUE(instantiates_promptly(&archive, &nullState));
		EXPECT_FALSE(nullState);
	}
}
