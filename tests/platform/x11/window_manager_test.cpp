// The X11 backend under a real EWMH window manager (openbox): frames with
// decorations around them, activation, workspaces.
#include <unistd.h>

#include <algorithm>

#include "X11BackendTest.h"

using namespace BPrivate;

namespace {

class WindowManagerTest : public WithWindowManager<X11BackendTest> {
protected:
	void SetUp() override
	{
		WithWindowManager::SetUp();
		if (HasFatalFailure())
			return;
		// Every test starts on the first workspace.
		if (fBackend->CurrentWorkspace() != 0) {
			Server()->Run("wmctrl -s 0");
			ASSERT_TRUE(WaitFor([&] { return fBackend->CurrentWorkspace() == 0; }));
		}
	}

	// Shows a surface and waits until the window manager has framed it.
	void ShowManaged(DisplaySurface* surface)
	{
		ShowAndFill(surface, 0x00406080);
		ASSERT_TRUE(WaitFor([&] { return Parent(Id(surface)) != ObserverRoot(); }));
	}

	xcb_window_t Parent(xcb_window_t window) const
	{
		xcb_query_tree_reply_t* tree =
		    xcb_query_tree_reply(Observer(), xcb_query_tree(Observer(), window), nullptr);
		xcb_window_t parent = tree != nullptr ? tree->parent : (xcb_window_t) XCB_WINDOW_NONE;
		free(tree);
		return parent;
	}

	uint32_t Desktop(xcb_window_t window) const
	{
		xcb_get_property_reply_t* reply =
		    xcb_get_property_reply(Observer(),
		                           xcb_get_property(Observer(), 0, window, Atom("_NET_WM_DESKTOP"),
		                                            XCB_ATOM_CARDINAL, 0, 1),
		                           nullptr);
		uint32_t desktop = 0x12345678;
		if (reply != nullptr && xcb_get_property_value_length(reply) == 4)
			desktop = *(uint32_t*) xcb_get_property_value(reply);
		free(reply);
		return desktop;
	}
};

} // namespace

TEST_F(WindowManagerTest, FrameIsTheContentWhateverTheDecorations)
{
	RecordingSink sink;
	DisplaySurface* surface = Make(Settings(BRect(300, 200, 639, 439), "framed"), &sink);
	ASSERT_NE(surface, nullptr);
	ShowManaged(surface);

	// The program's position is honoured for the content, not the frame.
	int x, y, width, height;
	ASSERT_TRUE(WaitFor([&] {
		return ContentFrame(Id(surface), &x, &y, &width, &height) && x == 300 && y == 200;
	})) << x
	    << "," << y;
	EXPECT_EQ(width, 340);
	EXPECT_EQ(height, 240);

	ASSERT_EQ(surface->SetFrame(BRect(500, 400, 899, 699)), B_OK);
	ASSERT_TRUE(WaitFor([&] {
		return ContentFrame(Id(surface), &x, &y, &width, &height) && x == 500 && y == 400 &&
		       width == 400 && height == 300;
	})) << x
	    << "," << y << " " << width << "x" << height;
	fBackend->Connection().Sync();
	usleep(200000);
	// Whatever the window manager did on the way, the kit hears no frame but
	// its own or the final one.
	sink.Inspect([&] {
		for (const auto& frame : sink.frames)
			EXPECT_EQ(frame.frame, BRect(500, 400, 899, 699));
	});
}

// The first picture must not wait for the Expose that follows the window
// manager's map: what is presented right after Show(), before the window is
// mapped, is on the screen once it is, with nothing presented again. Later
// presents still reach the window.
TEST_F(WindowManagerTest, PixelsPresentedBeforeTheMapAreShownByIt)
{
	RecordingSink sink;
	DisplaySurface* surface = Make(Settings(BRect(200, 150, 359, 269), "early"), &sink);
	ASSERT_NE(surface, nullptr);
	Framebuffer buffer = surface->Buffer();
	auto fill = [&](uint32 color) {
		for (int32 y = 0; y < buffer.height; y++) {
			uint32* row = (uint32*) ((uint8*) buffer.bits + y * buffer.bytesPerRow);
			for (int32 x = 0; x < buffer.width; x++)
				row[x] = color;
		}
	};
	fill(0x00c02080);
	surface->Show();
	ASSERT_EQ(surface->Present(BRegion(BRect(0, 0, buffer.width - 1, buffer.height - 1))), B_OK);
	ASSERT_TRUE(WaitFor([&] { return IsViewable(Id(surface)); }));
	fBackend->Connection().Sync();
	std::vector<uint32_t> pixels = Pixels(Id(surface), 0, 0, buffer.width, buffer.height);
	ASSERT_EQ(pixels.size(), size_t(buffer.width * buffer.height));
	EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0xc02080u), ptrdiff_t(pixels.size()));

	fill(0x00208040);
	ASSERT_EQ(surface->Present(BRegion(BRect(0, 0, buffer.width - 1, buffer.height - 1))), B_OK);
	fBackend->Connection().Sync();
	pixels = Pixels(Id(surface), 0, 0, buffer.width, buffer.height);
	EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0x208040u), ptrdiff_t(pixels.size()));
}

