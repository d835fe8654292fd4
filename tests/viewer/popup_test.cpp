// The context menu: its tree, labels, commands and targets, and the list of
// windows with the active one marked, read safely from a window's thread.

#include <AppDefs.h>
#include <Menu.h>
#include <MenuItem.h>
#include <Message.h>
#include <View.h>
#include <Window.h>

#include <atomic>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "ThreadTestUtils.h"
#include "view/Commands.h"
#include "view/PLPopUpMenu.h"

using namespace shell_test;

namespace {

struct Expected {
	const char* label;
	uint32 command; // 0: a separator or a submenu
};

// Builds the menu as the clicked window's thread does: with that window
// locked, for its view.
std::unique_ptr<PLPopUpMenu> menu_for(const BMessenger& window, BView** target = NULL)
{
	std::unique_ptr<PLPopUpMenu> menu;
	with_window(window, [&](BWindow* locked) {
		BView* view = locked->ChildAt(0);
		if (target != NULL)
			*target = view;
		menu.reset(new PLPopUpMenu(view));
	});
	return menu;
}

void expect_items(BMenu* menu, const std::vector<Expected>& expected, const char* where)
{
	ASSERT_NE(menu, nullptr) << where;
	ASSERT_EQ(menu->CountItems(), (int32) expected.size()) << where;
	for (size_t i = 0; i < expected.size(); i++) {
		BMenuItem* item = menu->ItemAt((int32) i);
		SCOPED_TRACE(std::string(where) + " item " + std::to_string(i));
		if (expected[i].label == NULL) {
			EXPECT_NE(dynamic_cast<BSeparatorItem*>(item), nullptr);
			continue;
		}
		EXPECT_STREQ(item->Label(), expected[i].label);
		EXPECT_TRUE(item->IsEnabled());
		EXPECT_FALSE(item->IsMarked());
		uint32 modifiers = 1;
		EXPECT_EQ(item->Shortcut(&modifiers), 0);
		EXPECT_EQ(modifiers, 0u);
		if (expected[i].command != 0) {
			ASSERT_NE(item->Message(), nullptr);
			EXPECT_EQ(item->Message()->what, expected[i].command);
			EXPECT_EQ(item->Message()->CountNames(B_ANY_TYPE), 0);
		}
	}
}

class PopUpMenuTest : public ::testing::Test {
protected:
	void Open(const std::vector<std::string>& leaves)
	{
		fRunner.reset(new AppRunner);
		for (const std::string& leaf : leaves)
			fDir.Picture(leaf, 64, 48);
		ASSERT_TRUE(fRunner->InApp([&] {
			for (const std::string& leaf : leaves)
				fRunner->App()->OpenWindow(fDir.Ref(leaf));
		}));
		fWindows = fRunner->Windows();
		ASSERT_EQ(fWindows.size(), leaves.size());
	}

	void TearDown() override { fRunner.reset(); }

	void Activate(int i)
	{
		ASSERT_TRUE(fRunner->InApp([&] { fRunner->App()->ActivateWindow(i); }));
		ASSERT_TRUE(fRunner->WaitActive(fWindows[i]));
		ASSERT_TRUE(test::eventually([&] { return fRunner->App()->ActiveWindow() == i; }));
	}

	// The labels, indices and marks of the window items.
	struct WindowItem {
		std::string label;
		int32 index;
		bool marked;
		bool operator==(const WindowItem& other) const
		{
			return label == other.label && index == other.index && marked == other.marked;
		}
	};

	static std::vector<WindowItem> WindowItems(PLPopUpMenu* menu)
	{
		std::vector<WindowItem> items;
		BMenu* windows = menu->SubmenuAt(2);
		for (int32 i = 3; windows != NULL && i < windows->CountItems(); i++) {
			BMenuItem* item = windows->ItemAt(i);
			int32 index = -1;
			EXPECT_EQ(item->Message()->what, kMsgActivateWindow);
			item->Message()->FindInt32("index", &index);
			items.push_back({item->Label(), index, item->IsMarked()});
		}
		return items;
	}

	SampleDir fDir;
	std::unique_ptr<AppRunner> fRunner;
	std::vector<BMessenger> fWindows;
};

} // namespace

