// The control view's geometry: zooming about the centre, keeping the picture
// inside the view, fitting the window within the screen with the one-shot
// resize handshake; the window title; following a renamed or moved file.

#include <Bitmap.h>
#include <Message.h>
#include <NodeMonitor.h>
#include <Screen.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "content/PLImageView.h"
#include "platform/interface/InterfaceTestSupport.h"
#include "state/PLControlApplicationState.h"
#include "view/Commands.h"
#include "viewer/ViewerTestSupport.h"

namespace {

// The zoom step and its powers, as single-precision multiplications give them.
const float kStep = 1.2599210739135742f;
const float kTwoSteps = 1.5874011516571045f;

std::string title_of(BWindow* window)
{
	if (!window->Lock())
		return "";
	std::string title = window->Title();
	window->Unlock();
	return title;
}

} // namespace

TEST(ControlViewGeometry, ZoomKeepsThePointUnderTheCentre)
{
	InterfaceTestApp app;
	SyntheticView view(640, 480);
	ASSERT_EQ(view.Bounds(), BRect(0, 0, 639, 479));

	view.ChangeMagnification(kStep);
	EXPECT_EQ(view.Offset(), BPoint(-83, -62));
	EXPECT_EQ(view.Magnification(), kStep);
	view.ChangeMagnification(kTwoSteps);
	EXPECT_EQ(view.Offset(), BPoint(-187, -140));

	// The same magnification again leaves a whole-numbered offset alone.
	view.SetOffset(BPoint(-37, 12));
	view.ChangeMagnification(kTwoSteps);
	EXPECT_EQ(view.Offset(), BPoint(-37, 12));

	// The picture point under the centre stays there, within a pixel.
	view.SetOffset(BPoint(-100, -50));
	view.SetMagnificationRaw(1.0f);
	float centreX = (319.5f + 100) / 1.0f;
	view.ChangeMagnification(3.0f);
	EXPECT_NEAR(view.Offset().x + centreX * 3.0f, 319.5f, 1.0f);
}

TEST(ControlViewGeometry, InscribingCentresSmallPicturesAndClosesGaps)
{
	InterfaceTestApp app;
	SyntheticView view(100, 10);
	view.ResizeTo(639, 9);
	for (float x : {-500.0f, 0.0f, 400.0f}) {
		view.SetOffset(BPoint(x, 0));
		view.InscribedToFrame();
		EXPECT_EQ(view.Offset().x, 270) << x;
	}

	// One pixel narrower than the picture: it may slide by that pixel only.
	view.ResizeTo(98, 9);
	const float cases[][2] = {{0, 0}, {-1, -1}, {5, 0}, {-10, -1}};
	for (const auto& c : cases) {
		view.SetOffset(BPoint(c[0], 0));
		view.InscribedToFrame();
		EXPECT_EQ(view.Offset().x, c[1]) << c[0];
	}

	// Exactly as wide: edge to edge, not centred.
	view.ResizeTo(99, 9);
	view.SetOffset(BPoint(3, 0));
	view.InscribedToFrame();
	EXPECT_EQ(view.Offset().x, 0);

	// The vertical axis on its own: the smaller half of an odd margin on top.
	SyntheticView tall(10, 40);
	tall.ResizeTo(9, 100);
	tall.InscribedToFrame();
	EXPECT_EQ(tall.Offset().y, 30);
	tall.ResizeTo(9, 20);
	tall.SetOffset(BPoint(0, -50));
	tall.InscribedToFrame();
	EXPECT_EQ(tall.Offset(), BPoint(0, -19));
}

TEST(ControlViewGeometry, AHugePictureIsFittedToTheScreenArea)
{
	InterfaceTestApp app;
	ASSERT_EQ(BScreen().Frame(), BRect(0, 0, 1023, 767));
	BWindow* window = make_document_window(BRect(50, 50, 1649, 1249));
	SyntheticView* view = new SyntheticView(1600, 1200);
	ASSERT_TRUE(show_with_view(window, view));

	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(window->Frame(), BRect(1, 1, 1022, 766));
	EXPECT_EQ(view->Bounds(), BRect(0, 0, 1021, 765));
	// The window's resize was the program's own: no rescaling, and the
	// handshake is used up.
	EXPECT_EQ(view->Magnification(), 1.0f);
	EXPECT_FALSE(view->IgnoresNextResize());
	EXPECT_EQ(view->Offset(), BPoint(0, 0));
	window->Unlock();
	quit_window(window);
}

TEST(ControlViewGeometry, ASmallPictureGetsTheMinimumWindowAndIsCentred)
{
	InterfaceTestApp app;
	BWindow* window = make_document_window(BRect(200, 200, 219, 219));
	SyntheticView* view = new SyntheticView(20, 20);
	ASSERT_TRUE(show_with_view(window, view));

	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(window->Bounds().Width(), 50);
	EXPECT_EQ(window->Bounds().Height(), 50);
	EXPECT_EQ(view->Offset(), BPoint(15, 15));
	// Centred on where the picture was.
	EXPECT_EQ(window->Frame().LeftTop(), BPoint(184, 184));
	EXPECT_EQ(view->Bounds(), window->Bounds());
	window->Unlock();
	quit_window(window);
}

