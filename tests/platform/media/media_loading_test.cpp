// FFmpeg's libraries are loaded by the first media file, not at start-up: a
// program that only shows still pictures never pays for them.
#include <MediaFile.h>
#include <MediaTrack.h>

#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "LoadedLibraries.h"
#include "MediaTestUtils.h"

namespace {


const char* const kLibraries[] = {"libavformat.so", "libavcodec.so", "libavutil.so",
                                  "libswscale.so"};

} // namespace

TEST(MediaLibraries, LoadedByTheFirstMediaFileAndWorking)
{
	for (const char* library : kLibraries)
		EXPECT_FALSE(is_loaded(library)) << library << " was loaded at start-up";

	// clip-colours.mp4: 64x48, its first frame black.
	std::unique_ptr<BMediaFile> file = open_media(sample_path("clip-colours.mp4"));
	ASSERT_EQ(file->InitCheck(), B_OK);
	BMediaTrack* track = first_video_track(file.get());
	ASSERT_NE(track, nullptr);
	media_format request;
	request.type = B_MEDIA_RAW_VIDEO;
	request.u.raw_video.display.format = B_RGB32;
	ASSERT_EQ(track->DecodedFormat(&request), B_OK);
	uint32 bytesPerRow = request.u.raw_video.display.bytes_per_row;
	ASSERT_GE(bytesPerRow, 64u * 4);
	FrameBuffer buffer(bytesPerRow, request.u.raw_video.display.line_count);
	int64 count = 0;
	ASSERT_EQ(track->ReadFrames(buffer.Bits(), &count), B_OK);
	EXPECT_EQ(count, 1);
	const uint8* pixel = buffer.Pixel(40, 30);
	EXPECT_TRUE(pixel_near(pixel, 0, 0, 0)) << describe_pixel(pixel);
	EXPECT_TRUE(buffer.GuardIntact());

	for (const char* library : kLibraries)
		EXPECT_TRUE(is_loaded(library)) << library;
}
