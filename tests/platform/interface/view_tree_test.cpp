// The view tree without a running window: hierarchy, attach and detach
// hooks, Show/Hide nesting, flags and modes, geometry, resizing modes,
// coordinate conversion and archiving.

#include <Archivable.h>
#include <Message.h>
#include <View.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "platform/interface/InterfaceTestSupport.h"
#include "support/ClassRegistry.h"

namespace {

std::vector<std::string> gLog;

class LoggingView : public BView {
public:
	LoggingView(const char* name, BRect frame = BRect(0, 0, 9, 9))
	    : BView(frame, name, B_FOLLOW_NONE, B_WILL_DRAW)
	{
	}
	~LoggingView() override { gLog.push_back(std::string("delete ") + Name()); }

	void AttachedToWindow() override
	{
		gLog.push_back(std::string("attached ") + Name() +
		               (Window() != NULL ? "" : " (no window)"));
	}
	void AllAttached() override { gLog.push_back(std::string("all attached ") + Name()); }
	void DetachedFromWindow() override
	{
		gLog.push_back(std::string("detached ") + Name() +
		               (Window() != NULL ? "" : " (no window)"));
	}
	void AllDetached() override { gLog.push_back(std::string("all detached ") + Name()); }
};

// parent(child1(grandchild), child2)
LoggingView* make_tree()
{
	LoggingView* parent = new LoggingView("parent", BRect(0, 0, 99, 99));
	LoggingView* child1 = new LoggingView("child1", BRect(10, 10, 49, 49));
	child1->AddChild(new LoggingView("grandchild", BRect(5, 5, 14, 14)));
	parent->AddChild(child1);
	parent->AddChild(new LoggingView("child2", BRect(50, 50, 59, 59)));
	return parent;
}

} // namespace

TEST(ViewTree, HierarchyCalls)
{
	LoggingView* parent = make_tree();
	BView* child1 = parent->ChildAt(0);
	BView* child2 = parent->ChildAt(1);
	EXPECT_EQ(parent->CountChildren(), 2);
	EXPECT_EQ(parent->ChildAt(2), nullptr);
	EXPECT_EQ(parent->ChildAt(-1), nullptr);
	EXPECT_EQ(child1->Parent(), parent);
	EXPECT_EQ(child1->NextSibling(), child2);
	EXPECT_EQ(child2->PreviousSibling(), child1);
	EXPECT_EQ(parent->FindView("grandchild"), child1->ChildAt(0));
	EXPECT_EQ(parent->FindView("parent"), parent);
	EXPECT_EQ(parent->FindView("nobody"), nullptr);
	EXPECT_EQ(parent->Window(), nullptr);

	// A view that already has a parent is not added twice.
	parent->AddChild(child1);
	EXPECT_EQ(parent->CountChildren(), 2);

	// Inserted before a sibling.
	BView* first = new BView(BRect(0, 0, 1, 1), "first", B_FOLLOW_NONE, 0);
	parent->AddChild(first, child1);
	EXPECT_EQ(parent->ChildAt(0), first);
	EXPECT_TRUE(first->RemoveSelf());
	EXPECT_EQ(first->Parent(), nullptr);
	EXPECT_FALSE(first->RemoveSelf());
	delete first;

	gLog.clear();
	delete parent; // deletes its children
	EXPECT_EQ(gLog.size(), 4u);
}

TEST(ViewTree, AttachHooksTopDownThenAllAttachedBottomUp)
{
	InterfaceTestApp app;
	BWindow* window = new BWindow(BRect(0, 0, 199, 199), "tree", B_TITLED_WINDOW, 0);
	// A window that was never shown stays locked by its creator.
	ASSERT_TRUE(window->IsLocked());

	LoggingView* parent = make_tree();
	gLog.clear();
	window->AddChild(parent);
	std::vector<std::string> expected = {"attached parent",         "attached child1",
	                                     "attached grandchild",     "attached child2",
	                                     "all attached grandchild", "all attached child1",
	                                     "all attached child2",     "all attached parent"};
	EXPECT_EQ(gLog, expected);
	EXPECT_EQ(parent->Window(), window);
	EXPECT_EQ(parent->FindView("grandchild")->Window(), window);
	// The window's top view is nobody's business.
	EXPECT_EQ(parent->Parent(), nullptr);
	EXPECT_EQ(window->ChildAt(0), parent);
	EXPECT_EQ(window->CountChildren(), 1);
	EXPECT_EQ(window->FindView("child2"), parent->ChildAt(1));
	// Handlers of the window, chained to their parents.
	EXPECT_EQ(parent->Looper(), window);
	EXPECT_EQ(parent->ChildAt(0)->NextHandler(), parent);

	gLog.clear();
	EXPECT_TRUE(window->RemoveChild(parent));
	expected = {"detached parent",     "detached child1",         "detached grandchild",
	            "detached child2",     "all detached grandchild", "all detached child1",
	            "all detached child2", "all detached parent"};
	EXPECT_EQ(gLog, expected);
	EXPECT_EQ(parent->Window(), nullptr);
	EXPECT_EQ(parent->Looper(), nullptr);

	// Quit deletes the views still attached, after detaching them.
	window->AddChild(parent);
	gLog.clear();
	window->Quit();
	EXPECT_EQ(gLog.front(), "detached parent");
	EXPECT_EQ(std::count(gLog.begin(), gLog.end(), "delete grandchild"), 1);
	auto detached = std::find(gLog.begin(), gLog.end(), "all detached parent");
	auto deleted = std::find(gLog.begin(), gLog.end(), "delete parent");
	EXPECT_TRUE(detached < deleted);
	EXPECT_EQ(gLog.size(), 12u);
}

