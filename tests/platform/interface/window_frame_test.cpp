// Window life and frame: Show/Hide nesting, programmatic and user resizes
// with B_VIEW_RESIZED, size limits, resizing modes, activation from other
// threads, workspaces, Quit.

#include <AppDefs.h>
#include <Application.h>
#include <InterfaceDefs.h>
#include <Message.h>
#include <View.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform/interface/InterfaceTestSupport.h"

namespace {

const uint32 kMsgMarker = 'Mrkr';

// Records, in order, the markers it receives and its FrameResized calls.
class FrameView : public BView {
public:
	FrameView(BRect frame, const char* name, uint32 mode, uint32 flags)
	    : BView(frame, name, mode, flags)
	{
	}

	void FrameResized(float width, float height) override
	{
		std::lock_guard<std::mutex> lock(mutex);
		log.push_back("resized " + std::to_string(int(width)) + "x" + std::to_string(int(height)));
	}
	void MessageReceived(BMessage* message) override
	{
		if (message->what == kMsgMarker) {
			std::lock_guard<std::mutex> lock(mutex);
			log.push_back("marker");
			return;
		}
		BView::MessageReceived(message);
	}
	std::vector<std::string> Log()
	{
		std::lock_guard<std::mutex> lock(mutex);
		return log;
	}

	std::mutex mutex;
	std::vector<std::string> log;
};

class RecordingWindow : public BWindow {
public:
	RecordingWindow(BRect frame, const char* title) : BWindow(frame, title, B_TITLED_WINDOW, 0) {}

	void FrameResized(float, float) override { resizes++; }
	void WorkspaceActivated(int32 workspace, bool active) override
	{
		std::lock_guard<std::mutex> lock(mutex);
		workspaceEvents.push_back(std::to_string(workspace) + (active ? "+" : "-"));
	}
	void MessageReceived(BMessage* message) override
	{
		if (message->what == 'Wait') {
			// Keep the window thread busy (and the window locked) until told.
			std::unique_lock<std::mutex> lock(mutex);
			busy = true;
			released.wait(lock, [&] { return release; });
			return;
		}
		BWindow::MessageReceived(message);
	}

	std::atomic<int32> resizes{0};
	std::mutex mutex;
	std::vector<std::string> workspaceEvents;
	std::condition_variable released;
	bool busy = false;
	bool release = false;
};

} // namespace

TEST(WindowFrame, ShowAndHideNest)
{
	InterfaceTestApp app;
	BWindow* window = new BWindow(BRect(10, 10, 109, 109), "nest", B_TITLED_WINDOW, 0);
	EXPECT_TRUE(window->IsHidden());
	EXPECT_FALSE(window_is_mapped(window));
	window->Show();
	ASSERT_TRUE(window->Lock());
	EXPECT_FALSE(window->IsHidden());
	EXPECT_TRUE(window_is_mapped(window));
	window->Hide();
	window->Hide();
	window->Show();
	EXPECT_TRUE(window->IsHidden());
	EXPECT_FALSE(window_is_mapped(window));
	window->Show();
	EXPECT_FALSE(window->IsHidden());
	EXPECT_TRUE(window_is_mapped(window));
	window->Quit();
}

