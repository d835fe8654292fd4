// Pictures and clips dragged out of pelivant onto pelivant-desktop, used
// there as a user would: unlocked through the handle's menu, zoomed and
// scrolled inside their frame, locked again as wallpaper, kept to one
// workspace, and restored as they were after the desktop is killed, also
// when their file is gone; a clip plays there, and plays again once its
// missing file is back.

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "DesktopSession.h"

namespace {

class ReplicantOnTheDesktop : public DesktopSession {
protected:
	void SetUp() override
	{
		DesktopSession::SetUp();
		char pattern[] = "/tmp/pl-replicant-files-XXXXXX";
		ASSERT_NE(mkdtemp(pattern), nullptr);
		fFiles = pattern;
	}

	void TearDown() override
	{
		Quit(&fViewer);
		DesktopSession::TearDown();
		Server()->Run("rm -rf '" + fFiles + "'");
	}

	// A copy of a sample of the test's own, so that it can be taken away.
	std::string CopyOfSample(const char* sample, const char* name)
	{
		std::string path = fFiles + "/" + name;
		Server()->Run("cp '" + SourceDir() + "/samples/" + sample + "' '" + path + "'");
		return path;
	}

	// Starts the desktop, opens |path| in pelivant, drags its view out by
	// the handle so that it lands with its top left at (left, top) and quits
	// pelivant; the desktop window, and the pixel at the view's centre.
	xcb_window_t StartWithReplicant(const std::string& path, const std::string& title,
	                                int width, int height, int left, int top, uint32_t* centre)
	{
		xcb_window_t desktop = StartDesktop();
		EXPECT_NE(desktop, (xcb_window_t) XCB_WINDOW_NONE) << "no desktop window";
		int x = 0, y = 0;
		xcb_window_t window = OpenViewer(path, title, width, height, &fViewer, &x, &y, centre);
		EXPECT_NE(window, (xcb_window_t) XCB_WINDOW_NONE) << "no viewer window " << title;
		if (desktop == XCB_WINDOW_NONE || window == XCB_WINDOW_NONE)
			return XCB_WINDOW_NONE;
		// Out of the way of the drop point, which must be on the desktop.
		Xdotool("windowmove --sync " + std::to_string(window) + " 1200 700");
		int moved = 0;
		EXPECT_TRUE(WaitFor([&] { return ContentFrame(window, &x, &y, &moved, &moved) && x == 1200; }));
		EXPECT_TRUE(DragOutUntil(x, y, left + 8, top + 8,
		                         [&] { return access(ShelfPath().c_str(), F_OK) == 0; }))
		    << "nothing was dropped on the desktop";
		EXPECT_TRUE(QuitByKey(window, &fViewer));
		return desktop;
	}

	uint32_t Pixel(xcb_window_t window, int x, int y)
	{
		std::vector<uint32_t> pixels = Pixels(window, x, y, 1, 1);
		return pixels.empty() ? 0xFFFFFFFF : pixels[0] & 0xFFFFFF;
	}

	template <typename Condition>
	bool WaitForPixelThat(xcb_window_t window, int x, int y, Condition condition, uint32_t* seen,
	                      double seconds = 10)
	{
		return WaitFor(
		    [&] {
			    *seen = Pixel(window, x, y);
			    return *seen != 0xFFFFFFFF && condition(*seen);
		    },
		    seconds);
	}

	static int Distance(uint32_t a, uint32_t b)
	{
		int d = 0;
		for (int shift = 0; shift < 24; shift += 8)
			d += abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
		return d;
	}

	std::string fFiles;
	pid_t fViewer = -1;
};

// samples/a.png, 320 x 240, bright at its centre and dark at its edges.
constexpr int kLeft = 40, kTop = 40, kWidth = 320, kHeight = 240;
// A point of the picture well away from its centre and its handle, where
// zooming and scrolling show.
constexpr int kProbeX = kLeft + 290, kProbeY = kTop + 30;

} // namespace

