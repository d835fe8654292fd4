// Frames of every width, in every pixel format the decoders hand out, stay
// inside the buffer they are read into: libswscale's vector code writes whole
// groups of pixels, past the end of a row whose width is not a multiple of
// its vector, and so past the end of the last row.

#include <MediaFile.h>
#include <MediaTrack.h>

#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MediaTestUtils.h"

namespace {

const uint32 kHeight = 6;

std::vector<uint32> widths()
{
	std::vector<uint32> all;
	for (uint32 width = 1; width <= 64; width++)
		all.push_back(width);
	for (uint32 width : {100u, 127u, 200u, 255u, 360u, 361u, 500u})
		all.push_back(width);
	return all;
}

std::string clip_name(const char* format, uint32 width)
{
	return std::string(format) + "-" + std::to_string(width) + ".nut";
}

// One ffmpeg run per pixel format: a test picture cut to every width, as
// uncompressed frames, which reach the converter in the format as stored.
bool make_raw_clips(const TempDir& dir, const char* format)
{
	std::vector<uint32> all = widths();
	std::string graph = "[0]format=rgb24,split=" + std::to_string(all.size());
	for (uint32 width : all)
		graph += "[s" + std::to_string(width) + "]";
	std::vector<std::string> argv = {"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
	                                  "testsrc2=size=512x" + std::to_string(kHeight) + ":rate=10"};
	for (uint32 width : all) {
		std::string w = std::to_string(width);
		graph += ";[s" + w + "]crop=" + w + ":" + std::to_string(kHeight) + ":0:0[o" + w + "]";
		argv.insert(argv.end(), {"-map", "[o" + w + "]", "-c:v", "rawvideo", "-pix_fmt", format,
		                         "-frames:v", "2", dir.Path(clip_name(format, width).c_str())});
	}
	argv.insert(argv.begin() + 8, {"-filter_complex", graph});
	return run_program(argv) == 0;
}

// Reads every frame of the first video track into a buffer of |bytesPerRow|
// rows (0: the track's own choice) with guard bytes after it; false at the
// first frame that wrote past the buffer. |frames| gets the last frame read.
struct ReadResult {
	int frames = 0;
	bool inside = true;
	uint32 bytesPerRow = 0;
	std::vector<uint8> last; // width * 4 bytes per row, top row first
};

ReadResult read_all(const std::string& path, uint32 bytesPerRow, bool bottomUp)
{
	ReadResult result;
	std::unique_ptr<BMediaFile> file = open_media(path);
	EXPECT_EQ(file->InitCheck(), B_OK) << path;
	if (file->InitCheck() != B_OK)
		return result;
	media_format encoded;
	BMediaTrack* track = first_video_track(file.get(), &encoded);
	EXPECT_NE(track, nullptr) << path;
	if (track == NULL)
		return result;
	uint32 width = encoded.Width();
	uint32 height = encoded.Height();

	media_format request;
	request.type = B_MEDIA_RAW_VIDEO;
	request.u.raw_video.display.bytes_per_row = bytesPerRow;
	request.u.raw_video.orientation = bottomUp ? B_VIDEO_BOTTOM_LEFT_RIGHT : B_VIDEO_TOP_LEFT_RIGHT;
	EXPECT_EQ(track->DecodedFormat(&request), B_OK) << path;
	result.bytesPerRow = request.u.raw_video.display.bytes_per_row;
	EXPECT_GE(result.bytesPerRow, width * 4);

	FrameBuffer buffer(result.bytesPerRow, height);
	while (true) {
		int64 count = 0;
		if (track->ReadFrames(buffer.Bits(), &count) != B_OK)
			break;
		result.frames++;
		if (!buffer.GuardIntact()) {
			result.inside = false;
			break;
		}
	}
	for (uint32 y = 0; y < height; y++) {
		const uint8* row = buffer.Pixel(0, bottomUp ? height - 1 - y : y);
		result.last.insert(result.last.end(), row, row + width * 4);
	}
	return result;
}

class EveryWidth : public testing::TestWithParam<const char*> {};

TEST_P(EveryWidth, FramesStayInsideTheBufferAndLookTheSameInAnyRows)
{
	const char* format = GetParam();
	TempDir dir;
	ASSERT_TRUE(make_raw_clips(dir, format)) << "ffmpeg could not make the " << format << " clips";
	for (uint32 width : widths()) {
		SCOPED_TRACE(std::string(format) + " " + std::to_string(width) + " wide");
		std::string path = dir.Path(clip_name(format, width).c_str());

		// Rows as narrow as the picture, the track's own rows, and its own
		// rows bottom up: the same picture each time.
		ReadResult tight = read_all(path, width * 4, false);
		ReadResult own = read_all(path, 0, false);
		ReadResult flipped = read_all(path, 0, true);
		for (const ReadResult* result : {&tight, &own, &flipped}) {
			EXPECT_EQ(result->frames, 2);
			EXPECT_TRUE(result->inside) << result->bytesPerRow << " bytes a row";
		}
		EXPECT_EQ(tight.last, own.last);
		EXPECT_EQ(flipped.last, own.last);
		// Not an empty picture: the test picture has colour at its left.
		EXPECT_TRUE(std::any_of(own.last.begin(), own.last.end(), [](uint8 v) { return v > 40; }));
		if (HasFailure())
			return;
	}
}

INSTANTIATE_TEST_SUITE_P(PixelFormats, EveryWidth,
                         testing::Values("yuv420p", "yuv422p", "yuv444p", "yuv420p10le", "nv12",
                                         "rgb24", "pal8"),
                         [](const testing::TestParamInfo<const char*>& info) {
	                         return std::string(info.param);
                         });

// Coded clips as a camera or an encoder makes them, played to the end into
// rows the track chose and into rows as narrow as the picture.
TEST(CodedClips, H264OfAnyWidthStaysInsideTheBuffer)
{
	struct Size {
		uint32 width, height;
	};
	const Size sizes[] = {{2, 2}, {8, 8}, {30, 20}, {200, 150}, {360, 240}};
	TempDir dir;
	for (const char* format : {"yuv420p", "yuv420p10le"}) {
		for (const Size& size : sizes) {
			std::string dimensions = std::to_string(size.width) + "x" + std::to_string(size.height);
			SCOPED_TRACE(std::string(format) + " " + dimensions);
			std::string path = dir.Path((std::string(format) + "-" + dimensions + ".mp4").c_str());
			ASSERT_EQ(run_program({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
			                       "testsrc=size=" + dimensions + ":rate=25:duration=0.4", "-c:v",
			                       "libx264", "-pix_fmt", format, path}),
			          0);
			ReadResult own = read_all(path, 0, false);
			ReadResult tight = read_all(path, size.width * 4, false);
			EXPECT_EQ(own.frames, 10);
			EXPECT_EQ(tight.frames, 10);
			EXPECT_TRUE(own.inside);
			EXPECT_TRUE(tight.inside);
			EXPECT_EQ(tight.last, own.last);
		}
	}
}

} // namespace