TEST(ViewTree, ShowAndHideNestWithoutFloor)
{
	BView parent(BRect(0, 0, 9, 9), "parent", B_FOLLOW_NONE, 0);
	BView* child = new BView(BRect(0, 0, 4, 4), "child", B_FOLLOW_NONE, 0);
	parent.AddChild(child);

	child->Hide();
	child->Hide();
	child->Show();
	EXPECT_TRUE(child->IsHidden());
	child->Show();
	EXPECT_FALSE(child->IsHidden());

	// An extra Show() absorbs the next Hide().
	child->Show();
	child->Hide();
	EXPECT_FALSE(child->IsHidden());
	child->Hide();
	EXPECT_TRUE(child->IsHidden());
	child->Show();

	// A hidden ancestor hides the child, but not when looking from the child.
	parent.Hide();
	EXPECT_TRUE(child->IsHidden());
	EXPECT_FALSE(child->IsHidden(child));
	EXPECT_TRUE(child->IsHidden(&parent));
	child->Show(); // undoes nothing of the parent's
	child->Hide();
	EXPECT_TRUE(child->IsHidden());
	parent.Show();
	EXPECT_FALSE(child->IsHidden());
}

TEST(ViewTree, FlagsKeepTheResizingModeAndBack)
{
	BView view(BRect(0, 0, 9, 9), "v", B_FOLLOW_ALL_SIDES,
	           B_WILL_DRAW | B_FRAME_EVENTS | B_FULL_UPDATE_ON_RESIZE | B_NAVIGABLE);
	EXPECT_EQ(view.Flags(), 0xA6000000u);
	EXPECT_EQ(view.ResizingMode(), 0x1234u);
	view.SetFlags(B_WILL_DRAW);
	EXPECT_EQ(view.Flags(), B_WILL_DRAW);
	EXPECT_EQ(view.ResizingMode(), 0x1234u);
	view.SetResizingMode(B_FOLLOW_RIGHT | B_FOLLOW_BOTTOM);
	EXPECT_EQ(view.ResizingMode(), 0x3434u);
	EXPECT_EQ(view.Flags(), B_WILL_DRAW);
}

TEST(ViewTree, GeometryOfUnattachedViews)
{
	BView view(BRect(10.7f, 20.2f, 50.7f, 40.2f), "v", B_FOLLOW_NONE, 0);
	// Left-top floors; the size is kept.
	EXPECT_EQ(view.Frame(), BRect(10, 20, 50, 40));
	EXPECT_EQ(view.Bounds(), BRect(0, 0, 40, 20));
	view.MoveTo(5, 6);
	view.ResizeTo(99, 49);
	EXPECT_EQ(view.Frame(), BRect(5, 6, 104, 55));
	view.MoveBy(1, 1);
	view.ResizeBy(-9, 1);
	EXPECT_EQ(view.Frame(), BRect(6, 7, 96, 57));
	view.ScrollTo(3, 4);
	EXPECT_EQ(view.Bounds(), BRect(3, 4, 93, 54));
	EXPECT_EQ(view.ConvertToParent(BPoint(3, 4)), BPoint(6, 7));
	EXPECT_EQ(view.ConvertFromParent(BPoint(6, 7)), BPoint(3, 4));
	EXPECT_EQ(view.ConvertToParent(BRect(3, 4, 13, 14)), BRect(6, 7, 16, 17));
}

