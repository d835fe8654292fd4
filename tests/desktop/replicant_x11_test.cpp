// Pictures and clips dragged out of pelivant onto pelivant-desktop, used
// there as a user would: unlocked through the dragger's menu, zoomed and
// scrolled inside their frame, locked again as wallpaper that hands its
// clicks to the desktop, kept to one workspace, and restored after the
// desktop is killed, also when their file is gone.

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "DesktopSession.h"

namespace {

class ReplicantOnTheDesktop : public DesktopSession {
protected:
	// A copy of a sample in the test's home, so that it can be taken away.
	std::string CopyOfSample(const char* sample, const char* name)
	{
		std::string path = Home() + "/" + name;
		Server()->Run("cp '" + SourceDir() + "/samples/" + sample + "' '" + path + "'");
		return path;
	}

	// Opens |path| in pelivant at (600, 400), drags its view out by the
	// handle so that it lands with its top left at (left, top), and quits
	// pelivant. The pixel at the view's centre before the drag.
	uint32_t DragOut(const std::string& path, const std::string& title, int left, int top,
	                 int width, int height)
	{
		xcb_window_t window = OpenInViewer(path, title, 600, 400);
		EXPECT_NE(window, (xcb_window_t) XCB_WINDOW_NONE) << "no viewer window " << title;
		if (window == XCB_WINDOW_NONE)
			return 0;
		std::vector<uint32_t> centre = Pixels(window, width / 2, height / 2, 1, 1);
		DragHandle(600, 400, left, top);
		uint32_t seen = 0;
		EXPECT_TRUE(WaitForDesktopPixel(left + width - 2, top + height - 2,
		                                [](uint32_t pixel) { return pixel != kBackground; },
		                                &seen))
		    << "no replicant at " << left << "," << top;
		EXPECT_TRUE(QuitViewer(window));
		return centre.empty() ? 0 : centre[0] & 0xFFFFFF;
	}

	// Whether any pixel of the desktop in the rectangle is |color|.
	bool AnyPixel(int x, int y, int width, int height, uint32_t color)
	{
		std::vector<uint32_t> pixels = Pixels(Desktop(), x, y, width, height);
		for (uint32_t pixel : pixels) {
			if ((pixel & 0xFFFFFF) == color)
				return true;
		}
		return false;
	}

	int Distance(uint32_t a, uint32_t b)
	{
		int d = 0;
		for (int shift = 0; shift < 24; shift += 8)
			d += abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
		return d;
	}
};

// The picture, 320 x 240, lands over the first icon of the desktop folder,
// whose cell is the desktop's top left.
constexpr int kLeft = 20, kTop = 20, kWidth = 320, kHeight = 240;
// A point of the picture well away from its centre, the handle and the icon,
// where zooming and scrolling show.
constexpr int kProbeX = kLeft + 290, kProbeY = kTop + 30;
// The selected icon's name is underlaid with this blue.
constexpr uint32_t kSelection = 0x508CDC;

} // namespace

TEST_F(ReplicantOnTheDesktop, APictureIsZoomedScrolledLockedAndKeptToItsWorkspace)
{
	Server()->Run("echo note > '" + DesktopFolder() + "/note.txt'");
	ASSERT_NE(StartDesktop(), (xcb_window_t) XCB_WINDOW_NONE) << "no desktop window";
	std::string picture = CopyOfSample("a.png", "pic.png");
	uint32_t centre = DragOut(picture, "pic.png   100%", kLeft, kTop, kWidth, kHeight);
	ASSERT_FALSE(HasFailure());

	// Where it was held, the size it was, and the desktop's icon over it.
	uint32_t seen = 0;
	EXPECT_TRUE(WaitForDesktopPixel(kLeft + kWidth / 2, kTop + kHeight / 2,
	                                [&](uint32_t pixel) { return pixel == centre; }, &seen))
	    << std::hex << seen << " for " << centre;
	EXPECT_EQ(DesktopPixel(kLeft - 2, kTop + 100), kBackground);
	EXPECT_EQ(DesktopPixel(kLeft + kWidth + 1, kTop + kHeight + 1), kBackground);
	EXPECT_NE(DesktopPixel(kLeft + kWidth - 1, kTop + kHeight - 1), kBackground);
	EXPECT_FALSE(AnyPixel(8, 8, 96, 72, kSelection));

	// Locked, it is wallpaper: a click on the icon over it selects the icon,
	// and a key after it does not zoom the picture.
	uint32_t probe = DesktopPixel(kProbeX, kProbeY);
	Xdotool("mousemove 55 30 click 1 sleep 0.3 key plus sleep 0.5");
	EXPECT_TRUE(WaitFor([&] { return AnyPixel(8, 8, 96, 72, kSelection); }))
	    << "the icon under the locked picture was not selected";
	EXPECT_EQ(DesktopPixel(kProbeX, kProbeY), probe) << "a locked replicant zoomed";

	// Unlocked through the dragger's menu, a click and '+' zoom it inside
	// its frame, which stays as it was.
	ChooseFromDraggerMenu(kLeft, kTop, 0);
	Xdotool("mousemove 250 200 click 1 sleep 0.3 key plus");
	EXPECT_TRUE(WaitForDesktopPixel(kProbeX, kProbeY,
	                                [&](uint32_t pixel) { return Distance(pixel, probe) > 30; },
	                                &seen))
	    << std::hex << seen << " was " << probe;
	EXPECT_EQ(DesktopPixel(kLeft + kWidth + 1, kTop + kHeight / 2), kBackground);
	EXPECT_NE(DesktopPixel(kLeft + kWidth - 1, kTop + kHeight / 2), kBackground);

	// A drag scrolls it: the brightest point, the centre, moves with the
	// pointer (by less than the zoomed picture's margins, 41 and 31 pixels).
	uint32_t zoomedCentre = DesktopPixel(kLeft + kWidth / 2, kTop + kHeight / 2);
	Xdotool("mousemove 250 200 mousedown 1 sleep 0.05 mousemove 240 194 sleep 0.05 "
	        "mousemove 230 188 sleep 0.05 mousemove 220 180 sleep 0.1 mouseup 1");
	EXPECT_TRUE(WaitForDesktopPixel(kLeft + kWidth / 2 - 30, kTop + kHeight / 2 - 20,
	                                [&](uint32_t pixel) { return Distance(pixel, zoomedCentre) < 12; },
	                                &seen))
	    << std::hex << seen << " where the centre " << zoomedCentre << " should be";

	// Locked again, kept to workspace 2: gone on the first workspace, there
	// on the second.
	ChooseFromDraggerMenu(kLeft, kTop, 0);
	uint32_t scrolled = DesktopPixel(kProbeX, kProbeY);
	Xdotool("mousemove 250 200 click 1 sleep 0.3 key plus sleep 0.5");
	EXPECT_EQ(DesktopPixel(kProbeX, kProbeY), scrolled) << "locked again, it still zoomed";
	ChooseWorkspace(kLeft, kTop, 2);
	EXPECT_TRUE(WaitForDesktopPixel(kProbeX, kProbeY,
	                                [](uint32_t pixel) { return pixel == kBackground; }, &seen))
	    << std::hex << seen;
	Xdotool("set_desktop 1");
	EXPECT_TRUE(WaitForDesktopPixel(kProbeX, kProbeY,
	                                [&](uint32_t pixel) { return pixel == scrolled; }, &seen))
	    << std::hex << seen << " for " << scrolled;
	Xdotool("set_desktop 0");
	EXPECT_TRUE(WaitForDesktopPixel(kProbeX, kProbeY,
	                                [](uint32_t pixel) { return pixel == kBackground; }, &seen))
	    << std::hex << seen;
}

