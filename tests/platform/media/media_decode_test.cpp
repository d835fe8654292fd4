// Decoding video tracks: the agreed format, pixels at known places, frame
// order and time stamps, the end of the track, looping and seeking.
#include <MediaFile.h>
#include <MediaTrack.h>

#include <thread>

#include <gtest/gtest.h>

#include "MediaTestUtils.h"

namespace {

// clip-colours.mp4: 64x48, frame N flat in the colour whose red, green and
// blue are bits 0, 1 and 2 of N, with a grey (128) 16x16 block top left.
const uint32 kColoursWidth = 64;
const uint32 kColoursHeight = 48;
const int kColourFrames = 8;

void expect_colour_frame(const FrameBuffer& buffer, int n)
{
	int red = (n & 1) ? 255 : 0;
	int green = (n & 2) ? 255 : 0;
	int blue = (n & 4) ? 255 : 0;
	for (uint32 y : {20u, 30u, 47u}) {
		for (uint32 x : {20u, 40u, 63u}) {
			const uint8* pixel = buffer.Pixel(x, y);
			EXPECT_TRUE(pixel_near(pixel, red, green, blue))
			    << "frame " << n << " at " << x << "," << y << ": " << describe_pixel(pixel);
		}
	}
	const uint8* block = buffer.Pixel(4, 4);
	EXPECT_TRUE(pixel_near(block, 128, 128, 128)) << "frame " << n << ": " << describe_pixel(block);
	EXPECT_EQ(block[3], 255);
}

// The request the video view makes for a W x H bitmap: every byte zero,
// then geometry one less than the size, a 1:3 aspect and the bitmap's stride.
media_format view_request(uint32 width, uint32 height, uint32 bytesPerRow)
{
	media_format request;
	media_raw_video_format& video = request.u.raw_video;
	video.last_active = height - 2;
	video.orientation = B_VIDEO_TOP_LEFT_RIGHT;
	video.pixel_width_aspect = 1;
	video.pixel_height_aspect = 3;
	video.display.format = B_RGB32;
	video.display.line_width = width - 1;
	video.display.line_count = height - 1;
	video.display.bytes_per_row = bytesPerRow;
	return request;
}

class ColoursClip : public ::testing::Test {
protected:
	void SetUp() override
	{
		fFile = open_media(sample_path("clip-colours.mp4"));
		ASSERT_EQ(fFile->InitCheck(), B_OK);
		fTrack = first_video_track(fFile.get());
		ASSERT_NE(fTrack, nullptr);
	}

	std::unique_ptr<BMediaFile> fFile;
	BMediaTrack* fTrack = NULL;
};

} // namespace

TEST_F(ColoursClip, FramesComeInPresentationOrderWithTheirTimes)
{
	// Padded rows, as a BBitmap may have them.
	const uint32 bytesPerRow = kColoursWidth * 4 + 64;
	media_format request = view_request(kColoursWidth, kColoursHeight, bytesPerRow);
	ASSERT_EQ(fTrack->DecodedFormat(&request), B_OK);
	EXPECT_EQ(request.type, B_MEDIA_RAW_VIDEO);
	// The advisory geometry and aspect are replaced by the track's own.
	EXPECT_EQ(request.u.raw_video.display.line_width, kColoursWidth);
	EXPECT_EQ(request.u.raw_video.display.line_count, kColoursHeight);
	EXPECT_EQ(request.u.raw_video.display.bytes_per_row, bytesPerRow);
	EXPECT_EQ(request.u.raw_video.display.format, B_RGB32);
	EXPECT_EQ(request.u.raw_video.pixel_width_aspect, 1);
	EXPECT_EQ(request.u.raw_video.pixel_height_aspect, 1);

	FrameBuffer buffer(bytesPerRow, kColoursHeight);
	for (int n = 0; n < kColourFrames; n++) {
		SCOPED_TRACE(n);
		int64 count = 0;
		media_header header;
		ASSERT_EQ(fTrack->ReadFrames(buffer.Bits(), &count, &header), B_OK);
		EXPECT_EQ(count, 1);
		expect_colour_frame(buffer, n);
		EXPECT_EQ(header.type, B_MEDIA_RAW_VIDEO);
		EXPECT_EQ(header.start_time, n * 100000);
		EXPECT_EQ(header.size_used, bytesPerRow * kColoursHeight);
		// The position is where the frame just read ends.
		EXPECT_EQ(fTrack->CurrentTime(), (n + 1) * 100000);
		EXPECT_EQ(fTrack->CurrentFrame(), n + 1);
	}
	EXPECT_TRUE(buffer.PaddingIntact(kColoursWidth));
	EXPECT_TRUE(buffer.GuardIntact());

	int64 count = 7;
	EXPECT_EQ(fTrack->ReadFrames(buffer.Bits(), &count), B_LAST_BUFFER_ERROR);
	EXPECT_EQ(count, 0);
	// The end stays the end until a seek.
	EXPECT_EQ(fTrack->ReadFrames(buffer.Bits(), &count), B_LAST_BUFFER_ERROR);
}