TEST(ViewTree, ResizingModesFollowTheParent)
{
	struct Case {
		uint32 mode;
		BRect after;
	};
	// A 20x20 child at (40, 40) of a 100x100 parent that grows by (50, 30).
	const Case cases[] = {
	    {B_FOLLOW_NONE, BRect(40, 40, 60, 60)},
	    {B_FOLLOW_LEFT | B_FOLLOW_TOP, BRect(40, 40, 60, 60)},
	    {B_FOLLOW_RIGHT | B_FOLLOW_BOTTOM, BRect(90, 70, 110, 90)},
	    {B_FOLLOW_LEFT_RIGHT | B_FOLLOW_TOP, BRect(40, 40, 110, 60)},
	    {B_FOLLOW_LEFT | B_FOLLOW_TOP_BOTTOM, BRect(40, 40, 60, 90)},
	    {B_FOLLOW_ALL_SIDES, BRect(40, 40, 110, 90)},
	    {B_FOLLOW_H_CENTER | B_FOLLOW_V_CENTER, BRect(65, 55, 85, 75)},
	};
	for (const Case& c : cases) {
		BView parent(BRect(0, 0, 100, 100), "parent", B_FOLLOW_NONE, 0);
		BView* child = new BView(BRect(40, 40, 60, 60), "child", c.mode, 0);
		parent.AddChild(child);
		parent.ResizeBy(50, 30);
		EXPECT_EQ(child->Frame(), c.after) << "mode " << std::hex << c.mode;
		// And back again.
		parent.ResizeBy(-50, -30);
		EXPECT_EQ(child->Frame(), BRect(40, 40, 60, 60)) << "mode " << std::hex << c.mode;
	}

	// Grandchildren follow their resized parent.
	BView root(BRect(0, 0, 100, 100), "root", B_FOLLOW_NONE, 0);
	BView* middle = new BView(BRect(0, 0, 100, 100), "middle", B_FOLLOW_ALL_SIDES, 0);
	BView* leaf = new BView(BRect(90, 90, 100, 100), "leaf", B_FOLLOW_RIGHT | B_FOLLOW_BOTTOM, 0);
	root.AddChild(middle);
	middle->AddChild(leaf);
	root.ResizeTo(200, 150);
	EXPECT_EQ(middle->Frame(), BRect(0, 0, 200, 150));
	EXPECT_EQ(leaf->Frame(), BRect(190, 140, 200, 150));
}

namespace {

class ArchivedView : public BView {
public:
	ArchivedView(BRect frame, const char* name)
	    : BView(frame, name, B_FOLLOW_LEFT_RIGHT, B_WILL_DRAW | B_FRAME_EVENTS)
	{
	}
	ArchivedView(BMessage* archive) : BView(archive) {}
	static BArchivable* Instantiate(BMessage* archive)
	{
		if (!validate_instantiation(archive, "ArchivedView"))
			return NULL;
		return new ArchivedView(archive);
	}
};

BPrivate::InstantiationRegistrar sArchivedViewRegistrar("ArchivedView", &ArchivedView::Instantiate);

} // namespace

TEST(ViewTree, ArchiveRoundTripByClassName)
{
	BView root(BRect(5, 6, 104, 205), "root", B_FOLLOW_ALL_SIDES, B_WILL_DRAW | B_NAVIGABLE);
	root.SetViewColor(B_TRANSPARENT_COLOR);
	root.SetHighColor(1, 2, 3);
	root.SetLowColor(4, 5, 6, 7);
	ArchivedView* child = new ArchivedView(BRect(1, 2, 30, 40), "child");
	child->Hide();
	root.AddChild(child);
	child->AddChild(new BView(BRect(0, 0, 3, 3), "leaf", B_FOLLOW_NONE, 0));

	BMessage archive;
	ASSERT_EQ(root.Archive(&archive, true), B_OK);
	BMessage shallow;
	ASSERT_EQ(root.Archive(&shallow, false), B_OK);
	EXPECT_FALSE(shallow.HasMessage("_views"));

	BArchivable* object = instantiate_object(&archive);
	BView* copy = dynamic_cast<BView*>(object);
	ASSERT_NE(copy, nullptr);
	EXPECT_STREQ(copy->Name(), "root");
	EXPECT_EQ(copy->Frame(), BRect(5, 6, 104, 205));
	EXPECT_EQ(copy->ResizingMode(), B_FOLLOW_ALL_SIDES);
	EXPECT_EQ(copy->Flags(), B_WILL_DRAW | B_NAVIGABLE);
	EXPECT_EQ(copy->ViewColor(), B_TRANSPARENT_COLOR);
	EXPECT_EQ(copy->HighColor(), make_color(1, 2, 3));
	EXPECT_EQ(copy->LowColor(), make_color(4, 5, 6, 7));
	ASSERT_EQ(copy->CountChildren(), 1);
	ArchivedView* childCopy = dynamic_cast<ArchivedView*>(copy->ChildAt(0));
	ASSERT_NE(childCopy, nullptr);
	EXPECT_EQ(childCopy->Frame(), BRect(1, 2, 30, 40));
	EXPECT_EQ(childCopy->ResizingMode(), B_FOLLOW_LEFT_RIGHT);
	EXPECT_TRUE(childCopy->IsHidden());
	ASSERT_NE(childCopy->FindView("leaf"), nullptr);
	delete copy;

	// An archive of another class is refused by name.
	BMessage stranger;
	stranger.AddString("class", "NoSuchView");
	EXPECT_EQ(ArchivedView::Instantiate(&stranger), nullptr);
}
