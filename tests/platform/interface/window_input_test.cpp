// Input from the offscreen display to the views: hit-testing, message
// fields, transits, the mouse event mask, filters that redirect or drop,
// keys to the focus view.

#include <AppDefs.h>
#include <InterfaceDefs.h>
#include <Message.h>
#include <MessageFilter.h>
#include <View.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/interface/InterfaceTestSupport.h"

namespace {

struct Event {
	std::string view;
	uint32 what;
	BPoint where; // the hook's argument
	uint32 transit;
	std::string bytes;
	BMessage message; // the window's current message at the hook
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
	size_t Count()
	{
		std::lock_guard<std::mutex> lock(fLock);
		return fEvents.size();
	}

private:
	std::mutex fLock;
	std::vector<Event> fEvents;
};

class InputView : public BView {
public:
	InputView(BRect frame, const char* name, EventLog* log)
	    : BView(frame, name, B_FOLLOW_NONE, B_WILL_DRAW | B_NAVIGABLE), fLog(log)
	{
	}

	void MouseDown(BPoint where) override
	{
		_Log(B_MOUSE_DOWN, where);
		if (maskOnDown)
			SetMouseEventMask(B_POINTER_EVENTS);
	}
	void MouseUp(BPoint where) override { _Log(B_MOUSE_UP, where); }
	void MouseMoved(BPoint where, uint32 transit, const BMessage*) override
	{
		_Log(B_MOUSE_MOVED, where, transit);
	}
	void KeyDown(const char* bytes, int32 numBytes) override
	{
		_Log(B_KEY_DOWN, BPoint(), 0, std::string(bytes, numBytes));
		BView::KeyDown(bytes, numBytes);
	}
	void KeyUp(const char* bytes, int32 numBytes) override
	{
		_Log(B_KEY_UP, BPoint(), 0, std::string(bytes, numBytes));
	}

	void MessageReceived(BMessage* message) override
	{
		if (message->what == B_MOUSE_WHEEL_CHANGED) {
			_Log(message->what, BPoint());
			return;
		}
		BView::MessageReceived(message);
	}

	bool maskOnDown = false;

private:
	void _Log(uint32 what, BPoint where, uint32 transit = 0, std::string bytes = "")
	{
		Event event{Name(), what, where, transit, bytes, BMessage()};
		if (BMessage* current = Window()->CurrentMessage())
			event.message = *current;
		fLog->Add(event);
	}

	EventLog* fLog;
};

// Sends the locked child's mouse input to its parent, in the parent's
// coordinates, or drops it.
class RedirectFilter : public BMessageFilter {
public:
	RedirectFilter(BView* view, bool drop)
	    : BMessageFilter(B_ANY_DELIVERY, B_ANY_SOURCE), fView(view), fDrop(drop)
	{
	}

	filter_result Filter(BMessage* message, BHandler** target) override
	{
		if (message->what != B_MOUSE_DOWN && message->what != B_MOUSE_UP &&
		    message->what != B_MOUSE_MOVED)
			return B_DISPATCH_MESSAGE;
		if (fDrop)
			return B_SKIP_MESSAGE;
		BPoint where;
		message->FindPoint("be:view_where", &where);
		message->ReplacePoint("be:view_where", fView->ConvertToParent(where));
		*target = fView->Parent();
		return B_DISPATCH_MESSAGE;
	}

private:
	BView* fView;
	bool fDrop;
};

class InputTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		// Each test starts with the pointer away from the window.
		inject_mouse_moved(BPoint(0, 0));
		window = new BWindow(BRect(100, 100, 299, 199), "input", B_TITLED_WINDOW, 0);
		// parent at (0, 0)-(149, 99); child at (50, 20)-(89, 59) inside it.
		parent = new InputView(BRect(0, 0, 149, 99), "parent", &log);
		child = new InputView(BRect(50, 20, 89, 59), "child", &log);
		parent->AddChild(child);
		window->AddChild(parent);
		window->Show();
		ASSERT_TRUE(sync_window(window));
		ASSERT_TRUE(wait_for([&] { return window->IsActive(); }));
	}

	void TearDown() override
	{
		inject_mouse_released_all();
		if (window->Lock())
			window->Quit();
	}

	// Screen position of a window point.
	BPoint Screen(float x, float y) { return BPoint(100 + x, 100 + y); }

	std::vector<Event> WaitForEvents(size_t count)
	{
		EXPECT_TRUE(wait_for([&] { return log.Count() >= count; }));
		sync_window(window);
		return log.Take();
	}

	InterfaceTestApp app;
	EventLog log;
	BWindow* window = NULL;
	InputView* parent = NULL;
	InputView* child = NULL;
};

} // namespace

