// Windows of the X11 backend as the X server sees them, with no window
// manager: properties, frames, pixels, pop-ups, close requests, exposure.
#include <unistd.h>

#include <xcb/xcb_icccm.h>

#include "X11BackendTest.h"
#include "interface/WindowPrivate.h"

using namespace BPrivate;

namespace {

class WindowTest : public X11BackendTest {};

} // namespace

TEST_F(WindowTest, TitleClassPidAndProtocols)
{
	RecordingSink sink;
	DisplaySurface* surface = Make(Settings(BRect(10, 10, 209, 109), "Zoë's pictures"), &sink);
	ASSERT_NE(surface, nullptr);
	xcb_window_t window = Id(surface);
	EXPECT_EQ(TextProperty(window, "_NET_WM_NAME"), "Zoë's pictures");
	EXPECT_EQ(TextProperty(window, "WM_NAME"), "Zoë's pictures");

	surface->SetTitle("second");
	ASSERT_TRUE(WaitFor([&] { return TextProperty(window, "_NET_WM_NAME") == "second"; }));
	surface->SetTitle(nullptr);
	ASSERT_TRUE(WaitFor([&] { return TextProperty(window, "_NET_WM_NAME").empty(); }));

	std::string wmClass = TextProperty(window, "WM_CLASS");
	EXPECT_EQ(wmClass.size(), 2 * strlen(program_invocation_short_name) + 2);

	xcb_get_property_reply_t* pid = xcb_get_property_reply(
	    Observer(),
	    xcb_get_property(Observer(), 0, window, Atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1),
	    nullptr);
	ASSERT_NE(pid, nullptr);
	ASSERT_EQ(xcb_get_property_value_length(pid), 4);
	EXPECT_EQ(*(uint32_t*) xcb_get_property_value(pid), (uint32_t) getpid());
	free(pid);

	xcb_get_property_reply_t* protocols = xcb_get_property_reply(
	    Observer(),
	    xcb_get_property(Observer(), 0, window, Atom("WM_PROTOCOLS"), XCB_ATOM_ATOM, 0, 8),
	    nullptr);
	ASSERT_NE(protocols, nullptr);
	xcb_atom_t* atoms = (xcb_atom_t*) xcb_get_property_value(protocols);
	int count = xcb_get_property_value_length(protocols) / 4;
	EXPECT_NE(std::find(atoms, atoms + count, Atom("WM_DELETE_WINDOW")), atoms + count);
	free(protocols);
}

TEST_F(WindowTest, SizeLimitsAndPositionGoToNormalHints)
{
	RecordingSink sink;
	SurfaceSettings settings = Settings(BRect(100, 50, 499, 349));
	settings.minWidth = 99;  // BRect units: 100 pixels
	settings.maxWidth = 799; // 800 pixels
	settings.minHeight = 49;
	settings.maxHeight = 599;
	DisplaySurface* surface = Make(settings, &sink);
	ASSERT_NE(surface, nullptr);

	auto hints = [&](xcb_size_hints_t* out) {
		return xcb_icccm_get_wm_normal_hints_reply(
		           Observer(), xcb_icccm_get_wm_normal_hints(Observer(), Id(surface)), out,
		           nullptr) != 0;
	};
	xcb_size_hints_t sizeHints;
	ASSERT_TRUE(hints(&sizeHints));
	EXPECT_TRUE(sizeHints.flags & XCB_ICCCM_SIZE_HINT_US_POSITION);
	EXPECT_TRUE(sizeHints.flags & XCB_ICCCM_SIZE_HINT_P_POSITION);
	EXPECT_TRUE(sizeHints.flags & XCB_ICCCM_SIZE_HINT_P_WIN_GRAVITY);
	EXPECT_EQ(sizeHints.win_gravity, (int32_t) XCB_GRAVITY_STATIC);
	EXPECT_EQ(sizeHints.x, 100);
	EXPECT_EQ(sizeHints.y, 50);
	EXPECT_EQ(sizeHints.min_width, 100);
	EXPECT_EQ(sizeHints.min_height, 50);
	EXPECT_EQ(sizeHints.max_width, 800);
	EXPECT_EQ(sizeHints.max_height, 600);

	// No upper limit: no maximum in the hints.
	surface->SetSizeLimits(9, 1e9, 9, 1e9);
	ASSERT_TRUE(WaitFor([&] {
		return hints(&sizeHints) && sizeHints.min_width == 10 &&
		       !(sizeHints.flags & XCB_ICCCM_SIZE_HINT_P_MAX_SIZE);
	}));
}

