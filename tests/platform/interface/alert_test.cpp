// BAlert on the offscreen display: Enter, clicks, shortcuts and Escape; the
// synchronous Go() from a plain thread and from a window thread that holds
// its lock; the asynchronous Go() with an invoker; the layout (width modes,
// right-aligned buttons, centring, wrapped text) and the type icons.

#include <Alert.h>
#include <Font.h>
#include <Handler.h>
#include <Invoker.h>
#include <Looper.h>
#include <Message.h>
#include <Screen.h>
#include <View.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "display/offscreen/OffscreenControl.h"
#include "interface/AlertTextView.h"
#include "interface/TextWrap.h"
#include "interface/WindowPrivate.h"
#include "platform/interface/InterfaceTestSupport.h"

using BPrivate::OffscreenControl;

namespace {

OffscreenControl* control()
{
	return OffscreenControl::Get();
}

// Builds an alert and runs its synchronous Go() in a thread of its own, as
// an application thread would; the result comes with a deadline.
class AlertRun {
public:
	explicit AlertRun(std::function<BAlert*()> make)
	    : fThread([this, make] {
		      BAlert* alert = make();
		      fAlert = alert;
		      fResult = alert->Go();
		      fDone = true;
	      })
	{
	}

	~AlertRun()
	{
		// A Go() that never returned is left behind rather than hanging the test.
		if (fDone)
			fThread.join();
		else
			fThread.detach();
	}

	bool Wait()
	{
		return wait_for([&] { return fDone.load(); });
	}
	bool Done() const { return fDone; }
	int32 Result() const { return fResult; }
	BAlert* Alert() const { return fAlert; }

private:
	std::atomic<bool> fDone{false};
	std::atomic<int32> fResult{-2};
	std::atomic<BAlert*> fAlert{nullptr};
	std::thread fThread;
};

BPrivate::DisplaySurface* wait_for_surface(const char* title)
{
	BPrivate::DisplaySurface* surface = NULL;
	wait_for([&] {
		surface = control()->FindSurface(title);
		return surface != NULL && control()->IsShown(surface) &&
		       control()->ActiveSurface() == surface;
	});
	return surface;
}

void press_key(const char* bytes, bool repeat = false)
{
	control()->KeyDown(0, bytes, static_cast<uint8>(bytes[0]), repeat);
	control()->KeyUp(0, bytes, static_cast<uint8>(bytes[0]));
}

// The screen rectangle of an alert's button.
BRect button_on_screen(BAlert* alert, int32 index)
{
	BRect frame;
	if (!alert->Lock())
		return frame;
	std::string name = "_b" + std::to_string(index) + "_";
	if (BView* button = alert->FindView(name.c_str()))
		frame = button->ConvertToScreen(button->Bounds());
	alert->Unlock();
	return frame;
}

BRect button_frame(BAlert* alert, int32 index)
{
	std::string name = "_b" + std::to_string(index) + "_";
	BView* button = alert->FindView(name.c_str());
	return button != NULL ? button->ConvertToScreen(button->Bounds()) : BRect();
}

class AlertTest : public ::testing::Test {
protected:
	void TearDown() override { inject_mouse_released_all(); }

	InterfaceTestApp app;
};

} // namespace

// #pragma mark - answering

TEST_F(AlertTest, EnterPressesTheLastButtonAndTheAlertGoes)
{
	AlertRun run([] { return new BAlert("enter", "Go on?", "Cancel", "OK"); });
	ASSERT_NE(wait_for_surface("enter"), nullptr);
	press_key("\n");
	ASSERT_TRUE(run.Wait());
	EXPECT_EQ(run.Result(), 1);
	// Deleted before Go() returned: its surface is gone.
	EXPECT_EQ(control()->FindSurface("enter"), nullptr);
}