TEST_F(ColoursClip, SeekingToFrameZeroLoopsTheClip)
{
	FrameBuffer buffer(kColoursWidth * 4, kColoursHeight);
	for (int loop = 0; loop < 3; loop++) {
		SCOPED_TRACE(loop);
		int64 count;
		int frames = 0;
		status_t status;
		while ((status = fTrack->ReadFrames(buffer.Bits(), &count)) == B_OK) {
			if (frames == 0)
				expect_colour_frame(buffer, 0);
			frames++;
		}
		EXPECT_EQ(status, B_LAST_BUFFER_ERROR);
		EXPECT_EQ(frames, kColourFrames);
		expect_colour_frame(buffer, kColourFrames - 1);

		int64 frame = 0;
		ASSERT_EQ(fTrack->SeekToFrame(&frame), B_OK);
		EXPECT_EQ(frame, 0);
		EXPECT_EQ(fTrack->CurrentTime(), 0);
		EXPECT_EQ(fTrack->CurrentFrame(), 0);
	}
}

TEST_F(ColoursClip, SeekToAFrameDeliversThatFrameNext)
{
	FrameBuffer buffer(kColoursWidth * 4, kColoursHeight);
	for (int64 target : {5, 2, 7, 0, 6}) {
		SCOPED_TRACE(target);
		int64 frame = target;
		ASSERT_EQ(fTrack->SeekToFrame(&frame), B_OK);
		EXPECT_EQ(frame, target);
		EXPECT_EQ(fTrack->CurrentTime(), target * 100000);
		int64 count;
		media_header header;
		ASSERT_EQ(fTrack->ReadFrames(buffer.Bits(), &count, &header), B_OK);
		expect_colour_frame(buffer, int(target));
		EXPECT_EQ(header.start_time, target * 100000);
		EXPECT_EQ(fTrack->CurrentTime(), (target + 1) * 100000);
	}

	// By time: 0.42 s is within frame 4.
	bigtime_t time = 420000;
	ASSERT_EQ(fTrack->SeekToTime(&time), B_OK);
	EXPECT_EQ(time, 400000);
	int64 count;
	ASSERT_EQ(fTrack->ReadFrames(buffer.Bits(), &count), B_OK);
	expect_colour_frame(buffer, 4);

	// Backward to a key frame: the clip's only one is frame 0.
	int64 frame = 6;
	ASSERT_EQ(fTrack->SeekToFrame(&frame, B_MEDIA_SEEK_CLOSEST_BACKWARD), B_OK);
	EXPECT_EQ(frame, 0);
	ASSERT_EQ(fTrack->ReadFrames(buffer.Bits(), &count), B_OK);
	expect_colour_frame(buffer, 0);

	// Past the end there is no frame, and reading says so.
	frame = 50;
	EXPECT_NE(fTrack->SeekToFrame(&frame), B_OK);
	EXPECT_EQ(fTrack->ReadFrames(buffer.Bits(), &count), B_LAST_BUFFER_ERROR);
	frame = 0;
	ASSERT_EQ(fTrack->SeekToFrame(&frame), B_OK);
	ASSERT_EQ(fTrack->ReadFrames(buffer.Bits(), &count), B_OK);
	expect_colour_frame(buffer, 0);
}

