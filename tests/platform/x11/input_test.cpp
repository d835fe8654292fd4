// Input through the X11 backend, injected into a private Xvfb with xdotool
// (XTEST), as a user's keyboard and mouse would send it.
#include <unistd.h>

#include "X11BackendTest.h"
#include <InterfaceDefs.h>

#include "display/x11/BeDefs.h"

using namespace BPrivate;

namespace {

class InputTest : public X11BackendTest {
protected:
	// A shown, painted and focused window at (100, 100), 300 x 200.
	DisplaySurface* FocusedWindow(RecordingSink* sink)
	{
		DisplaySurface* surface = Make(Settings(BRect(100, 100, 399, 299)), sink);
		if (surface == nullptr)
			return nullptr;
		ShowAndFill(surface, 0x00808080);
		surface->Activate();
		EXPECT_TRUE(sink->WaitFor([&] { return !sink->activations.empty(); }));
		sink->Clear();
		return surface;
	}

	int Xdotool(const std::string& arguments) { return Server()->Run("xdotool " + arguments); }

	// Mouse downs and ups, without the moves that may come in between.
	static std::vector<DisplayMouseEvent> Presses(const RecordingSink& sink)
	{
		std::vector<DisplayMouseEvent> presses;
		for (const auto& event : sink.mouse) {
			if (event.type != kMouseMoved)
				presses.push_back(event);
		}
		return presses;
	}

	// The key-down events carrying bytes.
	static std::vector<DisplayKeyEvent> Typed(const RecordingSink& sink)
	{
		std::vector<DisplayKeyEvent> typed;
		for (const auto& key : sink.keys) {
			if (key.down && key.bytes[0] != '\0')
				typed.push_back(key);
		}
		return typed;
	}
};

} // namespace

TEST_F(InputTest, ControlPlusArrivesAsPlusWithControl)
{
	RecordingSink sink;
	ASSERT_NE(FocusedWindow(&sink), nullptr);
	ASSERT_EQ(Xdotool("key ctrl+plus"), 0);
	ASSERT_TRUE(sink.WaitFor([&] { return !Typed(sink).empty(); }));
	sink.Inspect([&] {
		DisplayKeyEvent plus = Typed(sink)[0];
		EXPECT_STREQ(plus.bytes, "+");
		EXPECT_NE(plus.modifiers & B_CONTROL_KEY, 0u);
		EXPECT_NE(plus.modifiers & B_LEFT_CONTROL_KEY, 0u);
		EXPECT_FALSE(plus.repeat);
	});
	// Every key pressed was released as well.
	ASSERT_TRUE(sink.WaitFor([&] {
		int balance = 0;
		for (const auto& key : sink.keys)
			balance += key.down ? 1 : -1;
		return balance == 0 && sink.keys.size() >= 4;
	}));
}

TEST_F(InputTest, SpecialKeysAndLettersGiveBeBytes)
{
	RecordingSink sink;
	ASSERT_NE(FocusedWindow(&sink), nullptr);
	ASSERT_EQ(Xdotool("key a Return KP_Enter Left Escape BackSpace Delete Home Page_Down F3 "
	                  "shift+a ctrl+slash"),
	          0);
	ASSERT_TRUE(sink.WaitFor([&] { return Typed(sink).size() >= 12; }));
	sink.Inspect([&] {
		std::vector<DisplayKeyEvent> typed = Typed(sink);
		const char* expected[] = {"a",    "\n",   "\n",   "\x1c", "\x1b", "\x08",
		                          "\x7f", "\x01", "\x0c", "\x10", "A",    "/"};
		for (size_t i = 0; i < std::size(expected); i++)
			EXPECT_STREQ(typed[i].bytes, expected[i]) << i;
		EXPECT_EQ(typed[0].rawChar, 'a');
		EXPECT_NE(typed[10].modifiers & B_SHIFT_KEY, 0u);
		EXPECT_EQ(typed[10].rawChar, 'a');
		EXPECT_NE(typed[11].modifiers & B_CONTROL_KEY, 0u);
	});
}

