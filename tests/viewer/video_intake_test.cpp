// Video files through the application: a "video/" type opens a window one
// frame large that plays; a file of that type without playable video opens
// nothing.

#include <Window.h>

#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "ThreadTestUtils.h"

using namespace shell_test;

TEST(VideoIntake, VideoTypesOpenAPlayingWindowOneFrameLarge)
{
	SampleDir dir;
	dir.Copy("clip-h264.mp4", "typed.mp4", "video/mp4");
	dir.Copy("clip-audio-first.mkv", "sniffed.mkv"); // the content says video/x-matroska
	dir.Copy("clip-audio-only.ogg", "sound.ogg", "video/ogg");
	dir.Copy("notes.txt", "fake.mpg", "video/mpeg");
	dir.Copy("clip-h264.mp4", "upper.mp4", "Video/mp4");
	AppRunner runner;
	ASSERT_TRUE(runner.InApp([&] {
		for (const char* leaf : {"typed.mp4", "sniffed.mkv", "sound.ogg", "fake.mpg", "upper.mp4"})
			runner.App()->OpenWindow(dir.Ref(leaf));
	}));

	std::vector<BMessenger> windows = runner.Windows();
	ASSERT_EQ(windows.size(), 2u);
	EXPECT_EQ(window_title(windows[0]), "typed.mp4   100%");
	EXPECT_EQ(window_title(windows[1]), "sniffed.mkv   100%");
	// The cascade's first two places, at the clips' own sizes.
	EXPECT_EQ(window_frame(windows[0]), BRect(50, 50, 369, 289));
	EXPECT_EQ(window_frame(windows[1]), BRect(70, 70, 229, 189));

	// Each has a playback thread named after its file.
	for (const char* leaf : {"typed.mp4", "sniffed.mkv"}) {
		EXPECT_TRUE(test::eventually([&] { return find_thread(leaf) >= 0; })) << leaf;
		thread_info info;
		ASSERT_EQ(get_thread_info(find_thread(leaf), &info), B_OK);
		EXPECT_EQ(info.priority, B_LOW_PRIORITY);
	}

	// Closing the window ends its thread.
	thread_id thread = find_thread("typed.mp4");
	close_window(windows[0]);
	EXPECT_TRUE(test::ended_within(thread));
}
