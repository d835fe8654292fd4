// Start-up and file intake: which files open, where their windows go, and
// that a file is shown once.

#include <AppDefs.h>
#include <Message.h>
#include <View.h>
#include <Window.h>

#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "ThreadTestUtils.h"
#include "app/MessagePrivate.h"

using namespace shell_test;

namespace {

// B_ARGV_RECEIVED as the platform builds it for a launch in |cwd|.
BMessage argv_message(const std::vector<std::string>& arguments, const char* cwd)
{
	BMessage message(B_ARGV_RECEIVED);
	message.AddInt32("argc", (int32) arguments.size());
	for (const std::string& argument : arguments)
		message.AddString("argv", argument.c_str());
	if (cwd != NULL)
		message.AddString("cwd", cwd);
	return message;
}

std::vector<std::string> titles(AppRunner& runner)
{
	std::vector<std::string> result;
	for (const BMessenger& window : runner.Windows())
		result.push_back(window_title(window));
	return result;
}

} // namespace

TEST(Intake, CascadesTenPositionsThenStartsOver)
{
	SampleDir dir;
	for (int i = 0; i < 12; i++)
		dir.Picture("p" + std::to_string(i) + ".bmp", 100, 80);
	AppRunner runner;
	ASSERT_TRUE(runner.InApp([&] {
		for (int i = 0; i < 12; i++)
			runner.App()->OpenWindow(dir.Ref("p" + std::to_string(i) + ".bmp"));
	}));

	std::vector<BMessenger> windows = runner.Windows();
	ASSERT_EQ(windows.size(), 12u);
	const float expected[] = {50, 70, 90, 110, 130, 150, 170, 190, 210, 230, 50, 70};
	for (int i = 0; i < 12; i++) {
		BRect frame = window_frame(windows[i]);
		EXPECT_EQ(frame.LeftTop(), BPoint(expected[i], expected[i])) << "window " << i;
		// A 100 x 80 picture at 100 % is what the window shows.
		EXPECT_EQ(frame.Width(), 99) << "window " << i;
		EXPECT_EQ(frame.Height(), 79) << "window " << i;
	}
	EXPECT_EQ(window_title(windows[0]), "p0.bmp   100%");
}

TEST(Intake, AFileThatFailsKeepsTheCascadeWhereItWas)
{
	SampleDir dir;
	dir.Picture("first.bmp", 60, 60);
	dir.Write("broken.png", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(40, 'x'));
	SampleDir::SetType(dir / "broken.png", "image/png");
	dir.Picture("second.bmp", 60, 60);
	AppRunner runner;
	ASSERT_TRUE(runner.InApp([&] {
		runner.App()->OpenWindow(dir.Ref("first.bmp"));
		runner.App()->OpenWindow(dir.Ref("broken.png"));
		runner.App()->OpenWindow(dir.Ref("second.bmp"));
	}));
	std::vector<BMessenger> windows = runner.Windows();
	ASSERT_EQ(windows.size(), 2u);
	EXPECT_EQ(window_frame(windows[1]).LeftTop(), BPoint(70, 70));
}

TEST(Intake, ClosingWindowsDoesNotMoveTheCascadeBack)
{
	SampleDir dir;
	dir.Picture("a.bmp", 60, 60);
	dir.Picture("b.bmp", 60, 60);
	dir.Picture("c.bmp", 60, 60);
	AppRunner runner;
	ASSERT_TRUE(runner.InApp([&] {
		runner.App()->OpenWindow(dir.Ref("a.bmp"));
		runner.App()->OpenWindow(dir.Ref("b.bmp"));
	}));
	close_window(runner.Windows()[1]);
	ASSERT_TRUE(test::eventually([&] { return runner.Windows().size() == 1; }));
	ASSERT_TRUE(runner.InApp([&] { runner.App()->OpenWindow(dir.Ref("c.bmp")); }));
	ASSERT_EQ(runner.Windows().size(), 2u);
	EXPECT_EQ(window_frame(runner.Windows()[1]).LeftTop(), BPoint(90, 90));
}

