// The video view's playback thread: the endless loop, its pace, the strips,
// pausing while hidden, ending when detached, and clips that give no frame.
#include <Bitmap.h>
#include <Window.h>

#include <stdio.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "content/PLVideoView.h"
#include "platform/interface/InterfaceTestSupport.h"
#include "viewer/VideoTestSupport.h"

namespace {

const char* const kColours = "clip-colours.mp4";

class VideoPlayback : public ::testing::Test {
protected:
	void SetUp() override { fApp = std::make_unique<InterfaceTestApp>(); }

	void TearDown() override
	{
		if (fWindow != NULL)
			test::quit_window(fWindow);
		fApp.reset();
	}

	// Plays |name| in a window of its own.
	test::RecordingVideoView* Play(const char* name, BPoint probe = BPoint(40, 30))
	{
		fView = new test::RecordingVideoView(test::sample_ref(name), probe);
		EXPECT_EQ(fView->InitCheck(), B_OK);
		fWindow = test::show_in_window(fView);
		return fView;
	}

	std::vector<test::DrawRecord> PlaybackDraws() const
	{
		return fView->DrawsBy(fWindow->Thread(), true);
	}

	// Waits until the playback thread has drawn |count| times.
	bool WaitForDraws(size_t count, bigtime_t timeout = 10000000)
	{
		return wait_for([&] { return PlaybackDraws().size() >= count; }, timeout);
	}

	std::unique_ptr<InterfaceTestApp> fApp;
	test::RecordingVideoView* fView = NULL;
	BWindow* fWindow = NULL;
};

// The frame numbers the playback thread drew, one per frame (a 64x48 clip
// is one strip).
std::vector<int> frames_of(const std::vector<test::DrawRecord>& draws)
{
	std::vector<int> frames;
	for (const test::DrawRecord& draw : draws)
		frames.push_back(test::colour_frame(draw.probe));
	return frames;
}

} // namespace

TEST_F(VideoPlayback, LoopsForeverAtThePaceOfItsTimeStamps)
{
	Play(kColours);
	// Eight frames and then some: the loop must come round.
	ASSERT_TRUE(WaitForDraws(14));
	std::vector<test::DrawRecord> draws = PlaybackDraws();
	std::vector<int> frames = frames_of(draws);

	EXPECT_EQ(frames[0], 0) << "playback starts at the first frame";
	int wraps = 0;
	for (size_t i = 1; i < frames.size(); i++) {
		ASSERT_NE(frames[i], -1) << "draw " << i << " shows no frame of the clip";
		EXPECT_EQ(frames[i], (frames[i - 1] + 1) % test::kColourFrames)
		    << "draw " << i << ": no frame is skipped or repeated";
		if (frames[i] == 0)
			wraps++;
	}
	EXPECT_GE(wraps, 1) << "frame 0 follows the last frame";

	// 10 frames a second: frames are their 100 ms apart, the frame after the
	// wrap included. The bounds are generous: a frame may come late, and
	// then the next one is timed from it.
	for (size_t i = 1; i < draws.size(); i++)
		EXPECT_GE(draws[i].when - draws[i - 1].when, 50000) << "draw " << i;
	bigtime_t span = draws.back().when - draws.front().when;
	EXPECT_GE(span, bigtime_t(draws.size() - 1) * 100000 - 50000);
}

TEST_F(VideoPlayback, TheWholeFrameIsDecodedToItsLastRowAndColumn)
{
	// Red left half, blue right half, 161x97: the probe looks at (0, 96),
	// the record's last pixel at (160, 96). The frame bitmap starts black;
	// the encoder smears the colour of the last, unpaired chroma column, so
	// that pixel is only checked for having been written.
	Play("clip-odd-161x97.mkv", BPoint(0, 96));
	ASSERT_TRUE(WaitForDraws(3));
	for (const test::DrawRecord& draw : PlaybackDraws()) {
		EXPECT_GT(draw.probe.red, 200);
		EXPECT_LT(draw.probe.blue, 60);
		EXPECT_LT(draw.lastPixel.green, 40);
		EXPECT_GT(draw.lastPixel.red + draw.lastPixel.blue, 200);
		EXPECT_EQ(draw.lastPixel.alpha, 255);
	}
}

TEST_F(VideoPlayback, LastRowAndColumnFollowEveryFrame)
{
	Play(kColours);
	ASSERT_TRUE(WaitForDraws(9));
	for (const test::DrawRecord& draw : PlaybackDraws())
		EXPECT_EQ(test::colour_frame(draw.lastPixel), test::colour_frame(draw.probe));
}