// A picture whose file is gone when the desktop starts shows its name and
// " not found." in its frame: white, with black text in the middle.
TEST_F(ReplicantOnTheDesktop, APictureWhoseFileIsGoneSaysSo)
{
	ASSERT_NE(StartDesktop(), (xcb_window_t) XCB_WINDOW_NONE) << "no desktop window";
	std::string picture = CopyOfSample("a.png", "gone.png");
	DragOut(picture, "gone.png   100%", 300, 200, kWidth, kHeight);
	ASSERT_FALSE(HasFailure());

	KillDesktop();
	ASSERT_EQ(unlink(picture.c_str()), 0);
	ASSERT_NE(StartDesktop(), (xcb_window_t) XCB_WINDOW_NONE) << "no desktop after the restart";
	uint32_t seen = 0;
	EXPECT_TRUE(WaitForDesktopPixel(300 + kWidth - 5, 200 + kHeight - 5,
	                                [](uint32_t pixel) { return pixel == 0xFFFFFF; }, &seen))
	    << std::hex << seen;
	EXPECT_TRUE(AnyPixel(300 + 40, 200 + kHeight / 2 - 12, kWidth - 80, 16, 0x000000))
	    << "no text in the middle";
	EXPECT_EQ(DesktopPixel(300 + kWidth + 1, 200 + 10), kBackground);
}

// A clip keeps playing on the desktop; one whose file is missing when the
// desktop starts plays once the file is back within the retries.
TEST_F(ReplicantOnTheDesktop, AClipPlaysOnTheDesktopAndOnceItsFileIsBack)
{
	ASSERT_NE(StartDesktop(), (xcb_window_t) XCB_WINDOW_NONE) << "no desktop window";
	// Eight colours, 0.1 s each, in a loop; 64 x 48 with a grey corner.
	std::string clip = CopyOfSample("clip-colours.mp4", "clip.mp4");
	DragOut(clip, "clip.mp4   100%", 400, 300, 64, 48);
	ASSERT_FALSE(HasFailure());

	auto colours_change = [&]() {
		uint32_t first = DesktopPixel(400 + 40, 300 + 30);
		return WaitFor([&] {
			uint32_t now = DesktopPixel(400 + 40, 300 + 30);
			return now != first && now != 0xFFFFFFFF && now != kBackground && now != 0xFFFFFF;
		}, 5);
	};
	EXPECT_TRUE(colours_change()) << "the clip does not play on the desktop";

	KillDesktop();
	std::string away = Home() + "/clip.away";
	ASSERT_EQ(rename(clip.c_str(), away.c_str()), 0);
	ASSERT_NE(StartDesktop(), (xcb_window_t) XCB_WINDOW_NONE) << "no desktop after the restart";
	uint32_t seen = 0;
	EXPECT_TRUE(WaitForDesktopPixel(400 + 60, 300 + 40,
	                                [](uint32_t pixel) { return pixel == 0xFFFFFF; }, &seen))
	    << "no null state: " << std::hex << seen;
	ASSERT_EQ(rename(away.c_str(), clip.c_str()), 0);
	// The retries come every 5 s.
	EXPECT_TRUE(WaitForDesktopPixel(400 + 40, 300 + 30,
	                                [](uint32_t pixel) { return pixel != 0xFFFFFF; }, &seen, 15))
	    << "still missing after its file came back";
	EXPECT_TRUE(colours_change()) << "the clip came back but does not play";
}
