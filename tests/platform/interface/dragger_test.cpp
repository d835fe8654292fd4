// BDragger: its default pop-up, the archive that carries the pop-up with
// whatever menu classes it holds, the handle drawn over its target (also over
// drawing done outside an update), the "show replicants" switch, the drag a
// primary-button move starts, and ownership of the pop-up and the target.

#include <AppDefs.h>
#include <Dragger.h>
#include <Menu.h>
#include <MessageFilter.h>
#include <MenuItem.h>
#include <Message.h>
#include <PopUpMenu.h>
#include <View.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "display/offscreen/OffscreenControl.h"
#include "interface/DragPrivate.h"
#include "interface/DraggersDrawnFile.h"
#include "platform/interface/InterfaceTestSupport.h"
#include "support/ClassRegistry.h"

// A menu class of the application's own, as the viewer puts one into the
// dragger's pop-up: it has a field of its own and must come back as itself.
class ChoiceMenu : public BMenu {
public:
	ChoiceMenu(const char* name, int32 choice) : BMenu(name), fChoice(choice)
	{
		AddItem(new BMenuItem("Everywhere", new BMessage('chev')));
		AddItem(new BMenuItem("Here", new BMessage('chhe')));
		ItemAt(choice == -1 ? 0 : 1)->SetMarked(true);
	}
	ChoiceMenu(BMessage* archive) : BMenu(archive), fChoice(archive->GetInt32("test:choice", -2)) {}

	static BArchivable* Instantiate(BMessage* archive)
	{
		if (!validate_instantiation(archive, "ChoiceMenu"))
			return NULL;
		return new ChoiceMenu(archive);
	}

	status_t Archive(BMessage* archive, bool deep) const override
	{
		status_t status = BMenu::Archive(archive, deep);
		if (status == B_OK)
			status = archive->AddInt32("test:choice", fChoice);
		return status;
	}

	int32 fChoice;
};

static BPrivate::InstantiationRegistrar sChoiceMenu("ChoiceMenu", &ChoiceMenu::Instantiate);

namespace {

const rgb_color kBlue = {0, 0, 255, 255};
const rgb_color kRed = {255, 0, 0, 255};
// The handle's two colours.
const rgb_color kDark = {0x30, 0x30, 0x30, 255};
const rgb_color kLight = {0xe8, 0xe8, 0xe8, 255};

// The dragger's relation code for "the target is my parent".
const int32 kTargetIsParent = 2;

// Records the drags views start.
class RecordingDragSink : public BPrivate::DragSink {
public:
	void StartDrag(BPrivate::DragRequest* request) override
	{
		std::lock_guard<std::mutex> guard(lock);
		requests.emplace_back(request);
	}

	size_t Count()
	{
		std::lock_guard<std::mutex> guard(lock);
		return requests.size();
	}

	std::mutex lock;
	std::vector<std::unique_ptr<BPrivate::DragRequest>> requests;
};

// A target with its dragger at the top left, as the viewer builds it.
BView* new_target_with_dragger(BRect frame, const char* name, BDragger** dragger)
{
	BView* target = new BView(frame, name, B_FOLLOW_NONE, B_WILL_DRAW);
	target->SetViewColor(kBlue);
	*dragger = new BDragger(BRect(0, 0, 7, 7), target);
	target->AddChild(*dragger);
	return target;
}

} // namespace

// #pragma mark - pop-up and archive (no window)

TEST(DraggerTest, DefaultPopUpAboutSeparatorRemove)
{
	BDragger* dragger;
	std::unique_ptr<BView> target(
	    new_target_with_dragger(BRect(0, 0, 99, 99), "Picture", &dragger));
	EXPECT_STREQ(dragger->Name(), "_dragger_");
	EXPECT_EQ(dragger->Target(), target.get());

	BPopUpMenu* menu = dragger->PopUp();
	ASSERT_NE(menu, nullptr);
	EXPECT_EQ(dragger->PopUp(), menu) << "built once";
	EXPECT_FALSE(menu->IsRadioMode());
	ASSERT_EQ(menu->CountItems(), 3);

	BMenuItem* about = menu->ItemAt(0);
	EXPECT_STREQ(about->Label(), "About Picture\xe2\x80\xa6");
	ASSERT_NE(about->Message(), nullptr);
	EXPECT_EQ(about->Message()->what, static_cast<uint32>(B_ABOUT_REQUESTED));
	EXPECT_STREQ(about->Message()->GetString("target", ""), "Picture");

	EXPECT_NE(dynamic_cast<BSeparatorItem*>(menu->ItemAt(1)), nullptr);
	EXPECT_STREQ(menu->ItemAt(2)->Label(), "Remove Replicant");
	ASSERT_NE(menu->ItemAt(2)->Message(), nullptr);
	EXPECT_EQ(menu->ItemAt(2)->Message()->what, static_cast<uint32>('JAHA'));
}

