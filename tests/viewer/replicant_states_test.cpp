// A restored view in a host window: zooming by keys inside its fixed frame,
// activation and focus by clicking, drag scrolling; and the null state of a
// view whose file is gone.

#include <Message.h>
#include <Window.h>

#include <gtest/gtest.h>

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
	for (int32 y = 30; y < 70; y++) {
		for (int32 x = 20; x < 120; x++) {
			rgb_color pixel = window_pixel(host, x, y);
			if (pixel.red < 100 && pixel.green < 100 && pixel.blue < 100)
				dark++;
		}
	}
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
