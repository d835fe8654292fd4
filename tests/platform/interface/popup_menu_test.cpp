// Pop-up menus on the offscreen display: opening, pointer and key tracking,
// submenus, delivery, dynamic items, auto-destruction and drawing.

#include <gtest/gtest.h>

#include <InterfaceDefs.h>
#include <Looper.h>
#include <MenuItem.h>
#include <Message.h>
#include <PopUpMenu.h>
#include <View.h>
#include <Window.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "ThreadTestUtils.h"
#include "display/offscreen/OffscreenControl.h"
#include "interface/WindowPrivate.h"
#include "platform/interface/InterfaceTestSupport.h"
#include "platform/interface/MessageInbox.h"

using BPrivate::DisplaySurface;
using BPrivate::OffscreenControl;

namespace {

OffscreenControl* control()
{
	return OffscreenControl::Get();
}

const void* source_of(const BMessage& message)
{
	void* source = NULL;
	message.FindPointer("source", &source);
	return source;
}

BPoint center_of(const BMenuItem* item, BRect menuFrame)
{
	BRect frame = item->Frame();
	return BPoint(menuFrame.left + floorf((frame.left + frame.right) / 2),
	              menuFrame.top + floorf((frame.top + frame.bottom) / 2));
}

// A synchronous Go() in a thread of its own, since it blocks until the user
// has chosen.
class SyncGo {
public:
	SyncGo(BPopUpMenu* menu, BPoint where, bool deliver, bool openAnyway = false)
	{
		fThread = std::thread([=, this] {
			BMenuItem* item = menu->Go(where, deliver, openAnyway);
			std::lock_guard<std::mutex> guard(fLock);
			fChosen = item;
			fDone = true;
			fChanged.notify_all();
		});
	}
	~SyncGo()
	{
		// A test that failed half-way leaves the menu open: close it.
		if (!Wait(100000))
			OffscreenControl::Get()->KeyDown(0, "\x1b", B_ESCAPE);
		if (!Wait()) {
			fprintf(stderr, "FATAL: BPopUpMenu::Go did not return\n");
			_Exit(1);
		}
		fThread.join();
	}

	bool Wait(bigtime_t timeout = 5000000)
	{
		std::unique_lock<std::mutex> guard(fLock);
		return fChanged.wait_for(guard, std::chrono::microseconds(timeout),
		                         [this] { return fDone; });
	}
	bool Done()
	{
		std::lock_guard<std::mutex> guard(fLock);
		return fDone;
	}
	BMenuItem* Chosen()
	{
		Wait();
		std::lock_guard<std::mutex> guard(fLock);
		return fChosen;
	}

private:
	std::thread fThread;
	std::mutex fLock;
	std::condition_variable fChanged;
	bool fDone = false;
	BMenuItem* fChosen = NULL;
};

class PopUpMenuTest : public testing::Test {
protected:
	void SetUp() override
	{
		control()->ReleaseButtons(0xff);
		control()->MoveMouse(BPoint(0, 0));
		ASSERT_TRUE(wait_for_popups(0));
	}
	void TearDown() override
	{
		control()->ReleaseButtons(0xff);
		EXPECT_TRUE(wait_for_popups(0)) << "a menu stayed open";
	}

	// "One", "Two", a separator, a disabled "Off" and "Three", aimed at the
	// inbox.
	BPopUpMenu* MakeMenu(Inbox* inbox)
	{
		BPopUpMenu* menu = new BPopUpMenu("context", false, false);
		menu->AddItem(new BMenuItem("One", new BMessage('one ')));
		menu->AddItem(new BMenuItem("Two", new BMessage('two ')));
		menu->AddSeparatorItem();
		BMenuItem* off = new BMenuItem("Off", new BMessage('off '));
		off->SetEnabled(false);
		menu->AddItem(off);
		menu->AddItem(new BMenuItem("Three", new BMessage('thre')));
		menu->SetTargetForItems(inbox);
		return menu;
	}

	InterfaceTestApp fApp;
	Target fTarget;
};

} // namespace