TEST(DraggerTest, WithoutTargetThereIsNoPopUpToBuild)
{
	BDragger dragger(BRect(0, 0, 7, 7), NULL);
	EXPECT_EQ(dragger.PopUp(), nullptr);
	BMessage archive;
	ASSERT_EQ(dragger.Archive(&archive), B_OK);
	EXPECT_FALSE(archive.HasMessage("_popup"));
}

TEST(DraggerTest, PopUpIsArchivedOnlyOnceItExists)
{
	BDragger* dragger;
	std::unique_ptr<BView> target(
	    new_target_with_dragger(BRect(0, 0, 99, 99), "Picture", &dragger));
	BMessage before;
	ASSERT_EQ(dragger->Archive(&before), B_OK);
	EXPECT_FALSE(before.HasMessage("_popup"));
	// Archiving built nothing behind the caller's back.
	BMessage again;
	ASSERT_EQ(dragger->Archive(&again), B_OK);
	EXPECT_FALSE(again.HasMessage("_popup"));

	dragger->PopUp();
	BMessage after;
	ASSERT_EQ(dragger->Archive(&after), B_OK);
	EXPECT_TRUE(after.HasMessage("_popup"));
	EXPECT_STREQ(after.GetString("class", ""), "BDragger");
	EXPECT_STREQ(after.GetString("_name", ""), "_dragger_");
	// Never attached, the relation still comes from the tree.
	EXPECT_EQ(after.GetInt32("_rel", -1), kTargetIsParent);
}

TEST(DraggerTest, ArchiveRoundTripKeepsPopUpWithMenuSubclass)
{
	BDragger* dragger;
	std::unique_ptr<BView> target(
	    new_target_with_dragger(BRect(0, 0, 99, 99), "Picture", &dragger));
	BPopUpMenu* menu = dragger->PopUp();
	// What the viewer adds at the top: a marked item and its own submenu.
	BMenuItem* lock = new BMenuItem("Lock", new BMessage('Mtlr'));
	lock->SetMarked(true);
	ASSERT_TRUE(menu->AddItem(lock, 0));
	ASSERT_TRUE(menu->AddItem(new BMenuItem(new ChoiceMenu("Workspaces", 2)), 1));
	ASSERT_TRUE(menu->AddItem(new BSeparatorItem(), 2));

	BMessage archive;
	ASSERT_EQ(target->Archive(&archive, true), B_OK);
	BMessage draggerArchive;
	ASSERT_EQ(archive.FindMessage("_views", 0, &draggerArchive), B_OK);
	EXPECT_STREQ(draggerArchive.GetString("class", ""), "BDragger");

	std::unique_ptr<BArchivable> object(instantiate_object(&archive));
	BView* restored = dynamic_cast<BView*>(object.get());
	ASSERT_NE(restored, nullptr);
	BDragger* restoredDragger = dynamic_cast<BDragger*>(restored->FindView("_dragger_"));
	ASSERT_NE(restoredDragger, nullptr);
	EXPECT_EQ(restoredDragger->Target(), restored);
	EXPECT_EQ(restoredDragger->Frame(), BRect(0, 0, 7, 7));

	BPopUpMenu* restoredMenu = restoredDragger->PopUp();
	ASSERT_NE(restoredMenu, nullptr);
	ASSERT_EQ(restoredMenu->CountItems(), 6);
	EXPECT_STREQ(restoredMenu->ItemAt(0)->Label(), "Lock");
	EXPECT_TRUE(restoredMenu->ItemAt(0)->IsMarked());
	EXPECT_EQ(restoredMenu->ItemAt(0)->Message()->what, static_cast<uint32>('Mtlr'));

	ChoiceMenu* choice = dynamic_cast<ChoiceMenu*>(restoredMenu->ItemAt(1)->Submenu());
	ASSERT_NE(choice, nullptr) << "the submenu comes back as its own class";
	EXPECT_EQ(choice->fChoice, 2);
	EXPECT_STREQ(restoredMenu->ItemAt(1)->Label(), "Workspaces");
	ASSERT_EQ(choice->CountItems(), 2);
	EXPECT_TRUE(choice->ItemAt(1)->IsMarked());
	EXPECT_EQ(restoredMenu->FindItem("Here"), choice->ItemAt(1));

	EXPECT_NE(dynamic_cast<BSeparatorItem*>(restoredMenu->ItemAt(2)), nullptr);
	EXPECT_STREQ(restoredMenu->ItemAt(3)->Label(), "About Picture\xe2\x80\xa6");
	EXPECT_STREQ(restoredMenu->ItemAt(5)->Label(), "Remove Replicant");
}

