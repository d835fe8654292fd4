// Event masks beyond the plain pointer mask: the lasting SetEventMask() for
// pointer and keys, the keyboard mask of a press, and the options
// B_SUSPEND_VIEW_FOCUS, B_LOCK_WINDOW_FOCUS and B_NO_POINTER_HISTORY.

#include <AppDefs.h>
#include <Message.h>
#include <View.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "display/offscreen/OffscreenControl.h"
#include "interface/WindowPrivate.h"
#include "platform/interface/InterfaceTestSupport.h"

namespace {

struct Event {
	std::string view;
	uint32 what;
	BPoint where;
	uint32 transit;
	std::string bytes;
};

class EventLog {
public:
	void Add(const Event& event)
	{
		std::lock_guard<std::mutex> lock(fLock);
		fEvents.push_back(event);
	}
	std::vector<Event> Take()
	{
		std::lock_guard<std::mutex> lock(fLock);
		std::vector<Event> events;
		events.swap(fEvents);
		return events;
	}

private:
	std::mutex fLock;
	std::vector<Event> fEvents;
};

// Logs its hooks; on a press asks for the mask it was told to.
class LogView : public BView {
public:
	LogView(BRect frame, const char* name, EventLog* log)
	    : BView(frame, name, B_FOLLOW_NONE, B_WILL_DRAW), fLog(log)
	{
	}

	void MouseDown(BPoint where) override
	{
		fLog->Add({Name(), B_MOUSE_DOWN, where, 0, ""});
		if (pressMask != 0)
			SetMouseEventMask(pressMask, pressOptions);
	}
	void MouseUp(BPoint where) override { fLog->Add({Name(), B_MOUSE_UP, where, 0, ""}); }
	void MouseMoved(BPoint where, uint32 transit, const BMessage*) override
	{
		fLog->Add({Name(), B_MOUSE_MOVED, where, transit, ""});
	}
	void KeyDown(const char* bytes, int32 numBytes) override
	{
		fLog->Add({Name(), B_KEY_DOWN, BPoint(), 0, std::string(bytes, numBytes)});
	}

	uint32 pressMask = 0;
	uint32 pressOptions = 0;

private:
	EventLog* fLog;
};

std::vector<Event> of_view(const std::vector<Event>& events, const char* view, uint32 what)
{
	std::vector<Event> result;
	for (const Event& event : events) {
		if (event.view == view && event.what == what)
			result.push_back(event);
	}
	return result;
}

class EventMaskTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		window = new BWindow(BRect(100, 100, 299, 199), "masks", B_TITLED_WINDOW, 0);
		watcher = new LogView(BRect(0, 0, 49, 49), "watcher", &log);
		other = new LogView(BRect(100, 0, 199, 99), "other", &log);
		window->AddChild(watcher);
		window->AddChild(other);
		window->Show();
		ASSERT_TRUE(sync_window(window));
	}

	void TearDown() override
	{
		inject_mouse_released_all();
		if (window->Lock())
			window->Quit();
	}

	std::vector<Event> Settle()
	{
		EXPECT_TRUE(sync_window(window));
		return log.Take();
	}

	static BPoint Screen(float x, float y) { return BPoint(100 + x, 100 + y); }

	InterfaceTestApp app;
	EventLog log;
	BWindow* window = NULL;
	LogView* watcher = NULL;
	LogView* other = NULL;
};

} // namespace

TEST_F(EventMaskTest, LastingPointerMaskSeesEverythingBesideTheViewUnderThePointer)
{
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(watcher->SetEventMask(B_POINTER_EVENTS), B_OK);
	EXPECT_EQ(watcher->EventMask(), (uint32) B_POINTER_EVENTS);
	window->Unlock();

	inject_mouse_moved(Screen(150, 50));
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	std::vector<Event> events = Settle();
	// The view under the pointer still gets its events.
	EXPECT_EQ(of_view(events, "other", B_MOUSE_DOWN).size(), 1u);
	std::vector<Event> moved = of_view(events, "watcher", B_MOUSE_MOVED);
	ASSERT_EQ(moved.size(), 1u);
	EXPECT_EQ(moved[0].transit, (uint32) B_OUTSIDE_VIEW);
	EXPECT_EQ(moved[0].where, BPoint(150, 50)) << "in the watcher's coordinates";
	std::vector<Event> down = of_view(events, "watcher", B_MOUSE_DOWN);
	ASSERT_EQ(down.size(), 1u);
	EXPECT_EQ(down[0].where, BPoint(150, 50));
	EXPECT_EQ(of_view(events, "watcher", B_MOUSE_UP).size(), 1u);

	// Entering the watcher: its events come once, not twice.
	inject_mouse_moved(Screen(20, 20));
	events = Settle();
	moved = of_view(events, "watcher", B_MOUSE_MOVED);
	ASSERT_EQ(moved.size(), 1u);
	EXPECT_EQ(moved[0].transit, (uint32) B_ENTERED_VIEW);

	ASSERT_TRUE(window->Lock());
	watcher->SetEventMask(0);
	window->Unlock();
	inject_mouse_moved(Screen(150, 60));
	events = Settle();
	// Only the exit it gets as the view the pointer leaves.
	moved = of_view(events, "watcher", B_MOUSE_MOVED);
	ASSERT_EQ(moved.size(), 1u);
	EXPECT_EQ(moved[0].transit, (uint32) B_EXITED_VIEW);
	inject_mouse_moved(Screen(160, 60));
	EXPECT_TRUE(of_view(Settle(), "watcher", B_MOUSE_MOVED).empty());
}

