// The pelivant program as a user meets it: a real X server (Xvfb) with a
// window manager (openbox), keys and clicks through XTEST (xdotool), and what
// the server shows.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "TestProfiles.h"
#include "platform/storage/TempDir.h"
#include "platform/x11/XvfbFixture.h"

extern char** environ;

namespace {

std::string binary_dir()
{
	const char* dir = getenv("PL_BINARY_DIR");
	return dir != NULL ? dir : ".";
}

std::string samples_dir()
{
	const char* dir = getenv("PL_SOURCE_DIR");
	return std::string(dir != NULL ? dir : ".") + "/samples";
}

struct ContentRect {
	int x = -1;
	int y = -1;
	int width = 0;
	int height = 0;
};

std::ostream& operator<<(std::ostream& out, const ContentRect& frame)
{
	return out << frame.x << "," << frame.y << " " << frame.width << "x" << frame.height;
}

class PelivantTest : public WithWindowManager<> {
protected:
	void TearDown() override
	{
		if (fProgram > 0) {
			kill(fProgram, SIGKILL);
			waitpid(fProgram, NULL, 0);
			fProgram = -1;
		}
		XvfbTest::TearDown();
	}

	// Starts pelivant with |arguments| in the samples folder; on |display|
	// instead of the suite's server when one is given, with its standard
	// error into the file |errors| when one is given.
	void Launch(const std::vector<std::string>& arguments, const std::string& display = "",
	            const std::string& errors = "")
	{
		std::string program = binary_dir() + "/bin/pelivant";
		std::vector<std::string> all = {program};
		all.insert(all.end(), arguments.begin(), arguments.end());
		std::vector<char*> argv;
		for (std::string& argument : all)
			argv.push_back(argument.data());
		argv.push_back(NULL);

		setenv("PL_DISPLAY_BACKEND", "x11", 1);
		std::string suiteDisplay = getenv("DISPLAY") != NULL ? getenv("DISPLAY") : "";
		if (!display.empty())
			setenv("DISPLAY", display.c_str(), 1);
		posix_spawn_file_actions_t actions;
		posix_spawn_file_actions_init(&actions);
		posix_spawn_file_actions_addchdir_np(&actions, samples_dir().c_str());
		if (!errors.empty())
			posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(),
			                                 O_WRONLY | O_CREAT | O_TRUNC, 0600);
		int result = posix_spawn(&fProgram, program.c_str(), &actions, NULL, argv.data(), environ);
		posix_spawn_file_actions_destroy(&actions);
		unsetenv("PL_DISPLAY_BACKEND");
		setenv("DISPLAY", suiteDisplay.c_str(), 1);
		ASSERT_EQ(result, 0) << program;
	}

	// The program's exit status, or -1 when it is still running after the
	// deadline (it is then killed by TearDown).
	int WaitForExit(double seconds = 10)
	{
		int status = 0;
		bool ended = WaitFor(
		    [&] {
			    pid_t done = waitpid(fProgram, &status, WNOHANG);
			    return done == fProgram;
		    },
		    seconds);
		if (!ended)
			return -1;
		fProgram = -1;
		return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
	}

	bool Running() { return fProgram > 0 && waitpid(fProgram, NULL, WNOHANG) == 0; }

	// The client window titled |title| (the window manager frames it, so the
	// search goes down the tree), or XCB_WINDOW_NONE.
	xcb_window_t FindWindow(const std::string& title) { return _Find(ObserverRoot(), title, 0); }

	xcb_window_t WaitForWindow(const std::string& title, double seconds = 10)
	{
		xcb_window_t window = XCB_WINDOW_NONE;
		WaitFor([&] { return (window = FindWindow(title)) != XCB_WINDOW_NONE; }, seconds);
		return window;
	}

	ContentRect Frame(xcb_window_t window)
	{
		ContentRect frame;
		ContentFrame(window, &frame.x, &frame.y, &frame.width, &frame.height);
		return frame;
	}