TEST_F(ColoursClip, DecodedFormatRefusesWhatItCannotDeliver)
{
	const uint32 width = kColoursWidth;
	struct Case {
		const char* what;
		media_format request;
	};
	std::vector<Case> cases;
	cases.push_back({"rows too short", view_request(width, kColoursHeight, width * 4 - 1)});
	cases.push_back({"rows of 3 bytes per pixel", view_request(width, kColoursHeight, width * 3)});
	media_format rgb16 = view_request(width, kColoursHeight, 0);
	rgb16.u.raw_video.display.format = B_RGB16;
	cases.push_back({"B_RGB16", rgb16});
	media_format gray = view_request(width, kColoursHeight, 0);
	gray.u.raw_video.display.format = B_GRAY8;
	cases.push_back({"B_GRAY8", gray});
	media_format big = view_request(width, kColoursHeight, 0);
	big.u.raw_video.display.format = B_RGB32_BIG;
	cases.push_back({"B_RGB32_BIG", big});
	media_format audio;
	audio.type = B_MEDIA_RAW_AUDIO;
	cases.push_back({"raw audio", audio});
	media_format encoded;
	encoded.type = B_MEDIA_ENCODED_VIDEO;
	cases.push_back({"encoded video", encoded});
	media_format sideways = view_request(width, kColoursHeight, 0);
	sideways.u.raw_video.orientation = 7;
	cases.push_back({"unknown orientation", sideways});

	for (Case& c : cases) {
		media_format before = c.request;
		EXPECT_EQ(fTrack->DecodedFormat(&c.request), B_MEDIA_BAD_FORMAT) << c.what;
		EXPECT_EQ(memcmp(&before, &c.request, sizeof(before)), 0) << c.what << " was changed";
	}
	EXPECT_EQ(fTrack->DecodedFormat(NULL), B_BAD_VALUE);

	// A refusal leaves the earlier agreement in force: padded rows here.
	const uint32 bytesPerRow = width * 4 + 32;
	media_format request = view_request(width, kColoursHeight, bytesPerRow);
	ASSERT_EQ(fTrack->DecodedFormat(&request), B_OK);
	media_format tooSmall = view_request(width, kColoursHeight, 16);
	ASSERT_NE(fTrack->DecodedFormat(&tooSmall), B_OK);
	FrameBuffer buffer(bytesPerRow, kColoursHeight);
	int64 count;
	ASSERT_EQ(fTrack->ReadFrames(buffer.Bits(), &count), B_OK);
	expect_colour_frame(buffer, 0);
	EXPECT_TRUE(buffer.PaddingIntact(width));
	EXPECT_TRUE(buffer.GuardIntact());
}

TEST_F(ColoursClip, WildcardsGetTheNativeSizeAndBottomUpFlips)
{
	media_format any;
	ASSERT_EQ(fTrack->DecodedFormat(&any), B_OK);
	EXPECT_EQ(any.type, B_MEDIA_RAW_VIDEO);
	EXPECT_EQ(any.u.raw_video.display.format, B_RGB32);
	EXPECT_EQ(any.u.raw_video.display.bytes_per_row, kColoursWidth * 4);
	EXPECT_EQ(any.u.raw_video.display.line_width, kColoursWidth);
	EXPECT_EQ(any.u.raw_video.display.line_count, kColoursHeight);
	EXPECT_EQ(any.u.raw_video.orientation, uint32(B_VIDEO_TOP_LEFT_RIGHT));
	EXPECT_FLOAT_EQ(any.u.raw_video.field_rate, 10.0f);

	media_format flipped;
	flipped.type = B_MEDIA_RAW_VIDEO;
	flipped.u.raw_video.orientation = B_VIDEO_BOTTOM_LEFT_RIGHT;
	flipped.u.raw_video.display.format = B_RGBA32;
	ASSERT_EQ(fTrack->DecodedFormat(&flipped), B_OK);
	EXPECT_EQ(flipped.u.raw_video.display.format, B_RGBA32);
	FrameBuffer buffer(kColoursWidth * 4, kColoursHeight);
	int64 count;
	ASSERT_EQ(fTrack->ReadFrames(buffer.Bits(), &count), B_OK);
	// Frame 0 is black with the grey block now in the bottom-left corner.
	EXPECT_TRUE(pixel_near(buffer.Pixel(4, kColoursHeight - 5), 128, 128, 128))
	    << describe_pixel(buffer.Pixel(4, kColoursHeight - 5));
	EXPECT_TRUE(pixel_near(buffer.Pixel(4, 4), 0, 0, 0)) << describe_pixel(buffer.Pixel(4, 4));
	EXPECT_EQ(buffer.Pixel(40, 20)[3], 255); // opaque
	EXPECT_TRUE(buffer.GuardIntact());
}