TEST_F(InputTest, KeysGoToTheFocusedWindowOnly)
{
	RecordingSink first, second;
	ASSERT_NE(FocusedWindow(&first), nullptr);
	DisplaySurface* other = Make(Settings(BRect(600, 100, 799, 299)), &second);
	ASSERT_NE(other, nullptr);
	ShowAndFill(other, 0);
	other->Activate();
	ASSERT_TRUE(second.WaitFor([&] { return !second.activations.empty(); }));
	ASSERT_TRUE(first.WaitFor([&] { return !first.activations.empty(); }));
	first.Inspect([&] { EXPECT_FALSE(first.activations.back()); });
	second.Inspect([&] { EXPECT_TRUE(second.activations.back()); });

	ASSERT_EQ(Xdotool("key x"), 0);
	ASSERT_TRUE(second.WaitFor([&] { return !Typed(second).empty(); }));
	first.Inspect([&] { EXPECT_TRUE(Typed(first).empty()); });
}

TEST_F(InputTest, ClickFocusesWithoutAWindowManager)
{
	RecordingSink first, second;
	ASSERT_NE(FocusedWindow(&first), nullptr);
	DisplaySurface* other = Make(Settings(BRect(600, 100, 799, 299)), &second);
	ASSERT_NE(other, nullptr);
	ShowAndFill(other, 0);
	ASSERT_EQ(Xdotool("mousemove 700 200 click 1"), 0);
	ASSERT_TRUE(
	    second.WaitFor([&] { return !second.activations.empty() && second.activations.back(); }));
	ASSERT_TRUE(
	    first.WaitFor([&] { return !first.activations.empty() && !first.activations.back(); }));
}

TEST_F(InputTest, ModifiersAreAskedFromTheServer)
{
	ASSERT_EQ(Xdotool("keydown shift keydown ctrl"), 0);
	uint32 modifiers = 0;
	fBackend->GetPointer(nullptr, nullptr, &modifiers);
	ASSERT_EQ(Xdotool("keyup ctrl keyup shift"), 0);
	EXPECT_NE(modifiers & B_SHIFT_KEY, 0u);
	EXPECT_NE(modifiers & B_LEFT_SHIFT_KEY, 0u);
	EXPECT_NE(modifiers & B_CONTROL_KEY, 0u);
	EXPECT_EQ(modifiers & B_COMMAND_KEY, 0u);
	fBackend->GetPointer(nullptr, nullptr, &modifiers);
	EXPECT_EQ(modifiers & (B_SHIFT_KEY | B_CONTROL_KEY), 0u);
}

TEST_F(InputTest, ClicksArriveInWindowCoordinates)
{
	RecordingSink sink;
	ASSERT_NE(FocusedWindow(&sink), nullptr);
	ASSERT_EQ(Xdotool("mousemove 150 160"), 0);
	ASSERT_TRUE(sink.WaitFor([&] { return !sink.mouse.empty(); }));
	sink.Inspect([&] {
		EXPECT_EQ(sink.mouse.back().type, kMouseMoved);
		EXPECT_EQ(sink.mouse.back().where, BPoint(50, 60));
		EXPECT_EQ(sink.mouse.back().screenWhere, BPoint(150, 160));
	});
	sink.Clear();

	ASSERT_EQ(Xdotool("click 1"), 0);
	ASSERT_TRUE(sink.WaitFor([&] { return Presses(sink).size() >= 2; }));
	sink.Inspect([&] {
		std::vector<DisplayMouseEvent> presses = Presses(sink);
		EXPECT_EQ(presses[0].type, kMouseDown);
		EXPECT_EQ(presses[0].buttons, (uint32) B_PRIMARY_MOUSE_BUTTON);
		EXPECT_EQ(presses[0].where, BPoint(50, 60));
		EXPECT_EQ(presses[0].clicks, 1);
		EXPECT_EQ(presses[1].type, kMouseUp);
		EXPECT_EQ(presses[1].buttons, 0u);
	});
	sink.Clear();

	// Right is secondary, middle tertiary.
	ASSERT_EQ(Xdotool("click 3 click 2"), 0);
	ASSERT_TRUE(sink.WaitFor([&] { return Presses(sink).size() >= 4; }));
	sink.Inspect([&] {
		std::vector<DisplayMouseEvent> presses = Presses(sink);
		EXPECT_EQ(presses[0].buttons, (uint32) B_SECONDARY_MOUSE_BUTTON);
		EXPECT_EQ(presses[2].buttons, (uint32) B_TERTIARY_MOUSE_BUTTON);
	});
}