	// Waits until |window| is |width| x |height| (and, unless |x| is
	// negative, at |x|, |y|); |seen| is the last frame read, for the message.
	bool WaitForFrame(xcb_window_t window, int x, int y, int width, int height, ContentRect* seen)
	{
		return WaitFor([&] {
			*seen = Frame(window);
			return (x < 0 || (seen->x == x && seen->y == y)) && seen->width == width &&
			       seen->height == height;
		});
	}

	int Xdotool(const std::string& arguments) { return Server()->Run("xdotool " + arguments); }

	// Gives |window| the focus the way a user's click on its title would.
	void Focus(xcb_window_t window)
	{
		ASSERT_EQ(Xdotool("windowactivate --sync " + std::to_string(window)), 0);
	}

	// Viewable windows that the window manager does not frame: menus, and
	// whatever the window manager keeps of its own (openbox has one).
	int CountPopUps()
	{
		xcb_query_tree_reply_t* tree =
		    xcb_query_tree_reply(Observer(), xcb_query_tree(Observer(), ObserverRoot()), nullptr);
		if (tree == nullptr)
			return 0;
		xcb_window_t* children = xcb_query_tree_children(tree);
		int count = 0;
		for (int i = 0; i < xcb_query_tree_children_length(tree); i++) {
			xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
			    Observer(), xcb_get_window_attributes(Observer(), children[i]), nullptr);
			if (attributes != nullptr && attributes->override_redirect &&
			    attributes->map_state == XCB_MAP_STATE_VIEWABLE)
				count++;
			free(attributes);
		}
		free(tree);
		return count;
	}

	// Clicks the secondary button in the middle of |window| and waits for
	// the context menu, which stays open for the keys that choose from it.
	void OpenMenu(xcb_window_t window)
	{
		ContentRect frame = Frame(window);
		int before = CountPopUps();
		ASSERT_EQ(Xdotool("mousemove " + std::to_string(frame.x + frame.width / 2) + " " +
		                  std::to_string(frame.y + frame.height / 2) + " click 3"),
		          0);
		ASSERT_TRUE(WaitFor([&] { return CountPopUps() > before; })) << "no menu opened";
	}

	xcb_window_t ActiveWindow()
	{
		xcb_get_property_reply_t* reply = xcb_get_property_reply(
		    Observer(),
		    xcb_get_property(Observer(), 0, ObserverRoot(), Atom("_NET_ACTIVE_WINDOW"),
		                     XCB_ATOM_WINDOW, 0, 1),
		    nullptr);
		xcb_window_t active = XCB_WINDOW_NONE;
		if (reply != nullptr && xcb_get_property_value_length(reply) == 4)
			active = *(xcb_window_t*) xcb_get_property_value(reply);
		free(reply);
		return active;
	}

	pid_t fProgram = -1;

private:
	xcb_window_t _Find(xcb_window_t parent, const std::string& title, int depth)
	{
		if (depth > 3)
			return XCB_WINDOW_NONE;
		xcb_query_tree_reply_t* tree =
		    xcb_query_tree_reply(Observer(), xcb_query_tree(Observer(), parent), nullptr);
		if (tree == nullptr)
			return XCB_WINDOW_NONE;
		xcb_window_t* children = xcb_query_tree_children(tree);
		int count = xcb_query_tree_children_length(tree);
		xcb_window_t found = XCB_WINDOW_NONE;
		for (int i = 0; i < count && found == XCB_WINDOW_NONE; i++) {
			if (TextProperty(children[i], "_NET_WM_NAME") == title ||
			    TextProperty(children[i], "WM_NAME") == title) {
				if (_IsViewable(children[i]))
					found = children[i];
			}
		}
		for (int i = 0; i < count && found == XCB_WINDOW_NONE; i++)
			found = _Find(children[i], title, depth + 1);
		free(tree);
		return found;
	}

	bool _IsViewable(xcb_window_t window)
	{
		xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
		    Observer(), xcb_get_window_attributes(Observer(), window), nullptr);
		bool viewable = attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
		free(attributes);
		return viewable;
	}
};

} // namespace

