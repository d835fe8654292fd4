// A view in an application window: keys, commands, zooming with and without
// refitting the window, rescaling on the user's resizes, drag scrolling, the
// drawn picture, and pictures one pixel wide or high.

#include <AppDefs.h>
#include <Application.h>
#include <Bitmap.h>
#include <InterfaceDefs.h>
#include <Message.h>
#include <Messenger.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "content/PLImageView.h"
#include "display/DisplayBackend.h"
#include "display/offscreen/OffscreenControl.h"
#include "platform/interface/InterfaceTestSupport.h"
#include "view/Commands.h"
#include "viewer/ViewerTestSupport.h"

using BPrivate::OffscreenControl;

namespace {

const float kStep = 1.2599210739135742f;

// The application the windows belong to, running in a thread of its own; it
// records the requests the views post to it.
class RecordingApp : public BApplication {
public:
	RecordingApp() : BApplication("application/x-vnd.test-viewer-state") {}

	void MessageReceived(BMessage* message) override
	{
		switch (message->what) {
			case kMsgNextWindow:
				_Record("next");
				break;
			case kMsgPreviousWindow:
				_Record("previous");
				break;
			case kMsgActivateWindow:
				_Record("activate " + std::to_string(message->GetInt32("index", -1)));
				break;
			default:
				BApplication::MessageReceived(message);
				break;
		}
	}

	bool QuitRequested() override
	{
		if (allowQuit)
			return BApplication::QuitRequested();
		_Record("quit");
		return false;
	}

	size_t Count()
	{
		std::lock_guard<std::mutex> lock(fLock);
		return fRequests.size();
	}

	std::vector<std::string> Take()
	{
		std::lock_guard<std::mutex> lock(fLock);
		std::vector<std::string> requests;
		requests.swap(fRequests);
		return requests;
	}

	std::atomic<bool> allowQuit{false};

private:
	void _Record(const std::string& request)
	{
		std::lock_guard<std::mutex> lock(fLock);
		fRequests.push_back(request);
	}

	std::mutex fLock;
	std::vector<std::string> fRequests;
};

RecordingApp* sApp = NULL;
std::thread sAppThread;

class ApplicationStateTest : public ::testing::Test {
protected:
	static void SetUpTestSuite()
	{
		ASSERT_NE(OffscreenControl::Get(), (OffscreenControl*) NULL);
		std::atomic<bool> running{false};
		sAppThread = std::thread([&] {
			RecordingApp app;
			sApp = &app;
			running = true;
			app.Run();
			sApp = NULL;
		});
		ASSERT_TRUE(wait_for([&] { return running.load(); }));
	}

	static void TearDownTestSuite()
	{
		sApp->allowQuit = true;
		sApp->PostMessage(B_QUIT_REQUESTED);
		sAppThread.join();
	}

	void SetUp() override
	{
		inject_mouse_moved(BPoint(0, 0));
		sApp->Take();
	}

	void TearDown() override
	{
		inject_mouse_released_all();
		OffscreenControl::Get()->SetModifiers(0);
		if (window != NULL)
			quit_window(window);
	}

	// Shows |view| in a document window at |frame| and waits until it is
	// fitted and active.
	void Show(PLControlView* shown, BRect frame)
	{
		view = shown;
		window = make_document_window(frame);
		ASSERT_TRUE(show_with_view(window, view));
		ASSERT_TRUE(wait_for([&] { return window->IsActive(); }));
	}

	void Key(const char* bytes, uint32 modifiers = 0)
	{
		inject_key_down(bytes, 0x3a, modifiers);
		inject_key_up(bytes, 0x3a, 0);
		Settle();
	}

	void Send(uint32 what)
	{
		BMessenger(view, window).SendMessage(what);
		Settle();
	}

	// A refitted window posts 'Minr' and resizes: two round trips.
	void Settle() { ASSERT_TRUE(settle_window(window)); }

	template <typename T> T Read(T (PLControlView::*getter)() const)
	{
		EXPECT_TRUE(window->Lock());
		T value = (view->*getter)();
		window->Unlock();
		return value;
	}
	float Magnification() { return Read(&PLControlView::Magnification); }
	BPoint Offset() { return Read(&PLControlView::Offset); }
	BRect WindowFrame()
	{
		EXPECT_TRUE(window->Lock());
		BRect frame = window->Frame();
		window->Unlock();
		return frame;
	}
	std::string Title()
	{
		EXPECT_TRUE(window->Lock());
		std::string title = window->Title();
		window->Unlock();
		return title;
	}