TEST_F(WindowTest, NotResizableFixesTheSize)
{
	RecordingSink sink;
	SurfaceSettings settings = Settings(BRect(0, 0, 319, 239));
	settings.flags = 0x2; // B_NOT_RESIZABLE
	DisplaySurface* surface = Make(settings, &sink);
	ASSERT_NE(surface, nullptr);
	xcb_size_hints_t sizeHints;
	ASSERT_TRUE(xcb_icccm_get_wm_normal_hints_reply(
	    Observer(), xcb_icccm_get_wm_normal_hints(Observer(), Id(surface)), &sizeHints, nullptr));
	EXPECT_EQ(sizeHints.min_width, 320);
	EXPECT_EQ(sizeHints.max_width, 320);
	EXPECT_EQ(sizeHints.min_height, 240);
	EXPECT_EQ(sizeHints.max_height, 240);
}

TEST_F(WindowTest, FramesFollowSetFrameAndAreNotEchoed)
{
	RecordingSink sink;
	DisplaySurface* surface = Make(Settings(BRect(30, 40, 229, 139)), &sink);
	ASSERT_NE(surface, nullptr);
	ShowAndFill(surface, 0x00336699);
	int x, y, width, height;
	ASSERT_TRUE(ContentFrame(Id(surface), &x, &y, &width, &height));
	EXPECT_EQ(x, 30);
	EXPECT_EQ(y, 40);
	EXPECT_EQ(width, 200);
	EXPECT_EQ(height, 100);

	ASSERT_EQ(surface->SetFrame(BRect(300, 200, 699, 499)), B_OK);
	Framebuffer buffer = surface->Buffer();
	EXPECT_EQ(buffer.width, 400);
	EXPECT_EQ(buffer.height, 300);
	EXPECT_GE(buffer.bytesPerRow, 1600);
	ASSERT_TRUE(WaitFor([&] {
		return ContentFrame(Id(surface), &x, &y, &width, &height) && x == 300 && y == 200 &&
		       width == 400 && height == 300;
	}));
	// Fractions round to whole pixels.
	ASSERT_EQ(surface->SetFrame(BRect(10.4f, 20.6f, 109.6f, 70.2f)), B_OK);
	ASSERT_TRUE(WaitFor([&] {
		return ContentFrame(Id(surface), &x, &y, &width, &height) && x == 10 && y == 21 &&
		       width == 101 && height == 50;
	}));

	// A frame the kit set is not reported back to it.
	fBackend->Connection().Sync();
	usleep(100000);
	sink.Inspect([&] { EXPECT_TRUE(sink.frames.empty()); });
}

TEST_F(WindowTest, FramesChangedByOthersAreReported)
{
	RecordingSink sink;
	DisplaySurface* surface = Make(Settings(BRect(30, 40, 229, 139)), &sink);
	ASSERT_NE(surface, nullptr);
	ShowAndFill(surface, 0x00336699);

	uint32_t moved[] = {500, 400};
	xcb_configure_window(Observer(), Id(surface), XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, moved);
	xcb_flush(Observer());
	ASSERT_TRUE(sink.WaitFor([&] { return !sink.frames.empty(); }));
	sink.Inspect([&] {
		EXPECT_EQ(sink.frames.back().frame, BRect(500, 400, 699, 499));
		EXPECT_TRUE(sink.frames.back().moved);
		EXPECT_FALSE(sink.frames.back().resized);
	});

	uint32_t resized[] = {320, 240};
	xcb_configure_window(Observer(), Id(surface),
	                     XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, resized);
	xcb_flush(Observer());
	ASSERT_TRUE(sink.WaitFor([&] { return sink.frames.size() >= 2; }));
	sink.Inspect([&] {
		EXPECT_EQ(sink.frames.back().frame, BRect(500, 400, 819, 639));
		EXPECT_FALSE(sink.frames.back().moved);
		EXPECT_TRUE(sink.frames.back().resized);
	});
	// Taking the reported size only resizes the framebuffer.
	ASSERT_EQ(surface->SetFrame(BRect(500, 400, 819, 639)), B_OK);
	EXPECT_EQ(surface->Buffer().width, 320);
}

