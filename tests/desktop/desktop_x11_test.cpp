// pelivant-desktop as a user meets it: a real X server (Xvfb) with a window
// manager (openbox). The desktop maps a desktop-type window of the screen's
// size under the other windows, and a replicant handed to it through the
// roster (a drop over the bare screen, from another process) shows at its
// drop point and is back there after the desktop is killed and started again.

#include <Message.h>
#include <View.h>

#include <fcntl.h>
#include <stdio.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <xcb/randr.h>

#include "app/DesktopHandoff.h"
#include "app/MessagePrivate.h"
#include "DesktopSession.h"


namespace {

class DesktopX11Test : public DesktopSession {};

} // namespace

TEST_F(DesktopX11Test, DesktopWindowCoversTheScreenUnderANormalWindow)
{
	xcb_window_t desktop = StartDesktop();
	ASSERT_NE(desktop, (xcb_window_t) XCB_WINDOW_NONE) << "no desktop window";
	xcb_get_property_reply_t* type = xcb_get_property_reply(
	    Observer(),
	    xcb_get_property(Observer(), 0, desktop, Atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 0, 4),
	    nullptr);
	ASSERT_NE(type, nullptr);
	ASSERT_GE(xcb_get_property_value_length(type), 4);
	EXPECT_EQ(*(xcb_atom_t*) xcb_get_property_value(type), Atom("_NET_WM_WINDOW_TYPE_DESKTOP"));
	free(type);
	int x = -1, y = -1, width = 0, height = 0;
	ASSERT_TRUE(WaitFor([&] {
		return ContentFrame(desktop, &x, &y, &width, &height) && width == 1920 && height == 1080;
	}));
	EXPECT_EQ(x, 0);
	EXPECT_EQ(y, 0);
	// The background is drawn: Haiku's desktop blue.
	uint32_t seen = 0;
	EXPECT_TRUE(WaitForPixel(desktop, 960, 540, 0x336698, &seen)) << std::hex << seen;

	// A normal window, mapped later, is stacked above it.
	xcb_window_t normal = xcb_generate_id(Observer());
	xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(Observer())).data;
	xcb_create_window(Observer(), XCB_COPY_FROM_PARENT, normal, ObserverRoot(), 100, 100, 300, 200,
	                  0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, NULL);
	xcb_map_window(Observer(), normal);
	xcb_flush(Observer());
	std::vector<xcb_window_t> stacking;
	ASSERT_TRUE(WaitFor([&] {
		stacking = Windows("_NET_CLIENT_LIST_STACKING");
		return std::find(stacking.begin(), stacking.end(), normal) != stacking.end();
	}));
	auto desktopAt = std::find(stacking.begin(), stacking.end(), desktop);
	auto normalAt = std::find(stacking.begin(), stacking.end(), normal);
	ASSERT_NE(desktopAt, stacking.end());
	EXPECT_LT(desktopAt, normalAt) << "the desktop is not under the normal window";
	xcb_destroy_window(Observer(), normal);
	xcb_flush(Observer());
}

TEST_F(DesktopX11Test, ReplicantHandedOverShowsAtTheDropPointAndSurvivesAKill)
{
	xcb_window_t desktop = StartDesktop();
	ASSERT_NE(desktop, (xcb_window_t) XCB_WINDOW_NONE) << "no desktop window";
	uint32_t seen = 0;
	ASSERT_TRUE(WaitForPixel(desktop, 960, 540, 0x336698, &seen)) << std::hex << seen;

	// A red square, dropped over the bare screen at 400,300 while held at
	// 10,20 from its top left: it belongs at 390,280.
	BView square(BRect(0, 0, 59, 39), "square", B_FOLLOW_NONE, B_WILL_DRAW);
	square.SetViewColor(255, 0, 0);
	BMessage archive(B_ARCHIVED_OBJECT);
	ASSERT_EQ(square.Archive(&archive, true), B_OK);
	BMessage::Private(archive).Delivery()->dropOffset = BPoint(10, 20);
	BPrivate::hand_unclaimed_drop_to_desktop(&archive, BPoint(400, 300));

	EXPECT_TRUE(WaitForPixel(desktop, 391, 281, 0xFF0000, &seen)) << std::hex << seen;
	EXPECT_TRUE(WaitForPixel(desktop, 448, 318, 0xFF0000, &seen)) << std::hex << seen;
	EXPECT_TRUE(WaitForPixel(desktop, 388, 278, 0x336698, &seen)) << std::hex << seen;
	EXPECT_TRUE(WaitForPixel(desktop, 451, 321, 0x336698, &seen)) << std::hex << seen;

	// Killed at once, the desktop keeps it: it was saved as it came.
	Kill();
	desktop = StartDesktop();
	ASSERT_NE(desktop, (xcb_window_t) XCB_WINDOW_NONE) << "no desktop window after the restart";
	EXPECT_TRUE(WaitForPixel(desktop, 391, 281, 0xFF0000, &seen)) << std::hex << seen;
	EXPECT_TRUE(WaitForPixel(desktop, 388, 278, 0x336698, &seen)) << std::hex << seen;
}

