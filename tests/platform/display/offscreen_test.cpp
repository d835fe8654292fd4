#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "display/DisplayBackend.h"
#include "display/offscreen/OffscreenControl.h"
#include "interface/Painter.h"

using namespace BPrivate;

namespace {

// What a sink heard, one line per event, so that order is checked too.
class RecordingSink : public DisplayEventSink {
public:
	void MouseEvent(const DisplayMouseEvent& event) override
	{
		const char* kinds[] = {"down", "up", "moved"};
		char line[160];
		snprintf(line, sizeof(line), "%s %g,%g screen %g,%g buttons %u mods %u clicks %d",
		         kinds[event.type], event.where.x, event.where.y, event.screenWhere.x,
		         event.screenWhere.y, unsigned(event.buttons), unsigned(event.modifiers),
		         int(event.clicks));
		_Add(line);
	}
	void WheelEvent(const DisplayWheelEvent& event) override
	{
		_Add("wheel " + std::to_string(int(event.deltaY)) + " at " +
		     std::to_string(int(event.where.x)) + "," + std::to_string(int(event.where.y)));
	}
	void KeyEvent(const DisplayKeyEvent& event) override
	{
		_Add(std::string(event.down ? "key down " : "key up ") + event.bytes + " key " +
		     std::to_string(event.key) + " mods " + std::to_string(event.modifiers) +
		     (event.repeat ? " repeat" : ""));
	}
	void FrameChanged(BRect frame, bool moved, bool resized) override
	{
		char line[120];
		snprintf(line, sizeof(line), "frame %g,%g,%g,%g%s%s", frame.left, frame.top, frame.right,
		         frame.bottom, moved ? " moved" : "", resized ? " resized" : "");
		_Add(line);
	}
	void ActivationChanged(bool active) override { _Add(active ? "activated" : "deactivated"); }
	void CloseRequested() override { _Add("close"); }
	void Exposed(const BRegion& region) override
	{
		_Add("expose " + std::to_string(region.CountRects()));
	}
	void WorkspaceChanged(int32 previous, int32 current) override
	{
		_Add("workspace " + std::to_string(previous) + "->" + std::to_string(current));
	}

	std::vector<std::string> Take()
	{
		std::lock_guard<std::mutex> lock(fLock);
		std::vector<std::string> events;
		events.swap(fEvents);
		return events;
	}

private:
	void _Add(const std::string& line)
	{
		std::lock_guard<std::mutex> lock(fLock);
		fEvents.push_back(line);
	}

	std::mutex fLock;
	std::vector<std::string> fEvents;
};

struct Window {
	RecordingSink sink;
	DisplaySurface* surface = NULL;

	Window(BRect frame, const char* title, surface_type type = kTopLevelSurface,
	       uint32 workspaces = 0)
	{
		SurfaceSettings settings = {type, title, frame, 0, 10000, 0, 10000, workspaces, 0, 0, 0};
		EXPECT_EQ(display_backend()->CreateSurface(settings, &sink, &surface), B_OK);
	}
	~Window()
	{
		if (surface != NULL)
			display_backend()->DestroySurface(surface);
	}
};

class Offscreen : public testing::Test {
protected:
	void SetUp() override
	{
		control = OffscreenControl::Get();
		ASSERT_NE(control, nullptr);
		control->SetScreenSize(1024, 768);
		control->SetWorkspaceCount(4);
		display_backend()->ActivateWorkspace(0);
		control->ReleaseButtons(~0u);
		control->SetModifiers(0);
		control->AdvanceClock(10000000); // no click counts across tests
	}

	OffscreenControl* control = NULL;
};

} // namespace

TEST_F(Offscreen, IsTheProcessDisplay)
{
	DisplayBackend* backend = display_backend();
	ASSERT_NE(backend, nullptr);
	EXPECT_STREQ(backend->capabilities.name, "offscreen");
	EXPECT_EQ(backend->ScreenFrame(), BRect(0, 0, 1023, 767));
	control->SetScreenSize(1920, 1080);
	EXPECT_EQ(backend->ScreenFrame(), BRect(0, 0, 1919, 1079));
	EXPECT_EQ(backend->CountWorkspaces(), 4);
}