TEST_F(ReplicantOnTheDesktop, APictureIsZoomedScrolledLockedAndKeptToItsWorkspaceAcrossAKill)
{
	uint32_t centre = 0;
	xcb_window_t desktop = StartWithReplicant(CopyOfSample("a.png", "pic.png"), "pic.png   100%",
	                                          kWidth, kHeight, kLeft, kTop, &centre);
	ASSERT_FALSE(HasFailure());
	uint32_t seen = 0;
	ASSERT_TRUE(WaitForPixel(desktop, kLeft + kWidth / 2, kTop + kHeight / 2, centre, &seen))
	    << std::hex << seen << " for " << centre;

	// Locked, as it comes: a click and a key do not zoom it.
	uint32_t probe = Pixel(desktop, kProbeX, kProbeY);
	ASSERT_TRUE(Xdotool("mousemove 250 200 click 1 sleep 0.3 key plus sleep 0.5"));
	EXPECT_EQ(Pixel(desktop, kProbeX, kProbeY), probe) << "a locked replicant zoomed";

	// Unlocked through the handle's menu ("Lock" is its first item), a click
	// and '+' zoom it inside its frame, which stays as it was.
	ASSERT_TRUE(ChooseMenuItem(kLeft + 3, kTop + 3, 0));
	ASSERT_TRUE(Xdotool("sleep 0.3 mousemove 250 200 click 1 sleep 0.3 key plus"));
	EXPECT_TRUE(WaitForPixelThat(
	    desktop, kProbeX, kProbeY, [&](uint32_t pixel) { return Distance(pixel, probe) > 30; },
	    &seen))
	    << std::hex << seen << " was " << probe;
	EXPECT_EQ(Pixel(desktop, kLeft + kWidth + 1, kTop + kHeight / 2), kBackground);
	EXPECT_NE(Pixel(desktop, kLeft + kWidth - 1, kTop + kHeight / 2), kBackground);
	EXPECT_EQ(Pixel(desktop, kLeft + kWidth / 2, kTop + kHeight + 1), kBackground);

	// A drag scrolls it: its bright centre moves with the pointer, by less
	// than the zoomed picture's margins (41 and 31 pixels).
	uint32_t zoomedCentre = Pixel(desktop, kLeft + kWidth / 2, kTop + kHeight / 2);
	ASSERT_TRUE(Xdotool("mousemove 250 200 mousedown 1 sleep 0.05 mousemove 240 194 sleep 0.05 "
	                    "mousemove 230 188 sleep 0.05 mousemove 220 180 sleep 0.1 mouseup 1"));
	EXPECT_TRUE(WaitForPixelThat(
	    desktop, kLeft + kWidth / 2 - 30, kTop + kHeight / 2 - 20,
	    [&](uint32_t pixel) { return Distance(pixel, zoomedCentre) < 12; }, &seen))
	    << std::hex << seen << " where the centre " << zoomedCentre << " should be";

	// Locked again, it zooms no more.
	ASSERT_TRUE(ChooseMenuItem(kLeft + 3, kTop + 3, 0));
	ASSERT_TRUE(Xdotool("sleep 0.3"));
	uint32_t scrolled = Pixel(desktop, kProbeX, kProbeY);
	ASSERT_TRUE(Xdotool("mousemove 250 200 click 1 sleep 0.3 key plus sleep 0.5"));
	EXPECT_EQ(Pixel(desktop, kProbeX, kProbeY), scrolled) << "locked again, it still zoomed";

	// Kept to workspace 2 (" 2", the third item of "Workspaces", the second
	// item of the menu): gone from the first workspace, there on the second.
	ASSERT_TRUE(ChooseSubmenuItem(kLeft + 3, kTop + 3, 1, 2));
	EXPECT_TRUE(WaitForPixel(desktop, kProbeX, kProbeY, kBackground, &seen)) << std::hex << seen;
	ASSERT_TRUE(Xdotool("set_desktop 1"));
	EXPECT_TRUE(WaitForPixel(desktop, kProbeX, kProbeY, scrolled, &seen))
	    << std::hex << seen << " for " << scrolled;

	// Killed 3 s later and started again, the desktop brings it back as it
	// was: zoomed and scrolled, locked, and on workspace 2 only.
	sleep(3);
	Kill();
	desktop = StartDesktop();
	ASSERT_NE(desktop, (xcb_window_t) XCB_WINDOW_NONE) << "no desktop after the restart";
	EXPECT_TRUE(WaitForPixel(desktop, kProbeX, kProbeY, scrolled, &seen))
	    << "zoom or scrolling lost: " << std::hex << seen << " for " << scrolled;
	ASSERT_TRUE(Xdotool("mousemove 250 200 click 1 sleep 0.3 key plus sleep 0.5"));
	EXPECT_EQ(Pixel(desktop, kProbeX, kProbeY), scrolled) << "the lock was lost";
	ASSERT_TRUE(Xdotool("set_desktop 0"));
	EXPECT_TRUE(WaitForPixel(desktop, kProbeX, kProbeY, kBackground, &seen))
	    << "the workspace was lost: " << std::hex << seen;
}