TEST_F(PelivantTest, TwoPicturesInCascadedWindows)
{
	Launch({"a.png", "b.jpg"});
	xcb_window_t a = WaitForWindow("a.png   100%");
	xcb_window_t b = WaitForWindow("b.jpg   100%");
	ASSERT_NE(a, XCB_WINDOW_NONE);
	ASSERT_NE(b, XCB_WINDOW_NONE);

	// Each window shows its picture at 100 %, the first at (50, 50), the
	// second one step down the cascade.
	ContentRect frame;
	EXPECT_TRUE(WaitForFrame(a, 50, 50, 320, 240, &frame)) << frame;
	EXPECT_TRUE(WaitForFrame(b, 70, 70, 400, 300, &frame)) << frame;
	EXPECT_TRUE(Running());
}

TEST_F(PelivantTest, ZoomKeysRefitOrKeepTheWindow)
{
	Launch({"a.png"});
	xcb_window_t a = WaitForWindow("a.png   100%");
	ASSERT_NE(a, XCB_WINDOW_NONE);
	Focus(a);

	// One step in: the window grows around its centre to the larger picture
	// (319 x 239 spans times the cube root of two, truncated: 401 x 301).
	ASSERT_EQ(Xdotool("key plus"), 0);
	ASSERT_NE(WaitForWindow("a.png   125%"), XCB_WINDOW_NONE);
	ContentRect zoomed;
	EXPECT_TRUE(WaitForFrame(a, -1, -1, 402, 302, &zoomed)) << zoomed;
	EXPECT_NEAR(zoomed.x + zoomed.width / 2.0, 50 + 320 / 2.0, 1.0);
	EXPECT_NEAR(zoomed.y + zoomed.height / 2.0, 50 + 240 / 2.0, 1.0);

	// With Control the magnification changes and the frame stays.
	ASSERT_EQ(Xdotool("key ctrl+plus"), 0);
	ASSERT_NE(WaitForWindow("a.png   158%"), XCB_WINDOW_NONE);
	usleep(300000);
	ContentRect kept = Frame(a);
	EXPECT_EQ(kept.x, zoomed.x);
	EXPECT_EQ(kept.y, zoomed.y);
	EXPECT_EQ(kept.width, zoomed.width);
	EXPECT_EQ(kept.height, zoomed.height);

	// Back to 100 %.
	ASSERT_EQ(Xdotool("key slash"), 0);
	ASSERT_NE(WaitForWindow("a.png   100%"), XCB_WINDOW_NONE);
	ContentRect frame;
	EXPECT_TRUE(WaitForFrame(a, -1, -1, 320, 240, &frame)) << frame;
}

TEST_F(PelivantTest, DraggingScrollsTheMagnifiedPicture)
{
	Launch({"a.png"});
	xcb_window_t a = WaitForWindow("a.png   100%");
	ASSERT_NE(a, XCB_WINDOW_NONE);
	Focus(a);
	// Magnified within the same frame, so that there is something to scroll.
	ASSERT_EQ(Xdotool("key ctrl+plus ctrl+plus ctrl+plus"), 0);
	ASSERT_NE(WaitForWindow("a.png   200%"), XCB_WINDOW_NONE);
	ContentRect frame = Frame(a);
	usleep(300000);
	std::vector<uint32_t> before = Pixels(a, 0, 0, frame.width, frame.height);
	ASSERT_EQ(before.size(), size_t(frame.width * frame.height));

	// Drag the picture 60 pixels left and 40 up, in small steps.
	int startX = frame.x + 200, startY = frame.y + 150;
	std::string drag =
	    "mousemove " + std::to_string(startX) + " " + std::to_string(startY) + " mousedown 1";
	for (int step = 1; step <= 10; step++) {
		drag += " mousemove " + std::to_string(startX - 6 * step) + " " +
		        std::to_string(startY - 4 * step) + " sleep 0.02";
	}
	drag += " mouseup 1";
	ASSERT_EQ(Xdotool(drag), 0);

	// What was at (x + 60, y + 40) is now at (x, y).
	bool moved = WaitFor([&] {
		std::vector<uint32_t> after = Pixels(a, 0, 0, frame.width, frame.height);
		if (after.size() != before.size())
			return false;
		int matches = 0, samples = 0;
		for (int y = 20; y < frame.height - 60; y += 17) {
			for (int x = 20; x < frame.width - 80; x += 19) {
				samples++;
				matches += after[size_t(y * frame.width + x)] ==
				           before[size_t((y + 40) * frame.width + x + 60)];
			}
		}
		return samples > 0 && matches * 10 >= samples * 9;
	});
	EXPECT_TRUE(moved);
}