TEST_F(PopUpMenuTest, PressDragAndReleaseChoosesTheItemAndDeliversACopyWithItsFields)
{
	BPopUpMenu* menu = MakeMenu(fTarget.handler);
	control()->MoveMouse(BPoint(200, 150));
	control()->PressButtons(B_SECONDARY_MOUSE_BUTTON);
	SyncGo go(menu, BPoint(200, 150), true);
	ASSERT_TRUE(wait_for_popups(1));
	BRect frame = popup_frames()[0];
	EXPECT_EQ(frame.LeftTop(), BPoint(200, 150)) << "left-top at the point";
	EXPECT_GT(frame.Height(), 4 * menu->ItemAt(0)->Frame().Height()) << "every item shows";
	EXPECT_GE(frame.Width(), menu->StringWidth("Three"));

	control()->MoveMouse(center_of(menu->ItemAt(1), frame));
	control()->ReleaseButtons(B_SECONDARY_MOUSE_BUTTON);
	ASSERT_TRUE(go.Wait());
	EXPECT_EQ(go.Chosen(), menu->ItemAt(1));
	EXPECT_TRUE(wait_for_popups(0));

	std::vector<BMessage> received = fTarget.handler->WaitFor(1);
	ASSERT_EQ(received.size(), 1u);
	EXPECT_EQ(received[0].what, uint32('two '));
	EXPECT_EQ(source_of(received[0]), menu->ItemAt(1));
	EXPECT_EQ(received[0].GetInt32("index", -1), 1);
	EXPECT_GT(received[0].GetInt64("when", 0), 0);
	EXPECT_FALSE(menu->ItemAt(1)->IsMarked()) << "not a radio menu";
	delete menu;
}

TEST_F(PopUpMenuTest, WithoutDeliveryTheChoiceIsOnlyReturned)
{
	BPopUpMenu* menu = MakeMenu(fTarget.handler);
	control()->MoveMouse(BPoint(300, 300));
	control()->PressButtons(B_PRIMARY_MOUSE_BUTTON);
	SyncGo go(menu, BPoint(300, 300), false);
	ASSERT_TRUE(wait_for_popups(1));
	control()->MoveMouse(center_of(menu->ItemAt(4), popup_frames()[0]));
	control()->ReleaseButtons(B_PRIMARY_MOUSE_BUTTON);
	EXPECT_EQ(go.Chosen(), menu->ItemAt(4));
	EXPECT_TRUE(fTarget.handler->WaitFor(1, 200000).empty());
	delete menu;
}

TEST_F(PopUpMenuTest, ReleasingTheOpeningClickInPlaceKeepsTheMenuOpenForAClick)
{
	BPopUpMenu* menu = MakeMenu(fTarget.handler);
	control()->MoveMouse(BPoint(100, 100));
	control()->PressButtons(B_SECONDARY_MOUSE_BUTTON);
	SyncGo go(menu, BPoint(100, 100), true);
	ASSERT_TRUE(wait_for_popups(1));
	BRect frame = popup_frames()[0];
	// The pointer is over the first item, but this release only ends the
	// click that opened the menu.
	control()->ReleaseButtons(B_SECONDARY_MOUSE_BUTTON);
	EXPECT_FALSE(go.Wait(300000));
	EXPECT_EQ(popup_frames().size(), 1u);

	// Releasing over a disabled item or a separator chooses nothing either.
	control()->Click(center_of(menu->ItemAt(3), frame));
	control()->Click(center_of(menu->ItemAt(2), frame));
	EXPECT_FALSE(go.Wait(300000));

	control()->Click(center_of(menu->ItemAt(4), frame));
	EXPECT_EQ(go.Chosen(), menu->ItemAt(4));
	std::vector<BMessage> received = fTarget.handler->WaitFor(1);
	ASSERT_EQ(received.size(), 1u);
	EXPECT_EQ(received[0].what, uint32('thre'));
	EXPECT_EQ(received[0].GetInt32("index", -1), 4);
	delete menu;
}