TEST_F(AlertTest, ClickPressesThatButton)
{
	AlertRun run([] { return new BAlert("click", "Which one?", "First", "Second", "Third"); });
	ASSERT_NE(wait_for_surface("click"), nullptr);
	BRect middle = button_on_screen(run.Alert(), 1);
	ASSERT_TRUE(middle.IsValid());

	// Pressed on the button but released beside it: no answer.
	control()->MoveMouse(BPoint(middle.left + 10, middle.top + 5));
	control()->PressButtons(B_PRIMARY_MOUSE_BUTTON);
	control()->MoveMouse(BPoint(middle.left + 10, middle.top - 30));
	control()->ReleaseButtons(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(run.Alert()));
	EXPECT_FALSE(run.Done());

	control()->Click(BPoint(middle.left + 10, middle.top + 5));
	ASSERT_TRUE(run.Wait());
	EXPECT_EQ(run.Result(), 1);
}

TEST_F(AlertTest, EscapeAnswersOnlyThroughAShortcut)
{
	AlertRun plain([] { return new BAlert("no escape", "Sure?", "Cancel", "OK"); });
	ASSERT_NE(wait_for_surface("no escape"), nullptr);
	press_key("\x1b");
	press_key("x");
	ASSERT_TRUE(sync_window(plain.Alert()));
	EXPECT_FALSE(plain.Done());
	press_key("\n");
	ASSERT_TRUE(plain.Wait());
	EXPECT_EQ(plain.Result(), 1);

	AlertRun escape([] {
		BAlert* alert = new BAlert("escape", "Sure?", "Cancel", "Delete", "OK");
		alert->SetShortcut(0, B_ESCAPE);
		alert->SetShortcut(1, 'd');
		EXPECT_EQ(alert->Shortcut(0), B_ESCAPE);
		EXPECT_EQ(alert->Shortcut(3), 0);
		return alert;
	});
	ASSERT_NE(wait_for_surface("escape"), nullptr);
	press_key("\x1b");
	ASSERT_TRUE(escape.Wait());
	EXPECT_EQ(escape.Result(), 0);

	AlertRun letter([] {
		BAlert* alert = new BAlert("letter", "Sure?", "Cancel", "Delete", "OK");
		alert->SetShortcut(1, 'd');
		return alert;
	});
	ASSERT_NE(wait_for_surface("letter"), nullptr);
	press_key("d");
	ASSERT_TRUE(letter.Wait());
	EXPECT_EQ(letter.Result(), 1);
}

TEST_F(AlertTest, HeldKeyRepeatingDoesNotAnswer)
{
	AlertRun run([] { return new BAlert("repeat", "Sure?", "OK"); });
	ASSERT_NE(wait_for_surface("repeat"), nullptr);
	press_key("\n", true);
	ASSERT_TRUE(sync_window(run.Alert()));
	EXPECT_FALSE(run.Done());
	press_key("\n");
	ASSERT_TRUE(run.Wait());
	EXPECT_EQ(run.Result(), 0);
}

TEST_F(AlertTest, QuitBeforeAnyButtonAnswersMinusOne)
{
	AlertRun run([] { return new BAlert("closed", "Sure?", "OK"); });
	BPrivate::DisplaySurface* surface = wait_for_surface("closed");
	ASSERT_NE(surface, nullptr);
	control()->RequestClose(surface);
	ASSERT_TRUE(run.Wait());
	EXPECT_EQ(run.Result(), -1);
}

TEST_F(AlertTest, WithoutButtonsGoReturnsAtOnce)
{
	AlertRun run([] { return new BAlert("empty", "Nothing to press", NULL); });
	ASSERT_TRUE(run.Wait());
	EXPECT_EQ(run.Result(), -1);
	EXPECT_EQ(control()->FindSurface("empty"), nullptr);
}

// #pragma mark - asynchronous, and from a window

namespace {

class Recorder : public BHandler {
public:
	Recorder() : BHandler("recorder") {}
	void MessageReceived(BMessage* message) override
	{
		if (message->what == 'done') {
			which = message->GetInt32("which", -5);
			count++;
			return;
		}
		BHandler::MessageReceived(message);
	}
	std::atomic<int32> which{-2};
	std::atomic<int32> count{0};
};

} // namespace