TEST_F(InputTest, MouseDownGoesToTheViewUnderThePointerWithItsFields)
{
	inject_mouse_moved(Screen(60, 30));
	WaitForEvents(1);
	inject_mouse_pressed(B_SECONDARY_MOUSE_BUTTON, B_SHIFT_KEY);
	std::vector<Event> events = WaitForEvents(1);
	ASSERT_EQ(events.size(), 1u);
	const Event& down = events[0];
	EXPECT_EQ(down.view, "child");
	EXPECT_EQ(down.what, B_MOUSE_DOWN);
	EXPECT_EQ(down.where, BPoint(10, 10));
	EXPECT_EQ(down.message.what, B_MOUSE_DOWN);
	EXPECT_EQ(down.message.GetInt32("buttons", -1), B_SECONDARY_MOUSE_BUTTON);
	EXPECT_TRUE((down.message.GetInt32("modifiers", 0) & B_SHIFT_KEY) != 0);
	EXPECT_EQ(down.message.GetInt32("clicks", 0), 1);
	EXPECT_GT(down.message.GetInt64("when", 0), 0);
	BPoint point;
	ASSERT_EQ(down.message.FindPoint("where", &point), B_OK);
	EXPECT_EQ(point, BPoint(10, 10));
	ASSERT_EQ(down.message.FindPoint("be:view_where", &point), B_OK);
	EXPECT_EQ(point, BPoint(10, 10));
	ASSERT_EQ(down.message.FindPoint("screen_where", &point), B_OK);
	EXPECT_EQ(point, Screen(60, 30));

	inject_mouse_released(B_SECONDARY_MOUSE_BUTTON);
	events = WaitForEvents(1);
	ASSERT_EQ(events.size(), 1u);
	EXPECT_EQ(events[0].view, "child");
	EXPECT_EQ(events[0].what, B_MOUSE_UP);
	EXPECT_EQ(events[0].message.GetInt32("buttons", -1), 0);

	// A second press at the same place soon after is a double click.
	inject_mouse_pressed(B_SECONDARY_MOUSE_BUTTON);
	events = WaitForEvents(1);
	ASSERT_EQ(events.size(), 1u);
	EXPECT_EQ(events[0].message.GetInt32("clicks", 0), 2);
	inject_mouse_released(B_SECONDARY_MOUSE_BUTTON);
	WaitForEvents(1);

	// Outside the child: the parent.
	inject_mouse_moved(Screen(10, 80));
	WaitForEvents(2);
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	events = WaitForEvents(1);
	ASSERT_EQ(events.size(), 1u);
	EXPECT_EQ(events[0].view, "parent");
	EXPECT_EQ(events[0].where, BPoint(10, 80));
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	WaitForEvents(1);
}

TEST_F(InputTest, MovedCarriesTransitsAndWindowWhere)
{
	inject_mouse_moved(Screen(10, 10));
	std::vector<Event> events = WaitForEvents(1);
	ASSERT_EQ(events.size(), 1u);
	EXPECT_EQ(events[0].view, "parent");
	EXPECT_EQ(events[0].transit, (uint32) B_ENTERED_VIEW);

	inject_mouse_moved(Screen(12, 10));
	events = WaitForEvents(1);
	ASSERT_EQ(events.size(), 1u);
	EXPECT_EQ(events[0].transit, (uint32) B_INSIDE_VIEW);

	inject_mouse_moved(Screen(55, 25));
	events = WaitForEvents(2);
	ASSERT_EQ(events.size(), 2u);
	EXPECT_EQ(events[0].view, "parent");
	EXPECT_EQ(events[0].transit, (uint32) B_EXITED_VIEW);
	EXPECT_EQ(events[1].view, "child");
	EXPECT_EQ(events[1].transit, (uint32) B_ENTERED_VIEW);
	EXPECT_EQ(events[1].where, BPoint(5, 5));
	// "where" of a mouse-moved stays in window coordinates.
	BPoint where;
	ASSERT_EQ(events[1].message.FindPoint("where", &where), B_OK);
	EXPECT_EQ(where, BPoint(55, 25));
	EXPECT_EQ(events[1].message.GetInt32("be:transit", -1), B_ENTERED_VIEW);
}