TEST_F(PopUpMenuTest, AClickOrAReleaseOutsideClosesWithoutAChoice)
{
	BPopUpMenu* menu = MakeMenu(fTarget.handler);
	{
		SyncGo go(menu, BPoint(400, 400), true);
		ASSERT_TRUE(wait_for_popups(1));
		control()->Click(BPoint(20, 20));
		EXPECT_EQ(go.Chosen(), nullptr);
	}
	EXPECT_TRUE(wait_for_popups(0));
	{
		control()->MoveMouse(BPoint(400, 400));
		control()->PressButtons(B_PRIMARY_MOUSE_BUTTON);
		SyncGo go(menu, BPoint(400, 400), true);
		ASSERT_TRUE(wait_for_popups(1));
		control()->MoveMouse(BPoint(380, 380));
		control()->ReleaseButtons(B_PRIMARY_MOUSE_BUTTON);
		EXPECT_EQ(go.Chosen(), nullptr);
	}
	EXPECT_TRUE(fTarget.handler->WaitFor(1, 200000).empty());
	delete menu;
}

TEST_F(PopUpMenuTest, OpenAnywayAndTheClickToOpenBoxKeepTheMenuOpenAfterTheRelease)
{
	BPopUpMenu* menu = MakeMenu(fTarget.handler);
	{
		control()->MoveMouse(BPoint(400, 400));
		control()->PressButtons(B_PRIMARY_MOUSE_BUTTON);
		SyncGo go(menu, BPoint(400, 400), true, true);
		ASSERT_TRUE(wait_for_popups(1));
		control()->MoveMouse(BPoint(380, 380));
		control()->ReleaseButtons(B_PRIMARY_MOUSE_BUTTON);
		EXPECT_FALSE(go.Wait(300000)) << "open anyway";
		control()->Click(BPoint(10, 10));
		EXPECT_EQ(go.Chosen(), nullptr);
	}
	ASSERT_TRUE(wait_for_popups(0));

	// Asynchronous, released inside the box that opened it.
	control()->MoveMouse(BPoint(500, 200));
	control()->PressButtons(B_PRIMARY_MOUSE_BUTTON);
	EXPECT_EQ(menu->Go(BPoint(500, 200), true, false, BRect(490, 190, 520, 220), true), nullptr);
	ASSERT_TRUE(wait_for_popups(1));
	control()->MoveMouse(BPoint(515, 215));
	control()->ReleaseButtons(B_PRIMARY_MOUSE_BUTTON);
	snooze(200000);
	EXPECT_EQ(popup_frames().size(), 1u) << "released in the click-to-open box";
	control()->Click(center_of(menu->ItemAt(0), popup_frames()[0]));
	std::vector<BMessage> received = fTarget.handler->WaitFor(1);
	ASSERT_EQ(received.size(), 1u);
	EXPECT_EQ(received[0].what, uint32('one '));
	ASSERT_TRUE(wait_for_popups(0));
	delete menu;
}