TEST_F(AlertTest, AsynchronousGoSendsWhichToTheInvokersTarget)
{
	BLooper* looper = new BLooper("receiver");
	Recorder* recorder = new Recorder;
	looper->AddHandler(recorder);
	looper->Run();

	BAlert* alert = new BAlert("async", "Later", "No", "Yes");
	EXPECT_EQ(alert->Go(new BInvoker(new BMessage('done'), recorder)), B_OK);
	ASSERT_NE(wait_for_surface("async"), nullptr);
	BRect no = button_on_screen(alert, 0);
	control()->Click(BPoint(no.left + 5, no.top + 5));
	EXPECT_TRUE(wait_for([&] { return recorder->count == 1; }));
	EXPECT_EQ(recorder->which, 0);
	EXPECT_TRUE(wait_for([] { return control()->FindSurface("async") == nullptr; }));

	// Without an invoker nothing is sent, and the alert still goes.
	BAlert* silent = new BAlert("silent", "Later", "OK");
	EXPECT_EQ(silent->Go(NULL), B_OK);
	ASSERT_NE(wait_for_surface("silent"), nullptr);
	press_key("\n");
	EXPECT_TRUE(wait_for([] { return control()->FindSurface("silent") == nullptr; }));
	EXPECT_EQ(recorder->count, 1);

	ASSERT_TRUE(looper->Lock());
	looper->RemoveHandler(recorder);
	delete recorder;
	looper->Quit();
}

namespace {

const rgb_color kRed = {255, 0, 0, 255};

// Asks the alert from its own thread, with its lock held, as a view's
// MessageReceived does; repaints its view first so the test can see that the
// window still draws while it waits.
class AskingWindow : public BWindow {
public:
	AskingWindow() : BWindow(BRect(50, 50, 249, 149), "asking", B_TITLED_WINDOW, 0)
	{
		fView = new BView(Bounds(), "view", B_FOLLOW_ALL_SIDES, B_WILL_DRAW);
		AddChild(fView);
	}

	void MessageReceived(BMessage* message) override
	{
		if (message->what != 'ask') {
			BWindow::MessageReceived(message);
			return;
		}
		fView->SetViewColor(kRed);
		fView->Invalidate();
		BAlert* alert = new BAlert("from window", "Asked with the lock held", "No", "Yes");
		answer = alert->Go();
		asked = true;
	}

	BView* fView;
	std::atomic<int32> answer{-2};
	std::atomic<bool> asked{false};
};

} // namespace

TEST_F(AlertTest, GoFromAWindowThreadKeepsThatWindowDrawing)
{
	AskingWindow* window = new AskingWindow;
	window->Show();
	ASSERT_TRUE(sync_window(window));
	BPrivate::DisplaySurface* surface = BPrivate::WindowAccess::Surface(window);
	control()->TakePresented(surface);

	window->PostMessage('ask');
	ASSERT_NE(wait_for_surface("from window"), nullptr);
	// The window thread waits in Go(), yet its repaint reaches the display.
	EXPECT_TRUE(wait_for([&] {
		BRegion shown = control()->TakePresented(surface);
		return shown.Contains(BPoint(100, 50));
	}));
	EXPECT_FALSE(window->asked);

	press_key("\n");
	ASSERT_TRUE(wait_for([&] { return window->asked.load(); }));
	EXPECT_EQ(window->answer, 1);
	EXPECT_EQ(window_pixel(window, 100, 50), kRed);
	ASSERT_TRUE(window->Lock());
	window->Quit();
}

// #pragma mark - layout and look

