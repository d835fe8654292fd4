// A restored view in a host window: zooming by keys inside its fixed frame,
// activation and focus by clicking, drag scrolling; and the null state of a
// view whose file is gone.

#include <Font.h>
#include <Message.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "content/PLImageView.h"
#include "platform/interface/InterfaceTestSupport.h"
#include "state/PLControlNullState.h"
#include "state/PLControlReplicantState.h"
#include "view/Commands.h"
#include "viewer/ViewerTestSupport.h"

namespace {

// A replicant archive of a picture, as its dragger would write it, unlocked
// so that its input reaches it.
BMessage archive_of(const std::string& path)
{
	BMessage archive;
	PLImageView view(ref_for(path));
	EXPECT_EQ(view.InitCheck(), B_OK);
	BMessage unlock(kMsgToggleLock);
	view.PLReplicantableView::MessageReceived(&unlock);
	EXPECT_FALSE(view.IsLocked());
	EXPECT_EQ(view.Archive(&archive, true), B_OK);
	return archive;
}

class ReplicantStateTest : public ::testing::Test {
protected:
	void SetUp() override { inject_mouse_moved(BPoint(0, 0)); }
	void TearDown() override
	{
		inject_mouse_released_all();
		if (host != NULL)
			quit_window(host);
	}

	// The restored view at (20, 10) in a 200 x 150 host window at (100, 100).
	void Host(BMessage* archive)
	{
		replicant = dynamic_cast<PLImageView*>(PLImageView::Instantiate(archive));
		ASSERT_NE(replicant, (PLImageView*) NULL);
		host = new BWindow(BRect(100, 100, 299, 249), "host", B_TITLED_WINDOW, 0);
		BView* background = new BView(host->Bounds(), "background", B_FOLLOW_ALL_SIDES, 0);
		replicant->MoveTo(20, 10);
		replicant->ResizeTo(99, 79);
		background->AddChild(replicant);
		host->AddChild(background);
		host->Show();
		ASSERT_TRUE(sync_window(host));
	}

	void Settle()
	{
		ASSERT_TRUE(sync_window(host));
		ASSERT_TRUE(sync_window(host));
	}

	float Magnification()
	{
		EXPECT_TRUE(host->Lock());
		float magnification = replicant->Magnification();
		host->Unlock();
		return magnification;
	}

	// First in, last out: deleting the application quits its windows.
	InterfaceTestApp app;
	BWindow* host = NULL;
	PLImageView* replicant = NULL;
};

} // namespace

TEST_F(ReplicantStateTest, ClickingActivatesAndFocusesThenKeysZoomInsideTheFrame)
{
	BMessage archive = archive_of(sample_path("quadrants.png"));
	Host(&archive);
	ASSERT_EQ(state_of(replicant), PLControlReplicantState::Instance());

	// Another window in front takes the keyboard.
	BWindow* other = make_document_window(BRect(500, 500, 599, 599), "other");
	other->Show();
	ASSERT_TRUE(wait_for([&] { return other->IsActive(); }));

	inject_mouse_moved(BPoint(150, 150));
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	Settle();
	EXPECT_TRUE(wait_for([&] { return host->IsActive(); }));
	ASSERT_TRUE(host->Lock());
	EXPECT_TRUE(replicant->IsFocus());
	host->Unlock();

	for (int i = 0; i < 3; i++) {
		inject_key_down("+", 0x3a, i == 1 ? B_CONTROL_KEY : 0);
		inject_key_up("+", 0x3a, 0);
	}
	Settle();
	EXPECT_EQ(Magnification(), 2.000000238418579f);
	ASSERT_TRUE(host->Lock());
	EXPECT_EQ(replicant->Frame(), BRect(20, 10, 119, 89));
	EXPECT_EQ(host->Frame(), BRect(100, 100, 299, 249));
	host->Unlock();

	inject_key_down("\xc3\xa9", 0x3a, 0);
	inject_key_down("n", 0x3a, 0);
	Settle();
	EXPECT_EQ(Magnification(), 2.000000238418579f);
	inject_key_down("/", 0x3a, 0);
	Settle();
	EXPECT_EQ(Magnification(), 1.0f);
	inject_key_up("/", 0x3a, 0);

	quit_window(other);
}

TEST_F(ReplicantStateTest, ARestoredViewScrollsByDragging)
{
	BMessage archive = archive_of(sample_path("harbour-at-dusk.jpg"));
	Host(&archive);
	inject_mouse_moved(BPoint(170, 150));
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	Settle();
	inject_mouse_moved(BPoint(150, 140));
	Settle();
	ASSERT_TRUE(host->Lock());
	EXPECT_EQ(replicant->Offset(), BPoint(-20, -10));
	host->Unlock();
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
}