TEST(DraggerTest, ArchiveWithUnknownPopUpClassRestoresWithoutIt)
{
	BDragger* dragger;
	std::unique_ptr<BView> target(
	    new_target_with_dragger(BRect(0, 0, 99, 99), "Picture", &dragger));
	dragger->PopUp();
	BMessage archive;
	ASSERT_EQ(dragger->Archive(&archive), B_OK);
	BMessage popUp;
	ASSERT_EQ(archive.FindMessage("_popup", &popUp), B_OK);
	popUp.ReplaceString("class", "NoSuchMenuClass");
	archive.ReplaceMessage("_popup", &popUp);

	std::unique_ptr<BDragger> restored(new BDragger(&archive));
	// No target yet either (not attached): nothing to fall back on.
	EXPECT_EQ(restored->PopUp(), nullptr);
}

TEST(DraggerTest, SetPopUpReplacesAndOwns)
{
	struct CountedMenu : BPopUpMenu {
		CountedMenu(int* deaths) : BPopUpMenu("counted"), fDeaths(deaths) {}
		~CountedMenu() override { (*fDeaths)++; }
		int* fDeaths;
	};
	int deaths = 0;
	{
		BDragger* dragger;
		std::unique_ptr<BView> target(
		    new_target_with_dragger(BRect(0, 0, 99, 99), "Picture", &dragger));
		CountedMenu* first = new CountedMenu(&deaths);
		EXPECT_EQ(dragger->SetPopUp(first), B_OK);
		EXPECT_EQ(dragger->PopUp(), first);
		EXPECT_EQ(dragger->SetPopUp(first), B_OK);
		EXPECT_EQ(deaths, 0) << "setting the same menu again keeps it";
		EXPECT_EQ(dragger->SetPopUp(new CountedMenu(&deaths)), B_OK);
		EXPECT_EQ(deaths, 1);
	}
	// The target took its dragger along, and the dragger its pop-up.
	EXPECT_EQ(deaths, 2);
}

// #pragma mark - in a window

namespace {

class DraggerWindowTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		window = new BWindow(BRect(100, 100, 299, 199), "dragger", B_TITLED_WINDOW, 0);
		target = new_target_with_dragger(BRect(10, 10, 109, 89), "Picture", &dragger);
		window->AddChild(target);
		previousSink = BPrivate::set_drag_sink(&sink);
	}

	void TearDown() override
	{
		inject_mouse_released_all();
		if (window->Lock())
			window->Quit();
		BPrivate::set_drag_sink(previousSink);
		BDragger::ShowAllDraggers();
	}

	void ShowAndWait()
	{
		window->Show();
		ASSERT_TRUE(sync_window(window));
		ASSERT_TRUE(sync_window(window));
	}

	// A point of the dragger's handle, on the screen.
	BPoint HandleOnScreen(float x, float y) const { return BPoint(100 + 10 + x, 100 + 10 + y); }

	bool PixelIs(int32 x, int32 y, rgb_color expected)
	{
		return wait_for([&] { return window_pixel(window, x, y) == expected; });
	}

	InterfaceTestApp app;
	BWindow* window = NULL;
	BView* target = NULL;
	BDragger* dragger = NULL;
	RecordingDragSink sink;
	BPrivate::DragSink* previousSink = NULL;
};

} // namespace