TEST_F(PopUpMenuTest, ASubmenuOpensBesideItsItemAndItsItemsCanBeChosen)
{
	BPopUpMenu* menu = MakeMenu(fTarget.handler);
	BMenu* sizes = new BMenu("Sizes");
	sizes->SetRadioMode(true);
	sizes->AddItem(new BMenuItem("Small", new BMessage('smal')));
	sizes->AddItem(new BMenuItem("Large", new BMessage('larg')));
	sizes->SetTargetForItems(fTarget.handler);
	menu->AddItem(sizes, 1);

	SyncGo go(menu, BPoint(100, 120), true);
	ASSERT_TRUE(wait_for_popups(1));
	BRect root = popup_frames()[0];
	BMenuItem* superitem = menu->ItemAt(1);
	control()->MoveMouse(center_of(superitem, root));
	ASSERT_TRUE(wait_for_popups(2));
	BRect sub = popup_frames()[1];
	EXPECT_EQ(sub.left, root.right + 1) << "right beside its menu";
	EXPECT_NEAR(sub.top + sizes->ItemAt(0)->Frame().top, root.top + superitem->Frame().top, 1)
	    << "its first item level with its item";

	// Across the top of the submenu to the second item.
	control()->MoveMouse(center_of(sizes->ItemAt(0), sub));
	control()->MoveMouse(center_of(sizes->ItemAt(1), sub));
	EXPECT_EQ(popup_frames().size(), 2u);
	control()->Click(center_of(sizes->ItemAt(1), sub));
	EXPECT_EQ(go.Chosen(), sizes->ItemAt(1));
	EXPECT_TRUE(wait_for_popups(0));
	std::vector<BMessage> received = fTarget.handler->WaitFor(1);
	ASSERT_EQ(received.size(), 1u);
	EXPECT_EQ(received[0].what, uint32('larg'));
	EXPECT_EQ(source_of(received[0]), sizes->ItemAt(1));
	EXPECT_EQ(received[0].GetInt32("index", -1), 1) << "its index in the submenu";
	EXPECT_TRUE(sizes->ItemAt(1)->IsMarked()) << "the radio submenu marks the choice";
	delete menu;
}

TEST_F(PopUpMenuTest, LeavingTheSubmenuItemForAnotherClosesTheSubmenu)
{
	BPopUpMenu* menu = MakeMenu(fTarget.handler);
	BMenu* more = new BMenu("More");
	more->AddItem(new BMenuItem("Deep", new BMessage('deep')));
	menu->AddItem(more, 0);

	SyncGo go(menu, BPoint(100, 100), false);
	ASSERT_TRUE(wait_for_popups(1));
	BRect root = popup_frames()[0];
	control()->MoveMouse(center_of(menu->ItemAt(0), root));
	ASSERT_TRUE(wait_for_popups(2));
	control()->MoveMouse(center_of(menu->ItemAt(2), root));
	EXPECT_TRUE(wait_for_popups(1));
	control()->MoveMouse(center_of(menu->ItemAt(0), root));
	EXPECT_TRUE(wait_for_popups(2)) << "and it opens again";
	control()->KeyDown(0, "\x1b", B_ESCAPE);
	EXPECT_EQ(go.Chosen(), nullptr);
	delete menu;
}

TEST_F(PopUpMenuTest, KeysMoveTheSelectionEnterSubmenusChooseAndEscape)
{
	BPopUpMenu* menu = MakeMenu(fTarget.handler);
	BMenu* more = new BMenu("More");
	more->AddItem(new BMenuItem("Deep", new BMessage('deep')));
	more->AddItem(new BMenuItem("Deeper", new BMessage('dper')));
	more->SetTargetForItems(fTarget.handler);
	menu->AddItem(more);

	const char down[] = {B_DOWN_ARROW, 0};
	const char up[] = {B_UP_ARROW, 0};
	const char right[] = {B_RIGHT_ARROW, 0};
	const char left[] = {B_LEFT_ARROW, 0};
	const char enter[] = {B_ENTER, 0};
	{
		SyncGo go(menu, BPoint(50, 50), true);
		ASSERT_TRUE(wait_for_popups(1));
		// Down from nothing: "One"; twice more skips the separator and the
		// disabled item: "Three"; up goes back to "Two".
		control()->KeyDown(0, down, B_DOWN_ARROW);
		control()->KeyDown(0, down, B_DOWN_ARROW);
		control()->KeyDown(0, down, B_DOWN_ARROW);
		control()->KeyDown(0, up, B_UP_ARROW);
		control()->KeyDown(0, enter, B_ENTER);
		EXPECT_EQ(go.Chosen(), menu->ItemAt(1));
	}
	ASSERT_TRUE(wait_for_popups(0));
	{
		SyncGo go(menu, BPoint(50, 50), true);
		ASSERT_TRUE(wait_for_popups(1));
		control()->KeyDown(0, up, B_UP_ARROW); // wraps round to the last item
		control()->KeyDown(0, right, B_RIGHT_ARROW);
		ASSERT_TRUE(wait_for_popups(2));
		control()->KeyDown(0, left, B_LEFT_ARROW);
		ASSERT_TRUE(wait_for_popups(1));
		control()->KeyDown(0, right, B_RIGHT_ARROW);
		ASSERT_TRUE(wait_for_popups(2));
		control()->KeyDown(0, down, B_DOWN_ARROW);
		control()->KeyDown(0, enter, B_ENTER);
		EXPECT_EQ(go.Chosen(), more->ItemAt(1));
	}
	{
		SyncGo go(menu, BPoint(50, 50), true);
		ASSERT_TRUE(wait_for_popups(1));
		control()->KeyDown(0, down, B_DOWN_ARROW);
		control()->KeyDown(0, "\x1b", B_ESCAPE);
		EXPECT_EQ(go.Chosen(), nullptr);
	}
	std::vector<BMessage> received = fTarget.handler->WaitFor(3, 300000);
	ASSERT_EQ(received.size(), 2u);
	EXPECT_EQ(received[0].what, uint32('two '));
	EXPECT_EQ(received[1].what, uint32('dper'));
	delete menu;
}