TEST_F(InputTest, EventMaskKeepsPointerEventsUntilRelease)
{
	child->maskOnDown = true;
	inject_mouse_moved(Screen(60, 30));
	WaitForEvents(1);
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	WaitForEvents(1);

	// Out of the child and out of the window: still the child's.
	inject_mouse_moved(Screen(120, 90), B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_moved(Screen(300, 150), B_PRIMARY_MOUSE_BUTTON);
	std::vector<Event> events = WaitForEvents(2);
	ASSERT_EQ(events.size(), 2u);
	EXPECT_EQ(events[0].view, "child");
	EXPECT_EQ(events[0].transit, (uint32) B_EXITED_VIEW);
	EXPECT_EQ(events[0].where, BPoint(70, 70));
	EXPECT_EQ(events[1].view, "child");
	EXPECT_EQ(events[1].transit, (uint32) B_OUTSIDE_VIEW);
	EXPECT_EQ(events[1].where, BPoint(250, 130));

	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	events = WaitForEvents(1);
	ASSERT_EQ(events.size(), 1u);
	EXPECT_EQ(events[0].view, "child");
	EXPECT_EQ(events[0].what, B_MOUSE_UP);

	// After the release the view under the pointer gets the events again.
	inject_mouse_moved(Screen(10, 10));
	events = WaitForEvents(1);
	ASSERT_EQ(events.size(), 1u);
	EXPECT_EQ(events[0].view, "parent");
	EXPECT_EQ(events[0].transit, (uint32) B_ENTERED_VIEW);
}

TEST_F(InputTest, FiltersRedirectToTheParentOrDrop)
{
	ASSERT_TRUE(window->Lock());
	child->AddFilter(new RedirectFilter(child, false));
	window->Unlock();

	inject_mouse_moved(Screen(60, 30));
	std::vector<Event> events = WaitForEvents(1);
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	events = WaitForEvents(1);
	ASSERT_EQ(events.size(), 1u);
	EXPECT_EQ(events[0].view, "parent");
	EXPECT_EQ(events[0].what, B_MOUSE_DOWN);
	// The hook gets the rewritten be:view_where, in the parent's coordinates.
	EXPECT_EQ(events[0].where, BPoint(60, 30));
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	WaitForEvents(1);

	ASSERT_TRUE(window->Lock());
	BMessageFilter* filter = static_cast<BMessageFilter*>(child->FilterList()->ItemAt(0));
	ASSERT_TRUE(child->RemoveFilter(filter));
	delete filter;
	child->AddFilter(new RedirectFilter(child, true));
	window->Unlock();
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(window));
	ASSERT_TRUE(sync_window(window));
	EXPECT_EQ(log.Count(), 0u);
}

TEST_F(InputTest, KeysGoToTheFocusView)
{
	ASSERT_TRUE(window->Lock());
	child->MakeFocus(true);
	EXPECT_TRUE(child->IsFocus());
	EXPECT_EQ(window->CurrentFocus(), child);
	parent->MakeFocus(true);
	EXPECT_FALSE(child->IsFocus());
	EXPECT_EQ(window->CurrentFocus(), parent);
	child->MakeFocus(true);
	window->Unlock();

	inject_key_down("+", 0x3a, B_CONTROL_KEY);
	std::vector<Event> events = WaitForEvents(1);
	ASSERT_EQ(events.size(), 1u);
	EXPECT_EQ(events[0].view, "child");
	EXPECT_EQ(events[0].what, B_KEY_DOWN);
	EXPECT_EQ(events[0].bytes, "+");
	const BMessage& message = events[0].message;
	EXPECT_STREQ(message.GetString("bytes", ""), "+");
	int8 byte = 0;
	EXPECT_EQ(message.FindInt8("byte", &byte), B_OK);
	EXPECT_EQ(byte, '+');
	EXPECT_EQ(message.GetInt32("key", 0), 0x3a);
	EXPECT_TRUE((message.GetInt32("modifiers", 0) & B_CONTROL_KEY) != 0);
	EXPECT_TRUE(message.HasInt32("raw_char"));
	EXPECT_GT(message.GetInt64("when", 0), 0);

	inject_key_up("+", 0x3a, 0);
	events = WaitForEvents(1);
	ASSERT_EQ(events.size(), 1u);
	EXPECT_EQ(events[0].what, B_KEY_UP);

	// Tab moves the focus on to the next navigable view.
	inject_key_down("\t", 0x26, 0);
	WaitForEvents(1);
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(window->CurrentFocus(), parent);
	window->Unlock();
}

TEST_F(InputTest, GetMouseReadsTheQueueOrTheCurrentState)
{
	inject_mouse_moved(Screen(60, 30));
	WaitForEvents(1);
	ASSERT_TRUE(window->Lock());
	BPoint where;
	uint32 buttons = 99;
	child->GetMouse(&where, &buttons, false);
	EXPECT_EQ(where, BPoint(10, 10));
	EXPECT_EQ(buttons, 0u);
	window->Unlock();
}

TEST_F(InputTest, WheelGoesToTheViewUnderThePointer)
{
	inject_mouse_moved(Screen(60, 30));
	WaitForEvents(1);
	inject_wheel(0, 2);
	std::vector<Event> events = WaitForEvents(1);
	ASSERT_EQ(events.size(), 1u);
	EXPECT_EQ(events[0].view, "child");
	EXPECT_EQ(events[0].what, B_MOUSE_WHEEL_CHANGED);
	EXPECT_EQ(events[0].message.GetFloat("be:wheel_delta_y", 0), 2.0f);
}