TEST_F(Offscreen, InjectedPointerInputArrivesInOrderInWindowCoordinates)
{
	Window window(BRect(100, 50, 299, 149), "pointer");
	window.surface->Show();
	window.surface->Activate();
	window.sink.Take();

	control->MoveMouse(BPoint(110, 60));
	control->SetModifiers(0x1); // B_SHIFT_KEY
	control->PressButtons(1);
	control->MoveMouse(BPoint(400, 60)); // held: still ours, outside
	control->ReleaseButtons(1);
	control->MoveMouse(BPoint(120, 70));
	control->Wheel(0, 2);
	EXPECT_EQ(window.sink.Take(), (std::vector<std::string>{
	                                  "moved 10,10 screen 110,60 buttons 0 mods 0 clicks 0",
	                                  "down 10,10 screen 110,60 buttons 1 mods 1 clicks 1",
	                                  "moved 300,10 screen 400,60 buttons 1 mods 1 clicks 0",
	                                  "up 300,10 screen 400,60 buttons 0 mods 1 clicks 0",
	                                  "moved 20,20 screen 120,70 buttons 0 mods 1 clicks 0",
	                                  "wheel 2 at 20,20",
	                              }));

	// Quick presses count up; a pause starts again.
	control->Click(BPoint(120, 70));
	control->Click(BPoint(121, 70));
	control->AdvanceClock(600000);
	control->Click(BPoint(121, 70));
	std::vector<std::string> clicks;
	for (const std::string& line : window.sink.Take())
		if (line.rfind("down", 0) == 0)
			clicks.push_back(line.substr(line.find("clicks")));
	EXPECT_EQ(clicks, (std::vector<std::string>{"clicks 1", "clicks 2", "clicks 1"}));

	// Leaving the window: one move with a position outside, then nothing.
	control->MoveMouse(BPoint(500, 500));
	control->MoveMouse(BPoint(510, 500));
	EXPECT_EQ(window.sink.Take(),
	          (std::vector<std::string>{"moved 400,450 screen 500,500 buttons 0 mods 1 clicks 0"}));
	BPoint where;
	uint32 buttons, modifiers;
	display_backend()->GetPointer(&where, &buttons, &modifiers);
	EXPECT_EQ(where, BPoint(510, 500));
	EXPECT_EQ(modifiers, 1u);
}

TEST_F(Offscreen, StackingActivationAndClickToFocus)
{
	Window back(BRect(0, 0, 199, 199), "back");
	Window front(BRect(100, 100, 299, 299), "front");
	back.surface->Show();
	back.surface->Activate();
	front.surface->Show();
	front.surface->Activate();
	EXPECT_EQ(back.sink.Take(), (std::vector<std::string>{"activated", "deactivated"}));
	EXPECT_EQ(front.sink.Take(), (std::vector<std::string>{"activated"}));
	EXPECT_EQ(control->ActiveSurface(), front.surface);
	EXPECT_EQ(control->SurfaceAt(BPoint(150, 150)), front.surface);

	// A click on the back window's uncovered part brings it forward first.
	control->Click(BPoint(50, 50));
	std::vector<std::string> events = back.sink.Take();
	ASSERT_GE(events.size(), 3u);
	EXPECT_EQ(events[1], "activated");
	EXPECT_EQ(events[2].substr(0, 4), "down");
	EXPECT_EQ(front.sink.Take(), (std::vector<std::string>{"deactivated"}));
	EXPECT_EQ(control->SurfaceAt(BPoint(150, 150)), back.surface);

	// Keys go to the active window; hiding it hands the focus on.
	control->SetModifiers(0x4);
	control->KeyDown(0x3c, "a", 'a');
	control->KeyUp(0x3c, "a", 'a');
	EXPECT_EQ(back.sink.Take(),
	          (std::vector<std::string>{"key down a key 60 mods 4", "key up a key 60 mods 4"}));
	back.surface->Hide();
	EXPECT_EQ(back.sink.Take(), (std::vector<std::string>{"deactivated"}));
	EXPECT_EQ(front.sink.Take(), (std::vector<std::string>{"activated"}));
	control->TypeText("h\xc3\xa9");
	EXPECT_EQ(front.sink.Take(),
	          (std::vector<std::string>{"key down h key 0 mods 4", "key up h key 0 mods 4",
	                                    "key down \xc3\xa9 key 0 mods 4",
	                                    "key up \xc3\xa9 key 0 mods 4"}));

	// A hidden window is not activated.
	back.surface->Activate();
	EXPECT_EQ(control->ActiveSurface(), front.surface);
}