	// The requests posted to the application once |count| have arrived (or
	// the deadline passed); with 0, what arrived within a short while.
	std::vector<std::string> Requests(size_t count)
	{
		if (count == 0)
			snooze(50000);
		else
			wait_for([&] { return sApp->Count() >= count; });
		return sApp->Take();
	}

	BWindow* window = NULL;
	PLControlView* view = NULL;
};

} // namespace

TEST_F(ApplicationStateTest, ZoomKeysRefitTheWindowUnlessControlIsHeld)
{
	Show(new SyntheticView(200, 100, make_color(0, 0, 255), "zoom.png"), BRect(300, 300, 499, 399));
	EXPECT_EQ(Title(), "zoom.png   100%");

	Key("+");
	EXPECT_EQ(Magnification(), kStep);
	BRect frame = WindowFrame();
	// trunc(199 * 1.26) by trunc(99 * 1.26), centred where the window was.
	EXPECT_EQ(frame.Width(), 250);
	EXPECT_EQ(frame.Height(), 124);
	EXPECT_EQ(Title(), "zoom.png   125%");
	// The program's own resize did not rescale the picture.
	EXPECT_EQ(Offset(), BPoint(0, 0));

	Key("+", B_CONTROL_KEY);
	EXPECT_EQ(Magnification(), kStep * kStep);
	EXPECT_EQ(WindowFrame(), frame);
	EXPECT_EQ(Title(), "zoom.png   158%");

	Key("-", B_CONTROL_KEY);
	EXPECT_FLOAT_EQ(Magnification(), kStep);
	EXPECT_EQ(WindowFrame(), frame);

	Key("-");
	Key("-");
	EXPECT_FLOAT_EQ(Magnification(), 1.0f / kStep);
	EXPECT_EQ(WindowFrame().Width(), 157);

	// 100 % puts the window back to the picture's size.
	Key("/");
	EXPECT_EQ(Magnification(), 1.0f);
	EXPECT_EQ(WindowFrame().Width(), 199);
	EXPECT_EQ(WindowFrame().Height(), 99);
	EXPECT_EQ(Title(), "zoom.png   100%");
}

TEST_F(ApplicationStateTest, ThreeStepsDoubleAndHalve)
{
	Show(new SyntheticView(64, 64, make_color(0, 0, 255), "steps.png"), BRect(300, 300, 363, 363));
	for (int i = 0; i < 3; i++)
		Send(kMsgZoomInKeepWindow);
	EXPECT_EQ(Magnification(), 2.000000238418579f);
	EXPECT_EQ(Title(), "steps.png   200%");
	Send(kMsgNormalSize);
	for (int i = 0; i < 3; i++)
		Send(kMsgZoomOutKeepWindow);
	EXPECT_EQ(Magnification(), 0.4999999403953552f);
	EXPECT_EQ(Title(), "steps.png   49%");
	// Out and in with refitting: the window follows, within its limits.
	Send(kMsgZoomIn);
	Send(kMsgZoomOut);
	EXPECT_EQ(WindowFrame().Width(), 50);
}

TEST_F(ApplicationStateTest, FitToScreenFillsTheScreenOnOneAxis)
{
	Show(new SyntheticView(200, 100), BRect(300, 300, 499, 399));
	Key("*");
	BRect frame = WindowFrame();
	BRect screen(1, 1, 1022, 766);
	EXPECT_TRUE(screen.Contains(frame));
	EXPECT_TRUE(frame.Width() >= screen.Width() - 1 || frame.Height() >= screen.Height() - 1);
	// The picture fills the window: no black margin left or right.
	EXPECT_EQ(Offset().x, 0);
	EXPECT_GT(Magnification(), 5.0f);

	Send(kMsgNormalSize);
	EXPECT_EQ(Magnification(), 1.0f);
	EXPECT_EQ(WindowFrame().Width(), 199);
	Send(kMsgFitToScreen);
	EXPECT_EQ(WindowFrame(), frame);
}