namespace {

// Builds its items as it opens, numbering them by the opening.
class CountingMenu : public BPopUpMenu {
public:
	CountingMenu() : BPopUpMenu("counting", false, false) {}

	bool AddDynamicItem(add_state state) override
	{
		stages.push_back(state);
		if (state != B_INITIAL_ADD)
			return false;
		RemoveItems(0, openings, true);
		openings++;
		for (int32 i = 0; i < openings; i++)
			AddItem(new BMenuItem(std::to_string(i).c_str(), new BMessage('cnt ')), i);
		return false;
	}

	std::vector<int> stages;
	int32 openings = 0;
};

// Asks for two more rounds, one item each.
class SlowSubmenu : public BMenu {
public:
	SlowSubmenu() : BMenu("slow") {}

	bool AddDynamicItem(add_state state) override
	{
		stages.push_back(state);
		if (state == B_ABORT)
			return false;
		AddItem(new BMenuItem("item", new BMessage('slow')));
		return state == B_INITIAL_ADD || CountItems() < 3;
	}

	std::vector<int> stages;
};

} // namespace

TEST_F(PopUpMenuTest, DynamicItemsAreAddedEachTimeAMenuOrSubmenuOpens)
{
	CountingMenu* menu = new CountingMenu;
	for (int32 opening = 1; opening <= 2; opening++) {
		SyncGo go(menu, BPoint(100, 100), false);
		ASSERT_TRUE(wait_for_popups(1));
		ASSERT_EQ(menu->CountItems(), opening);
		control()->Click(center_of(menu->ItemAt(opening - 1), popup_frames()[0]));
		EXPECT_EQ(go.Chosen(), menu->ItemAt(opening - 1)) << "an item added while opening";
	}
	EXPECT_EQ(menu->stages, (std::vector<int>{0, 0}));

	auto* slow = new SlowSubmenu;
	menu->AddItem(slow);
	SyncGo go(menu, BPoint(100, 100), false);
	ASSERT_TRUE(wait_for_popups(1));
	ASSERT_EQ(menu->CountItems(), 4) << "three numbered items and the submenu";
	BMenuItem* superitem = menu->ItemAt(3);
	control()->MoveMouse(center_of(superitem, popup_frames()[0]));
	ASSERT_TRUE(wait_for_popups(2));
	EXPECT_EQ(slow->CountItems(), 3);
	EXPECT_EQ(slow->stages, (std::vector<int>{0, 1, 1}));
	control()->KeyDown(0, "\x1b", B_ESCAPE);
	EXPECT_EQ(go.Chosen(), nullptr);
	delete menu;
}

namespace {

std::atomic<int32> sDeleted{0};

class CountedMenu : public BPopUpMenu {
public:
	CountedMenu() : BPopUpMenu("counted", false, false) {}
	~CountedMenu() override { sDeleted++; }
};

class CountedItem : public BMenuItem {
public:
	using BMenuItem::BMenuItem;
	~CountedItem() override { sDeleted++; }
};

} // namespace