TEST_F(PelivantTest, QClosesAWindowAndTheLastOneEndsTheProgram)
{
	Launch({"a.png", "b.jpg"});
	xcb_window_t a = WaitForWindow("a.png   100%");
	xcb_window_t b = WaitForWindow("b.jpg   100%");
	ASSERT_NE(a, XCB_WINDOW_NONE);
	ASSERT_NE(b, XCB_WINDOW_NONE);

	Focus(b);
	ASSERT_EQ(Xdotool("key q"), 0);
	EXPECT_TRUE(WaitFor([&] { return FindWindow("b.jpg   100%") == XCB_WINDOW_NONE; }));
	usleep(200000);
	EXPECT_TRUE(Running());
	EXPECT_NE(FindWindow("a.png   100%"), XCB_WINDOW_NONE);

	Focus(a);
	ASSERT_EQ(Xdotool("key q"), 0);
	EXPECT_EQ(WaitForExit(), 0);
}

TEST_F(PelivantTest, NothingToShowEndsAtOnce)
{
	// A text file, a missing file, and no argument at all.
	for (const std::vector<std::string>& arguments :
	     std::vector<std::vector<std::string>>{{"notes.txt", "no-such-file.png"}, {}}) {
		Launch(arguments);
		EXPECT_EQ(WaitForExit(), 0);
		EXPECT_EQ(FindWindow("notes.txt   100%"), XCB_WINDOW_NONE);
	}
}

TEST_F(PelivantTest, VideoClipPlaysInAWindowOneFrameLarge)
{
	// 320x240, 10 frames a second, the frame number drawn at the top left.
	Launch({"clip-h264.mp4"});
	xcb_window_t clip = WaitForWindow("clip-h264.mp4   100%");
	ASSERT_NE(clip, XCB_WINDOW_NONE);
	ContentRect frame;
	EXPECT_TRUE(WaitForFrame(clip, 50, 50, 320, 240, &frame)) << frame;

	// It plays: the corner with the frame number shows several different
	// pictures within a few seconds, and the picture is not a blank.
	std::vector<std::vector<uint32_t>> seen;
	WaitFor(
	    [&] {
		    std::vector<uint32_t> corner = Pixels(clip, 0, 0, 80, 60);
		    if (!corner.empty() && std::find(seen.begin(), seen.end(), corner) == seen.end())
			    seen.push_back(corner);
		    return seen.size() >= 4;
	    },
	    5);
	EXPECT_GE(seen.size(), 4u);
	std::vector<uint32_t> whole = Pixels(clip, 0, 0, 320, 240);
	ASSERT_FALSE(whole.empty());
	size_t black = std::count_if(whole.begin(), whole.end(),
	                             [](uint32_t pixel) { return (pixel & 0xffffff) == 0; });
	EXPECT_LT(black, whole.size() / 2);
	EXPECT_TRUE(Running());
}

