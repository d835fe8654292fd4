// Drawing through the update model, read back from the offscreen display:
// erasing with the view colour, transparent views, coalesced updates,
// clipping (children, constraints, drawing on the parent from a child's
// Draw), and drawing outside Draw with the window locked.

#include <Region.h>
#include <View.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "platform/interface/InterfaceTestSupport.h"

namespace {

const rgb_color kRed = {255, 0, 0, 255};
const rgb_color kGreen = {0, 255, 0, 255};
const rgb_color kBlue = {0, 0, 255, 255};
const rgb_color kWhite = {255, 255, 255, 255};
const rgb_color kYellow = {255, 255, 0, 255};

// Draws what its function says and counts its Draw calls.
class PaintView : public BView {
public:
	PaintView(BRect frame, const char* name, uint32 flags = B_WILL_DRAW)
	    : BView(frame, name, B_FOLLOW_NONE, flags)
	{
	}

	void Draw(BRect update) override
	{
		draws++;
		lastUpdate = update;
		if (paint)
			paint(this, update);
	}

	std::atomic<int32> draws{0};
	BRect lastUpdate;
	std::function<void(BView*, BRect)> paint;
};

class DrawingTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		window = new BWindow(BRect(100, 100, 299, 199), "drawing", B_TITLED_WINDOW, 0);
	}

	void TearDown() override
	{
		if (window->Lock())
			window->Quit();
	}

	void ShowAndWait()
	{
		window->Show();
		ASSERT_TRUE(sync_window(window));
		ASSERT_TRUE(sync_window(window));
	}

	bool PixelIs(int32 x, int32 y, rgb_color expected)
	{
		return wait_for([&] { return window_pixel(window, x, y) == expected; });
	}

	InterfaceTestApp app;
	BWindow* window = NULL;
};

} // namespace

TEST_F(DrawingTest, ViewsEraseWithTheirColourThenDraw)
{
	PaintView* view = new PaintView(BRect(10, 10, 59, 59), "view");
	view->SetViewColor(kBlue);
	view->paint = [](BView* v, BRect) {
		v->SetHighColor(kRed);
		v->FillRect(BRect(0, 0, 9, 9));
	};
	window->AddChild(view);
	ShowAndWait();

	EXPECT_TRUE(PixelIs(10, 10, kRed));
	EXPECT_TRUE(PixelIs(19, 19, kRed));
	EXPECT_TRUE(PixelIs(20, 20, kBlue));
	EXPECT_TRUE(PixelIs(59, 59, kBlue));
	// Outside the view: the window's background.
	EXPECT_TRUE(PixelIs(60, 60, kWhite));
	EXPECT_TRUE(PixelIs(9, 9, kWhite));
	// Drawing is clipped to the view's bounds.
	view->paint = [](BView* v, BRect) {
		v->SetHighColor(kGreen);
		v->FillRect(BRect(-20, -20, 200, 200));
	};
	ASSERT_TRUE(window->Lock());
	view->Invalidate();
	window->Unlock();
	EXPECT_TRUE(PixelIs(59, 59, kGreen));
	EXPECT_TRUE(PixelIs(60, 60, kWhite));
	EXPECT_TRUE(PixelIs(9, 10, kWhite));
}

TEST_F(DrawingTest, TransparentViewIsNeverErased)
{
	PaintView* view = new PaintView(BRect(0, 0, 99, 99), "view");
	view->SetViewColor(kBlue);
	window->AddChild(view);
	ShowAndWait();
	ASSERT_TRUE(PixelIs(50, 50, kBlue));

	// Now transparent and drawing only its left half: the right half keeps
	// what was there.
	ASSERT_TRUE(window->Lock());
	view->SetViewColor(B_TRANSPARENT_32_BIT);
	view->paint = [](BView* v, BRect) {
		v->SetHighColor(kYellow);
		v->FillRect(BRect(0, 0, 49, 99));
	};
	view->Invalidate();
	window->Unlock();
	EXPECT_TRUE(PixelIs(10, 50, kYellow));
	ASSERT_TRUE(sync_window(window));
	EXPECT_EQ(window_pixel(window, 80, 50), kBlue);
}