TEST_F(ReplicantStateTest, AViewWhoseFileIsGoneSaysSoAndIgnoresTheMouse)
{
	char directory[] = "/tmp/pl-null-XXXXXX";
	ASSERT_NE(mkdtemp(directory), (char*) NULL);
	std::string path = std::string(directory) + "/lost.png";
	ASSERT_EQ(link(sample_path("quadrants.png").c_str(), path.c_str()), 0);
	BMessage archive = archive_of(path);
	unlink(path.c_str());
	rmdir(directory);

	Host(&archive);
	ASSERT_EQ(state_of(replicant), PLControlNullState::Instance());
	// White, with black text across the middle.
	const rgb_color white = make_color(255, 255, 255);
	EXPECT_TRUE(close_color(window_pixel(host, 21, 11), white, 0));
	EXPECT_TRUE(close_color(window_pixel(host, 118, 88), white, 0));
	int32 dark = 0;
	window_find_pixel(host, BRect(20, 30, 119, 69), [&](int32, int32, rgb_color pixel) {
		if (pixel.red < 100 && pixel.green < 100 && pixel.blue < 100)
			dark++;
		return false;
	});
	EXPECT_GT(dark, 20);

	inject_mouse_moved(BPoint(170, 150));
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_moved(BPoint(150, 140));
	Settle();
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(host->Lock());
	EXPECT_EQ(replicant->Offset(), BPoint(0, 0));
	EXPECT_FALSE(replicant->IsFocus());
	host->Unlock();
}

TEST(NullState, TheTextIsCentredWithItsBaselineHalfItsHeightBelowTheMiddle)
{
	font_height height = {10, 3, 0};
	EXPECT_EQ(PLControlNullState::TextStart(BRect(0, 0, 199, 99), 120, height), BPoint(39.5, 56.0));
	// Narrower than the text: it starts left of the view and is clipped on
	// both sides.
	BPoint narrow = PLControlNullState::TextStart(BRect(0, 0, 59, 99), 120, height);
	EXPECT_LT(narrow.x, 0);
	EXPECT_EQ(narrow.x + 120 - 59, -narrow.x);
}

namespace {

// The leftmost column with dark pixels in the window's rows |top| to
// |bottom|, from |left| on; -1 for none.
int32 leftmost_dark(BWindow* window, int32 left, int32 right, int32 top, int32 bottom)
{
	int32 found = -1;
	window_find_pixel(window, BRect(left, top, right, bottom),
	                  [&](int32 x, int32, rgb_color pixel) {
		                  if (pixel.red >= 100 || pixel.green >= 100 || pixel.blue >= 100)
			                  return false;
		                  found = x;
		                  return true;
	                  });
	return found;
}

} // namespace

TEST_F(ReplicantStateTest, TheNullStateTellsTheFilesNewNameAfterARename)
{
	// A file that is there but no picture, in the frame of a 320 x 240 one.
	char directory[] = "/tmp/pl-null-XXXXXX";
	ASSERT_NE(mkdtemp(directory), (char*) NULL);
	std::string path = std::string(directory) + "/pic.png";
	ASSERT_EQ(link(sample_path("notes.txt").c_str(), path.c_str()), 0);
	BMessage archive = archive_of(sample_path("a.png"));
	entry_ref ref = ref_for(path);
	archive.ReplaceRef("PL:ref", &ref);

	replicant = dynamic_cast<PLImageView*>(PLImageView::Instantiate(&archive));
	ASSERT_NE(replicant, (PLImageView*) NULL);
	host = new BWindow(BRect(100, 100, 459, 379), "host", B_TITLED_WINDOW, 0);
	replicant->MoveTo(20, 20);
	host->AddChild(replicant);
	host->Show();
	Settle();
	ASSERT_EQ(state_of(replicant), PLControlNullState::Instance());
	int32 before = leftmost_dark(host, 28, 339, 60, 200);
	ASSERT_GT(before, 28);

	std::string renamed = std::string(directory) + "/longer-name.png";
	ASSERT_EQ(rename(path.c_str(), renamed.c_str()), 0);
	ASSERT_TRUE(wait_for([&] {
		if (!host->Lock())
			return false;
		bool moved = strcmp(replicant->FileName(), "longer-name.png") == 0;
		host->Unlock();
		return moved;
	}));
	ASSERT_TRUE(host->Lock());
	replicant->Invalidate();
	host->Unlock();
	Settle();
	// A longer text, centred the same way, begins further left.
	int32 after = leftmost_dark(host, 28, 339, 60, 200);
	EXPECT_GT(after, 28);
	EXPECT_LT(after, before - 10);

	unlink(renamed.c_str());
	rmdir(directory);
}