TEST(MediaDecode, OddSizeWithNonSquarePixelsIsNotRescaled)
{
	std::unique_ptr<BMediaFile> file = open_media(sample_path("clip-odd-161x97.mkv"));
	ASSERT_EQ(file->InitCheck(), B_OK);
	BMediaTrack* track = first_video_track(file.get());
	ASSERT_NE(track, nullptr);
	const uint32 width = 161;
	const uint32 height = 97;
	// Rows exactly as long as the pixels: nothing may be written beyond them.
	media_format request = view_request(width, height, width * 4);
	ASSERT_EQ(track->DecodedFormat(&request), B_OK);
	EXPECT_EQ(request.u.raw_video.pixel_width_aspect, 4);
	EXPECT_EQ(request.u.raw_video.pixel_height_aspect, 3);

	FrameBuffer buffer(width * 4, height);
	int64 count;
	int frames = 0;
	while (track->ReadFrames(buffer.Bits(), &count) == B_OK) {
		frames++;
		ASSERT_TRUE(buffer.GuardIntact()) << "frame " << frames;
	}
	EXPECT_EQ(frames, 10);
	// Left of column 80 red, right of it blue. (The encoder smears the
	// colour of the last, unpaired chroma column, so that one is only
	// checked for having been written.)
	for (uint32 y : {0u, 48u, height - 1}) {
		for (uint32 x : {0u, 70u}) {
			EXPECT_TRUE(pixel_near(buffer.Pixel(x, y), 255, 0, 0, 24))
			    << x << "," << y << ": " << describe_pixel(buffer.Pixel(x, y));
		}
		for (uint32 x : {90u, 150u}) {
			EXPECT_TRUE(pixel_near(buffer.Pixel(x, y), 0, 0, 255, 24))
			    << x << "," << y << ": " << describe_pixel(buffer.Pixel(x, y));
		}
		const uint8* last = buffer.Pixel(width - 1, y);
		EXPECT_EQ(last[3], 255);
		EXPECT_LT(last[1], 24) << describe_pixel(last);
		EXPECT_GT(last[0] + last[2], 200) << describe_pixel(last);
	}
}

TEST(MediaDecode, TenBitSourceGivesEightBitPixels)
{
	std::unique_ptr<BMediaFile> file = open_media(sample_path("clip-10bit.mp4"));
	ASSERT_EQ(file->InitCheck(), B_OK);
	BMediaTrack* track = first_video_track(file.get());
	ASSERT_NE(track, nullptr);
	FrameBuffer buffer(64 * 4, 48);
	int64 count;
	int frames = 0;
	while (track->ReadFrames(buffer.Bits(), &count) == B_OK) {
		frames++;
		EXPECT_TRUE(pixel_near(buffer.Pixel(32, 5), 0, 255, 0))
		    << describe_pixel(buffer.Pixel(32, 5));
		EXPECT_TRUE(pixel_near(buffer.Pixel(32, 40), 255, 0, 255))
		    << describe_pixel(buffer.Pixel(32, 40));
	}
	EXPECT_EQ(frames, 10);
	EXPECT_TRUE(buffer.GuardIntact());
}

TEST(MediaDecode, EveryClipDecodesWholeWithRisingTimes)
{
	const struct {
		const char* name;
		int frames;
	} clips[] = {
	    {"clip-h264.mp4", 20},
	    {"clip-vp9.webm", 20},
	    {"clip-mpeg4.avi", 20},
	    {"clip-audio-first.mkv", 10},
	};
	for (const auto& clip : clips) {
		SCOPED_TRACE(clip.name);
		std::unique_ptr<BMediaFile> file = open_media(sample_path(clip.name));
		ASSERT_EQ(file->InitCheck(), B_OK);
		media_format encoded;
		BMediaTrack* track = first_video_track(file.get(), &encoded);
		ASSERT_NE(track, nullptr);
		FrameBuffer buffer(encoded.Width() * 4, encoded.Height());
		for (int loop = 0; loop < 2; loop++) {
			int frames = 0;
			bigtime_t last = -1;
			int64 count;
			media_header header;
			while (track->ReadFrames(buffer.Bits(), &count, &header) == B_OK) {
				EXPECT_GT(header.start_time, last);
				EXPECT_NEAR(double(header.start_time), frames * 100000.0, 1000.0);
				EXPECT_GT(track->CurrentTime(), header.start_time);
				last = header.start_time;
				frames++;
			}
			EXPECT_EQ(frames, clip.frames);
			int64 frame = 0;
			ASSERT_EQ(track->SeekToFrame(&frame), B_OK);
		}
		EXPECT_TRUE(buffer.GuardIntact());
	}
}