// A picture whose file is gone when the desktop starts shows its name and
// " not found." in its frame: white, with black text in the middle.
TEST_F(ReplicantOnTheDesktop, APictureWhoseFileIsGoneSaysSo)
{
	std::string picture = CopyOfSample("a.png", "gone.png");
	uint32_t centre = 0;
	StartWithReplicant(picture, "gone.png   100%", kWidth, kHeight, 300, 200, &centre);
	ASSERT_FALSE(HasFailure());

	Kill();
	ASSERT_EQ(unlink(picture.c_str()), 0);
	xcb_window_t desktop = StartDesktop();
	ASSERT_NE(desktop, (xcb_window_t) XCB_WINDOW_NONE) << "no desktop after the restart";
	uint32_t seen = 0;
	EXPECT_TRUE(WaitForPixel(desktop, 300 + kWidth - 5, 200 + kHeight - 5, 0xFFFFFF, &seen))
	    << std::hex << seen;
	EXPECT_TRUE(AnyPixel(desktop, 300 + 40, 200 + kHeight / 2 - 12, kWidth - 80, 16, 0x000000))
	    << "no text in the middle";
	EXPECT_EQ(Pixel(desktop, 300 + kWidth + 1, 200 + 10), kBackground);
}

// A clip keeps playing on the desktop; one whose file is missing when the
// desktop starts plays once the file is back within the retries.
TEST_F(ReplicantOnTheDesktop, AClipPlaysOnTheDesktopAndOnceItsFileIsBack)
{
	// Eight colours, 0.1 s each, in a loop; 64 x 48 with a grey corner.
	std::string clip = CopyOfSample("clip-colours.mp4", "clip.mp4");
	uint32_t first = 0;
	xcb_window_t desktop =
	    StartWithReplicant(clip, "clip.mp4   100%", 64, 48, 400, 300, &first);
	ASSERT_FALSE(HasFailure());
	auto colours_change = [&](xcb_window_t window) {
		uint32_t now = Pixel(window, 400 + 40, 300 + 30);
		return WaitFor(
		    [&] {
			    uint32_t later = Pixel(window, 400 + 40, 300 + 30);
			    return later != now && later != 0xFFFFFFFF && later != kBackground &&
			           later != 0xFFFFFF;
		    },
		    5);
	};
	EXPECT_TRUE(colours_change(desktop)) << "the clip does not play on the desktop";

	Kill();
	std::string away = fFiles + "/clip.away";
	ASSERT_EQ(rename(clip.c_str(), away.c_str()), 0);
	desktop = StartDesktop();
	ASSERT_NE(desktop, (xcb_window_t) XCB_WINDOW_NONE) << "no desktop after the restart";
	uint32_t seen = 0;
	EXPECT_TRUE(WaitForPixel(desktop, 400 + 60, 300 + 40, 0xFFFFFF, &seen))
	    << "no null state: " << std::hex << seen;
	ASSERT_EQ(rename(away.c_str(), clip.c_str()), 0);
	// The retries come every 5 s.
	EXPECT_TRUE(WaitForPixelThat(
	    desktop, 400 + 40, 300 + 30, [](uint32_t pixel) { return pixel != 0xFFFFFF; }, &seen, 15))
	    << "still missing after its file came back";
	EXPECT_TRUE(colours_change(desktop)) << "the clip came back but does not play";
}