TEST_F(PelivantTest, APlayingClipZoomsAndQuitsAtOnce)
{
	Launch({"clip-h264.mp4"});
	xcb_window_t clip = WaitForWindow("clip-h264.mp4   100%");
	ASSERT_NE(clip, XCB_WINDOW_NONE);
	Focus(clip);

	// One step in while it plays: the window grows around the larger picture
	// as it does for a still one (319 x 239 spans times the cube root of
	// two, truncated: 401 x 301).
	ASSERT_EQ(Xdotool("key plus"), 0);
	ASSERT_NE(WaitForWindow("clip-h264.mp4   125%"), XCB_WINDOW_NONE);
	ContentRect zoomed;
	EXPECT_TRUE(WaitForFrame(clip, -1, -1, 402, 302, &zoomed)) << zoomed;

	// It goes on playing at the new size: the frame number's corner changes,
	// and the frames fill the grown window, including the rows and columns
	// that the window had not before.
	std::vector<std::vector<uint32_t>> seen;
	WaitFor(
	    [&] {
		    std::vector<uint32_t> corner = Pixels(clip, 0, 0, 100, 75);
		    if (!corner.empty() && std::find(seen.begin(), seen.end(), corner) == seen.end())
			    seen.push_back(corner);
		    return seen.size() >= 4;
	    },
	    5);
	EXPECT_GE(seen.size(), 4u);
	std::vector<uint32_t> margin = Pixels(clip, 320, 240, 82, 62);
	ASSERT_FALSE(margin.empty());
	size_t black = std::count_if(margin.begin(), margin.end(),
	                             [](uint32_t pixel) { return (pixel & 0xffffff) == 0; });
	EXPECT_LT(black, margin.size() / 2);

	// 'q' ends the program while the clip plays, at once and cleanly.
	ASSERT_EQ(Xdotool("key q"), 0);
	EXPECT_EQ(WaitForExit(2), 0);
}

TEST_F(PelivantTest, TheContextMenuCommandsWork)
{
	Launch({"a.png", "b.jpg"});
	xcb_window_t a = WaitForWindow("a.png   100%");
	xcb_window_t b = WaitForWindow("b.jpg   100%");
	ASSERT_NE(a, XCB_WINDOW_NONE);
	ASSERT_NE(b, XCB_WINDOW_NONE);
	const int quiet = CountPopUps();
	Focus(a);

	// Zoom > In: the view zooms and its window is refitted.
	OpenMenu(a);
	ASSERT_EQ(Xdotool("key Down Right Return"), 0);
	ASSERT_NE(WaitForWindow("a.png   125%"), XCB_WINDOW_NONE);
	EXPECT_TRUE(WaitFor([&] { return CountPopUps() == quiet; }));

	// Window > Next: the application activates the other window.
	OpenMenu(a);
	ASSERT_EQ(Xdotool("key Down Down Right Down Return"), 0);
	EXPECT_TRUE(WaitFor([&] { return ActiveWindow() == b; }));

	// About: the about box, until "Ok".
	OpenMenu(b);
	ASSERT_EQ(Xdotool("key Down Down Down Return"), 0);
	xcb_window_t about = WaitForWindow("About");
	ASSERT_NE(about, XCB_WINDOW_NONE);
	ASSERT_EQ(Xdotool("key Return"), 0);
	EXPECT_TRUE(WaitFor([&] { return FindWindow("About") == XCB_WINDOW_NONE; }));

	// Close: that window goes, the program stays.
	Focus(b);
	OpenMenu(b);
	ASSERT_EQ(Xdotool("key Down Down Down Down Return"), 0);
	EXPECT_TRUE(WaitFor([&] { return FindWindow("b.jpg   100%") == XCB_WINDOW_NONE; }));
	usleep(200000);
	EXPECT_TRUE(Running());

	// Quit: the program ends.
	Focus(a);
	OpenMenu(a);
	ASSERT_EQ(Xdotool("key Down Down Down Down Down Return"), 0);
	EXPECT_EQ(WaitForExit(), 0);
}

