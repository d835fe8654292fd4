// Clips shot on their side, or mirrored, say so with a display matrix; a
// track reports their upright size and delivers upright frames, as ffmpeg
// (and mpv) show them. The clips are made at run time: a rotation through
// ffmpeg's "rotate" metadata, mirror images by writing the matrix of the MP4
// track header directly.

#include <Bitmap.h>
#include <MediaFile.h>
#include <MediaTrack.h>
#include <TranslationUtils.h>

#include <string.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MediaTestUtils.h"

namespace {

// 64 x 32 blue, with a red square at the top left and a green one at the
// top right, so that every turn and mirror image looks different.
const char kSource[] = "color=c=blue:s=64x32:d=0.3:r=10,"
                       "drawbox=x=0:y=0:w=16:h=16:color=red:t=fill,"
                       "drawbox=x=48:y=0:w=16:h=16:color=lime:t=fill";

// Writes the a, b, c, d entries (of -1, 0, 1) of the first track header's
// matrix, as the MP4 stores them in 16.16 fixed point.
bool write_matrix(const std::string& path, int a, int b, int c, int d)
{
	std::vector<uint8> bytes = read_file(path);
	const char kBox[] = "tkhd";
	auto at = std::search(bytes.begin(), bytes.end(), kBox, kBox + 4);
	// Version 0 header: the matrix is 36 bytes from the box's type.
	size_t matrix = size_t(at - bytes.begin()) + 4 + 36;
	if (at == bytes.end() || bytes[size_t(at - bytes.begin()) + 4] != 0 ||
	    matrix + 36 > bytes.size())
		return false;
	const int32 values[9] = {a * 65536, b * 65536, 0, c * 65536, d * 65536, 0, 0, 0, 1 << 30};
	for (int i = 0; i < 9; i++) {
		uint32 value = uint32(values[i]);
		for (int j = 0; j < 4; j++)
			bytes[matrix + i * 4 + j] = uint8(value >> (24 - 8 * j));
	}
	write_file(path, bytes.data(), bytes.size());
	return true;
}

struct Turn {
	const char* name;
	int rotate; // ffmpeg's "rotate" metadata, or -1 for a matrix
	int a, b, c, d;
};

const Turn kTurns[] = {
    {"rotate-90", 90, 0, 0, 0, 0},
    {"rotate-180", 180, 0, 0, 0, 0},
    {"rotate-270", 270, 0, 0, 0, 0},
    {"mirrored", -1, -1, 0, 0, 1},
    {"upside-down-mirrored", -1, 1, 0, 0, -1},
    {"transposed", -1, 0, 1, 1, 0},
    {"transversed", -1, 0, -1, -1, 0},
};

class Rotation : public testing::TestWithParam<Turn> {
protected:
	void SetUp() override
	{
		const Turn& turn = GetParam();
		std::string plain = fDir.Path("plain.mp4");
		ASSERT_EQ(run_program({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", kSource, "-c:v",
		                       "libx264", "-pix_fmt", "yuv420p", plain}),
		          0);
		fClip = fDir.Path("turned.mp4");
		if (turn.rotate >= 0) {
			// ffmpeg 5.1 takes the metadata only when it copies the stream.
			ASSERT_EQ(
			    run_program({"ffmpeg", "-v", "error", "-y", "-i", plain, "-c", "copy",
			                 "-metadata:s:v:0", "rotate=" + std::to_string(turn.rotate), fClip}),
			    0);
		} else {
			std::vector<uint8> bytes = read_file(plain);
			write_file(fClip, bytes.data(), bytes.size());
			ASSERT_TRUE(write_matrix(fClip, turn.a, turn.b, turn.c, turn.d));
		}
		// ffmpeg turns what it decodes by the matrix itself.
		std::string shown = fDir.Path("shown.png");
		ASSERT_EQ(
		    run_program({"ffmpeg", "-v", "error", "-y", "-i", fClip, "-frames:v", "1", shown}), 0);
		fShown.reset(BTranslationUtils::GetBitmap(shown.c_str()));
		ASSERT_NE(fShown, nullptr);
	}

