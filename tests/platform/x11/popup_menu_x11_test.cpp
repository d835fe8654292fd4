// Pop-up menus through the whole interface kit on a private Xvfb: the menus
// are override-redirect windows that hold the pointer, and xdotool chooses
// from them as a user would.

#include <stdlib.h>

#include <Application.h>
#include <Looper.h>
#include <MenuItem.h>
#include <Message.h>
#include <PopUpMenu.h>
#include <View.h>
#include <Window.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "XvfbFixture.h"
#include "platform/interface/MessageInbox.h"

namespace {

// The geometry of a mapped override-redirect window, as the server has it.
struct PopUp {
	xcb_window_t id;
	int x, y, width, height;
};

// Opens its menu asynchronously from MouseDown, as a context menu does.
class ContextView : public BView {
public:
	ContextView(BRect frame, BPopUpMenu* menu)
	    : BView(frame, "context", B_FOLLOW_ALL, B_WILL_DRAW), fMenu(menu)
	{
	}

	void MouseDown(BPoint where) override
	{
		ConvertToScreen(&where);
		fMenu->Go(where, true, false, BRect(where.x - 2, where.y - 2, where.x + 2, where.y + 2),
		          true);
	}

private:
	BPopUpMenu* fMenu;
};

class PopUpMenuX11Test : public XvfbTest {
public:
	static void SetUpTestSuite()
	{
		XvfbTest::SetUpTestSuite();
		// The kit's display follows DISPLAY, which now names the suite's server.
		setenv("PL_DISPLAY_BACKEND", "x11", 1);
		if (be_app == NULL)
			new BApplication("application/x-vnd.test-popup-x11");
	}

	static void TearDownTestSuite()
	{
		// Before its display goes: an application whose display goes away
		// under it ends the process.
		delete be_app;
		XvfbTest::TearDownTestSuite();
	}

protected:
	void SetUp() override
	{
		XvfbTest::SetUp();
		if (HasFatalFailure())
			return;
		fLooper = new BLooper("target");
		fInbox = new Inbox;
		fLooper->AddHandler(fInbox);
		fLooper->Run();
	}

	void TearDown() override
	{
		if (fLooper->Lock()) {
			fLooper->RemoveHandler(fInbox);
			fLooper->Quit();
		}
		delete fInbox;
		XvfbTest::TearDown();
	}

	// The shown pop-up windows, bottom to top.
	std::vector<PopUp> PopUps() const
	{
		std::vector<PopUp> found;
		xcb_query_tree_reply_t* tree =
		    xcb_query_tree_reply(Observer(), xcb_query_tree(Observer(), ObserverRoot()), nullptr);
		if (tree == nullptr)
			return found;
		xcb_window_t* children = xcb_query_tree_children(tree);
		for (int i = 0; i < xcb_query_tree_children_length(tree); i++) {
			xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
			    Observer(), xcb_get_window_attributes(Observer(), children[i]), nullptr);
			bool popUp = attributes != nullptr && attributes->override_redirect &&
			             attributes->map_state == XCB_MAP_STATE_VIEWABLE;
			free(attributes);
			PopUp popup = {children[i], 0, 0, 0, 0};
			if (popUp && ContentFrame(children[i], &popup.x, &popup.y, &popup.width, &popup.height))
				found.push_back(popup);
		}
		free(tree);
		return found;
	}

	bool WaitForPopUps(size_t count)
	{
		return WaitFor([&] { return PopUps().size() == count; });
	}

	// The centre of item |index| of |count| items of equal height.
	static std::string ItemCenter(const PopUp& popup, int index, int count)
	{
		int itemHeight = (popup.height - 2) / count;
		int x = popup.x + popup.width / 2;
		int y = popup.y + 1 + itemHeight * index + itemHeight / 2;
		return std::to_string(x) + " " + std::to_string(y);
	}

	int Xdotool(const std::string& arguments) { return Server()->Run("xdotool " + arguments); }

	BLooper* fLooper = nullptr;
	Inbox* fInbox = nullptr;
};

} // namespace