// The system's reason for being: a picture dragged out of pelivant by its
// handle lives on on the desktop, where it was dropped, the size it was, also
// once pelivant has quit. The desktop finds the viewer's classes through the
// record pelivant left in the registry when it started.
TEST_F(DesktopX11Test, APictureDraggedOutOfTheViewerStaysOnTheDesktop)
{
	xcb_window_t desktop = StartDesktop();
	ASSERT_NE(desktop, (xcb_window_t) XCB_WINDOW_NONE) << "no desktop window";

	pid_t program = -1;
	int x = 0, y = 0;
	uint32_t centre = 0;
	xcb_window_t window = OpenViewer(&program, &x, &y, &centre);
	ASSERT_NE(window, (xcb_window_t) XCB_WINDOW_NONE) << "no viewer window";
	ASSERT_TRUE(DragOut(x, y, 700, 400));

	uint32_t seen = 0;
	EXPECT_TRUE(WaitForPixel(desktop, 692 + 160, 392 + 120, centre, &seen)) << std::hex << seen;
	EXPECT_TRUE(WaitForPixel(desktop, 689, 389, 0x336698, &seen)) << std::hex << seen;
	EXPECT_TRUE(WaitForPixel(desktop, 692 + 322, 392 + 242, 0x336698, &seen)) << std::hex << seen;

	// pelivant ends; the replicant lives on in the desktop.
	ASSERT_EQ(Server()->Run("xdotool windowactivate --sync " + std::to_string(window) + " key q"),
	          0);
	int status = -1;
	EXPECT_TRUE(WaitFor([&] { return waitpid(program, &status, WNOHANG) == program; }));
	if (status == -1)
		Quit(&program);
	EXPECT_TRUE(WaitForPixel(desktop, 692 + 160, 392 + 120, centre, &seen)) << std::hex << seen;
}