TEST_F(InputTest, DoubleClickCounts)
{
	RecordingSink sink;
	ASSERT_NE(FocusedWindow(&sink), nullptr);
	ASSERT_EQ(Xdotool("mousemove 200 200 click --repeat 2 --delay 50 1"), 0);
	ASSERT_TRUE(sink.WaitFor([&] {
		int downs = 0;
		for (const auto& event : sink.mouse)
			downs += event.type == kMouseDown;
		return downs == 2;
	}));
	sink.Inspect([&] {
		std::vector<int32> clicks;
		for (const auto& event : sink.mouse) {
			if (event.type == kMouseDown)
				clicks.push_back(event.clicks);
		}
		EXPECT_EQ(clicks, (std::vector<int32>{1, 2}));
	});
}

TEST_F(InputTest, WheelNeverBecomesMouseDown)
{
	RecordingSink sink;
	ASSERT_NE(FocusedWindow(&sink), nullptr);
	ASSERT_EQ(Xdotool("mousemove 200 200 click 4 click 5 click 5 click 6"), 0);
	ASSERT_TRUE(sink.WaitFor([&] { return sink.wheel.size() >= 4; }));
	sink.Inspect([&] {
		EXPECT_EQ(sink.wheel[0].deltaY, -1);
		EXPECT_EQ(sink.wheel[1].deltaY, 1);
		EXPECT_EQ(sink.wheel[2].deltaY, 1);
		EXPECT_EQ(sink.wheel[3].deltaX, -1);
		EXPECT_EQ(sink.wheel[0].where, BPoint(100, 100));
		for (const auto& event : sink.mouse)
			EXPECT_EQ(event.type, kMouseMoved);
	});
}

TEST_F(InputTest, DragsKeepReportingOutsideTheWindow)
{
	RecordingSink sink;
	ASSERT_NE(FocusedWindow(&sink), nullptr);
	ASSERT_EQ(Xdotool("mousemove 150 150 mousedown 1 mousemove 700 600 mouseup 1"), 0);
	ASSERT_TRUE(
	    sink.WaitFor([&] { return !sink.mouse.empty() && sink.mouse.back().type == kMouseUp; }));
	sink.Inspect([&] {
		const DisplayMouseEvent& up = sink.mouse.back();
		EXPECT_EQ(up.where, BPoint(600, 500));
		EXPECT_EQ(up.buttons, 0u);
		bool movedOutside = false;
		for (const auto& event : sink.mouse) {
			if (event.type == kMouseMoved && event.where == BPoint(600, 500))
				movedOutside = event.buttons == B_PRIMARY_MOUSE_BUTTON;
		}
		EXPECT_TRUE(movedOutside);
	});
}

TEST_F(InputTest, PointerGrabTakesEventsFromEverywhere)
{
	// The mouse event mask: with no button down, motion far outside still
	// reaches the grabbing window, in its coordinates.
	RecordingSink sink;
	DisplaySurface* surface = FocusedWindow(&sink);
	ASSERT_NE(surface, nullptr);
	ASSERT_EQ(fBackend->GrabPointer(surface, false), B_OK);
	ASSERT_EQ(Xdotool("mousemove 1500 900"), 0);
	ASSERT_TRUE(sink.WaitFor(
	    [&] { return !sink.mouse.empty() && sink.mouse.back().where == BPoint(1400, 800); }));
	fBackend->UngrabPointer();
	sink.Clear();
	ASSERT_EQ(Xdotool("mousemove 1600 950"), 0);
	fBackend->Connection().Sync();
	usleep(100000);
	sink.Inspect([&] { EXPECT_TRUE(sink.mouse.empty()); });
}

TEST_F(InputTest, WarpAndQueryThePointer)
{
	fBackend->WarpPointer(BPoint(123, 45));
	BPoint where;
	uint32 buttons = 99;
	fBackend->GetPointer(&where, &buttons, nullptr);
	EXPECT_EQ(where, BPoint(123, 45));
	EXPECT_EQ(buttons, 0u);
	ASSERT_EQ(Xdotool("mousedown 3"), 0);
	fBackend->GetPointer(&where, &buttons, nullptr);
	ASSERT_EQ(Xdotool("mouseup 3"), 0);
	EXPECT_EQ(buttons, (uint32) B_SECONDARY_MOUSE_BUTTON);
}

TEST_F(InputTest, WithoutAWindowManagerThereIsOneWorkspace)
{
	EXPECT_EQ(fBackend->CountWorkspaces(), 1);
	EXPECT_EQ(fBackend->CurrentWorkspace(), 0);
}