TEST(WindowFrame, ResizeToQueuesOneViewResizedBehindEarlierMessages)
{
	InterfaceTestApp app;
	RecordingWindow* window = new RecordingWindow(BRect(50, 50, 249, 149), "resize");
	FrameView* view =
	    new FrameView(window->Bounds(), "view", B_FOLLOW_ALL_SIDES, B_WILL_DRAW | B_FRAME_EVENTS);
	FrameView* quiet = new FrameView(BRect(0, 0, 9, 9), "quiet", B_FOLLOW_ALL_SIDES, 0);
	FrameView* corner = new FrameView(BRect(190, 90, 199, 99), "corner",
	                                  B_FOLLOW_RIGHT | B_FOLLOW_BOTTOM, B_FRAME_EVENTS);
	window->AddChild(view);
	window->AddChild(quiet);
	window->AddChild(corner);
	window->Show();
	ASSERT_TRUE(sync_window(window));

	ASSERT_TRUE(window->Lock());
	window->PostMessage(kMsgMarker, view);
	window->ResizeTo(299, 199);
	// Frame and bounds change at once.
	EXPECT_EQ(window->Frame(), BRect(50, 50, 349, 249));
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 299, 199));
	EXPECT_EQ(view->Bounds(), BRect(0, 0, 299, 199));
	EXPECT_EQ(quiet->Frame(), BRect(0, 0, 109, 109));
	EXPECT_EQ(corner->Frame(), BRect(290, 190, 299, 199));
	window->Unlock();

	ASSERT_TRUE(wait_for([&] { return view->Log().size() >= 2; }));
	// The display's confirmation of the same size must not add another.
	ASSERT_TRUE(sync_window(window));
	ASSERT_TRUE(sync_window(window));
	ASSERT_TRUE(sync_window(window));
	std::vector<std::string> expected = {"marker", "resized 299x199"};
	EXPECT_EQ(view->Log(), expected);
	EXPECT_TRUE(quiet->Log().empty());
	// A view that only moved gets no FrameResized.
	EXPECT_TRUE(corner->Log().empty());
	EXPECT_EQ(window->resizes, 1);

	// A user resize from the display resizes the views and reports once.
	offscreen_resize_window(window, 249, 149);
	ASSERT_TRUE(wait_for([&] { return view->Log().size() >= 3; }));
	ASSERT_TRUE(sync_window(window));
	EXPECT_EQ(view->Log().back(), "resized 249x149");
	EXPECT_EQ(view->Log().size(), 3u);
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 249, 149));
	EXPECT_EQ(corner->Frame(), BRect(240, 140, 249, 149));
	window->Quit();
}

TEST(WindowFrame, SizeLimitsBindEveryResize)
{
	InterfaceTestApp app;
	BWindow* window = new BWindow(BRect(0, 0, 99, 99), "limits", B_TITLED_WINDOW, 0);
	window->SetSizeLimits(50, 400, 60, 300);
	float minWidth, maxWidth, minHeight, maxHeight;
	window->GetSizeLimits(&minWidth, &maxWidth, &minHeight, &maxHeight);
	EXPECT_EQ(minWidth, 50);
	EXPECT_EQ(maxWidth, 400);
	EXPECT_EQ(minHeight, 60);
	EXPECT_EQ(maxHeight, 300);

	window->ResizeTo(10, 10);
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 50, 60));
	window->ResizeTo(1000, 1000);
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 400, 300));
	window->ResizeBy(-1000, 0);
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 50, 300));
	// New limits bind the next resize, not the size the window has now.
	window->SetSizeLimits(70, 80, 70, 80);
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 50, 300));
	window->ResizeBy(0, 0);
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 70, 80));
	window->MoveTo(12.4f, 30.6f);
	EXPECT_EQ(window->Frame(), BRect(12, 31, 82, 111));
	window->Quit();
}

TEST(WindowFrame, ActivateAndIsActiveNeverWaitForTheWindowLock)
{
	InterfaceTestApp app;
	RecordingWindow* window = new RecordingWindow(BRect(0, 0, 99, 99), "busy");
	window->Show();
	ASSERT_TRUE(wait_for([&] { return window->IsActive(); }));
	RecordingWindow* other = new RecordingWindow(BRect(200, 0, 299, 99), "other");
	other->Show();
	ASSERT_TRUE(wait_for([&] { return other->IsActive() && !window->IsActive(); }));

	window->PostMessage('Wait');
	ASSERT_TRUE(wait_for([&] {
		std::lock_guard<std::mutex> lock(window->mutex);
		return window->busy;
	}));
	// The window thread holds the lock now; these must return anyway.
	EXPECT_FALSE(window->IsActive());
	window->Activate();
	EXPECT_TRUE(wait_for([&] { return !other->IsActive(); }));
	{
		std::lock_guard<std::mutex> lock(window->mutex);
		window->release = true;
	}
	window->released.notify_all();
	EXPECT_TRUE(wait_for([&] { return window->IsActive(); }));

	ASSERT_TRUE(other->Lock());
	other->Quit();
	ASSERT_TRUE(window->Lock());
	window->Quit();
}