// A replicant zoomed on the desktop is saved soon after, without anything
// else happening: killed 3 seconds later, the desktop brings it back zoomed.
TEST_F(DesktopX11Test, AZoomedReplicantIsBackZoomedAfterAKill)
{
	ForgetShelf();
	xcb_window_t desktop = StartDesktop();
	ASSERT_NE(desktop, (xcb_window_t) XCB_WINDOW_NONE) << "no desktop window";
	pid_t program = -1;
	int x = 0, y = 0;
	uint32_t centre = 0;
	ASSERT_NE(OpenViewer(&program, &x, &y, &centre), (xcb_window_t) XCB_WINDOW_NONE);
	ASSERT_TRUE(DragOutUntil(x, y, 900, 500, [&] { return access(ShelfPath().c_str(), F_OK) == 0; }));
	Quit(&program);
	uint32_t seen = 0;
	ASSERT_TRUE(WaitForPixel(desktop, 892 + 160, 492 + 120, centre, &seen)) << std::hex << seen;

	// A replicant comes to the desktop locked, as wallpaper: "Lock", the
	// first item of its handle's menu, frees it. Clicked, it has the keys:
	// three zooms in double it.
	std::vector<uint32_t> before = Pixels(desktop, 892 + 100, 492 + 80, 120, 80);
	ASSERT_TRUE(ChooseFirstItem(895, 495));
	ASSERT_EQ(Server()->Run("xdotool mousemove 1052 612 click 1 sleep 0.3 key plus key plus key "
	                        "plus"),
	          0);
	std::vector<uint32_t> zoomed;
	ASSERT_TRUE(WaitFor([&] {
		zoomed = Pixels(desktop, 892 + 100, 492 + 80, 120, 80);
		return !zoomed.empty() && zoomed != before;
	})) << "the replicant did not zoom";
	// Settled: the same twice in a row.
	ASSERT_TRUE(WaitFor([&] {
		std::vector<uint32_t> again = Pixels(desktop, 892 + 100, 492 + 80, 120, 80);
		bool same = again == zoomed;
		zoomed = again;
		return same;
	}));

	sleep(3);
	Kill();
	desktop = StartDesktop();
	ASSERT_NE(desktop, (xcb_window_t) XCB_WINDOW_NONE) << "no desktop window after the restart";
	std::vector<uint32_t> after;
	EXPECT_TRUE(WaitFor([&] {
		after = Pixels(desktop, 892 + 100, 492 + 80, 120, 80);
		return after == zoomed;
	})) << "the zoom was not kept";
	ForgetShelf();
}

// "Show Replicants" in the desktop's menu is the user's switch for every
// program on the display: the viewer's handle, in another process, goes and
// comes back, and a viewer started meanwhile starts without it.
TEST_F(DesktopX11Test, ShowReplicantsSwitchesTheHandlesOfEveryProgram)
{
	ForgetShelf();
	xcb_window_t desktop = StartDesktop();
	ASSERT_NE(desktop, (xcb_window_t) XCB_WINDOW_NONE) << "no desktop window";
	uint32_t seen = 0;
	ASSERT_TRUE(WaitForPixel(desktop, 1000, 500, 0x336698, &seen)) << std::hex << seen;
	pid_t program = -1;
	int x = 0, y = 0;
	uint32_t centre = 0;
	xcb_window_t window = OpenViewer(&program, &x, &y, &centre);
	ASSERT_NE(window, (xcb_window_t) XCB_WINDOW_NONE) << "no viewer window";
	std::vector<uint32_t> handle = Pixels(window, 0, 0, 8, 8);
	ASSERT_FALSE(handle.empty());

	// The menu opens at the pointer; its first item is the switch.
	auto choose = [&] { return ChooseFirstItem(1000, 500); };
	ASSERT_TRUE(choose());
	std::vector<uint32_t> bare;
	EXPECT_TRUE(WaitFor([&] {
		bare = Pixels(window, 0, 0, 8, 8);
		return !bare.empty() && bare != handle;
	})) << "the viewer's handle is still shown";

	// A viewer started now asks the display, not its own default.
	pid_t second = -1;
	Quit(&program);
	ASSERT_TRUE(WaitFor([&] { return FindClient("a.png   100%") == XCB_WINDOW_NONE; }));
	window = OpenViewer(&second, &x, &y, &centre);
	ASSERT_NE(window, (xcb_window_t) XCB_WINDOW_NONE);
	EXPECT_TRUE(WaitFor([&] { return Pixels(window, 0, 0, 8, 8) == bare; }))
	    << "a new viewer shows the handle";

	ASSERT_TRUE(choose());
	EXPECT_TRUE(WaitFor([&] { return Pixels(window, 0, 0, 8, 8) == handle; }))
	    << "the handle did not come back";
	Quit(&second);
}