TEST_F(AlertTest, ButtonsRightAlignedInOrderAndCentredOnScreen)
{
	BAlert* alert = new BAlert("layout", "Short text", "Left", "Middle", "Right");
	BRect frame = alert->Frame();
	BRect screen = BScreen().Frame();
	EXPECT_NEAR(frame.left + frame.Width() / 2, screen.Width() / 2, 1);
	EXPECT_NEAR(frame.top + frame.Height() / 2, screen.Height() / 2, 1);
	EXPECT_GE(frame.Width() + 1, 310);

	BRect left = button_frame(alert, 0);
	BRect middle = button_frame(alert, 1);
	BRect right = button_frame(alert, 2);
	EXPECT_EQ(alert->CountButtons(), 3);
	EXPECT_LT(left.right, middle.left);
	EXPECT_LT(middle.right, right.left);
	EXPECT_EQ(left.top, right.top);
	// The last button sits in the bottom right corner, a margin away.
	EXPECT_GT(right.right, frame.right - 12);
	EXPECT_LE(right.right, frame.right);
	EXPECT_GT(right.bottom, frame.bottom - 12);
	EXPECT_LE(right.bottom, frame.bottom);
	// And the first one is well right of the left edge.
	EXPECT_GT(left.left, frame.left + 40);
	alert->Quit();
}

TEST_F(AlertTest, ButtonWidthModes)
{
	auto widths = [](button_width mode, float* shortWidth, float* longWidth) {
		BAlert* alert = new BAlert("widths", "Text", "Ok", "A much longer label here", NULL, mode);
		*shortWidth = button_frame(alert, 0).Width();
		*longWidth = button_frame(alert, 1).Width();
		alert->Quit();
	};
	float usualShort, usualLong, labelShort, labelLong, widestShort, widestLong;
	widths(B_WIDTH_AS_USUAL, &usualShort, &usualLong);
	widths(B_WIDTH_FROM_LABEL, &labelShort, &labelLong);
	widths(B_WIDTH_FROM_WIDEST, &widestShort, &widestLong);

	EXPECT_LT(labelShort, usualShort) << "a short label is narrower than the usual width";
	EXPECT_GT(labelLong, labelShort);
	EXPECT_EQ(usualLong, labelLong) << "a long label is not cut to the usual width";
	EXPECT_EQ(widestShort, widestLong);
	EXPECT_EQ(widestLong, labelLong);
	// The label fits in the usual width with room around it.
	EXPECT_GT(usualShort, be_plain_font->StringWidth("Ok") + 20);
}

TEST_F(AlertTest, OffsetSpacingSetsTheFirstButtonApart)
{
	BAlert* even = new BAlert("even", "Text", "A", "B", "C", B_WIDTH_AS_USUAL, B_EVEN_SPACING);
	float evenGap = button_frame(even, 1).left - button_frame(even, 0).right;
	float evenRest = button_frame(even, 2).left - button_frame(even, 1).right;
	even->Quit();
	BAlert* offset =
	    new BAlert("offset", "Text", "A", "B", "C", B_WIDTH_AS_USUAL, B_OFFSET_SPACING);
	float offsetGap = button_frame(offset, 1).left - button_frame(offset, 0).right;
	float offsetRest = button_frame(offset, 2).left - button_frame(offset, 1).right;
	offset->Quit();
	EXPECT_EQ(evenGap, evenRest);
	EXPECT_EQ(offsetRest, evenRest);
	EXPECT_GT(offsetGap, evenGap + 40);
}

TEST_F(AlertTest, LongTextWrapsWithinTheAlert)
{
	std::string text;
	for (int i = 0; i < 40; i++)
		text += "Pictures and clips stay where you put them. ";
	BAlert* shortAlert = new BAlert("short", "One line.", "OK");
	float shortHeight = shortAlert->Frame().Height();
	float shortWidth = shortAlert->Frame().Width();
	shortAlert->Quit();

	BAlert* alert = new BAlert("long", text.c_str(), "OK");
	auto* textView = dynamic_cast<BPrivate::AlertTextView*>(alert->FindView("_master_"));
	ASSERT_NE(textView, nullptr);
	const std::vector<std::string>& lines = textView->Lines();
	EXPECT_GT(lines.size(), 5u);
	float room = alert->Bounds().Width() + 1 - textView->TextLeft();
	std::string joined;
	for (const std::string& line : lines) {
		EXPECT_LE(be_plain_font->StringWidth(line.c_str()), room) << line;
		joined += line + " ";
	}
	EXPECT_EQ(joined, text) << "every word once, in order";
	EXPECT_EQ(alert->Frame().Width(), shortWidth) << "it grows down, not sideways";
	EXPECT_GT(alert->Frame().Height(), shortHeight + 4 * textView->LinesHeight(1));
	alert->Quit();
}