TEST(WindowFrame, WorkspaceSwitchReachesEveryWindow)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	RecordingWindow* first = new RecordingWindow(BRect(0, 0, 99, 99), "first");
	RecordingWindow* everywhere = new RecordingWindow(BRect(0, 0, 99, 99), "all");
	everywhere->SetWorkspaces(B_ALL_WORKSPACES);
	first->Show();
	everywhere->Show();
	ASSERT_TRUE(sync_window(first));
	ASSERT_TRUE(sync_window(everywhere));

	offscreen_switch_workspace(2);
	ASSERT_TRUE(wait_for([&] {
		std::lock_guard<std::mutex> lock(everywhere->mutex);
		return everywhere->workspaceEvents.size() >= 2;
	}));
	ASSERT_TRUE(wait_for([&] {
		std::lock_guard<std::mutex> lock(first->mutex);
		return first->workspaceEvents.size() >= 1;
	}));
	EXPECT_EQ(current_workspace(), 2);
	{
		std::lock_guard<std::mutex> lock(first->mutex);
		EXPECT_EQ(first->workspaceEvents, std::vector<std::string>{"0-"});
	}
	{
		std::lock_guard<std::mutex> lock(everywhere->mutex);
		std::vector<std::string> both = {"0-", "2+"};
		EXPECT_EQ(everywhere->workspaceEvents, both);
	}
	offscreen_switch_workspace(0);
	ASSERT_TRUE(first->Lock());
	first->Quit();
	ASSERT_TRUE(everywhere->Lock());
	everywhere->Quit();
}

TEST(WindowFrame, QuitDeletesTheWindowAndItsViews)
{
	InterfaceTestApp app;
	static std::atomic<int32> deleted;
	deleted = 0;
	class CountedView : public BView {
	public:
		CountedView() : BView(BRect(0, 0, 9, 9), "counted", B_FOLLOW_NONE, 0) {}
		~CountedView() override { deleted++; }
	};
	int32 windowsBefore = be_app->CountWindows();
	BWindow* window = new BWindow(BRect(0, 0, 99, 99), "quit", B_TITLED_WINDOW, 0);
	window->AddChild(new CountedView);
	window->ChildAt(0)->AddChild(new CountedView);
	window->Show();
	ASSERT_TRUE(sync_window(window));
	EXPECT_EQ(be_app->CountWindows(), windowsBefore + 1);
	// Closing the window the way the close box does.
	window->PostMessage(B_QUIT_REQUESTED);
	ASSERT_TRUE(wait_for([&] { return deleted == 2; }));
	EXPECT_TRUE(wait_for([&] { return be_app->CountWindows() == windowsBefore; }));
}

TEST(WindowFrame, TheApplicationEndsOnlyAfterAWindowQuittingOnItsOwn)
{
	ASSERT_EQ(be_app, nullptr);
	BApplication* app = new BApplication("application/x-vnd.test-quitting-window");
	static std::atomic<bool> detaching;
	static std::atomic<bool> deleted;
	detaching = false;
	deleted = false;
	// Slow to go, as a view is that has a thread of its own to end.
	class SlowView : public BView {
	public:
		SlowView() : BView(BRect(0, 0, 9, 9), "slow", B_FOLLOW_NONE, 0) {}
		~SlowView() override { deleted = true; }
		void AllDetached() override
		{
			detaching = true;
			snooze(300000);
		}
	};
	BWindow* window = new BWindow(BRect(0, 0, 99, 99), "slow", B_TITLED_WINDOW, 0);
	window->AddChild(new SlowView);
	window->Show();
	ASSERT_TRUE(sync_window(window));

	// The window quits in its own thread, as its close box makes it; while
	// it tears down its views, the application ends.
	window->PostMessage(B_QUIT_REQUESTED);
	ASSERT_TRUE(wait_for([] { return detaching.load(); }));
	app->Lock();
	delete app;
	EXPECT_TRUE(deleted);
}

TEST(WindowFrame, CloseBoxAndActivationReachTheWindowAndItsViews)
{
	InterfaceTestApp app;
	static std::atomic<int32> activations;
	static std::atomic<bool> deleted;
	activations = 0;
	deleted = false;
	class ActivationView : public BView {
	public:
		ActivationView() : BView(BRect(0, 0, 9, 9), "activation", B_FOLLOW_NONE, 0) {}
		~ActivationView() override { deleted = true; }
		void WindowActivated(bool active) override
		{
			if (active)
				activations++;
		}
	};
	BWindow* window = new BWindow(BRect(300, 300, 399, 399), "closing", B_TITLED_WINDOW, 0);
	BView* view = new ActivationView;
	window->AddChild(view);
	window->Show();
	ASSERT_TRUE(wait_for([&] { return activations == 1; }));
	ASSERT_TRUE(window->Lock());
	BPoint screen = view->ConvertToScreen(BPoint(2, 3));
	window->Unlock();
	EXPECT_EQ(screen, BPoint(302, 303));

	offscreen_request_close(window);
	EXPECT_TRUE(wait_for([&] { return deleted.load(); }));
}