TEST(Intake, TheSameFileIsShownOnce)
{
	SampleDir dir;
	dir.Picture("once.bmp", 60, 60);
	dir.Picture("other.bmp", 60, 60);
	AppRunner runner;
	BMessage argv =
	    argv_message({"pelivant", "once.bmp", "other.bmp", "once.bmp"}, dir.Path().c_str());
	ASSERT_TRUE(runner.Deliver(&argv));
	std::vector<BMessenger> windows = runner.Windows();
	ASSERT_EQ(windows.size(), 2u);
	// The second mention brought the first window back to the front.
	EXPECT_TRUE(runner.WaitActive(windows[0]));

	// A later open request brings it back again and shows no other.
	ASSERT_TRUE(runner.InApp([&] { runner.App()->ActivateWindow(1); }));
	ASSERT_TRUE(runner.WaitActive(windows[1]));
	BMessage refs(B_REFS_RECEIVED);
	entry_ref once = dir.Ref("once.bmp");
	refs.AddRef("refs", &once);
	ASSERT_TRUE(runner.Deliver(&refs));
	EXPECT_TRUE(runner.WaitActive(windows[0]));
	EXPECT_EQ(titles(runner), (std::vector<std::string>{"once.bmp   100%", "other.bmp   100%"}));
}

TEST(Intake, ArgumentsAreResolvedAgainstTheLaunchDirectory)
{
	SampleDir dir;
	dir.Picture("relative.bmp", 60, 60);
	dir.Picture("absolute.bmp", 60, 60);
	dir.Picture("program.bmp", 60, 60);
	{
		AppRunner runner;
		BMessage argv =
		    argv_message({dir / "program.bmp", "relative.bmp", dir / "absolute.bmp", "missing.bmp"},
		                 dir.Path().c_str());
		ASSERT_TRUE(runner.Deliver(&argv));
		// argv[0] is the program, never a file to open.
		EXPECT_EQ(titles(runner),
		          (std::vector<std::string>{"relative.bmp   100%", "absolute.bmp   100%"}));
	}
	{
		// Without "cwd" nothing is opened, absolute paths included.
		AppRunner runner;
		BMessage argv = argv_message({"pelivant", dir / "absolute.bmp", "relative.bmp"}, NULL);
		ASSERT_TRUE(runner.Deliver(&argv));
		EXPECT_TRUE(runner.Windows().empty());
	}
	{
		// Relative to another folder, the same name is another file.
		AppRunner runner;
		BMessage argv = argv_message({"pelivant", "relative.bmp"}, "/");
		ASSERT_TRUE(runner.Deliver(&argv));
		EXPECT_TRUE(runner.Windows().empty());
	}
}

TEST(Intake, TheStoredTypeChoosesTheView)
{
	SampleDir dir;
	dir.Copy("quadrants.png", "typed.png", "image/png");
	dir.Copy("quadrants.png", "untyped.png");                  // sniffed: image/png
	dir.Copy("quadrants.png", "jpeg-typed.png", "image/jpeg"); // the view decodes by content
	dir.Copy("quadrants.png", "text.png", "text/plain");
	dir.Copy("quadrants.png", "upper.png", "Image/png");
	dir.Copy("quadrants.png", "octets.png", "application/octet-stream");
	dir.Copy("quadrants.png", "short.png", "image");
	dir.Copy("notes.txt", "notes.txt");             // sniffed: text/plain
	dir.Copy("notes.txt", "fake.png", "image/png"); // fails to decode
	dir.Copy("clip-h264.mp4", "clip.mp4", "video/mp4");
	dir.Copy("clip-h264.mp4", "clip-as-picture.mp4", "image/png"); // fails to decode
	dir.Copy("notes.txt", "text-as-clip.mp4", "video/mpeg");       // fails to open
	dir.Copy("clip-h264.mp4", "upper.mp4", "Video/mp4");
	AppRunner runner;
	ASSERT_TRUE(runner.InApp([&] {
		for (const char* leaf :
		     {"typed.png", "untyped.png", "jpeg-typed.png", "text.png", "upper.png", "octets.png",
		      "short.png", "notes.txt", "fake.png", "clip.mp4", "clip-as-picture.mp4",
		      "text-as-clip.mp4", "upper.mp4"})
			runner.App()->OpenWindow(dir.Ref(leaf));
	}));
	EXPECT_EQ(titles(runner),
	          (std::vector<std::string>{"typed.png   100%", "untyped.png   100%",
	                                    "jpeg-typed.png   100%", "clip.mp4   100%"}));
}

TEST(Intake, MissingFilesAndFoldersOpenNothing)
{
	SampleDir dir;
	AppRunner runner;
	ASSERT_TRUE(runner.InApp([&] {
		entry_ref missing;
		get_ref_for_path((dir / "gone.png").c_str(), &missing);
		runner.App()->OpenWindow(missing);
		entry_ref folder;
		get_ref_for_path(dir.Path().c_str(), &folder);
		runner.App()->OpenWindow(folder);
	}));
	EXPECT_TRUE(runner.Windows().empty());
}