TEST_F(WindowTest, PresentedPixelsReachTheWindow)
{
	RecordingSink sink;
	DisplaySurface* surface = Make(Settings(BRect(0, 0, 99, 79)), &sink);
	ASSERT_NE(surface, nullptr);
	ShowAndFill(surface, 0x00ffffff);
	Framebuffer buffer = surface->Buffer();
	// A 10 x 10 red square at (20, 30), presented alone.
	for (int y = 30; y < 40; y++) {
		for (int x = 20; x < 30; x++)
			((uint32*) ((uint8*) buffer.bits + y * buffer.bytesPerRow))[x] = 0x00ff0000;
	}
	ASSERT_EQ(surface->Present(BRegion(BRect(20, 30, 29, 39))), B_OK);
	std::vector<uint32_t> pixels = Pixels(Id(surface), 0, 0, 100, 80);
	ASSERT_EQ(pixels.size(), 8000u);
	EXPECT_EQ(pixels[30 * 100 + 20], 0xff0000u);
	EXPECT_EQ(pixels[39 * 100 + 29], 0xff0000u);
	EXPECT_EQ(pixels[40 * 100 + 29], 0xffffffu);
	EXPECT_EQ(pixels[39 * 100 + 30], 0xffffffu);
	EXPECT_EQ(pixels[0], 0xffffffu);
}

TEST_F(WindowTest, HideUnmaps)
{
	RecordingSink sink;
	DisplaySurface* surface = Make(Settings(BRect(0, 0, 49, 49)), &sink);
	ASSERT_NE(surface, nullptr);
	EXPECT_FALSE(IsViewable(Id(surface))) << "surfaces start hidden";
	ShowAndFill(surface, 0);
	surface->Hide();
	EXPECT_TRUE(WaitFor([&] { return !IsViewable(Id(surface)); }));
}

TEST_F(WindowTest, CloseBoxBecomesCloseRequested)
{
	RecordingSink sink;
	DisplaySurface* surface = Make(Settings(BRect(0, 0, 49, 49)), &sink);
	ASSERT_NE(surface, nullptr);
	xcb_client_message_event_t message = {};
	message.response_type = XCB_CLIENT_MESSAGE;
	message.format = 32;
	message.window = Id(surface);
	message.type = Atom("WM_PROTOCOLS");
	message.data.data32[0] = Atom("WM_DELETE_WINDOW");
	message.data.data32[1] = XCB_CURRENT_TIME;
	xcb_send_event(Observer(), 0, Id(surface), XCB_EVENT_MASK_NO_EVENT, (const char*) &message);
	xcb_flush(Observer());
	EXPECT_TRUE(sink.WaitFor([&] { return sink.closeRequests == 1; }));
}

TEST_F(WindowTest, UncoveredPixelsAreExposed)
{
	RecordingSink sink;
	DisplaySurface* surface = Make(Settings(BRect(100, 100, 299, 299)), &sink);
	ASSERT_NE(surface, nullptr);
	ShowAndFill(surface, 0x00808080);
	ASSERT_TRUE(sink.WaitFor([&] { return sink.exposures > 0; }));
	sink.Clear();

	// Another client's window over part of ours, then gone.
	xcb_window_t cover = xcb_generate_id(Observer());
	uint32_t overrideRedirect = 1;
	xcb_create_window(Observer(), XCB_COPY_FROM_PARENT, cover, ObserverRoot(), 150, 120, 50, 40, 0,
	                  XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT,
	                  &overrideRedirect);
	xcb_map_window(Observer(), cover);
	xcb_flush(Observer());
	ASSERT_TRUE(WaitFor([&] { return IsViewable(cover); }));
	xcb_destroy_window(Observer(), cover);
	xcb_flush(Observer());

	ASSERT_TRUE(sink.WaitFor([&] { return sink.exposures > 0; }));
	sink.Inspect([&] {
		// Window coordinates: (50, 20) to (99, 59).
		EXPECT_TRUE(sink.exposed.Contains(50, 20));
		EXPECT_TRUE(sink.exposed.Contains(99, 59));
		EXPECT_FALSE(sink.exposed.Contains(100, 20));
		EXPECT_FALSE(sink.exposed.Contains(49, 59));
	});
}