TEST_F(DraggerWindowTest, HandleIsDrawnOverTheTargetWhichShowsAroundIt)
{
	ShowAndWait();
	// Window coordinates: the target starts at (10, 10).
	EXPECT_TRUE(PixelIs(10 + 7, 10 + 7, kDark));
	EXPECT_TRUE(PixelIs(10 + 7, 10 + 0, kDark));
	EXPECT_TRUE(PixelIs(10 + 0, 10 + 7, kDark));
	EXPECT_TRUE(PixelIs(10 + 6, 10 + 6, kLight));
	// The clear part of the handle shows the target's picture.
	EXPECT_TRUE(PixelIs(10 + 0, 10 + 0, kBlue));
	EXPECT_TRUE(PixelIs(10 + 3, 10 + 3, kBlue));
	EXPECT_TRUE(PixelIs(10 + 8, 10 + 8, kBlue));

	// Drawing on the target outside an update (a video frame) does not wipe
	// the handle.
	ASSERT_TRUE(window->Lock());
	target->SetHighColor(kRed);
	target->FillRect(target->Bounds());
	window->Unlock();
	EXPECT_TRUE(PixelIs(10 + 0, 10 + 0, kRed));
	EXPECT_TRUE(PixelIs(10 + 50, 10 + 50, kRed));
	EXPECT_TRUE(PixelIs(10 + 6, 10 + 6, kLight));
	EXPECT_TRUE(PixelIs(10 + 7, 10 + 7, kDark));
}

TEST_F(DraggerWindowTest, ShowAndHideAllDraggers)
{
	// A sibling dragger hides itself too; a dragger that is its target's
	// parent only stops drawing.
	BView* sibling = new BView(BRect(150, 10, 189, 49), "Sibling", B_FOLLOW_NONE, B_WILL_DRAW);
	BDragger* siblingDragger = new BDragger(BRect(150, 10, 157, 17), sibling);
	BView* child = new BView(BRect(0, 0, 39, 39), "Child", B_FOLLOW_NONE, B_WILL_DRAW);
	BDragger* parentDragger = new BDragger(BRect(120, 60, 159, 99), child);
	parentDragger->AddChild(child);
	ASSERT_TRUE(window->Lock());
	window->AddChild(sibling);
	window->AddChild(siblingDragger);
	window->AddChild(parentDragger);
	window->Unlock();
	ShowAndWait();
	ASSERT_TRUE(BDragger::AreDraggersDrawn());
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(siblingDragger->Target(), sibling);
	EXPECT_EQ(parentDragger->Target(), child);
	window->Unlock();

	ASSERT_EQ(BDragger::HideAllDraggers(), B_OK);
	EXPECT_FALSE(BDragger::AreDraggersDrawn());
	ASSERT_TRUE(sync_window(window));
	ASSERT_TRUE(window->Lock());
	EXPECT_TRUE(dragger->IsHidden());
	EXPECT_TRUE(siblingDragger->IsHidden());
	EXPECT_FALSE(parentDragger->IsHidden());
	EXPECT_FALSE(child->IsHidden());
	window->Unlock();
	EXPECT_TRUE(PixelIs(10 + 6, 10 + 6, kBlue));
	EXPECT_TRUE(PixelIs(10 + 7, 10 + 7, kBlue));

	// Hiding twice does not pile up: one Show brings them back.
	ASSERT_EQ(BDragger::HideAllDraggers(), B_OK);
	ASSERT_EQ(BDragger::ShowAllDraggers(), B_OK);
	ASSERT_TRUE(sync_window(window));
	ASSERT_TRUE(window->Lock());
	EXPECT_FALSE(dragger->IsHidden());
	EXPECT_FALSE(siblingDragger->IsHidden());
	window->Unlock();
	EXPECT_TRUE(PixelIs(10 + 6, 10 + 6, kLight));
}

TEST_F(DraggerWindowTest, DraggerAttachedWhileHandlesAreOffStartsHidden)
{
	ASSERT_EQ(BDragger::HideAllDraggers(), B_OK);
	ShowAndWait();
	ASSERT_TRUE(window->Lock());
	EXPECT_TRUE(dragger->IsHidden());
	window->Unlock();
}