TEST_F(ApplicationStateTest, WindowKeysAndCommandsArePostedToTheApplication)
{
	Show(new SyntheticView(100, 100), BRect(300, 300, 399, 399));
	Key("n");
	Key("\n");
	Key(".");
	Key("p");
	Key("0");
	Key("5");
	Key("9");
	EXPECT_EQ(Requests(7), (std::vector<std::string>{"next", "next", "previous", "previous",
	                                                 "activate 0", "activate 5", "activate 9"}));

	// Letters are matched exactly; two-byte keys and other bytes do nothing.
	Key("N");
	Key("P");
	Key("Q");
	Key("x");
	Key("\xc3\xa9");
	EXPECT_EQ(Requests(0), std::vector<std::string>());
	EXPECT_EQ(Magnification(), 1.0f);

	Send(kMsgNextWindow);
	Send(kMsgPreviousWindow);
	Send(kMsgActivateWindow);
	BMessage activate(kMsgActivateWindow);
	activate.AddInt32("index", 3);
	BMessenger(view, window).SendMessage(&activate);
	Send(kMsgQuitApplication);
	EXPECT_EQ(Requests(5),
	          (std::vector<std::string>{"next", "previous", "activate 0", "activate 3", "quit"}));
}

TEST_F(ApplicationStateTest, CloseKeyAndCommandCloseTheWindow)
{
	for (bool byKey : {true, false}) {
		Show(new SyntheticView(100, 100), BRect(300, 300, 399, 399));
		BMessenger messenger(window);
		if (byKey)
			inject_key_down("q", 0x3a, 0);
		else
			BMessenger(view, window).SendMessage(kMsgCloseWindow);
		EXPECT_TRUE(wait_for([&] { return !messenger.IsValid(); })) << byKey;
		window = NULL;
		inject_key_up("q", 0x3a, 0);
	}
}

TEST_F(ApplicationStateTest, UserResizeRescalesUnlessControlIsHeld)
{
	Show(new SyntheticView(201, 101), BRect(300, 300, 500, 400));

	offscreen_resize_window(window, 100, 100);
	Settle();
	// The smaller ratio wins: the picture's width fits the window's.
	EXPECT_FLOAT_EQ(Magnification(), 0.5f);
	EXPECT_EQ(Offset(), BPoint(0, 25));

	OffscreenControl::Get()->SetModifiers(B_CONTROL_KEY);
	offscreen_resize_window(window, 300, 200);
	Settle();
	OffscreenControl::Get()->SetModifiers(0);
	EXPECT_FLOAT_EQ(Magnification(), 0.5f);
	// Only centred again: 100 by 50 in 300 by 200.
	EXPECT_EQ(Offset(), BPoint(100, 75));
}

TEST_F(ApplicationStateTest, DraggingScrollsWithinThePicture)
{
	Show(new SyntheticView(400, 300), BRect(100, 100, 499, 399));
	// Magnified in the same window: the picture is larger than the view.
	Send(kMsgZoomInKeepWindow);
	Send(kMsgZoomInKeepWindow);
	BPoint start = Offset();
	ASSERT_LT(start.x, -50);
	ASSERT_LT(start.y, -50);

	inject_mouse_moved(BPoint(300, 250));
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	Settle();
	inject_mouse_moved(BPoint(280, 240));
	inject_mouse_moved(BPoint(270, 235));
	Settle();
	EXPECT_EQ(Offset(), start + BPoint(-30, -15));

	// Outside the window the drag goes on, and stops at the picture's edge.
	inject_mouse_moved(BPoint(1000, 700));
	Settle();
	EXPECT_EQ(Offset(), BPoint(0, 0));
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	Settle();

	// After the release the pointer moves the picture no more.
	inject_mouse_moved(BPoint(200, 200));
	Settle();
	EXPECT_EQ(Offset(), BPoint(0, 0));
	EXPECT_EQ(Magnification(), kStep * kStep);
}