TEST(MediaDecode, FrameCounterClipShowsItsPicture)
{
	// testsrc2 has a coloured, moving picture: frames differ from each other
	// and are not flat.
	std::unique_ptr<BMediaFile> file = open_media(sample_path("clip-h264.mp4"));
	BMediaTrack* track = first_video_track(file.get());
	ASSERT_NE(track, nullptr);
	FrameBuffer first(320 * 4, 240);
	FrameBuffer second(320 * 4, 240);
	int64 count;
	ASSERT_EQ(track->ReadFrames(first.Bits(), &count), B_OK);
	ASSERT_EQ(track->ReadFrames(second.Bits(), &count), B_OK);
	int differing = 0;
	int distinct = 0;
	for (uint32 y = 0; y < 240; y += 8) {
		for (uint32 x = 0; x < 320; x += 8) {
			differing += memcmp(first.Pixel(x, y), second.Pixel(x, y), 3) != 0;
			distinct += memcmp(first.Pixel(x, y), first.Pixel(0, 0), 3) != 0;
		}
	}
	EXPECT_GT(differing, 10);
	EXPECT_GT(distinct, 100);
}

TEST(MediaDecode, TwoTracksOfOneFileReadIndependently)
{
	std::unique_ptr<BMediaFile> file = open_media(sample_path("clip-two-videos.mkv"));
	ASSERT_EQ(file->InitCheck(), B_OK);
	ASSERT_EQ(file->CountTracks(), 2);
	BMediaTrack* red = file->TrackAt(0);
	BMediaTrack* blue = file->TrackAt(1);
	ASSERT_NE(red, nullptr);
	ASSERT_NE(blue, nullptr);

	FrameBuffer redBuffer(32 * 4, 32);
	FrameBuffer blueBuffer(32 * 4, 32);
	int64 count;
	int redFrames = 0;
	int blueFrames = 0;
	// Interleaved, and the blue track twice as often.
	while (true) {
		bool any = false;
		if (red->ReadFrames(redBuffer.Bits(), &count) == B_OK) {
			redFrames++;
			any = true;
			EXPECT_TRUE(pixel_near(redBuffer.Pixel(16, 16), 255, 0, 0))
			    << describe_pixel(redBuffer.Pixel(16, 16));
		}
		for (int i = 0; i < 2; i++) {
			if (blue->ReadFrames(blueBuffer.Bits(), &count) == B_OK) {
				blueFrames++;
				any = true;
				EXPECT_TRUE(pixel_near(blueBuffer.Pixel(16, 16), 0, 0, 255))
				    << describe_pixel(blueBuffer.Pixel(16, 16));
			}
		}
		if (!any)
			break;
	}
	EXPECT_EQ(redFrames, 5);
	EXPECT_EQ(blueFrames, 5);
}

TEST(MediaDecode, TracksOfSeparateFilesDecodeOnSeparateThreads)
{
	auto decodeAll = [](int* frames) {
		std::unique_ptr<BMediaFile> file = open_media(sample_path("clip-colours.mp4"));
		BMediaTrack* track = first_video_track(file.get());
		if (track == NULL)
			return;
		FrameBuffer buffer(kColoursWidth * 4, kColoursHeight);
		int64 count;
		for (int loop = 0; loop < 5; loop++) {
			while (track->ReadFrames(buffer.Bits(), &count) == B_OK)
				(*frames)++;
			int64 frame = 0;
			track->SeekToFrame(&frame);
		}
	};
	int frames[3] = {0, 0, 0};
	std::thread a(decodeAll, &frames[0]);
	std::thread b(decodeAll, &frames[1]);
	decodeAll(&frames[2]);
	a.join();
	b.join();
	for (int count : frames)
		EXPECT_EQ(count, 5 * kColourFrames);
}