TEST_F(EventMaskTest, MaskSetWhileDetachedHoldsOnceAttachedAndEndsWithTheView)
{
	LogView* late = new LogView(BRect(60, 60, 69, 69), "late", &log);
	late->SetEventMask(B_POINTER_EVENTS | B_KEYBOARD_EVENTS);
	ASSERT_TRUE(window->Lock());
	window->AddChild(late);
	window->Unlock();
	inject_mouse_moved(Screen(150, 50));
	inject_key_down("k", 0, 0);
	std::vector<Event> events = Settle();
	EXPECT_EQ(of_view(events, "late", B_MOUSE_MOVED).size(), 1u);
	EXPECT_EQ(of_view(events, "late", B_KEY_DOWN).size(), 1u);

	ASSERT_TRUE(window->Lock());
	ASSERT_TRUE(late->RemoveSelf());
	delete late;
	window->Unlock();
	inject_mouse_moved(Screen(150, 60));
	inject_key_down("k", 0, 0);
	events = Settle();
	EXPECT_TRUE(of_view(events, "late", B_MOUSE_MOVED).empty());
	EXPECT_TRUE(of_view(events, "late", B_KEY_DOWN).empty());
}

TEST_F(EventMaskTest, KeyboardMaskBesideOrInsteadOfTheFocus)
{
	ASSERT_TRUE(window->Lock());
	other->MakeFocus();
	watcher->SetEventMask(B_KEYBOARD_EVENTS);
	window->Unlock();
	inject_key_down("a", 0, 0);
	std::vector<Event> events = Settle();
	EXPECT_EQ(of_view(events, "other", B_KEY_DOWN).size(), 1u);
	ASSERT_EQ(of_view(events, "watcher", B_KEY_DOWN).size(), 1u);
	EXPECT_EQ(of_view(events, "watcher", B_KEY_DOWN)[0].bytes, "a");

	ASSERT_TRUE(window->Lock());
	watcher->SetEventMask(B_KEYBOARD_EVENTS, B_SUSPEND_VIEW_FOCUS);
	window->Unlock();
	inject_key_down("b", 0, 0);
	events = Settle();
	EXPECT_TRUE(of_view(events, "other", B_KEY_DOWN).empty());
	EXPECT_EQ(of_view(events, "watcher", B_KEY_DOWN).size(), 1u);
}

TEST_F(EventMaskTest, PressKeyboardMaskSuspendsTheFocusUntilRelease)
{
	ASSERT_TRUE(window->Lock());
	other->MakeFocus();
	watcher->pressMask = B_POINTER_EVENTS | B_KEYBOARD_EVENTS;
	watcher->pressOptions = B_SUSPEND_VIEW_FOCUS;
	window->Unlock();

	inject_mouse_moved(Screen(10, 10));
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	inject_key_down("x", 0, 0);
	std::vector<Event> events = Settle();
	EXPECT_EQ(of_view(events, "watcher", B_KEY_DOWN).size(), 1u);
	EXPECT_TRUE(of_view(events, "other", B_KEY_DOWN).empty());

	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	inject_key_down("y", 0, 0);
	events = Settle();
	EXPECT_TRUE(of_view(events, "watcher", B_KEY_DOWN).empty());
	EXPECT_EQ(of_view(events, "other", B_KEY_DOWN).size(), 1u);
}

TEST_F(EventMaskTest, LockWindowFocusKeepsTheKeysWhileTheButtonIsDown)
{
	BPrivate::OffscreenControl* control = BPrivate::OffscreenControl::Get();
	BPrivate::DisplaySurface* surface = BPrivate::WindowAccess::Surface(window);
	ASSERT_TRUE(window->Lock());
	watcher->MakeFocus();
	watcher->pressMask = B_POINTER_EVENTS;
	watcher->pressOptions = B_LOCK_WINDOW_FOCUS;
	window->Unlock();
	BWindow* second = new BWindow(BRect(400, 100, 499, 199), "second", B_TITLED_WINDOW, 0);
	second->Show();
	ASSERT_TRUE(sync_window(second));

	inject_mouse_moved(Screen(10, 10));
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(window));
	EXPECT_EQ(control->PointerGrab(), surface);
	// Another window comes to the front; the keys stay here all the same.
	second->Activate();
	ASSERT_TRUE(wait_for([&] { return control->ActiveSurface() != surface; }));
	inject_key_down("z", 0, 0);
	EXPECT_EQ(of_view(Settle(), "watcher", B_KEY_DOWN).size(), 1u);

	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(window));
	EXPECT_EQ(control->PointerGrab(), nullptr);
	inject_key_down("z", 0, 0);
	EXPECT_TRUE(of_view(Settle(), "watcher", B_KEY_DOWN).empty());
	ASSERT_TRUE(second->Lock());
	second->Quit();
}

TEST_F(EventMaskTest, NoPointerHistoryDropsMovesThatANewerOneOvertook)
{
	for (uint32 options : {0u, (uint32) B_NO_POINTER_HISTORY}) {
		ASSERT_TRUE(window->Lock());
		watcher->pressMask = B_POINTER_EVENTS;
		watcher->pressOptions = options;
		window->Unlock();
		inject_mouse_moved(Screen(10, 10));
		inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
		Settle();

		// The window is busy while five moves arrive.
		ASSERT_TRUE(window->Lock());
		for (int i = 1; i <= 5; i++)
			inject_mouse_moved(Screen(10 + i * 7, 10));
		window->Unlock();
		std::vector<Event> moved = of_view(Settle(), "watcher", B_MOUSE_MOVED);
		inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
		Settle();

		ASSERT_FALSE(moved.empty());
		EXPECT_EQ(moved.back().where, BPoint(45, 10)) << "the latest always arrives";
		if (options == 0)
			EXPECT_GE(moved.size(), 4u) << "full history";
		else
			EXPECT_EQ(moved.size(), 1u);
	}
}