TEST_F(PelivantTest, ALaterLaunchOpensItsFileInTheRunningProgram)
{
	Launch({"a.png"});
	ASSERT_NE(WaitForWindow("a.png   100%"), XCB_WINDOW_NONE);
	const pid_t first = fProgram;

	// The later launch hands its file over and ends at once; the window
	// opens in the first program, one step down its cascade.
	Launch({"b.jpg"});
	EXPECT_EQ(WaitForExit(), 0);
	fProgram = first;
	xcb_window_t b = WaitForWindow("b.jpg   100%");
	ASSERT_NE(b, XCB_WINDOW_NONE);
	ContentRect frame;
	EXPECT_TRUE(WaitForFrame(b, 70, 70, 400, 300, &frame)) << frame;
	EXPECT_TRUE(Running());
	EXPECT_NE(FindWindow("a.png   100%"), XCB_WINDOW_NONE);
}

// Pictures smaller than a window's minimum: the window has its minimum size,
// the view follows it, the picture sits in its middle with black around it.
TEST_F(PelivantTest, ASmallPictureIsCentredInItsMinimumWindow)
{
	TempDir folder;
	const uint32_t blue = 0x3366cc;
	struct Case {
		const char* name;
		int width, height;
		int frameX, frameY, frameHeight; // 51 wide, centred on the picture's place
	} cases[] = {{"square.png", 20, 20, 34, 34, 51}, {"strip.png", 20, 1000, 34, 50, 1000}};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.name);
		std::string path = folder / c.name;
		ASSERT_EQ(Server()->Run("convert -size " + std::to_string(c.width) + "x" +
		                        std::to_string(c.height) + " xc:#3366cc " + path),
		          0);
		Launch({path});
		xcb_window_t window = WaitForWindow(std::string(c.name) + "   100%");
		ASSERT_NE(window, XCB_WINDOW_NONE);
		ContentRect frame;
		EXPECT_TRUE(WaitForFrame(window, c.frameX, c.frameY, 51, c.frameHeight, &frame)) << frame;
		// Drawn once the far corner of the picture shows.
		EXPECT_TRUE(WaitFor([&] {
			std::vector<uint32_t> corner = Pixels(window, 34, 34, 1, 1);
			return corner.size() == 1 && (corner[0] & 0xffffff) == blue;
		}));
		std::vector<uint32_t> row = Pixels(window, 0, c.frameHeight / 2, 51, 1);
		ASSERT_EQ(row.size(), 51u);
		for (int x = 0; x < 51; x++)
			EXPECT_EQ(row[size_t(x)] & 0xffffff, x >= 15 && x < 35 ? blue : 0u) << "x " << x;
		std::vector<uint32_t> column = Pixels(window, 20, 0, 1, c.frameHeight);
		ASSERT_EQ(column.size(), size_t(c.frameHeight));
		int top = (c.frameHeight - c.height) / 2;
		for (int y = 0; y < c.frameHeight; y++) {
			bool inside = y >= top && y < top + c.height;
			EXPECT_EQ(column[size_t(y)] & 0xffffff, inside ? blue : 0u) << "y " << y;
		}
		if (HasFailure()) {
			Server()->Run("import -window root " + binary_dir() + "/small-picture-failure.png");
			return;
		}
		Focus(window);
		ASSERT_EQ(Xdotool("key q"), 0);
		EXPECT_EQ(WaitForExit(), 0);
	}
}