TEST_F(DrawingTest, ManyInvalidatesCoalesceIntoOneDraw)
{
	PaintView* view = new PaintView(BRect(0, 0, 99, 99), "view");
	window->AddChild(view);
	ShowAndWait();
	ASSERT_TRUE(wait_for([&] { return view->draws >= 1; }));
	int32 before = view->draws;

	ASSERT_TRUE(window->Lock());
	for (int i = 0; i < 50; i++)
		view->Invalidate(BRect(i, i, i + 1, i + 1));
	window->Unlock();
	ASSERT_TRUE(wait_for([&] { return view->draws == before + 1; }));
	ASSERT_TRUE(sync_window(window));
	ASSERT_TRUE(sync_window(window));
	EXPECT_EQ(view->draws, before + 1);
	// The update rectangle bounds the damage.
	EXPECT_EQ(view->lastUpdate, BRect(0, 0, 50, 50));
}

TEST_F(DrawingTest, HiddenViewsAreNotDrawnAndUncoverTheParent)
{
	PaintView* parent = new PaintView(BRect(0, 0, 99, 99), "parent");
	parent->SetViewColor(kBlue);
	PaintView* child = new PaintView(BRect(10, 10, 29, 29), "child");
	child->SetViewColor(kRed);
	parent->AddChild(child);
	window->AddChild(parent);
	ShowAndWait();
	ASSERT_TRUE(PixelIs(15, 15, kRed));

	ASSERT_TRUE(window->Lock());
	child->Hide();
	child->Hide();
	child->Show();
	window->Unlock();
	EXPECT_TRUE(PixelIs(15, 15, kBlue));
	ASSERT_TRUE(window->Lock());
	child->Show();
	window->Unlock();
	EXPECT_TRUE(PixelIs(15, 15, kRed));
}

TEST_F(DrawingTest, ClippingExcludesChildrenUnlessDrawingOnThem)
{
	PaintView* parent = new PaintView(BRect(0, 0, 99, 99), "parent");
	PaintView* child = new PaintView(BRect(10, 10, 29, 29), "child");
	child->SetViewColor(B_TRANSPARENT_COLOR);
	parent->AddChild(child);
	BRegion parentClip;
	parent->paint = [&](BView* v, BRect) {
		v->GetClippingRegion(&parentClip);
		v->SetHighColor(kGreen);
		v->FillRect(v->Bounds());
	};
	window->AddChild(parent);
	ShowAndWait();
	ASSERT_TRUE(PixelIs(5, 5, kGreen));
	EXPECT_FALSE(parentClip.Contains(BPoint(15, 15)));
	EXPECT_TRUE(parentClip.Contains(BPoint(5, 5)));
	EXPECT_NE(window_pixel(window, 15, 15), kGreen);

	ASSERT_TRUE(window->Lock());
	parent->SetFlags(parent->Flags() | B_DRAW_ON_CHILDREN);
	parent->Invalidate();
	window->Unlock();
	EXPECT_TRUE(PixelIs(15, 15, kGreen));
	EXPECT_TRUE(parentClip.Contains(BPoint(15, 15)));
}

TEST_F(DrawingTest, ConstrainedClippingOnlyShrinksAndLastsForTheUpdate)
{
	PaintView* view = new PaintView(BRect(0, 0, 99, 99), "view");
	BRegion seen;
	view->paint = [&](BView* v, BRect) {
		BRegion constraint(BRect(20, 20, 39, 39));
		constraint.Include(BRect(150, 150, 160, 160)); // outside: cannot grow
		v->ConstrainClippingRegion(&constraint);
		v->GetClippingRegion(&seen);
		v->SetHighColor(kRed);
		v->FillRect(v->Bounds());
	};
	window->AddChild(view);
	ShowAndWait();
	ASSERT_TRUE(PixelIs(20, 20, kRed));
	EXPECT_TRUE(PixelIs(39, 39, kRed));
	EXPECT_EQ(window_pixel(window, 40, 40), kWhite);
	EXPECT_EQ(window_pixel(window, 19, 19), kWhite);
	EXPECT_EQ(seen.Frame(), BRect(20, 20, 39, 39));

	// A new update starts without the old constraint.
	ASSERT_TRUE(window->Lock());
	view->paint = [&](BView* v, BRect) {
		v->GetClippingRegion(&seen);
		v->SetHighColor(kGreen);
		v->FillRect(v->Bounds());
	};
	view->Invalidate();
	window->Unlock();
	EXPECT_TRUE(PixelIs(60, 60, kGreen));
	EXPECT_EQ(seen.Frame(), BRect(0, 0, 99, 99));

	// During an update the clipping is limited to the damage.
	ASSERT_TRUE(window->Lock());
	view->Invalidate(BRect(5, 5, 14, 24));
	window->Unlock();
	ASSERT_TRUE(wait_for([&] { return seen.Frame() == BRect(5, 5, 14, 24); }));
}