// A window moved and fitted before it is shown (as a new viewer window is)
// shows where it was asked last; moved by the window manager and then asked
// back to where it was, it goes back.
TEST_F(WindowManagerTest, PlacedWhereAskedLastBeforeAndAfterTheWindowManagerMovesIt)
{
	RecordingSink sink;
	DisplaySurface* surface = Make(Settings(BRect(100, 100, 399, 299), "move-me"), &sink);
	ASSERT_NE(surface, nullptr);
	ASSERT_EQ(surface->SetFrame(BRect(150, 120, 449, 319)), B_OK);
	ASSERT_EQ(surface->SetFrame(BRect(200, 150, 519, 389)), B_OK);
	ShowManaged(surface);
	int x, y, width, height;
	ASSERT_TRUE(WaitFor([&] {
		return ContentFrame(Id(surface), &x, &y, &width, &height) && x == 200 && y == 150 &&
		       width == 320 && height == 240;
	})) << x
	    << "," << y << " " << width << "x" << height;

	sink.Clear();
	ASSERT_EQ(Server()->Run("wmctrl -r move-me -e 0,700,500,-1,-1"), 0);
	ASSERT_TRUE(sink.WaitFor([&] { return !sink.frames.empty() && sink.frames.back().moved; }));
	ASSERT_EQ(surface->SetFrame(BRect(200, 150, 519, 389)), B_OK);
	ASSERT_TRUE(WaitFor([&] {
		return ContentFrame(Id(surface), &x, &y, &width, &height) && x == 200 && y == 150;
	})) << x
	    << "," << y;
}

TEST_F(WindowManagerTest, ResizeByTheWindowManagerIsReported)
{
	RecordingSink sink;
	DisplaySurface* surface = Make(Settings(BRect(100, 100, 399, 299), "resize-me"), &sink);
	ASSERT_NE(surface, nullptr);
	ShowManaged(surface);
	sink.Clear();

	ASSERT_EQ(Server()->Run("wmctrl -r resize-me -e 0,-1,-1,500,350"), 0);
	ASSERT_TRUE(sink.WaitFor(
	    [&] { return !sink.frames.empty() && sink.frames.back().frame.Width() == 499; }));
	int x, y, width, height;
	ASSERT_TRUE(ContentFrame(Id(surface), &x, &y, &width, &height));
	sink.Inspect([&] {
		EXPECT_TRUE(sink.frames.back().resized);
		EXPECT_EQ(sink.frames.back().frame, BRect(x, y, x + 499, y + 349));
	});
	EXPECT_EQ(width, 500);
	EXPECT_EQ(height, 350);
}

TEST_F(WindowManagerTest, CloseThroughTheWindowManager)
{
	RecordingSink sink;
	DisplaySurface* surface = Make(Settings(BRect(100, 100, 299, 199), "close-me"), &sink);
	ASSERT_NE(surface, nullptr);
	ShowManaged(surface);
	ASSERT_EQ(Server()->Run("wmctrl -c close-me"), 0);
	EXPECT_TRUE(sink.WaitFor([&] { return sink.closeRequests == 1; }));
}

TEST_F(WindowManagerTest, ActivateAsksTheWindowManager)
{
	RecordingSink first, second;
	DisplaySurface* a = Make(Settings(BRect(100, 100, 299, 299), "first"), &first);
	DisplaySurface* b = Make(Settings(BRect(400, 100, 599, 299), "second"), &second);
	ASSERT_NE(a, nullptr);
	ASSERT_NE(b, nullptr);
	ShowManaged(a);
	ShowManaged(b);
	a->Activate();
	ASSERT_TRUE(
	    first.WaitFor([&] { return !first.activations.empty() && first.activations.back(); }));
	b->Activate();
	ASSERT_TRUE(
	    second.WaitFor([&] { return !second.activations.empty() && second.activations.back(); }));
	ASSERT_TRUE(first.WaitFor([&] { return !first.activations.back(); }));
}