TEST_F(DraggerWindowTest, PrimaryDragArchivesTheTargetDeep)
{
	ASSERT_TRUE(window->Lock());
	dragger->PopUp();
	window->Unlock();
	ShowAndWait();

	inject_mouse_moved(HandleOnScreen(3, 3));
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_moved(HandleOnScreen(5, 4));
	ASSERT_TRUE(sync_window(window));
	EXPECT_EQ(sink.Count(), 0u) << "two pixels are not a drag yet";
	inject_mouse_moved(HandleOnScreen(40, 30));
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(window));
	ASSERT_EQ(sink.Count(), 1u);

	BPrivate::DragRequest* request = sink.requests[0].get();
	const BMessage& drag = request->message;
	EXPECT_EQ(drag.what, static_cast<uint32>(B_ARCHIVED_OBJECT));
	EXPECT_STREQ(drag.GetString("class", ""), "BView");
	EXPECT_STREQ(drag.GetString("_name", ""), "Picture");
	EXPECT_EQ(drag.GetInt32("be:actions", 0), static_cast<int32>(B_TRASH_TARGET));
	EXPECT_EQ(drag.GetInt32("buttons", 0), B_PRIMARY_MOUSE_BUTTON);
	BMessage draggerArchive;
	ASSERT_EQ(drag.FindMessage("_views", 0, &draggerArchive), B_OK);
	EXPECT_STREQ(draggerArchive.GetString("_name", ""), "_dragger_");
	EXPECT_EQ(draggerArchive.GetInt32("_rel", -1), kTargetIsParent);
	EXPECT_TRUE(draggerArchive.HasMessage("_popup"));
	// Shown as the target's outline; the reply comes back to the dragger.
	EXPECT_EQ(request->frame, BRect(110, 110, 209, 189));
	BLooper* looper = NULL;
	EXPECT_EQ(request->replyTo.Target(&looper), dragger);

	// What the drag carries is a replicant of the target.
	BMessage copy(drag);
	std::unique_ptr<BArchivable> replicant(instantiate_object(&copy));
	BView* view = dynamic_cast<BView*>(replicant.get());
	ASSERT_NE(view, nullptr);
	EXPECT_NE(dynamic_cast<BDragger*>(view->FindView("_dragger_")), nullptr);
}

TEST_F(DraggerWindowTest, ClickOrSlowMoveIsNoDrag)
{
	ShowAndWait();
	inject_mouse_moved(HandleOnScreen(3, 3));
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(window));

	// Held still past the double-click time, then moved.
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	BPrivate::OffscreenControl::Get()->AdvanceClock(2000000);
	inject_mouse_moved(HandleOnScreen(40, 30));
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(window));

	// A press on the target itself, beside the handle.
	inject_mouse_moved(HandleOnScreen(30, 30));
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_moved(HandleOnScreen(60, 60));
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(window));
	EXPECT_EQ(sink.Count(), 0u);
}

TEST_F(DraggerWindowTest, NoDragWhileHandlesAreOff)
{
	// A dragger that is its target's parent stays shown with handles off,
	// and ignores the press.
	BView* child = new BView(BRect(0, 0, 39, 39), "Child", B_FOLLOW_NONE, 0);
	BDragger* parentDragger = new BDragger(BRect(120, 10, 159, 49), child);
	parentDragger->AddChild(child);
	ASSERT_TRUE(window->Lock());
	window->AddChild(parentDragger);
	window->Unlock();
	ASSERT_EQ(BDragger::HideAllDraggers(), B_OK);
	ShowAndWait();
	inject_mouse_moved(BPoint(100 + 125, 100 + 15));
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_moved(BPoint(100 + 160, 100 + 60));
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(window));
	EXPECT_EQ(sink.Count(), 0u);
}

TEST_F(DraggerWindowTest, RemovedSiblingTargetIsForgotten)
{
	BView* sibling = new BView(BRect(150, 10, 189, 49), "Sibling", B_FOLLOW_NONE, B_WILL_DRAW);
	BDragger* siblingDragger = new BDragger(BRect(150, 10, 157, 17), sibling);
	ASSERT_TRUE(window->Lock());
	window->AddChild(sibling);
	window->AddChild(siblingDragger);
	window->Unlock();
	ShowAndWait();

	ASSERT_TRUE(window->Lock());
	ASSERT_TRUE(sibling->RemoveSelf());
	delete sibling;
	EXPECT_EQ(siblingDragger->Target(), nullptr);
	EXPECT_EQ(siblingDragger->PopUp(), nullptr);
	window->Unlock();

	inject_mouse_moved(BPoint(100 + 153, 100 + 13));
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_moved(BPoint(100 + 180, 100 + 40));
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(window));
	EXPECT_EQ(sink.Count(), 0u);

	// The dragger leaves the window and is deleted; the switch must not
	// reach for it afterwards.
	ASSERT_TRUE(window->Lock());
	ASSERT_TRUE(siblingDragger->RemoveSelf());
	delete siblingDragger;
	window->Unlock();
	ASSERT_EQ(BDragger::HideAllDraggers(), B_OK);
	ASSERT_TRUE(sync_window(window));
}