TEST_F(PopUpMenuTest, AnAsyncMenuDeliversItsChoiceAndDeletesItselfWhenAsked)
{
	sDeleted = 0;
	CountedMenu* menu = new CountedMenu;
	menu->AddItem(new BMenuItem("Only", new BMessage('only')));
	menu->SetTargetForItems(fTarget.handler);
	menu->SetAsyncAutoDestruct(true);
	control()->MoveMouse(BPoint(600, 300));
	control()->PressButtons(B_SECONDARY_MOUSE_BUTTON);
	EXPECT_EQ(menu->Go(BPoint(600, 300), true, false, true), nullptr) << "returns at once";
	ASSERT_TRUE(wait_for_popups(1));
	BPoint item = center_of(menu->ItemAt(0), popup_frames()[0]);
	control()->MoveMouse(item + BPoint(0, 1));
	control()->ReleaseButtons(B_SECONDARY_MOUSE_BUTTON);
	std::vector<BMessage> received = fTarget.handler->WaitFor(1);
	ASSERT_EQ(received.size(), 1u);
	EXPECT_EQ(received[0].what, uint32('only'));
	EXPECT_EQ(received[0].GetInt32("index", -1), 0);
	EXPECT_TRUE(wait_for([] { return sDeleted == 1; })) << "deleted itself";

	// Closed without a choice, it deletes itself too.
	menu = new CountedMenu;
	menu->AddItem(new BMenuItem("Only", new BMessage('only')));
	menu->SetAsyncAutoDestruct(true);
	menu->Go(BPoint(600, 300), true, false, true);
	ASSERT_TRUE(wait_for_popups(1));
	control()->KeyDown(0, "\x1b", B_ESCAPE);
	EXPECT_TRUE(wait_for([] { return sDeleted == 2; }));

	// Without auto-destruction, deleting the open menu closes it first. (A
	// plain BPopUpMenu: a subclass's own destructor would already have run
	// while the menu window still drew it, so a subclass closes its menu
	// before it goes.) Its items go after the menu has closed.
	BPopUpMenu* plain = new BPopUpMenu("plain", false, false);
	plain->AddItem(new CountedItem("Only", new BMessage('only')));
	plain->Go(BPoint(600, 300), true, false, true);
	ASSERT_TRUE(wait_for_popups(1));
	test::must_return_within("deleting an open menu", [plain] { delete plain; });
	EXPECT_EQ(sDeleted, 3);
	EXPECT_TRUE(wait_for_popups(0));
}

namespace {

// An item whose delivery takes a while, as a busy target's would: the
// tracker is then between closing the menu and letting go of it.
class SlowItem : public BMenuItem {
public:
	using BMenuItem::BMenuItem;
	status_t Invoke(BMessage* message = NULL) override
	{
		invoking.store(true);
		snooze(200000);
		return BMenuItem::Invoke(message);
	}
	std::atomic<bool> invoking{false};
};

} // namespace

// Opened again while its last choice is still being delivered (the menu off
// the screen, as a user sees it), an asynchronous menu opens: the press is
// not lost to the tracking that is ending.
TEST_F(PopUpMenuTest, AMenuOpenedAgainWhileItsChoiceIsDeliveredOpens)
{
	BPopUpMenu* menu = new BPopUpMenu("again", false, false);
	SlowItem* item = new SlowItem("Slow", new BMessage('slow'));
	menu->AddItem(item);
	menu->SetTargetForItems(fTarget.handler);
	menu->Go(BPoint(600, 300), true, false, true);
	ASSERT_TRUE(wait_for_popups(1));
	const char down[] = {B_DOWN_ARROW, 0};
	const char enter[] = {B_ENTER, 0};
	control()->KeyDown(0, down, B_DOWN_ARROW);
	control()->KeyDown(0, enter, B_ENTER);
	ASSERT_TRUE(wait_for([&] { return item->invoking.load(); }));
	menu->Go(BPoint(600, 300), true, false, true);
	EXPECT_TRUE(wait_for_popups(1)) << "the second opening was lost";
	EXPECT_EQ(fTarget.handler->WaitFor(1).size(), 1u);
	control()->KeyDown(0, "\x1b", B_ESCAPE);
	EXPECT_TRUE(wait_for_popups(0));
	test::must_return_within("deleting the menu", [menu] { delete menu; });
}