// The desktop folder is watched: a file put there shows as an icon, and
// goes with the file.
TEST_F(DesktopX11Test, AFileAddedToTheFolderAppears)
{
	std::string folder = UseDesktopFolder();
	ASSERT_FALSE(folder.empty());
	ForgetShelf();
	xcb_window_t desktop = StartDesktop();
	ASSERT_NE(desktop, (xcb_window_t) XCB_WINDOW_NONE) << "no desktop window";
	uint32_t seen = 0;
	ASSERT_TRUE(WaitForPixel(desktop, 1000, 500, 0x336698, &seen)) << std::hex << seen;
	// The first cell, at the top left: bare until a file comes.
	EXPECT_FALSE(AnyPixel(desktop, 8, 8, 96, 72));
	ASSERT_TRUE(WriteFile(folder + "/notes.txt"));
	EXPECT_TRUE(WaitFor([&] { return AnyPixel(desktop, 8, 8, 96, 72); }))
	    << "no icon for the new file";
	unlink((folder + "/notes.txt").c_str());
	EXPECT_TRUE(WaitFor([&] { return !AnyPixel(desktop, 8, 8, 96, 72); }))
	    << "the icon of a removed file stays";
}

// A double click on a picture's icon opens it in pelivant, found through the
// registry record that pelivant leaves when it first runs.
TEST_F(DesktopX11Test, ADoubleClickOnAPictureOpensItInTheViewer)
{
	pid_t program = -1;
	int x = 0, y = 0;
	uint32_t centre = 0;
	xcb_window_t window = OpenViewer(&program, &x, &y, &centre);
	ASSERT_NE(window, (xcb_window_t) XCB_WINDOW_NONE) << "pelivant never ran";
	ASSERT_TRUE(QuitByKey(window, &program));

	std::string folder = UseDesktopFolder();
	ASSERT_FALSE(folder.empty());
	ASSERT_EQ(Server()->Run("cp '" + SourceDir() + "/samples/a.png' '" + folder + "/holiday.png'"),
	          0);
	xcb_window_t desktop = StartDesktop();
	ASSERT_NE(desktop, (xcb_window_t) XCB_WINDOW_NONE) << "no desktop window";
	ASSERT_TRUE(WaitFor([&] { return AnyPixel(desktop, 8, 8, 96, 72); })) << "no icon";

	ASSERT_TRUE(Xdotool("mousemove 56 28 click --repeat 2 --delay 80 1"));
	xcb_window_t opened = XCB_WINDOW_NONE;
	EXPECT_TRUE(WaitFor([&] {
		return (opened = FindClient("holiday.png   100%")) != XCB_WINDOW_NONE;
	})) << "no viewer window for the picture";
	if (opened != XCB_WINDOW_NONE) {
		// Not a child of the test's: ended by its own key.
		Xdotool("windowactivate --sync " + std::to_string(opened) + " key q");
		EXPECT_TRUE(WaitFor([&] { return FindClient("holiday.png   100%") == XCB_WINDOW_NONE; }));
	}
}

// A replicant on the desktop is wallpaper: the icons are drawn over it, and
// a click on an icon over it reaches the desktop, which selects the icon.
TEST_F(DesktopX11Test, AnIconOverALockedReplicantIsDrawnAndSelectable)
{
	std::string folder = UseDesktopFolder();
	ASSERT_FALSE(folder.empty());
	ASSERT_TRUE(WriteFile(folder + "/notes.txt"));
	ForgetShelf();
	xcb_window_t desktop = StartDesktop();
	ASSERT_NE(desktop, (xcb_window_t) XCB_WINDOW_NONE) << "no desktop window";
	ASSERT_TRUE(WaitFor([&] { return AnyPixel(desktop, 8, 8, 96, 72); }));

	pid_t program = -1;
	int x = 0, y = 0;
	uint32_t centre = 0;
	ASSERT_NE(OpenViewer(&program, &x, &y, &centre), (xcb_window_t) XCB_WINDOW_NONE);
	// Dropped over the icon: the picture covers 2,2 to 321,241.
	// Once the desktop has it (and saved it), the viewer's window goes, so as
	// not to hide what the desktop shows.
	ASSERT_TRUE(DragOutUntil(x, y, 10, 10, [&] { return access(ShelfPath().c_str(), F_OK) == 0; }));
	Quit(&program);
	uint32_t seen = 0;
	ASSERT_TRUE(WaitForPixel(desktop, 2 + 160, 2 + 120, centre, &seen)) << std::hex << seen;

	// The icon's picture (a light sheet, where the picture's corner is dark)
	// shows over the replicant's.
	auto iconShown = [&] {
		std::vector<uint32_t> over = Pixels(desktop, 40, 12, 32, 32);
		return std::count_if(over.begin(), over.end(), [](uint32_t pixel) {
			       return (pixel & 0xFF) >= 0xD0 && ((pixel >> 8) & 0xFF) >= 0xD0 &&
			              ((pixel >> 16) & 0xFF) >= 0xD0;
		       }) > 50;
	};
	EXPECT_TRUE(WaitFor(iconShown)) << "the icon is not drawn over the replicant";

	// Selected by a click through the picture: the name is highlighted.
	const uint32_t kSelection = 0x508CDC;
	EXPECT_FALSE(AnyPixel(desktop, 8, 8, 96, 72, kSelection));
	ASSERT_EQ(Server()->Run("xdotool mousemove 56 28 click 1"), 0);
	EXPECT_TRUE(WaitFor([&] { return AnyPixel(desktop, 8, 8, 96, 72, kSelection); }))
	    << "the icon was not selected";
	// A click on the picture away from the icon clears the selection.
	ASSERT_EQ(Server()->Run("xdotool sleep 0.6 mousemove 200 200 click 1"), 0);
	EXPECT_TRUE(WaitFor([&] { return !AnyPixel(desktop, 8, 8, 96, 72, kSelection); }));
	ForgetShelf();
}