TEST_F(DraggerWindowTest, HandleOutsideItsParentMovesToTheCorner)
{
	BView* small = new BView(BRect(120, 10, 159, 39), "Small", B_FOLLOW_NONE, B_WILL_DRAW);
	BDragger* outside = new BDragger(BRect(50, 50, 57, 57), small);
	small->AddChild(outside);
	ASSERT_TRUE(window->Lock());
	window->AddChild(small);
	EXPECT_EQ(outside->Frame(), BRect(32, 22, 39, 29));
	window->Unlock();
}

namespace {

// Counts the messages of one kind that reach a handler.
class CountingFilter : public BMessageFilter {
public:
	explicit CountingFilter(uint32 what) : BMessageFilter(what) {}
	filter_result Filter(BMessage*, BHandler**) override
	{
		count++;
		return B_SKIP_MESSAGE;
	}
	std::atomic<int> count{0};
};

} // namespace

// The secondary button opens the pop-up at the handle; its items speak to the
// target, and the dragger keeps the menu after it closes.
TEST_F(DraggerWindowTest, SecondaryPressOpensThePopUpForTheTarget)
{
	BPopUpMenu* menu = new BPopUpMenu("Shelf", false, false);
	menu->AddItem(new BMenuItem("Ping", new BMessage('ping')));
	dragger->SetPopUp(menu);
	CountingFilter* pings = new CountingFilter('ping');
	target->AddFilter(pings);
	ShowAndWait();

	for (int round = 1; round <= 2; round++) {
		inject_mouse_moved(HandleOnScreen(3, 3));
		inject_mouse_pressed(B_SECONDARY_MOUSE_BUTTON);
		ASSERT_TRUE(wait_for_popups(1));
		std::vector<BRect> frames = popup_frames();
		EXPECT_EQ(frames[0].LeftTop(), HandleOnScreen(3, 3));
		// Released where it was pressed: the menu stays up for a choice.
		inject_mouse_released(B_SECONDARY_MOUSE_BUTTON);
		const char down[] = {B_DOWN_ARROW, 0};
		const char enter[] = {B_ENTER, 0};
		BPrivate::OffscreenControl::Get()->KeyDown(0, down, B_DOWN_ARROW);
		BPrivate::OffscreenControl::Get()->KeyDown(0, enter, B_ENTER);
		ASSERT_TRUE(wait_for_popups(0));
		EXPECT_TRUE(wait_for([&] { return pings->count.load() == round; }));
	}
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(dragger->PopUp(), menu);
	window->Unlock();
}

// The switch is the user's: the last one chosen is what the next session
// starts from.
TEST(DraggersDrawnFile, KeepsTheLastChoiceAndDoubtsAnythingElse)
{
	const char* config = getenv("XDG_CONFIG_HOME");
	ASSERT_NE(config, nullptr);
	std::string path = std::string(config) + "/pl-platform/show-replicants";
	auto contents = [&] {
		std::ifstream in(path);
		std::stringstream text;
		text << in.rdbuf();
		return text.str();
	};
	ASSERT_EQ(BDragger::HideAllDraggers(), B_OK);
	EXPECT_EQ(contents(), "hidden\n");
	bool drawn = true;
	EXPECT_TRUE(BPrivate::read_saved_draggers_drawn(&drawn));
	EXPECT_FALSE(drawn);
	ASSERT_EQ(BDragger::ShowAllDraggers(), B_OK);
	EXPECT_EQ(contents(), "shown\n");
	EXPECT_TRUE(BPrivate::read_saved_draggers_drawn(&drawn));
	EXPECT_TRUE(drawn);

	for (const char* garbage : {"", "shown", "HIDDEN\n", "shown\nhidden\n"}) {
		std::ofstream(path, std::ios::trunc) << garbage;
		drawn = false;
		EXPECT_FALSE(BPrivate::read_saved_draggers_drawn(&drawn)) << garbage;
	}
	std::ofstream(path, std::ios::trunc) << "shown\n";
}