TEST_F(PopUpMenuTest, ItemsWhoseTargetIsGoneAreChosenHarmlessly)
{
	Target gone;
	BPopUpMenu* menu = MakeMenu(gone.handler);
	menu->SetAsyncAutoDestruct(true);
	gone.Quit();
	menu->Go(BPoint(100, 100), true, false, true);
	ASSERT_TRUE(wait_for_popups(1));
	control()->Click(center_of(menu->ItemAt(0), popup_frames()[0]));
	EXPECT_TRUE(wait_for_popups(0));

	BPopUpMenu* untargeted = new BPopUpMenu("untargeted", false, false);
	untargeted->AddItem(new BMenuItem("Nowhere", new BMessage('nowh')));
	SyncGo go(untargeted, BPoint(100, 100), true);
	ASSERT_TRUE(wait_for_popups(1));
	control()->Click(center_of(untargeted->ItemAt(0), popup_frames()[0]));
	EXPECT_EQ(go.Chosen(), untargeted->ItemAt(0));
	go.Wait();
	delete untargeted;
}

namespace {

// Opens its menu synchronously from MouseDown, in the window's thread with
// the window locked.
class MenuView : public BView {
public:
	MenuView(BPopUpMenu* menu)
	    : BView(BRect(0, 0, 199, 199), "menu view", 0, B_WILL_DRAW), fMenu(menu)
	{
	}

	void Draw(BRect) override
	{
		SetHighColor(pressed ? make_color(200, 0, 0) : make_color(0, 0, 200));
		FillRect(Bounds());
	}

	void MouseDown(BPoint where) override
	{
		locked = Window()->IsLocked();
		// Drawn while the menu is open.
		pressed = true;
		Invalidate();
		BMenuItem* item = fMenu->Go(ConvertToScreen(where), true);
		chosen = item;
		returned = true;
	}

	std::atomic<bool> returned{false};
	std::atomic<bool> locked{false};
	bool pressed = false; // window thread only
	std::atomic<BMenuItem*> chosen{NULL};

private:
	BPopUpMenu* fMenu;
};

} // namespace

TEST_F(PopUpMenuTest, AWindowThreadHoldingItsLockCanWaitForAChoice)
{
	BPopUpMenu* menu = MakeMenu(fTarget.handler);
	BWindow* window = new BWindow(BRect(100, 100, 299, 299), "host", B_TITLED_WINDOW, 0);
	MenuView* view = new MenuView(menu);
	window->AddChild(view);
	window->Show();
	ASSERT_TRUE(sync_window(window));

	int32 presents = window_present_count(window);
	control()->MoveMouse(BPoint(150, 150));
	control()->PressButtons(B_SECONDARY_MOUSE_BUTTON);
	ASSERT_TRUE(wait_for_popups(1));
	EXPECT_EQ(popup_frames()[0].LeftTop(), BPoint(150, 150));
	EXPECT_TRUE(wait_for([&] { return window_present_count(window) > presents; }))
	    << "the waiting window still draws";
	EXPECT_FALSE(view->returned);
	control()->MoveMouse(center_of(menu->ItemAt(1), popup_frames()[0]));
	control()->ReleaseButtons(B_SECONDARY_MOUSE_BUTTON);
	EXPECT_TRUE(wait_for([view] { return view->returned.load(); }));
	EXPECT_TRUE(view->locked);
	EXPECT_EQ(view->chosen.load(), menu->ItemAt(1));
	EXPECT_TRUE(sync_window(window)) << "the window runs on";
	EXPECT_EQ(window_pixel(window, 20, 20), make_color(200, 0, 0));
	EXPECT_EQ(fTarget.handler->WaitFor(1).size(), 1u);

	window->Lock();
	window->Quit();
	delete menu;
}