TEST_F(PopUpMenuTest, TheTreeAsTheUserSeesIt)
{
	Open({"only.bmp"});
	BView* view = NULL;
	std::unique_ptr<PLPopUpMenu> menu = menu_for(fWindows[0], &view);
	ASSERT_NE(menu, nullptr);
	EXPECT_STREQ(menu->Name(), NULL);
	EXPECT_FALSE(menu->IsRadioMode());
	EXPECT_FALSE(menu->IsLabelFromMarked());

	expect_items(menu.get(),
	             {{"Zoom", 0},
	              {NULL, 0},
	              {"Window", 0},
	              {NULL, 0},
	              {"About", B_ABOUT_REQUESTED},
	              {"Close", kMsgCloseWindow},
	              {NULL, 0},
	              {"Quit", kMsgQuitApplication}},
	             "top");
	expect_items(menu->SubmenuAt(0),
	             {{"In", kMsgZoomIn},
	              {"In winthout Resize", kMsgZoomInKeepWindow},
	              {"Out", kMsgZoomOut},
	              {"Out winthout Resize", kMsgZoomOutKeepWindow},
	              {"100%", kMsgNormalSize},
	              {"Fit To Screen", kMsgFitToScreen}},
	             "Zoom");
	BMenu* windows = menu->SubmenuAt(2);
	ASSERT_NE(windows, nullptr);
	ASSERT_EQ(windows->CountItems(), 4);
	EXPECT_STREQ(windows->ItemAt(0)->Label(), "Previous");
	EXPECT_EQ(windows->ItemAt(0)->Message()->what, kMsgPreviousWindow);
	EXPECT_STREQ(windows->ItemAt(1)->Label(), "Next");
	EXPECT_EQ(windows->ItemAt(1)->Message()->what, kMsgNextWindow);
	EXPECT_NE(dynamic_cast<BSeparatorItem*>(windows->ItemAt(2)), nullptr);
	EXPECT_EQ(WindowItems(menu.get()), (std::vector<WindowItem>{{"only.bmp", 0, true}}));

	// Every command goes to the clicked view, "About" to the application.
	for (BMenu* sub : {menu->SubmenuAt(0), windows}) {
		for (int32 i = 0; i < sub->CountItems(); i++) {
			if (sub->ItemAt(i)->Message() != NULL) {
				EXPECT_EQ(sub->ItemAt(i)->Target(), view) << sub->ItemAt(i)->Label();
			}
		}
	}
	EXPECT_EQ(menu->FindItem("About")->Target(), (BHandler*) be_app);
	EXPECT_EQ(menu->FindItem("Close")->Target(), view);
	EXPECT_EQ(menu->FindItem("Quit")->Target(), view);
}

TEST_F(PopUpMenuTest, ListsEveryWindowAndMarksTheActiveOne)
{
	Open({"first.bmp", "second.bmp", "third.bmp"});
	Activate(1);
	std::unique_ptr<PLPopUpMenu> menu = menu_for(fWindows[1]);
	EXPECT_EQ(WindowItems(menu.get()),
	          (std::vector<WindowItem>{
	              {"first.bmp", 0, false}, {"second.bmp", 1, true}, {"third.bmp", 2, false}}));

	// With the application in the back, the first window's item is marked.
	ForeignWindow front;
	menu = menu_for(fWindows[2]);
	EXPECT_EQ(WindowItems(menu.get()),
	          (std::vector<WindowItem>{
	              {"first.bmp", 0, true}, {"second.bmp", 1, false}, {"third.bmp", 2, false}}));
}

TEST_F(PopUpMenuTest, FilesOfTheSameNameKeepTheirOwnIndex)
{
	fRunner.reset(new AppRunner);
	SampleDir other;
	fDir.Picture("same.bmp", 64, 48);
	other.Picture("same.bmp", 32, 32);
	ASSERT_TRUE(fRunner->InApp([&] {
		fRunner->App()->OpenWindow(fDir.Ref("same.bmp"));
		fRunner->App()->OpenWindow(other.Ref("same.bmp"));
	}));
	fWindows = fRunner->Windows();
	ASSERT_EQ(fWindows.size(), 2u);
	Activate(0);
	std::unique_ptr<PLPopUpMenu> menu = menu_for(fWindows[0]);
	EXPECT_EQ(WindowItems(menu.get()),
	          (std::vector<WindowItem>{{"same.bmp", 0, true}, {"same.bmp", 1, false}}));
}

TEST_F(PopUpMenuTest, ABusyWindowDoesNotHoldTheMenuUp)
{
	Open({"a.bmp", "busy.bmp", "c.bmp"});
	Activate(0);
	std::atomic<bool> holding(false);
	std::atomic<bool> release(false);
	std::thread holder([&] {
		with_window(fWindows[1], [&](BWindow*) {
			holding = true;
			test::eventually([&] { return release.load(); }, 20000000);
		});
	});
	ASSERT_TRUE(test::eventually([&] { return holding.load(); }));
	std::unique_ptr<PLPopUpMenu> menu;
	test::must_return_within("building the menu while another window is locked",
	                         [&] { menu = menu_for(fWindows[0]); });
	release = true;
	holder.join();
	// The busy window is left out; the others keep their places' indices.
	EXPECT_EQ(WindowItems(menu.get()),
	          (std::vector<WindowItem>{{"a.bmp", 0, true}, {"c.bmp", 2, false}}));
}

TEST_F(PopUpMenuTest, AWindowThatClosedIsLeftOut)
{
	Open({"stays.bmp", "goes.bmp"});
	Activate(0);
	// The application has not read the closing notice yet while the menu is
	// built: the window is gone, its registry entry is not.
	std::unique_ptr<PLPopUpMenu> menu;
	ASSERT_TRUE(fRunner->InApp([&] {
		close_window(fWindows[1]);
		ASSERT_TRUE(test::eventually([&] { return !fWindows[1].IsValid(); }));
		menu = menu_for(fWindows[0]);
	}));
	EXPECT_EQ(WindowItems(menu.get()), (std::vector<WindowItem>{{"stays.bmp", 0, true}}));
}