TEST(Intake, WindowsKeepTheirSizeLimits)
{
	SampleDir dir;
	dir.Picture("tiny.bmp", 20, 20);
	AppRunner runner;
	ASSERT_TRUE(runner.InApp([&] { runner.App()->OpenWindow(dir.Ref("tiny.bmp")); }));
	ASSERT_EQ(runner.Windows().size(), 1u);
	float minWidth, maxWidth, minHeight, maxHeight;
	with_window(runner.Windows()[0], [&](BWindow* window) {
		window->GetSizeLimits(&minWidth, &maxWidth, &minHeight, &maxHeight);
	});
	EXPECT_EQ(minWidth, 50);
	EXPECT_EQ(maxWidth, 10000);
	EXPECT_EQ(minHeight, 50);
	EXPECT_EQ(maxHeight, 10000);
	// A 20 x 20 picture gets a window of the minimum size.
	BRect frame = window_frame(runner.Windows()[0]);
	EXPECT_EQ(frame.Width(), 50);
	EXPECT_EQ(frame.Height(), 50);
}

TEST(Intake, AStartWithoutAnyWindowEndsAtOnce)
{
	SampleDir dir;
	dir.Copy("notes.txt", "notes.txt");
	AppRunner runner(false, [&](PLApplication* app) { app->OpenWindow(dir.Ref("notes.txt")); });
	EXPECT_TRUE(runner.Ended());
}

TEST(Intake, AStartWithAWindowKeepsRunning)
{
	SampleDir dir;
	dir.Picture("stays.bmp", 60, 60);
	AppRunner runner(false, [&](PLApplication* app) { app->OpenWindow(dir.Ref("stays.bmp")); });
	EXPECT_TRUE(runner.InApp([] {}));
	EXPECT_FALSE(runner.Ended(200000));
	EXPECT_EQ(runner.Windows().size(), 1u);
}

namespace {

// B_SIMPLE_DATA as a file manager's drag delivers it onto a window.
BMessage dropped_files(const std::vector<entry_ref>& refs)
{
	BMessage drop(B_SIMPLE_DATA);
	for (const entry_ref& ref : refs)
		drop.AddRef("refs", &ref);
	BPrivate::MessageDelivery* delivery = BMessage::Private(drop).Delivery();
	if (delivery != NULL) {
		delivery->wasDropped = true;
		delivery->dropPoint = BPoint(80, 80);
	}
	return drop;
}

// Hands |drop| to the viewing view of |window| and waits until it was
// handled there.
bool drop_onto(const BMessenger& window, BMessage* drop)
{
	return with_window(window, [&](BWindow* w) {
		w->PostMessage(drop, w->ChildAt(0));
	}) && with_window(window, [](BWindow*) {});
}

} // namespace

TEST(Intake, FilesDroppedOntoAWindowOpenAsIfNamedAtLaunch)
{
	SampleDir dir;
	dir.Picture("shown.bmp", 60, 60);
	dir.Picture("first.bmp", 70, 50);
	dir.Picture("second.bmp", 50, 70);
	dir.Write("notes.txt", std::string("no picture"));
	AppRunner runner;
	ASSERT_TRUE(runner.InApp([&] { runner.App()->OpenWindow(dir.Ref("shown.bmp")); }));
	ASSERT_EQ(runner.Windows().size(), 1u);
	BMessenger shown = runner.Windows()[0];
	BRect frame = window_frame(shown);

	BMessage drop = dropped_files(
	    {dir.Ref("first.bmp"), dir.Ref("notes.txt"), dir.Ref("second.bmp"), dir.Ref("shown.bmp")});
	ASSERT_TRUE(drop_onto(shown, &drop));
	ASSERT_TRUE(test::eventually([&] { return runner.Windows().size() == 3; }));
	// Each picture in a window of its own, further down the cascade; the one
	// already shown is brought forward, not shown twice; the text is ignored.
	EXPECT_EQ(titles(runner), (std::vector<std::string>{"shown.bmp   100%", "first.bmp   100%",
	                                                     "second.bmp   100%"}));
	EXPECT_GT(window_frame(runner.Windows()[1]).left, frame.left);
	EXPECT_TRUE(runner.WaitActive(shown));
	// The window the files were dropped onto is as it was.
	EXPECT_EQ(window_frame(shown), frame);

	// A drop without files changes nothing.
	BMessage empty = dropped_files({});
	empty.AddString("text/plain", "hello");
	ASSERT_TRUE(drop_onto(shown, &empty));
	ASSERT_TRUE(runner.InApp([] {}));
	EXPECT_EQ(runner.Windows().size(), 3u);
}