TEST_F(PopUpMenuTest, MenusStayOnTheScreenOpeningLeftAndUpAtItsEdges)
{
	BPopUpMenu* menu = MakeMenu(fTarget.handler);
	BMenu* more = new BMenu("More");
	more->AddItem(new BMenuItem("Deep", new BMessage('deep')));
	menu->AddItem(more);
	BRect screen(0, 0, 1023, 767);
	SyncGo go(menu, BPoint(1010, 760), false);
	ASSERT_TRUE(wait_for_popups(1));
	BRect root = popup_frames()[0];
	EXPECT_EQ(root.right, 1010) << "opened to the left of the point";
	EXPECT_EQ(root.bottom, 760) << "opened above the point";
	control()->MoveMouse(center_of(menu->ItemAt(menu->CountItems() - 1), root));
	ASSERT_TRUE(wait_for_popups(2));
	BRect sub = popup_frames()[1];
	EXPECT_TRUE(screen.Contains(sub)) << "the submenu fits too";
	EXPECT_EQ(sub.right, root.left - 1) << "on the left of its menu";
	control()->KeyDown(0, "\x1b", B_ESCAPE);
	EXPECT_EQ(go.Chosen(), nullptr);
	delete menu;
}

TEST_F(PopUpMenuTest, MarkedItemsShowTheirMarkAndTheItemUnderThePointerIsHighlighted)
{
	BPopUpMenu* menu = new BPopUpMenu("look", false, false);
	menu->AddItem(new BMenuItem("Plain", NULL));
	menu->AddItem(new BMenuItem("Marked", NULL));
	menu->AddItem(new BMenuItem("Under", NULL));
	menu->ItemAt(1)->SetMarked(true);

	SyncGo go(menu, BPoint(300, 200), false);
	ASSERT_TRUE(wait_for_popups(1));
	BRect frame = popup_frames()[0];
	control()->MoveMouse(center_of(menu->ItemAt(2), frame));
	BWindow* window = menu->Window();
	ASSERT_NE(window, nullptr);
	EXPECT_TRUE(wait_for([&] {
		if (!window->Lock())
			return false;
		bool selected = menu->ItemAt(2)->IsSelected();
		window->Unlock();
		return selected;
	}));
	ASSERT_TRUE(sync_window(window));
	ASSERT_TRUE(window->Lock());
	BPrivate::OffscreenImage image =
	    control()->ReadSurface(BPrivate::WindowAccess::Surface(window));
	BRect plain = menu->ItemAt(0)->Frame();
	BRect marked = menu->ItemAt(1)->Frame();
	BRect under = menu->ItemAt(2)->Frame();
	window->Unlock();

	uint32 background = image.At(int32(plain.right) - 2, int32(plain.top) + 1);
	auto count_differing = [&](BRect rect, uint32 color) {
		int32 count = 0;
		for (int32 y = int32(rect.top); y <= int32(rect.bottom); y++)
			for (int32 x = int32(rect.left); x <= int32(rect.right); x++)
				count += image.At(x, y) != color;
		return count;
	};
	// The mark column: empty for the plain item, a tick for the marked one.
	BRect plainMark(plain.left, plain.top, plain.left + 17, plain.bottom);
	BRect markedMark(marked.left, marked.top, marked.left + 17, marked.bottom);
	EXPECT_EQ(count_differing(plainMark, background), 0);
	EXPECT_GT(count_differing(markedMark, background), 8);
	// The highlighted item: mostly not the menu's background.
	int32 area = int32((under.Width() + 1) * (under.Height() + 1));
	EXPECT_GT(count_differing(under, background), area / 2);
	EXPECT_LT(count_differing(plain, background), area / 4) << "a label on the background";

	control()->KeyDown(0, "\x1b", B_ESCAPE);
	EXPECT_EQ(go.Chosen(), nullptr);
	delete menu;
}