	// The four corners' squares of an upright frame: each pixel of |frame|
	// (B, G, R, A at (x, y)) like ffmpeg's there.
	template <typename PixelAt>
	void ExpectCornersLikeFfmpeg(PixelAt frame, uint32 width, uint32 height)
	{
		ASSERT_EQ(width, uint32(fShown->Bounds().IntegerWidth() + 1));
		ASSERT_EQ(height, uint32(fShown->Bounds().IntegerHeight() + 1));
		const uint8* bits = static_cast<const uint8*>(fShown->Bits());
		for (uint32 y : {6u, height - 7}) {
			for (uint32 x : {6u, width - 7}) {
				const uint8* expected = bits + y * fShown->BytesPerRow() + x * 4;
				EXPECT_TRUE(pixel_near(frame(x, y), expected[2], expected[1], expected[0], 24))
				    << "(" << x << ", " << y << "): " << describe_pixel(frame(x, y)) << " where "
				    << describe_pixel(expected) << " was expected";
			}
		}
	}

	TempDir fDir;
	std::string fClip;
	std::unique_ptr<BBitmap> fShown;
};

TEST_P(Rotation, TrackIsUprightInSizeAndInEveryFrame)
{
	std::unique_ptr<BMediaFile> file = open_media(fClip);
	ASSERT_EQ(file->InitCheck(), B_OK);
	media_format encoded;
	BMediaTrack* track = first_video_track(file.get(), &encoded);
	ASSERT_NE(track, nullptr);
	uint32 width = encoded.u.encoded_video.output.display.line_width;
	uint32 height = encoded.u.encoded_video.output.display.line_count;
	EXPECT_EQ(width, uint32(fShown->Bounds().IntegerWidth() + 1));
	EXPECT_EQ(height, uint32(fShown->Bounds().IntegerHeight() + 1));

	// Rows the track chooses, rows as narrow as the picture, and bottom up.
	for (uint32 rows : {0u, width * 4}) {
		for (bool bottomUp : {false, true}) {
			SCOPED_TRACE(std::to_string(rows) + " bytes a row" + (bottomUp ? ", bottom up" : ""));
			media_format request;
			request.type = B_MEDIA_RAW_VIDEO;
			request.u.raw_video.display.bytes_per_row = rows;
			request.u.raw_video.orientation =
			    bottomUp ? B_VIDEO_BOTTOM_LEFT_RIGHT : B_VIDEO_TOP_LEFT_RIGHT;
			ASSERT_EQ(track->DecodedFormat(&request), B_OK);
			EXPECT_EQ(request.u.raw_video.display.line_width, width);
			EXPECT_EQ(request.u.raw_video.display.line_count, height);
			uint32 bytesPerRow = request.u.raw_video.display.bytes_per_row;
			FrameBuffer buffer(bytesPerRow, height);
			int64 frame = 0;
			ASSERT_EQ(track->SeekToFrame(&frame), B_OK);
			for (int i = 0; i < 3; i++) {
				int64 count = 0;
				ASSERT_EQ(track->ReadFrames(buffer.Bits(), &count), B_OK);
				ExpectCornersLikeFfmpeg(
				    [&](uint32 x, uint32 y) {
					    return buffer.Pixel(x, bottomUp ? height - 1 - y : y);
				    },
				    width, height);
				EXPECT_TRUE(buffer.GuardIntact());
				if (rows != 0) {
					EXPECT_TRUE(buffer.PaddingIntact(width));
				}
			}
		}
	}
}

INSTANTIATE_TEST_SUITE_P(Turns, Rotation, testing::ValuesIn(kTurns),
                         [](const testing::TestParamInfo<Turn>& info) {
	                         std::string name = info.param.name;
	                         std::replace(name.begin(), name.end(), '-', '_');
	                         return name;
                         });

} // namespace