TEST_F(WindowTest, PopUpIsOverrideRedirectAndGrabsThePointer)
{
	RecordingSink parentSink, menuSink;
	DisplaySurface* parent = Make(Settings(BRect(0, 0, 399, 299)), &parentSink);
	DisplaySurface* menu = Make(Settings(BRect(50, 60, 149, 139), "", kPopUpSurface), &menuSink);
	ASSERT_NE(parent, nullptr);
	ASSERT_NE(menu, nullptr);
	ShowAndFill(parent, 0x00c0c0c0);
	ShowAndFill(menu, 0x00ffffff);

	xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
	    Observer(), xcb_get_window_attributes(Observer(), Id(menu)), nullptr);
	ASSERT_NE(attributes, nullptr);
	EXPECT_TRUE(attributes->override_redirect);
	free(attributes);

	ASSERT_EQ(fBackend->GrabPointer(menu, true), B_OK);
	// Nobody else can have the pointer now.
	xcb_grab_pointer_reply_t* other = xcb_grab_pointer_reply(
	    Observer(),
	    xcb_grab_pointer(Observer(), 0, ObserverRoot(), XCB_EVENT_MASK_BUTTON_PRESS,
	                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_WINDOW_NONE, XCB_CURSOR_NONE,
	                     XCB_CURRENT_TIME),
	    nullptr);
	ASSERT_NE(other, nullptr);
	EXPECT_EQ(other->status, XCB_GRAB_STATUS_ALREADY_GRABBED);
	free(other);

	// A click over the parent window goes to the menu, in menu coordinates.
	ASSERT_EQ(Server()->Run("xdotool mousemove 300 250 click 1"), 0);
	ASSERT_TRUE(menuSink.WaitFor([&] { return menuSink.mouse.size() >= 2; }));
	menuSink.Inspect([&] {
		const DisplayMouseEvent* down = nullptr;
		for (const auto& event : menuSink.mouse) {
			if (event.type == kMouseDown)
				down = &event;
		}
		ASSERT_NE(down, nullptr);
		EXPECT_EQ(down->where, BPoint(250, 190));
		EXPECT_EQ(down->screenWhere, BPoint(300, 250));
	});
	parentSink.Inspect([&] {
		for (const auto& event : parentSink.mouse)
			EXPECT_NE(event.type, kMouseDown);
	});

	fBackend->UngrabPointer();
	other = xcb_grab_pointer_reply(
	    Observer(),
	    xcb_grab_pointer(Observer(), 0, ObserverRoot(), XCB_EVENT_MASK_BUTTON_PRESS,
	                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_WINDOW_NONE, XCB_CURSOR_NONE,
	                     XCB_CURRENT_TIME),
	    nullptr);
	ASSERT_NE(other, nullptr);
	EXPECT_EQ(other->status, XCB_GRAB_STATUS_SUCCESS);
	free(other);
	xcb_ungrab_pointer(Observer(), XCB_CURRENT_TIME);
	xcb_flush(Observer());
}