TEST_F(ApplicationStateTest, ThePictureIsDrawnOverBlack)
{
	PLImageView* image = new PLImageView(ref_for(sample_path("quadrants.png")));
	ASSERT_EQ(image->InitCheck(), B_OK);
	Show(image, BRect(100, 100, 163, 147));
	// 64 x 48 in a window at least 50 high: one black row above, two below.
	ASSERT_EQ(WindowFrame().Width(), 63);
	ASSERT_EQ(WindowFrame().Height(), 50);
	EXPECT_EQ(Offset(), BPoint(0, 1));

	const rgb_color red = make_color(255, 0, 0), lime = make_color(0, 255, 0),
	                blue = make_color(0, 0, 255), white = make_color(255, 255, 255),
	                black = make_color(0, 0, 0);
	EXPECT_TRUE(close_color(window_pixel(window, 10, 10), red));
	EXPECT_TRUE(close_color(window_pixel(window, 50, 10), lime));
	EXPECT_TRUE(close_color(window_pixel(window, 10, 40), blue));
	EXPECT_TRUE(close_color(window_pixel(window, 50, 40), white));
	EXPECT_TRUE(close_color(window_pixel(window, 10, 1), red));
	EXPECT_TRUE(close_color(window_pixel(window, 50, 48), white));
	for (int32 x : {0, 31, 63}) {
		EXPECT_TRUE(close_color(window_pixel(window, x, 0), black, 0)) << x;
		EXPECT_TRUE(close_color(window_pixel(window, x, 49), black, 0)) << x;
		EXPECT_TRUE(close_color(window_pixel(window, x, 50), black, 0)) << x;
	}

	// Zoomed out in the same window: margins on every side are black.
	Send(kMsgZoomOutKeepWindow);
	Send(kMsgZoomOutKeepWindow);
	BPoint offset = Offset();
	ASSERT_GT(offset.x, 0);
	EXPECT_TRUE(close_color(window_pixel(window, 0, 25), black, 0));
	EXPECT_TRUE(close_color(window_pixel(window, 63, 25), black, 0));
	EXPECT_TRUE(close_color(window_pixel(window, offset.x + 3, offset.y + 3), red));
}

// Pictures smaller than the window's minimum: the view follows the window
// the fitting enlarges, the picture sits in its middle and black fills the
// rest of the window.
TEST_F(ApplicationStateTest, ASmallPictureIsCentredInItsMinimumWindow)
{
	const rgb_color blue = make_color(0, 0, 255), black = make_color(0, 0, 0);
	struct Case {
		int32 width, height;
		BRect frame; // fitted, on the 1024 x 768 screen
		BPoint offset;
	} cases[] = {
	    {20, 20, BRect(34, 34, 84, 84), BPoint(15, 15)},
	    {20, 1000, BRect(34, 1, 84, 766), BPoint(15, 0)},
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
		Show(new SyntheticView(c.width, c.height, blue),
		     BRect(50, 50, 50 + c.width - 1, 50 + c.height - 1));
		EXPECT_EQ(WindowFrame(), c.frame);
		ASSERT_TRUE(window->Lock());
		EXPECT_EQ(view->Bounds(), window->Bounds());
		window->Unlock();
		EXPECT_EQ(Offset(), c.offset);

		int32 left = int32(c.offset.x), top = int32(c.offset.y);
		int32 right = int32(c.frame.Width()), bottom = int32(c.frame.Height());
		int32 middle = bottom / 2;
		EXPECT_TRUE(close_color(window_pixel(window, left, top), blue, 0));
		EXPECT_TRUE(close_color(window_pixel(window, left + c.width - 1, middle), blue, 0));
		EXPECT_TRUE(close_color(window_pixel(window, left - 1, middle), black, 0));
		EXPECT_TRUE(close_color(window_pixel(window, left + c.width, middle), black, 0));
		for (int32 x : {0, right})
			for (int32 y : {0, middle, bottom})
				EXPECT_TRUE(close_color(window_pixel(window, x, y), black, 0)) << x << "," << y;
		if (top > 0) {
			EXPECT_TRUE(close_color(window_pixel(window, left, top - 1), black, 0));
		}
		quit_window(window);
		window = NULL;
	}
}

// A picture one pixel wide spans 0: fitting it must not divide by that span.
TEST_F(ApplicationStateTest, APictureOnePixelWideKeepsAFiniteMagnification)
{
	PLImageView* column = new PLImageView(ref_for(sample_path("column.png")));
	ASSERT_EQ(column->InitCheck(), B_OK);
	Show(column, BRect(100, 100, 100, 149));
	EXPECT_EQ(WindowFrame().Width(), 50);

	// Fitted by its height alone.
	Key("*");
	float magnification = Magnification();
	EXPECT_TRUE(std::isfinite(magnification));
	EXPECT_NEAR(WindowFrame().Height(), 765, 1);
	EXPECT_NEAR(magnification * 49, 765, 1);
	EXPECT_TRUE(std::isfinite(Offset().x) && std::isfinite(Offset().y));

	offscreen_resize_window(window, 80, 97);
	Settle();
	EXPECT_FLOAT_EQ(Magnification(), 97.0f / 49.0f);
	EXPECT_EQ(Offset().x, 40);

	quit_window(window);
	// One pixel both ways: nothing to fit by, the magnification stays.
	Show(new SyntheticView(1, 1), BRect(100, 100, 100, 100));
	Key("*");
	EXPECT_EQ(Magnification(), 1.0f);
	offscreen_resize_window(window, 120, 90);
	Settle();
	EXPECT_EQ(Magnification(), 1.0f);
	EXPECT_EQ(Offset(), BPoint(60, 45));
}