TEST(TextWrapTest, BreaksBetweenWordsInsideLongWordsAndAtNewlines)
{
	const BFont& font = *be_plain_font;
	float width = font.StringWidth("alpha beta");
	std::vector<std::string> lines =
	    BPrivate::wrap_text(font, "alpha beta gamma delta\n\nepsilon", width);
	ASSERT_EQ(lines.size(), 5u);
	EXPECT_EQ(lines[0], "alpha beta");
	EXPECT_EQ(lines[1], "gamma");
	EXPECT_EQ(lines[2], "delta");
	EXPECT_EQ(lines[3], "");
	EXPECT_EQ(lines[4], "epsilon");

	// A word wider than the line is cut at characters, never inside one.
	std::string word;
	for (int i = 0; i < 30; i++)
		word += "\xc3\xa9"; // é
	std::vector<std::string> pieces =
	    BPrivate::wrap_text(font, word.c_str(), font.StringWidth("\xc3\xa9\xc3\xa9\xc3\xa9"));
	ASSERT_EQ(pieces.size(), 10u);
	for (const std::string& piece : pieces)
		EXPECT_EQ(piece, "\xc3\xa9\xc3\xa9\xc3\xa9");

	// Narrower than one character: still one character a line, no endless loop.
	EXPECT_EQ(BPrivate::wrap_text(font, "abc", 0.5f).size(), 3u);
	EXPECT_EQ(BPrivate::wrap_text(font, "", 100).size(), 1u);
	EXPECT_TRUE(BPrivate::wrap_text(font, NULL, 100).empty());
}

TEST_F(AlertTest, TypeIconsAreDrawnOnTheirStripe)
{
	struct Case {
		alert_type type;
		const char* title;
	};
	const Case cases[] = {{B_INFO_ALERT, "info"},
	                      {B_STOP_ALERT, "stop"},
	                      {B_WARNING_ALERT, "warning"},
	                      {B_EMPTY_ALERT, "plain"}};
	rgb_color centres[4];
	rgb_color stripes[4];
	for (int i = 0; i < 4; i++) {
		const char* title = cases[i].title;
		alert_type type = cases[i].type;
		AlertRun run([=] {
			return new BAlert(title, "Look at the icon", "OK", NULL, NULL, B_WIDTH_AS_USUAL, type);
		});
		ASSERT_NE(wait_for_surface(title), nullptr);
		ASSERT_TRUE(sync_window(run.Alert()));
		ASSERT_TRUE(sync_window(run.Alert()));
		// Inside the icon's shape, off its mark; and the stripe beside it.
		centres[i] = window_pixel(run.Alert(), 18 + 10, 8 + 22);
		stripes[i] = window_pixel(run.Alert(), 5, 60);
		press_key("\n");
		ASSERT_TRUE(run.Wait());
	}
	rgb_color info = centres[0], stop = centres[1], warning = centres[2];
	EXPECT_GT(info.blue, info.red + 60);
	EXPECT_GT(stop.red, stop.blue + 100);
	EXPECT_GT(warning.red, warning.blue + 100);
	EXPECT_GT(warning.green, warning.blue + 60);
	// No icon, no stripe: the panel colour shows there.
	rgb_color panel = ui_color(B_PANEL_BACKGROUND_COLOR);
	EXPECT_EQ(stripes[3], panel);
	EXPECT_NE(stripes[0], panel);
	EXPECT_EQ(centres[3], panel);
}