// The window manager reports a refit in steps (openbox: the new place with
// the old size, then the new size). Whatever the order, a fitting the
// program makes never counts as the user's resize: the titles and frames are
// the same on every fresh window.
TEST_F(PelivantTest, RefitsNeverRescaleLikeAUserResize)
{
	TempDir folder;
	const int kWindows = 20;
	std::string picture = folder / "p.png";
	ASSERT_EQ(Server()->Run("convert -size 300x200 gradient:#ff8000-#0080ff " + picture), 0);

	struct Round {
		const char* what;
		std::string keys;  // typed into a fresh window
		bool menu;         // the keys choose from the context menu
		const char* title; // the percentage after them
		int width, height; // the window's content then
	} rounds[] = {
	    {"'+' '+'", "key plus sleep 0.3 key plus", false, "p.png   158%", 475, 316},
	    {"'-'", "key minus", false, "p.png   79%", 238, 158},
	    {"Zoom > Out", "key Down Right Down Down Return", true, "p.png   79%", 238, 158},
	};
	for (const Round& round : rounds) {
		for (int i = 0; i < kWindows; i++) {
			SCOPED_TRACE(std::string(round.what) + ", window " + std::to_string(i));
			Launch({picture});
			xcb_window_t window = WaitForWindow("p.png   100%");
			ASSERT_NE(window, XCB_WINDOW_NONE);
			ASSERT_TRUE(WaitFor([&] { return ActiveWindow() == window; }, 5));
			if (round.menu)
				OpenMenu(window);
			ASSERT_EQ(Xdotool(round.keys), 0);
			EXPECT_NE(WaitForWindow(round.title, 5), XCB_WINDOW_NONE);
			ContentRect frame;
			EXPECT_TRUE(WaitForFrame(window, -1, -1, round.width, round.height, &frame)) << frame;
			// A late report of the window manager must not change it after all.
			usleep(150000);
			EXPECT_EQ(TextProperty(window, "_NET_WM_NAME"), round.title);
			if (HasFailure()) {
				Server()->Run("import -window root " + binary_dir() + "/refit-failure.png");
				return;
			}
			ASSERT_EQ(Xdotool("key q"), 0);
			EXPECT_EQ(WaitForExit(), 0);
		}
	}
}

TEST_F(PelivantTest, ClipsOfAnyWidthPlayAndQuit)
{
	// Widths that libswscale's vector code rounds up (8 to 15 past a
	// multiple of 16, or under 16), in 8 and 10 bits.
	char folder[] = "/tmp/pl-clips-XXXXXX";
	ASSERT_NE(mkdtemp(folder), nullptr);
	const char* const sizes[] = {"2x2", "8x8", "30x20", "200x150", "360x240"};
	for (const char* format : {"yuv420p", "yuv420p10le"}) {
		for (const char* size : sizes) {
			std::string name = std::string("clip-") + format + "-" + size + ".mp4";
			SCOPED_TRACE(name);
			std::string path = std::string(folder) + "/" + name;
			ASSERT_EQ(Server()->Run("ffmpeg -v error -y -f lavfi -i testsrc=size=" +
			                        std::string(size) +
			                        ":rate=25:duration=0.4 -c:v libx264 -pix_fmt " + format +
			                        " " + path),
			          0);
			Launch({path});
			xcb_window_t clip = WaitForWindow(name + "   100%");
			ASSERT_NE(clip, XCB_WINDOW_NONE);
			// Long enough for the clip to play through and loop.
			usleep(600000);
			Focus(clip);
			ASSERT_EQ(Xdotool("key q"), 0);
			EXPECT_EQ(WaitForExit(), 0);
		}
	}
	std::error_code ignored;
	std::filesystem::remove_all(folder, ignored);
}