TEST_F(DrawingTest, ChildDrawsItsParentThroughTheParentsConstraint)
{
	// The parent draws a red/blue pattern; the child paints itself green, then
	// lets the parent draw over it, confined to the child's visible area.
	PaintView* parent =
	    new PaintView(BRect(0, 0, 149, 99), "parent", B_WILL_DRAW | B_DRAW_ON_CHILDREN);
	parent->paint = [](BView* v, BRect) {
		v->SetHighColor(kRed);
		v->FillRect(BRect(0, 0, 149, 49));
		v->SetHighColor(kBlue);
		v->FillRect(BRect(0, 50, 149, 99));
	};
	PaintView* child = new PaintView(BRect(20, 30, 59, 69), "child");
	child->SetViewColor(B_TRANSPARENT_COLOR);
	child->paint = [](BView* v, BRect update) {
		v->SetHighColor(kGreen);
		v->FillRect(v->Bounds());
		BView* p = v->Parent();
		BPoint origin = v->ConvertToParent(BPoint(0, 0));
		BRegion clip;
		v->GetClippingRegion(&clip);
		// Only the bottom half of the child shows the parent.
		BRegion lower(BRect(0, 20, 39, 39));
		clip.IntersectWith(&lower);
		clip.OffsetBy(static_cast<int32>(origin.x), static_cast<int32>(origin.y));
		p->ConstrainClippingRegion(&clip);
		p->Draw(v->ConvertToParent(update));
		p->ConstrainClippingRegion(NULL);
	};
	parent->AddChild(child);
	window->AddChild(parent);
	ShowAndWait();

	ASSERT_TRUE(PixelIs(25, 35, kGreen)); // child's upper half
	EXPECT_TRUE(PixelIs(25, 55, kBlue));  // child's lower half: the parent's blue
	EXPECT_TRUE(PixelIs(25, 69, kBlue));
	EXPECT_TRUE(PixelIs(25, 49, kGreen)); // above the child's lower half
	EXPECT_TRUE(PixelIs(10, 10, kRed));   // the parent itself
	EXPECT_TRUE(PixelIs(100, 80, kBlue));
}

TEST_F(DrawingTest, DrawingOutsideDrawWithTheWindowLocked)
{
	PaintView* view = new PaintView(BRect(0, 0, 99, 99), "view");
	view->SetViewColor(kWhite);
	PaintView* cover = new PaintView(BRect(50, 0, 99, 99), "cover");
	cover->SetViewColor(kBlue);
	window->AddChild(view);
	window->AddChild(cover);
	ShowAndWait();
	ASSERT_TRUE(PixelIs(60, 10, kBlue));

	// Another thread draws, the way a playback thread does: in strips under a
	// constraint, inside a view transaction.
	ASSERT_TRUE(view->LockLooper());
	window->BeginViewTransaction();
	for (float y = 0; y <= 99; y += 40) {
		BRegion strip(BRect(0, y, 99, y + 39 < 99 ? y + 39 : 99));
		view->ConstrainClippingRegion(&strip);
		view->SetHighColor(y == 40 ? kGreen : kRed);
		view->FillRect(view->Bounds());
	}
	view->ConstrainClippingRegion(NULL);
	int32 presentsBefore = window_present_count(window);
	window->EndViewTransaction();
	EXPECT_EQ(window_present_count(window), presentsBefore + 1);
	view->UnlockLooper();

	EXPECT_EQ(window_pixel(window, 10, 10), kRed);
	EXPECT_EQ(window_pixel(window, 10, 50), kGreen);
	EXPECT_EQ(window_pixel(window, 10, 90), kRed);
	// The sibling on top stays untouched: the drawing is clipped to what of
	// the view is visible.
	EXPECT_EQ(window_pixel(window, 60, 10), kBlue);

	// Without a transaction every call shows at once.
	ASSERT_TRUE(view->LockLooper());
	presentsBefore = window_present_count(window);
	view->SetHighColor(kYellow);
	view->FillRect(BRect(0, 0, 9, 9));
	EXPECT_EQ(window_present_count(window), presentsBefore + 1);
	view->UnlockLooper();
	EXPECT_EQ(window_pixel(window, 5, 5), kYellow);
}