TEST(ControlViewGeometry, TheResizeHandshakeIsOneShot)
{
	InterfaceTestApp app;
	BWindow* window = make_document_window(BRect(100, 100, 299, 199));
	SyntheticView* view = new SyntheticView(200, 100);
	ASSERT_TRUE(show_with_view(window, view));

	// A fitting that changes nothing invalidates only: no handshake.
	ASSERT_TRUE(window->Lock());
	BRect frame = window->Frame();
	view->FitToScreen();
	EXPECT_EQ(window->Frame(), frame);
	window->Unlock();
	ASSERT_TRUE(sync_window(window));
	ASSERT_TRUE(window->Lock());
	EXPECT_FALSE(view->IgnoresNextResize());
	window->Unlock();

	// 'Minr' sets the flag and nothing else.
	ASSERT_TRUE(window->Lock());
	window->PostMessage(kMsgIgnoreNextResize, view);
	window->Unlock();
	ASSERT_TRUE(sync_window(window));
	ASSERT_TRUE(window->Lock());
	EXPECT_TRUE(view->IgnoresNextResize());
	EXPECT_EQ(view->Magnification(), 1.0f);
	window->Unlock();

	// The next resize, whoever made it, is taken as ours: no rescaling.
	offscreen_resize_window(window, 99, 49);
	ASSERT_TRUE(settle_window(window));
	ASSERT_TRUE(window->Lock());
	EXPECT_FALSE(view->IgnoresNextResize());
	EXPECT_EQ(view->Magnification(), 1.0f);
	window->Unlock();

	// The one after it rescales the picture to the window.
	offscreen_resize_window(window, 399, 199);
	ASSERT_TRUE(settle_window(window));
	ASSERT_TRUE(window->Lock());
	// Scaled to fit: edge to edge on one axis, inside on the other.
	float width = int(199 * view->Magnification());
	float height = int(99 * view->Magnification());
	EXPECT_LE(width, 399);
	EXPECT_LE(height, 199);
	EXPECT_TRUE(width >= 398 || height >= 198) << width << " x " << height;
	window->Unlock();
	quit_window(window);
}

TEST(ControlViewTitle, ShowsTheNameAndTheTruncatedPercentage)
{
	InterfaceTestApp app;
	BWindow* window = make_document_window(BRect(100, 100, 299, 199));
	SyntheticView* view = new SyntheticView(200, 100, make_color(0, 0, 255), "sunset.jpg");
	ASSERT_TRUE(show_with_view(window, view));
	EXPECT_EQ(title_of(window), "sunset.jpg   100%");

	const struct {
		float magnification;
		const char* percent;
	} cases[] = {{kStep, "125"},
	             {kTwoSteps, "158"},
	             {2.000000238418579f, "200"},
	             {0.7937005162239075f, "79"},
	             {0.6299604773521423f, "62"},
	             {0.4999999403953552f, "49"},
	             {0.999f, "99"},
	             {1.0f, "100"}};
	for (const auto& c : cases) {
		ASSERT_TRUE(window->Lock());
		view->ChangeMagnification(c.magnification);
		window->Unlock();
		EXPECT_EQ(title_of(window), std::string("sunset.jpg   ") + c.percent + "%")
		    << c.magnification;
	}
	quit_window(window);

	// Spaces and a per cent sign in the name are kept as they are.
	window = make_document_window(BRect(100, 100, 299, 199));
	view = new SyntheticView(200, 100, make_color(0, 0, 255), "my 50% file.png");
	ASSERT_TRUE(show_with_view(window, view));
	EXPECT_EQ(title_of(window), "my 50% file.png   100%");
	quit_window(window);

	// A view in no window sets nothing and does not fail.
	SyntheticView alone(10, 10);
	alone.SetTitle();
	alone.ChangeMagnification(2.0f);
}

TEST(ControlViewTitle, AReplicantNeverTouchesItsHostsTitle)
{
	InterfaceTestApp app;
	BMessage archive;
	{
		PLImageView view(ref_for(sample_path("quadrants.png")));
		ASSERT_EQ(view.InitCheck(), B_OK);
		ASSERT_EQ(view.Archive(&archive, true), B_OK);
	}
	PLImageView* replicant = dynamic_cast<PLImageView*>(PLImageView::Instantiate(&archive));
	ASSERT_NE(replicant, (PLImageView*) NULL);
	BWindow* window = make_document_window(BRect(100, 100, 299, 199), "host");
	ASSERT_TRUE(show_with_view(window, replicant));
	ASSERT_TRUE(window->Lock());
	replicant->ChangeMagnification(2.0f);
	replicant->SetTitle();
	window->Unlock();
	EXPECT_EQ(title_of(window), "host");
	quit_window(window);
}