// Pictures and clips as they really are: a half-transparent TIFF over the
// black background, an Adobe RGB JPEG in sRGB, a JPEG XL picture, a clip
// shot on its side standing upright.
TEST_F(PelivantTest, PicturesAndClipsShowAsTheyAre)
{
	TempDir folder;
	std::string profile = folder / "adobe.icc";
	ASSERT_TRUE(write_profile(profile, adobe_rgb_profile()));
	ASSERT_EQ(Server()->Run("convert -size 320x240 'xc:rgba(255,255,255,0.50196)' -type "
	                        "TrueColorAlpha -define tiff:alpha=unassociated " +
	                        folder / "half.tif"),
	          0);
	ASSERT_EQ(Server()->Run("convert -size 320x240 'xc:rgb(48,66,204)' -profile " + profile +
	                        " -sampling-factor 1x1 -quality 100 " + folder / "adobe.jpg"),
	          0);
	ASSERT_EQ(Server()->Run("convert -size 320x240 'xc:rgb(200,100,50)' -define "
	                        "png:exclude-chunk=gAMA,cHRM " + folder / "orange.png" +
	                        " && cjxl -d 0 " + folder / "orange.png " + folder / "orange.jxl" +
	                        " >/dev/null 2>&1"),
	          0);
	// 320 x 160 with a red square at the top left; a quarter turn clockwise
	// makes it 160 x 320 with the square at the top right.
	ASSERT_EQ(Server()->Run("ffmpeg -v error -y -f lavfi -i color=c=blue:s=320x160:d=2:r=10,"
	                        "drawbox=x=0:y=0:w=40:h=40:color=red:t=fill -c:v libx264 -pix_fmt "
	                        "yuv420p " + folder / "plain.mp4" + " && ffmpeg -v error -y -i " +
	                        folder / "plain.mp4" + " -c copy -metadata:s:v:0 rotate=270 " +
	                        folder / "sideways.mp4"),
	          0);

	struct Case {
		const char* name;
		int width, height;
		int x, y;        // where the colour is checked
		uint32_t colour; // 0xRRGGBB there
		int tolerance;
	} cases[] = {
	    {"half.tif", 320, 240, 100, 100, 0x808080, 2},  // not 0x404040
	    {"adobe.jpg", 320, 240, 100, 100, 0x2040d0, 3}, // not 0x3042cc
	    {"orange.jxl", 320, 240, 100, 100, 0xc86432, 0},
	    {"sideways.mp4", 160, 320, 140, 20, 0xff0000, 40},
	};
	auto near = [](uint32_t a, uint32_t b, int tolerance) {
		for (int shift : {0, 8, 16}) {
			if (abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)) > tolerance)
				return false;
		}
		return true;
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.name);
		Launch({folder / c.name});
		xcb_window_t window = WaitForWindow(std::string(c.name) + "   100%");
		ASSERT_NE(window, XCB_WINDOW_NONE);
		ContentRect frame;
		EXPECT_TRUE(WaitForFrame(window, -1, -1, c.width, c.height, &frame)) << frame;
		uint32_t seen = 0;
		EXPECT_TRUE(WaitFor([&] {
			std::vector<uint32_t> pixel = Pixels(window, c.x, c.y, 1, 1);
			seen = pixel.size() == 1 ? pixel[0] & 0xffffff : 0;
			return near(seen, c.colour, c.tolerance);
		})) << std::hex << seen;
		if (HasFailure())
			Server()->Run("import -window root " + binary_dir() + "/as-they-are-failure.png");
		Focus(window);
		ASSERT_EQ(Xdotool("key q"), 0);
		EXPECT_EQ(WaitForExit(), 0);
	}
}

TEST_F(PelivantTest, WithoutADisplayItEndsWithAMessage)
{
	// A display number with no server behind it.
	int number = 90;
	while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)))
		number++;
	char errors[] = "/tmp/pl-errors-XXXXXX";
	int fd = mkstemp(errors);
	ASSERT_GE(fd, 0);
	close(fd);
	Launch({"b.jpg"}, ":" + std::to_string(number), errors);
	int status = WaitForExit(2);
	EXPECT_NE(status, -1) << "still running";
	EXPECT_NE(status, 0);
	std::ifstream in(errors);
	std::string message((std::istreambuf_iterator<char>(in)), {});
	unlink(errors);
	EXPECT_NE(message.find("display"), std::string::npos) << message;
}

TEST_F(PelivantTest, ALostDisplayEndsTheProgram)
{
	// A server of this test's own, ended under the running program.
	XvfbServer server;
	ASSERT_TRUE(server.Start());
	Launch({"b.jpg"}, server.Display());
	ASSERT_EQ(server.Run("timeout 10 xdotool search --sync --name 'b.jpg' >/dev/null"), 0);
	server.Stop();
	int status = WaitForExit(5);
	EXPECT_NE(status, -1) << "still running";
	EXPECT_EQ(status, 1);
}