TEST_F(VideoPlayback, ZoomedOutViewShowsEveryFrame)
{
	// At a quarter size the picture is drawn from reductions of the frame,
	// which every new frame must replace.
	Play(kColours);
	ASSERT_TRUE(WaitForDraws(1));
	ASSERT_TRUE(fWindow->Lock());
	fView->ChangeMagnification(0.25f);
	BRect bounds = fView->Bounds();
	BPoint centre((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
	fView->ConvertToParent(&centre);
	fWindow->Unlock();

	bool seen[test::kColourFrames] = {};
	int distinct = 0;
	wait_for([&] {
		int frame = test::colour_frame(window_pixel(fWindow, int32(centre.x), int32(centre.y)));
		if (frame >= 0 && !seen[frame]) {
			seen[frame] = true;
			distinct++;
		}
		return distinct == test::kColourFrames;
	});
	EXPECT_EQ(distinct, test::kColourFrames);
}

TEST_F(VideoPlayback, AnAudioFirstFilePlaysItsVideo)
{
	Play("clip-audio-first.mkv");
	ASSERT_TRUE(WaitForDraws(3));
	ASSERT_TRUE(fWindow->Lock());
	EXPECT_EQ(fView->Bounds().Width(), 159);
	fWindow->Unlock();
}

TEST_F(VideoPlayback, TallViewIsDrawnInStripsOf200Rows)
{
	Play(kColours);
	ASSERT_TRUE(WaitForDraws(1));
	ASSERT_TRUE(fWindow->Lock());
	fWindow->ResizeTo(63, 450);
	ASSERT_EQ(fView->Bounds(), BRect(0, 0, 63, 450));
	fView->ClearRecords();
	fView->Update();
	std::vector<test::DrawRecord> strips = fView->DrawsBy(find_thread(NULL));
	fWindow->Unlock();

	const BRect expected[] = {BRect(0, 0, 63, 199), BRect(0, 200, 63, 399), BRect(0, 400, 63, 450)};
	ASSERT_EQ(strips.size(), 3u);
	for (size_t i = 0; i < 3; i++) {
		EXPECT_EQ(strips[i].update, expected[i]) << "strip " << i;
		EXPECT_EQ(strips[i].clipping, expected[i]) << "strip " << i;
	}
}

TEST_F(VideoPlayback, HidingSuspendsAndShowingResumes)
{
	Play(kColours);
	ASSERT_TRUE(WaitForDraws(2));
	thread_id thread = test::playback_thread(kColours);
	ASSERT_GT(thread, 0);

	// Hidden twice, shown once: still hidden, still paused.
	ASSERT_TRUE(fWindow->Lock());
	fView->Hide();
	fView->Hide();
	fWindow->Unlock();
	ASSERT_TRUE(wait_for([&] {
		thread_info info;
		return get_thread_info(thread, &info) == B_OK && info.state == B_THREAD_SUSPENDED;
	}));
	ASSERT_TRUE(fWindow->Lock());
	fView->Show();
	fWindow->Unlock();
	size_t paused = PlaybackDraws().size();
	snooze(400000);
	EXPECT_EQ(PlaybackDraws().size(), paused) << "four frames' time without a frame";

	ASSERT_TRUE(fWindow->Lock());
	fView->Show();
	fWindow->Unlock();
	EXPECT_TRUE(WaitForDraws(paused + 2));
	// Still the same thread, on the same course through the clip.
	EXPECT_EQ(test::playback_thread(kColours), thread);
	std::vector<int> frames = frames_of(PlaybackDraws());
	for (size_t i = 1; i < frames.size(); i++)
		EXPECT_EQ(frames[i], (frames[i - 1] + 1) % test::kColourFrames);
}

TEST_F(VideoPlayback, ViewWithoutThreadIgnoresShowAndHide)
{
	fView = new test::RecordingVideoView(test::sample_ref(kColours));
	ASSERT_EQ(fView->InitCheck(), B_OK);
	// Never started: nothing to suspend or resume, and no thread appears.
	fView->Hide();
	fView->Show();
	fView->Hide();
	EXPECT_LT(test::playback_thread(kColours), 0);

	// Attached while hidden: the thread waits for the view to be shown.
	fWindow = test::show_in_window(fView);
	ASSERT_TRUE(sync_window(fWindow));
	ASSERT_GT(test::playback_thread(kColours), 0);
	snooze(300000);
	EXPECT_TRUE(PlaybackDraws().empty());
	ASSERT_TRUE(fWindow->Lock());
	fView->Show();
	fWindow->Unlock();
	EXPECT_TRUE(WaitForDraws(2));
	EXPECT_EQ(frames_of(PlaybackDraws())[0], 0);
}

TEST_F(VideoPlayback, DetachingEndsTheThread)
{
	Play(kColours);
	ASSERT_TRUE(WaitForDraws(2));
	thread_id thread = test::playback_thread(kColours);
	ASSERT_GT(thread, 0);

	ASSERT_TRUE(fWindow->Lock());
	fWindow->RemoveChild(fView);
	// Stopped by the time the view is out: nothing draws into it any more.
	thread_info info;
	EXPECT_EQ(get_thread_info(thread, &info), B_BAD_THREAD_ID);
	fWindow->Unlock();
	size_t drawn = fView->Records().size();
	snooze(300000);
	EXPECT_EQ(fView->Records().size(), drawn);

	// Attached again, it plays again, with a new thread.
	ASSERT_TRUE(fWindow->Lock());
	fWindow->AddChild(fView);
	fWindow->Unlock();
	EXPECT_TRUE(WaitForDraws(drawn + 2));
	thread_id again = test::playback_thread(kColours);
	EXPECT_GT(again, 0);
	EXPECT_NE(again, thread);

	// Closing the window ends it too.
	test::quit_window(fWindow);
	fWindow = NULL;
	EXPECT_TRUE(wait_for([&] { return get_thread_info(again, &info) == B_BAD_THREAD_ID; }));
}

TEST_F(VideoPlayback, AThreadWithoutAWindowEndsWithoutDrawing)
{
	// Started by hand on a view in no window: the lock cannot be had, so the
	// thread ends instead of drawing.
	test::RecordingVideoView view(test::sample_ref(kColours));
	ASSERT_EQ(view.InitCheck(), B_OK);
	view.Start();
	thread_id thread = test::playback_thread(kColours);
	ASSERT_GT(thread, 0);
	EXPECT_TRUE(wait_for([&] {
		thread_info info;
		return get_thread_info(thread, &info) == B_BAD_THREAD_ID;
	}));
	EXPECT_TRUE(view.Records().empty());
	view.Stop();
}

TEST_F(VideoPlayback, ClipWithoutReadableFramesDoesNotSpin)
{
	// clip-colours.mp4 with the frame data zeroed: the header describes a
	// 64x48 track, but no frame decodes.
	FILE* in = fopen(test::sample_path(kColours).c_str(), "rb");
	ASSERT_NE(in, nullptr);
	std::vector<uint8> data(1 << 16);
	data.resize(fread(data.data(), 1, data.size(), in));
	fclose(in);
	size_t at = 0;
	bool zeroed = false;
	while (at + 8 <= data.size()) {
		size_t size =
		    size_t(data[at]) << 24 | data[at + 1] << 16 | data[at + 2] << 8 | data[at + 3];
		if (size < 8 || at + size > data.size())
			break;
		if (memcmp(&data[at + 4], "mdat", 4) == 0) {
			memset(&data[at + 8], 0, size - 8);
			zeroed = true;
		}
		at += size;
	}
	ASSERT_TRUE(zeroed);
	char dir[] = "/tmp/pl-video-XXXXXX";
	ASSERT_NE(mkdtemp(dir), nullptr);
	std::string path = std::string(dir) + "/blank.mp4";
	FILE* out = fopen(path.c_str(), "wb");
	ASSERT_NE(out, nullptr);
	fwrite(data.data(), 1, data.size(), out);
	fclose(out);

	fView = new test::RecordingVideoView(test::ref_for(path));
	ASSERT_EQ(fView->InitCheck(), B_OK) << "the damage must be found by playing, not opening";
	fWindow = test::show_in_window(fView);
	thread_id thread;
	ASSERT_TRUE(wait_for([&] { return (thread = test::playback_thread("blank.mp4")) > 0; }));

	// Over a second of wall time, the thread keeps the processor busy for a
	// small part of it only (a spinning one takes what it can get, at least
	// a third of it on a busy machine of two cores).
	bigtime_t startCpu = test::cpu_time(thread);
	bigtime_t start = system_time();
	snooze(1000000);
	bigtime_t used = test::cpu_time(thread) - startCpu;
	bigtime_t elapsed = system_time() - start;
	EXPECT_LT(used, elapsed / 20) << "the thread used " << used << " µs of " << elapsed;
	EXPECT_TRUE(PlaybackDraws().empty()) << "nothing was decoded, so nothing is drawn";

	// It still ends when the view goes.
	test::quit_window(fWindow);
	fWindow = NULL;
	EXPECT_TRUE(wait_for([&] {
		thread_info info;
		return get_thread_info(thread, &info) == B_BAD_THREAD_ID;
	}));
	unlink(path.c_str());
	rmdir(dir);
}