TEST_F(ApplicationStateTest, EndlessZoomingKeepsTheGeometryFinite)
{
	Show(new SyntheticView(100, 100), BRect(300, 300, 399, 399));
	ASSERT_TRUE(window->Lock());
	for (int i = 0; i < 600; i++)
		window->PostMessage(kMsgZoomOutKeepWindow, view);
	window->Unlock();
	Settle();
	float smallest = Magnification();
	EXPECT_GT(smallest, 0.0f);
	EXPECT_TRUE(std::isfinite(Offset().x) && std::isfinite(Offset().y));

	ASSERT_TRUE(window->Lock());
	for (int i = 0; i < 1200; i++)
		window->PostMessage(kMsgZoomInKeepWindow, view);
	window->Unlock();
	Settle();
	float largest = Magnification();
	EXPECT_TRUE(std::isfinite(largest));
	EXPECT_GT(largest, 1000.0f);
	BPoint offset = Offset();
	EXPECT_TRUE(std::isfinite(offset.x) && std::isfinite(offset.y));
	// Still a whole-pixel offset, the picture still covering the view.
	EXPECT_EQ(offset.x, std::trunc(offset.x));
	EXPECT_LE(offset.x, 0);
	EXPECT_EQ(Title().find("synthetic.png   "), 0u);
}

TEST_F(ApplicationStateTest, ThePictureFillsItsScaledSpanAndNoMore)
{
	SyntheticView* synthetic = new SyntheticView(100, 50, make_color(255, 0, 0));
	Show(synthetic, BRect(100, 100, 199, 149));
	// The window took the picture's size; make it 200 x 100 with Control.
	OffscreenControl::Get()->SetModifiers(B_CONTROL_KEY);
	offscreen_resize_window(window, 199, 99);
	Settle();
	OffscreenControl::Get()->SetModifiers(0);
	ASSERT_TRUE(window->Lock());
	// Spans 99 by 49 at 1.5 from (-20, 0): drawn into (-20, 0)-(128, 73).
	synthetic->SetMagnificationRaw(1.5f);
	synthetic->SetOffset(BPoint(-20, 0));
	synthetic->Invalidate();
	window->Unlock();
	Settle();
	const rgb_color red = make_color(255, 0, 0), black = make_color(0, 0, 0);
	EXPECT_TRUE(close_color(window_pixel(window, 0, 0), red));
	EXPECT_TRUE(close_color(window_pixel(window, 128, 73), red));
	EXPECT_TRUE(close_color(window_pixel(window, 129, 30), black, 0));
	EXPECT_TRUE(close_color(window_pixel(window, 60, 74), black, 0));
	EXPECT_TRUE(close_color(window_pixel(window, 199, 99), black, 0));
}

TEST_F(ApplicationStateTest, ANarrowTallPictureStaysCentredWhileDragged)
{
	SyntheticView* synthetic = new SyntheticView(40, 400);
	Show(synthetic, BRect(100, 100, 139, 499));
	// The window took the picture's height; keep it 200 x 200 with Control.
	OffscreenControl::Get()->SetModifiers(B_CONTROL_KEY);
	offscreen_resize_window(window, 199, 199);
	Settle();
	OffscreenControl::Get()->SetModifiers(0);
	BPoint start = Offset();
	ASSERT_EQ(start.x, 80);

	BRect frame = WindowFrame();
	inject_mouse_moved(frame.LeftTop() + BPoint(100, 100));
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	Settle();
	inject_mouse_moved(frame.LeftTop() + BPoint(130, 60));
	Settle();
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	Settle();
	EXPECT_EQ(Offset(), BPoint(80, start.y - 40));
}