TEST_F(Offscreen, PopUpsStayInFrontAndGrabInput)
{
	Window window(BRect(0, 0, 299, 299), "window");
	Window menu(BRect(50, 50, 149, 149), "menu", kPopUpSurface);
	window.surface->Show();
	window.surface->Activate();
	menu.surface->Show();
	window.surface->Activate(); // the window comes forward, but not over the menu
	EXPECT_EQ(control->SurfaceAt(BPoint(60, 60)), menu.surface);
	EXPECT_EQ(control->ActiveSurface(), window.surface);

	ASSERT_EQ(display_backend()->GrabPointer(menu.surface, true), B_OK);
	window.sink.Take();
	menu.sink.Take();
	control->MoveMouse(BPoint(250, 250)); // over the window, but the menu holds the pointer
	control->KeyDown(0, "\x1b", 0x1b);
	EXPECT_EQ(window.sink.Take().size(), 0u);
	EXPECT_EQ(menu.sink.Take(),
	          (std::vector<std::string>{"moved 200,200 screen 250,250 buttons 0 mods 0 clicks 0",
	                                    "key down \x1b key 0 mods 0"}));
	display_backend()->UngrabPointer();
	control->MoveMouse(BPoint(251, 250));
	EXPECT_EQ(window.sink.Take().size(), 1u);
	// Clicking a pop-up never takes the focus.
	control->Click(BPoint(60, 60));
	EXPECT_EQ(control->ActiveSurface(), window.surface);
}

TEST_F(Offscreen, WorkspaceSwitchReachesEveryWindowAndMovesTheFocus)
{
	Window first(BRect(0, 0, 99, 99), "first", kTopLevelSurface, 1u << 0);
	Window second(BRect(0, 0, 99, 99), "second", kTopLevelSurface, 1u << 1);
	Window everywhere(BRect(200, 0, 299, 99), "everywhere", kTopLevelSurface, 0xffffffff);
	first.surface->Show();
	second.surface->Show();
	everywhere.surface->Show();
	first.surface->Activate();
	EXPECT_FALSE(control->IsShown(second.surface));
	first.sink.Take();
	second.sink.Take();
	everywhere.sink.Take();

	display_backend()->ActivateWorkspace(1);
	EXPECT_EQ(display_backend()->CurrentWorkspace(), 1);
	EXPECT_EQ(first.sink.Take(), (std::vector<std::string>{"workspace 0->1", "deactivated"}));
	EXPECT_EQ(second.sink.Take(), (std::vector<std::string>{"workspace 0->1"}));
	// The frontmost window of the new workspace takes the focus.
	EXPECT_EQ(everywhere.sink.Take(), (std::vector<std::string>{"workspace 0->1", "activated"}));
	EXPECT_EQ(control->ActiveSurface(), everywhere.surface);
	EXPECT_TRUE(control->IsShown(second.surface));
	EXPECT_FALSE(control->IsShown(first.surface));

	// Out of range or the same workspace: nothing happens.
	display_backend()->ActivateWorkspace(1);
	display_backend()->ActivateWorkspace(7);
	EXPECT_EQ(everywhere.sink.Take().size(), 0u);

	// Fewer workspaces move the current one into range.
	control->SetWorkspaceCount(1);
	EXPECT_EQ(display_backend()->CurrentWorkspace(), 0);
	EXPECT_EQ(everywhere.sink.Take().front(), "workspace 1->0");
}