TEST_F(PopUpMenuX11Test, PressDragAndReleaseInAWindowChoosesFromItsContextMenu)
{
	BPopUpMenu* menu = new BPopUpMenu("context", false, false);
	menu->AddItem(new BMenuItem("Alpha", new BMessage('alph')));
	menu->AddItem(new BMenuItem("Beta", new BMessage('beta')));
	menu->AddItem(new BMenuItem("Gamma", new BMessage('gamm')));
	menu->SetTargetForItems(fInbox);
	menu->SetAsyncAutoDestruct(true);

	BWindow* window = new BWindow(BRect(50, 50, 449, 349), "host", B_TITLED_WINDOW, 0);
	window->AddChild(new ContextView(window->Bounds(), menu));
	window->Show();
	ASSERT_TRUE(
	    WaitFor([&] { return Xdotool("search --onlyvisible --name '^host$' >/dev/null") == 0; }));

	ASSERT_EQ(Xdotool("mousemove 200 150 mousedown 3"), 0);
	ASSERT_TRUE(WaitForPopUps(1));
	PopUp popup = PopUps()[0];
	EXPECT_EQ(popup.x, 200);
	EXPECT_EQ(popup.y, 150);

	// Releasing the opening click in place keeps the menu open.
	ASSERT_EQ(Xdotool("mouseup 3"), 0);
	usleep(200000);
	ASSERT_EQ(PopUps().size(), 1u);
	// A click on "Beta" chooses it; the menu closes and deletes itself.
	ASSERT_EQ(Xdotool("mousemove " + ItemCenter(popup, 1, 3) + " click 1"), 0);
	std::vector<BMessage> received = fInbox->WaitFor(1, 10000000);
	ASSERT_EQ(received.size(), 1u);
	EXPECT_EQ(received[0].what, uint32('beta'));
	EXPECT_EQ(received[0].GetInt32("index", -1), 1);
	EXPECT_TRUE(WaitForPopUps(0));

	// The pointer is free again: the host window gets the next click.
	ASSERT_TRUE(window->Lock());
	window->Quit();
}

TEST_F(PopUpMenuX11Test, AnItemOfASubmenuIsChosenByClicking)
{
	BPopUpMenu* menu = new BPopUpMenu("main", false, false);
	menu->AddItem(new BMenuItem("Open", new BMessage('open')));
	menu->AddItem(new BMenuItem("Close", new BMessage('clos')));
	BMenu* more = new BMenu("More");
	more->AddItem(new BMenuItem("Left", new BMessage('left')));
	more->AddItem(new BMenuItem("Right", new BMessage('rght')));
	more->SetTargetForItems(fInbox);
	menu->AddItem(more);
	menu->SetTargetForItems(fInbox);
	BMenuItem* right = more->ItemAt(1);

	ASSERT_EQ(Xdotool("mousemove 300 300"), 0);
	std::atomic<BMenuItem*> chosen{NULL};
	std::atomic<bool> returned{false};
	std::thread go([&] {
		chosen = menu->Go(BPoint(300, 300), true);
		returned = true;
	});

	ASSERT_TRUE(WaitForPopUps(1));
	PopUp root = PopUps()[0];
	ASSERT_EQ(Xdotool("mousemove " + ItemCenter(root, 2, 3)), 0);
	ASSERT_TRUE(WaitForPopUps(2));
	std::vector<PopUp> popups = PopUps();
	PopUp sub = popups[0].id == root.id ? popups[1] : popups[0];
	EXPECT_EQ(sub.x, root.x + root.width) << "beside its menu";
	ASSERT_EQ(Xdotool("mousemove " + ItemCenter(sub, 1, 2) + " click 1"), 0);

	EXPECT_TRUE(WaitFor([&] { return returned.load(); }));
	if (!returned) {
		// Close it so that the thread can end.
		Xdotool("key Escape");
		WaitFor([&] { return returned.load(); });
	}
	go.join();
	EXPECT_EQ(chosen.load(), right);
	std::vector<BMessage> received = fInbox->WaitFor(1, 10000000);
	ASSERT_EQ(received.size(), 1u);
	EXPECT_EQ(received[0].what, uint32('rght'));
	EXPECT_EQ(received[0].GetInt32("index", -1), 1);
	EXPECT_TRUE(WaitForPopUps(0));
	delete menu;
}