TEST_F(WindowTest, ModalLookMakesATransientDialog)
{
	RecordingSink sink;
	SurfaceSettings settings = Settings(BRect(760, 440, 1159, 639), "Alert");
	settings.look = 3; // B_MODAL_WINDOW_LOOK
	settings.feel = 1; // B_MODAL_APP_WINDOW_FEEL
	DisplaySurface* surface = Make(settings, &sink);
	ASSERT_NE(surface, nullptr);

	xcb_get_property_reply_t* type =
	    xcb_get_property_reply(Observer(),
	                           xcb_get_property(Observer(), 0, Id(surface),
	                                            Atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 0, 4),
	                           nullptr);
	ASSERT_NE(type, nullptr);
	ASSERT_GE(xcb_get_property_value_length(type), 4);
	EXPECT_EQ(*(xcb_atom_t*) xcb_get_property_value(type), Atom("_NET_WM_WINDOW_TYPE_DIALOG"));
	free(type);

	xcb_window_t owner = XCB_WINDOW_NONE;
	EXPECT_TRUE(xcb_icccm_get_wm_transient_for_reply(
	    Observer(), xcb_icccm_get_wm_transient_for(Observer(), Id(surface)), &owner, nullptr));
	EXPECT_NE(owner, (xcb_window_t) XCB_WINDOW_NONE);
}

TEST_F(WindowTest, DesktopFeelMakesAnUndecoratedDesktopWindowOfNoTaskBar)
{
	RecordingSink sink;
	SurfaceSettings settings = Settings(BRect(0, 0, 639, 479), "Desktop");
	settings.look = B_NO_BORDER_WINDOW_LOOK;
	settings.feel = kDesktopWindowFeel;
	settings.workspaces = B_ALL_WORKSPACES;
	DisplaySurface* surface = Make(settings, &sink);
	ASSERT_NE(surface, nullptr);

	auto atoms = [&](const char* name) {
		std::vector<xcb_atom_t> list;
		xcb_get_property_reply_t* reply = xcb_get_property_reply(
		    Observer(), xcb_get_property(Observer(), 0, Id(surface), Atom(name), XCB_ATOM_ATOM, 0, 16),
		    nullptr);
		if (reply == nullptr)
			return list;
		xcb_atom_t* values = (xcb_atom_t*) xcb_get_property_value(reply);
		list.assign(values, values + xcb_get_property_value_length(reply) / 4);
		free(reply);
		return list;
	};
	EXPECT_EQ(atoms("_NET_WM_WINDOW_TYPE"),
	          std::vector<xcb_atom_t>{Atom("_NET_WM_WINDOW_TYPE_DESKTOP")});
	std::vector<xcb_atom_t> state = atoms("_NET_WM_STATE");
	for (const char* name : {"_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR",
	                         "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_BELOW"}) {
		EXPECT_NE(std::find(state.begin(), state.end(), Atom(name)), state.end()) << name;
	}
	// No decorations, as any borderless window.
	xcb_get_property_reply_t* motif = xcb_get_property_reply(
	    Observer(),
	    xcb_get_property(Observer(), 0, Id(surface), Atom("_MOTIF_WM_HINTS"), XCB_ATOM_ANY, 0, 5),
	    nullptr);
	ASSERT_NE(motif, nullptr);
	ASSERT_EQ(xcb_get_property_value_length(motif), 20);
	EXPECT_EQ(((uint32_t*) xcb_get_property_value(motif))[2], 0u);
	free(motif);
}

TEST_F(WindowTest, DestroyedSurfacesHearNothingMore)
{
	RecordingSink sink;
	DisplaySurface* surface = Make(Settings(BRect(0, 0, 199, 199)), &sink);
	ASSERT_NE(surface, nullptr);
	ShowAndFill(surface, 0);
	xcb_window_t window = Id(surface);
	Destroy(surface);
	sink.Clear();
	// Whatever the server still sends for the old id finds no sink.
	ASSERT_EQ(Server()->Run("xdotool mousemove 50 50 click 1"), 0);
	fBackend->Connection().Sync();
	usleep(100000);
	sink.Inspect([&] { EXPECT_TRUE(sink.mouse.empty()); });
	(void) window;
}

TEST_F(WindowTest, ScreenFrameIsTheMonitor)
{
	EXPECT_EQ(fBackend->ScreenFrame(), BRect(0, 0, 1919, 1079));
}