TEST_F(Offscreen, WindowManagerActionsAndFrames)
{
	Window window(BRect(10.4f, 20.6f, 109.4f, 70.6f), "frames");
	EXPECT_EQ(control->FrameOf(window.surface), BRect(10, 21, 109, 71));
	Framebuffer buffer = window.surface->Buffer();
	EXPECT_EQ(buffer.width, 100);
	EXPECT_EQ(buffer.height, 51);
	window.surface->SetSizeLimits(50, 200, 20, 100);

	control->SystemMove(window.surface, BPoint(30, 40));
	control->SystemResize(window.surface, 500, 5);
	control->RequestClose(window.surface);
	control->Expose(window.surface, BRegion(BRect(0, 0, 9, 9)));
	EXPECT_EQ(window.sink.Take(),
	          (std::vector<std::string>{"frame 30,40,129,90 moved", "frame 30,40,230,60 resized",
	                                    "close", "expose 1"}));
	// The kit takes the new size: the framebuffer follows, keeping its pixels.
	buffer.bits[0] = 0xff123456;
	ASSERT_EQ(window.surface->SetFrame(BRect(30, 40, 230, 60)), B_OK);
	buffer = window.surface->Buffer();
	EXPECT_EQ(buffer.width, 201);
	EXPECT_EQ(buffer.height, 21);
	EXPECT_EQ(buffer.bits[0], 0xff123456u);
	EXPECT_EQ(window.sink.Take().size(), 0u); // the kit's own change is not echoed
	EXPECT_EQ(window.surface->SetFrame(BRect(0, 0, -5, 10)), B_BAD_VALUE);
	EXPECT_EQ(window.surface->SetFrame(BRect(0, 0, 1e9f, 10)), B_BAD_VALUE);
}

TEST_F(Offscreen, ReadbackOfWindowsAndTheComposedScreen)
{
	control->SetScreenSize(64, 48);
	Window lower(BRect(0, 0, 31, 31), "lower");
	Window upper(BRect(16, 16, 47, 47), "upper");
	Window hidden(BRect(0, 0, 63, 47), "hidden");
	for (Window* window : {&lower, &upper}) {
		window->surface->Show();
		window->surface->Activate();
	}
	Painter painter;
	Framebuffer buffer = lower.surface->Buffer();
	ASSERT_EQ(painter.Attach(buffer.bits, buffer.width, buffer.height, buffer.bytesPerRow), B_OK);
	painter.FillRect(BRect(0, 0, 31, 31), {255, 0, 0, 255});
	buffer = upper.surface->Buffer();
	ASSERT_EQ(painter.Attach(buffer.bits, buffer.width, buffer.height, buffer.bytesPerRow), B_OK);
	painter.FillRect(BRect(0, 0, 31, 31), {0, 0, 255, 255});
	ASSERT_EQ(upper.surface->Present(BRegion(BRect(0, 0, 99, 9))), B_OK);
	EXPECT_EQ(control->PresentCount(upper.surface), 1);
	EXPECT_EQ(control->TakePresented(upper.surface), BRegion(BRect(0, 0, 31, 9)));
	EXPECT_EQ(control->TakePresented(upper.surface).CountRects(), 0);

	OffscreenImage image = control->ReadSurface(lower.surface);
	EXPECT_EQ(image.width, 32);
	EXPECT_EQ(image.At(31, 31), 0xff0000u);
	OffscreenImage screen = control->ReadScreen(0x00ff00);
	EXPECT_EQ(screen.width, 64);
	EXPECT_EQ(screen.At(5, 5), 0xff0000u);
	EXPECT_EQ(screen.At(20, 20), 0x0000ffu); // the upper window covers the lower one
	EXPECT_EQ(screen.At(60, 5), 0x00ff00u);  // background; the hidden window is not there
	EXPECT_EQ(screen.At(47, 47), 0x0000ffu);

	display_backend()->ObscureCursor();
	EXPECT_TRUE(control->IsCursorObscured());
	control->MoveMouse(BPoint(1, 1));
	EXPECT_FALSE(control->IsCursorObscured());
	EXPECT_EQ(control->FindSurface("upper"), upper.surface);
	EXPECT_EQ(control->FindSurface("nothing"), nullptr);
}