// With focus following the mouse, a window that narrows under the pointer
// would lose the focus: the pointer moves to the new window's centre, and is
// hidden until the mouse next moves.
TEST_F(ApplicationStateTest, ARefitKeepsThePointerInANarrowerWindow)
{
	Show(new SyntheticView(400, 200), BRect(100, 100, 499, 299));
	BPrivate::DisplayBackend* display = BPrivate::display_backend();
	display->capabilities.focusFollowsMouse = true;
	inject_mouse_moved(BPoint(480, 150));
	Key("-");
	display->capabilities.focusFollowsMouse = false;

	BRect frame = WindowFrame();
	ASSERT_LT(frame.Width(), 399);
	BPoint pointer;
	display->GetPointer(&pointer, NULL, NULL);
	EXPECT_NEAR(pointer.x, (frame.left + frame.right) / 2, 1);
	EXPECT_NEAR(pointer.y, (frame.top + frame.bottom) / 2, 1);
	EXPECT_TRUE(OffscreenControl::Get()->IsCursorObscured());

	// Wider again: the pointer stays where it is.
	inject_mouse_moved(BPoint(310, 200));
	display->capabilities.focusFollowsMouse = true;
	Key("+");
	display->capabilities.focusFollowsMouse = false;
	display->GetPointer(&pointer, NULL, NULL);
	EXPECT_EQ(pointer, BPoint(310, 200));
}

// Back to 100 % in a window that only has to move: the picture is drawn anew
// all the same.
TEST_F(ApplicationStateTest, NormalSizeRedrawsAlsoWhenTheWindowOnlyMoves)
{
	SyntheticView* synthetic = new SyntheticView(200, 100);
	ASSERT_TRUE(window == NULL);
	synthetic->PaintStripes();
	Show(synthetic, BRect(300, 300, 499, 399));
	for (int i = 0; i < 3; i++)
		Key("+", B_CONTROL_KEY);
	const rgb_color red = make_color(255, 0, 0), lime = make_color(0, 255, 0);
	// Twice the size about the centre: lime where red was.
	EXPECT_TRUE(close_color(window_pixel(window, 10, 50), lime));

	ASSERT_TRUE(window->Lock());
	window->MoveTo(900, 300);
	window->Unlock();
	Key("/");
	EXPECT_EQ(WindowFrame(), BRect(823, 300, 1022, 399));
	EXPECT_TRUE(close_color(window_pixel(window, 10, 50), red));
}

// The secondary button opens the context menu instead of a drag, also with
// the primary button down; its commands come back to the view.
TEST_F(ApplicationStateTest, TheSecondaryButtonOpensTheContextMenu)
{
	Show(new SyntheticView(200, 100, make_color(0, 0, 255), "menu.png"), BRect(300, 300, 499, 399));
	OffscreenControl* control = OffscreenControl::Get();
	float expected = 1.0f;
	for (uint32 buttons : {uint32(B_SECONDARY_MOUSE_BUTTON),
	                       uint32(B_PRIMARY_MOUSE_BUTTON | B_SECONDARY_MOUSE_BUTTON)}) {
		inject_mouse_moved(BPoint(350, 330));
		inject_mouse_pressed(buttons);
		ASSERT_TRUE(wait_for_popups(1)) << buttons;
		// Released inside the opening box: the menu stays up for a choice.
		inject_mouse_released(buttons);
		ASSERT_TRUE(window->Lock());
		EXPECT_FALSE(static_cast<SyntheticView*>(view)->IsDragging());
		window->Unlock();

		const char down[] = {B_DOWN_ARROW, 0};
		const char right[] = {B_RIGHT_ARROW, 0};
		const char enter[] = {B_ENTER, 0};
		// "Zoom", into it, "In".
		control->KeyDown(0, down, B_DOWN_ARROW);
		control->KeyDown(0, right, B_RIGHT_ARROW);
		ASSERT_TRUE(wait_for_popups(2));
		control->KeyDown(0, down, B_DOWN_ARROW);
		control->KeyDown(0, enter, B_ENTER);
		ASSERT_TRUE(wait_for_popups(0));
		// The menu's thread delivers the command once it has closed.
		expected *= kStep;
		EXPECT_TRUE(wait_for([&] { return Magnification() == expected; })) << buttons;
		Settle();
	}
	EXPECT_EQ(Magnification(), kStep * kStep);
	EXPECT_EQ(Title(), "menu.png   158%");
}