// The view follows its file through renames and moves, and ignores the other
// notifications the watch brings.
TEST(ControlViewNodeMonitor, FollowsARenamedAndMovedFile)
{
	InterfaceTestApp app;
	char directory[] = "/tmp/pl-follow-XXXXXX";
	ASSERT_NE(mkdtemp(directory), (char*) NULL);
	std::string first = std::string(directory) + "/first.png";
	std::string second = std::string(directory) + "/second name.png";
	std::string sub = std::string(directory) + "/sub";
	std::string third = sub + "/third.png";
	ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
	ASSERT_EQ(link(sample_path("quadrants.png").c_str(), first.c_str()), 0);

	BWindow* window = make_document_window(BRect(100, 100, 199, 199));
	PLImageView* view = new PLImageView(ref_for(first));
	ASSERT_EQ(view->InitCheck(), B_OK);
	ASSERT_TRUE(show_with_view(window, view));
	EXPECT_EQ(title_of(window), "first.png   100%");

	auto fileName = [&] {
		std::string name;
		if (window->Lock()) {
			name = view->FileName();
			window->Unlock();
		}
		return name;
	};

	ASSERT_EQ(rename(first.c_str(), second.c_str()), 0);
	EXPECT_TRUE(wait_for([&] { return fileName() == "second name.png"; }));
	// The title catches up only at its next update.
	EXPECT_EQ(title_of(window), "first.png   100%");

	// A stat change carries no new name and leaves the reference alone.
	ASSERT_EQ(chmod(second.c_str(), 0600), 0);
	ASSERT_TRUE(sync_window(window));
	EXPECT_EQ(fileName(), "second name.png");

	ASSERT_EQ(rename(second.c_str(), third.c_str()), 0);
	EXPECT_TRUE(wait_for([&] { return fileName() == "third.png"; }));
	ASSERT_TRUE(window->Lock());
	entry_ref expected = ref_for(third);
	EXPECT_EQ(view->Ref(), expected);
	view->SetTitle();
	window->Unlock();
	EXPECT_EQ(title_of(window), "third.png   100%");

	// Removal carries no "to directory" either; the reference stays usable.
	ASSERT_EQ(unlink(third.c_str()), 0);
	ASSERT_TRUE(sync_window(window));
	ASSERT_TRUE(sync_window(window));
	EXPECT_EQ(fileName(), "third.png");

	quit_window(window);
	rmdir(sub.c_str());
	rmdir(directory);
}

// A notification is the view's own business: it never reaches the state.
TEST(ControlViewNodeMonitor, PursuitNeedsBothDirectoryAndName)
{
	InterfaceTestApp app;
	SyntheticView view(10, 10, make_color(0, 0, 255), "kept.png");
	BMessage stat(B_NODE_MONITOR);
	stat.AddInt32("opcode", B_STAT_CHANGED);
	stat.AddInt32("device", 3);
	stat.AddInt64("node", 99);
	view.MessageReceived(&stat);
	EXPECT_STREQ(view.FileName(), "kept.png");

	BMessage nameOnly(B_NODE_MONITOR);
	nameOnly.AddInt32("device", 3);
	nameOnly.AddString("name", "other.png");
	view.MessageReceived(&nameOnly);
	EXPECT_STREQ(view.FileName(), "kept.png");

	BMessage moved(B_NODE_MONITOR);
	moved.AddInt32("opcode", B_ENTRY_MOVED);
	moved.AddInt32("device", 3);
	moved.AddInt64("to directory", 77);
	moved.AddString("name", "moved.png");
	view.MessageReceived(&moved);
	EXPECT_STREQ(view.FileName(), "moved.png");
	EXPECT_EQ(view.Ref().directory, 77);
	EXPECT_EQ(view.Ref().device, 3);
}

// A fitting that only moves the window announces a resize all the same; the
// flag then waits for the next resize, whoever makes it, and only the one
// after that rescales the picture.
TEST(ControlViewGeometry, AFitThatOnlyMovesTheWindowStillAnnouncesAResize)
{
	InterfaceTestApp app;
	BWindow* window = make_document_window(BRect(900, 100, 1099, 199));
	SyntheticView* view = new SyntheticView(200, 100);
	ASSERT_TRUE(show_with_view(window, view));
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(window->Frame(), BRect(823, 100, 1022, 199));
	EXPECT_TRUE(view->IgnoresNextResize());
	window->Unlock();

	offscreen_resize_window(window, 99, 49);
	ASSERT_TRUE(settle_window(window));
	ASSERT_TRUE(window->Lock());
	EXPECT_FALSE(view->IgnoresNextResize());
	EXPECT_EQ(view->Magnification(), 1.0f);
	window->Unlock();

	offscreen_resize_window(window, 149, 74);
	ASSERT_TRUE(settle_window(window));
	ASSERT_TRUE(window->Lock());
	EXPECT_LT(view->Magnification(), 1.0f);
	window->Unlock();
	quit_window(window);
}