// The screen changes under the desktop (RandR, as when a monitor is added or
// its mode changed): the desktop window follows it.
TEST_F(DesktopX11Test, TheDesktopFollowsTheScreenThroughRandR)
{
	xcb_window_t desktop = StartDesktop();
	ASSERT_NE(desktop, (xcb_window_t) XCB_WINDOW_NONE) << "no desktop window";
	int x = -1, y = -1, width = 0, height = 0;
	ASSERT_TRUE(WaitFor([&] {
		return ContentFrame(desktop, &x, &y, &width, &height) && width == 1920 && height == 1080;
	}));

	// Xvfb resizes its screen only with its one output switched off.
	auto resize = [&](uint16_t newWidth, uint16_t newHeight) {
		xcb_connection_t* c = Observer();
		auto* resources = xcb_randr_get_screen_resources_current_reply(
		    c, xcb_randr_get_screen_resources_current(c, ObserverRoot()), nullptr);
		if (resources == nullptr)
			return false;
		xcb_randr_crtc_t* crtcs = xcb_randr_get_screen_resources_current_crtcs(resources);
		for (int i = 0; i < resources->num_crtcs; i++) {
			free(xcb_randr_set_crtc_config_reply(
			    c,
			    xcb_randr_set_crtc_config(c, crtcs[i], XCB_CURRENT_TIME,
			                              resources->config_timestamp, 0, 0, XCB_NONE,
			                              XCB_RANDR_ROTATION_ROTATE_0, 0, nullptr),
			    nullptr));
		}
		free(resources);
		xcb_generic_error_t* error = xcb_request_check(
		    c, xcb_randr_set_screen_size_checked(c, ObserverRoot(), newWidth, newHeight, 300, 200));
		free(error);
		return error == nullptr;
	};
	ASSERT_TRUE(resize(1280, 720));
	EXPECT_TRUE(WaitFor([&] {
		return ContentFrame(desktop, &x, &y, &width, &height) && width == 1280 && height == 720;
	})) << width << "x" << height;
	uint32_t seen = 0;
	EXPECT_TRUE(WaitForPixel(desktop, 1270, 710, 0x336698, &seen)) << std::hex << seen;
	ASSERT_TRUE(resize(1600, 1000));
	EXPECT_TRUE(WaitFor([&] {
		return ContentFrame(desktop, &x, &y, &width, &height) && width == 1600 && height == 1000;
	})) << width << "x" << height;
	EXPECT_TRUE(WaitForPixel(desktop, 1590, 990, 0x336698, &seen)) << std::hex << seen;
	// The suite's other tests expect the screen they started with.
	resize(1920, 1080);
}
