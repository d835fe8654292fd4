// A playback thread decoding a clip in a loop, as the video view's does:
// suspend_thread() stops it between frames and kill_thread() ends it, though
// it never waits on anything but the decoder.
#include <MediaFile.h>
#include <MediaTrack.h>
#include <OS.h>

#include <atomic>

#include <gtest/gtest.h>

#include "MediaTestUtils.h"
#include "ThreadTestUtils.h"

namespace {

struct Playback {
	BMediaTrack* track = NULL;
	FrameBuffer buffer{64 * 4, 48};
	std::atomic<int32> frames{0};
};

int32 play_forever(void* data)
{
	Playback* playback = static_cast<Playback*>(data);
	while (true) {
		int64 count;
		if (playback->track->ReadFrames(playback->buffer.Bits(), &count) == B_OK) {
			playback->frames++;
		} else {
			int64 frame = 0;
			playback->track->SeekToFrame(&frame);
		}
	}
	return 0;
}

} // namespace

TEST(MediaPlaybackThread, SuspendStopsFramesAndKillEndsTheThread)
{
	std::unique_ptr<BMediaFile> file = open_media(sample_path("clip-colours.mp4"));
	ASSERT_EQ(file->InitCheck(), B_OK);
	Playback playback;
	playback.track = first_video_track(file.get());
	ASSERT_NE(playback.track, nullptr);

	thread_id thread = spawn_thread(play_forever, "clip-colours.mp4", B_LOW_PRIORITY, &playback);
	ASSERT_GT(thread, 0);
	ASSERT_EQ(resume_thread(thread), B_OK);
	ASSERT_TRUE(test::eventually([&] { return playback.frames > 20; }));

	ASSERT_EQ(suspend_thread(thread), B_OK);
	ASSERT_TRUE(test::eventually([&] {
		thread_info info;
		return get_thread_info(thread, &info) == B_OK && info.state == B_THREAD_SUSPENDED;
	}));
	int32 parkedAt = playback.frames;
	snooze(100000);
	EXPECT_EQ(playback.frames.load(), parkedAt);

	ASSERT_EQ(resume_thread(thread), B_OK);
	EXPECT_TRUE(test::eventually([&] { return playback.frames > parkedAt + 20; }));

	test::must_return_within("kill_thread", [&] { EXPECT_EQ(kill_thread(thread), B_OK); });
	EXPECT_TRUE(test::ended_within(thread));

	// The killed thread left the track usable: it reads on from where it was.
	int64 count;
	int reads = 0;
	while (playback.track->ReadFrames(playback.buffer.Bits(), &count) == B_OK)
		reads++;
	EXPECT_LE(reads, 8);
	EXPECT_TRUE(playback.buffer.GuardIntact());
}