TEST_F(WindowManagerTest, WorkspacesAreTheDesktops)
{
	EXPECT_EQ(fBackend->CountWorkspaces(), 4);
	EXPECT_EQ(fBackend->CurrentWorkspace(), 0);

	RecordingSink sink;
	DisplaySurface* surface = Make(Settings(BRect(100, 100, 299, 299), "watcher"), &sink);
	ASSERT_NE(surface, nullptr);
	ShowManaged(surface);

	ASSERT_EQ(Server()->Run("wmctrl -s 2"), 0);
	ASSERT_TRUE(sink.WaitFor([&] { return !sink.workspaces.empty(); }));
	sink.Inspect([&] { EXPECT_EQ(sink.workspaces[0], std::make_pair(0, 2)); });
	EXPECT_EQ(fBackend->CurrentWorkspace(), 2);

	fBackend->ActivateWorkspace(1);
	ASSERT_TRUE(sink.WaitFor([&] { return sink.workspaces.size() >= 2; }));
	sink.Inspect([&] { EXPECT_EQ(sink.workspaces[1], std::make_pair(2, 1)); });
	EXPECT_EQ(fBackend->CurrentWorkspace(), 1);

	// Out of range: nothing happens.
	fBackend->ActivateWorkspace(17);
	fBackend->ActivateWorkspace(-1);
	fBackend->Connection().Sync();
	usleep(100000);
	EXPECT_EQ(fBackend->CurrentWorkspace(), 1);

	// The count is kept from the root window's changes, not asked each time:
	// it must follow the window manager's.
	ASSERT_EQ(Server()->Run("wmctrl -n 6"), 0);
	EXPECT_TRUE(WaitFor([&] { return fBackend->CountWorkspaces() == 6; }));
	ASSERT_EQ(Server()->Run("wmctrl -n 4"), 0);
	EXPECT_TRUE(WaitFor([&] { return fBackend->CountWorkspaces() == 4; }));
}

TEST_F(WindowManagerTest, WindowsOnAllWorkspacesOrTheCurrentOne)
{
	RecordingSink allSink, currentSink;
	SurfaceSettings everywhere = Settings(BRect(100, 100, 299, 299), "everywhere");
	everywhere.workspaces = 0xFFFFFFFF;
	DisplaySurface* all = Make(everywhere, &allSink);
	ASSERT_NE(all, nullptr);
	ShowManaged(all);
	EXPECT_TRUE(WaitFor([&] { return Desktop(Id(all)) == 0xFFFFFFFFu; }));

	ASSERT_EQ(Server()->Run("wmctrl -s 3"), 0);
	ASSERT_TRUE(WaitFor([&] { return fBackend->CurrentWorkspace() == 3; }));
	DisplaySurface* here = Make(Settings(BRect(400, 100, 599, 299), "here"), &currentSink);
	ASSERT_NE(here, nullptr);
	ShowManaged(here);
	EXPECT_TRUE(WaitFor([&] { return Desktop(Id(here)) == 3; }));
	// The window on every workspace is still viewable on this one.
	EXPECT_TRUE(IsViewable(Id(all)));

	// Moved to every workspace after it was mapped.
	here->SetWorkspaces(0xFFFFFFFF);
	EXPECT_TRUE(WaitFor([&] { return Desktop(Id(here)) == 0xFFFFFFFFu; }));
}

TEST_F(WindowManagerTest, DialogIsPlacedWhereAsked)
{
	RecordingSink sink;
	// An alert frame centred on the 1920 x 1080 screen.
	SurfaceSettings settings = Settings(BRect(760, 440, 1159, 639), "alert");
	settings.look = 3; // B_MODAL_WINDOW_LOOK
	settings.feel = 1; // B_MODAL_APP_WINDOW_FEEL
	DisplaySurface* surface = Make(settings, &sink);
	ASSERT_NE(surface, nullptr);
	ShowManaged(surface);
	int x, y, width, height;
	ASSERT_TRUE(WaitFor([&] {
		return ContentFrame(Id(surface), &x, &y, &width, &height) && x == 760 && y == 440;
	})) << x
	    << "," << y;
	EXPECT_EQ(width, 400);
	EXPECT_EQ(height, 200);
}
