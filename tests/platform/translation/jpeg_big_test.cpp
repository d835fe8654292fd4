// Big JPEGs are decoded by libjpeg straight into the bitmap's rows, either on
// one thread while a helper faults the pages in, or in two bands on two
// threads: the pixels must be exactly those of one plain TurboJPEG decoding,
// at every subsampling, progressive too, and at heights that do not end on a
// block, and the two ways must agree on every picture and every damage.
#include <stdint.h>
#include <string.h>

#include <random>
#include <vector>

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include "TranslationTestUtils.h"
#include "translation/JpegTranslator.h"

namespace {

// Smooth gradients with grain, about as hard to decode as a photograph.
std::vector<uint8> photo_like(int width, int height, int channels)
{
	std::vector<uint8> pixels(size_t(width) * height * channels);
	std::minstd_rand random(7);
	for (int y = 0; y < height; y++) {
		for (int x = 0; x < width; x++) {
			uint8* pixel = &pixels[(size_t(y) * width + x) * channels];
			int grain = int(random() % 32);
			for (int c = 0; c < channels; c++)
				pixel[c] = uint8((x * (c + 1) + y * (3 - c)) / 9 + grain);
		}
	}
	return pixels;
}

// |format| TJPF_CMYK makes a CMYK (YCCK) file.
std::vector<uint8> compress(int width, int height, int subsampling, bool progressive,
                            int format = -1)
{
	bool gray = subsampling == TJSAMP_GRAY;
	if (format < 0)
		format = gray ? TJPF_GRAY : TJPF_RGB;
	std::vector<uint8> pixels = photo_like(width, height, tjPixelSize[format]);
	tjhandle handle = tjInitCompress();
	unsigned char* out = NULL;
	unsigned long length = 0;
	int flags = progressive ? TJFLAG_PROGRESSIVE : 0;
	int result = tjCompress2(handle, pixels.data(), width, 0, height, format, &out, &length,
	                         subsampling, 90, flags);
	std::vector<uint8> file;
	if (result == 0)
		file.assign(out, out + length);
	tjFree(out);
	tjDestroy(handle);
	return file;
}

std::vector<uint8> reference(const std::vector<uint8>& file, int width, int height)
{
	std::vector<uint8> pixels(size_t(width) * height * 4);
	tjhandle handle = tjInitDecompress();
	int result = tjDecompress2(handle, file.data(), file.size(), pixels.data(), width, width * 4,
	                           height, TJPF_BGRX, 0);
	tjDestroy(handle);
	return result == 0 ? pixels : std::vector<uint8>();
}

const BPrivate::JpegOptions kOneThread = {INT64_MAX, true};
// Two bands whatever the size and the processors.
const BPrivate::JpegOptions kTwoBands = {1, false};

std::unique_ptr<BBitmap> decode_with(const BPrivate::JpegOptions& options,
                                     const std::vector<uint8>& file)
{
	BPrivate::JpegTranslator translator(options);
	BMemoryIO stream(file.data(), file.size());
	BBitmap* bitmap = NULL;
	if (translator.Decode(&stream, 0, &bitmap) != B_OK)
		return nullptr;
	return std::unique_ptr<BBitmap>(bitmap);
}

// The first row in which two bitmaps differ, or -1 when they are the same.
int32 first_differing_row(const BBitmap& a, const BBitmap& b)
{
	if (width_of(a) != width_of(b) || height_of(a) != height_of(b))
		return 0;
	size_t rowBytes = size_t(width_of(a)) * 4;
	for (int32 y = 0; y < height_of(a); y++) {
		const uint8* rowA = static_cast<const uint8*>(a.Bits()) + y * a.BytesPerRow();
		const uint8* rowB = static_cast<const uint8*>(b.Bits()) + y * b.BytesPerRow();
		if (memcmp(rowA, rowB, rowBytes) != 0)
			return y;
	}
	return -1;
}

} // namespace

TEST(BigJpeg, PixelsMatchOnePlainTurboJpegDecodingExactly)
{
	struct {
		int width, height, subsampling;
		bool progressive;
	} cases[] = {
	    {1600, 1500, TJSAMP_420, false},  {1601, 1501, TJSAMP_420, false},
	    {1500, 1499, TJSAMP_422, false},  {1500, 1405, TJSAMP_444, false},
	    {1700, 1333, TJSAMP_GRAY, false}, {1600, 1500, TJSAMP_420, true},
	};
	for (const auto& c : cases) {
		SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " subsampling "
		                                << c.subsampling << (c.progressive ? " progressive" : ""));
		std::vector<uint8> file = compress(c.width, c.height, c.subsampling, c.progressive);
		ASSERT_FALSE(file.empty());
		std::vector<uint8> expected = reference(file, c.width, c.height);
		ASSERT_FALSE(expected.empty());
		std::unique_ptr<BBitmap> bitmap = decode(file);
		ASSERT_NE(bitmap, nullptr);
		ASSERT_EQ(width_of(*bitmap), c.width);
		ASSERT_EQ(height_of(*bitmap), c.height);
		int32 firstWrongRow = -1;
		for (int32 y = 0; y < c.height && firstWrongRow < 0; y++) {
			const uint8* row =
			    static_cast<const uint8*>(bitmap->Bits()) + y * bitmap->BytesPerRow();
			if (memcmp(row, &expected[size_t(y) * c.width * 4], size_t(c.width) * 4) != 0)
				firstWrongRow = y;
		}
		EXPECT_EQ(firstWrongRow, -1);
	}
}

TEST(BigJpeg, DamageAnywhereFailsTheWholePicture)
{
	std::vector<uint8> file = compress(1600, 1500, TJSAMP_420, false);
	ASSERT_FALSE(file.empty());
	// Cut or damaged early, and late, when most rows are already written.
	for (double at : {0.3, 0.9}) {
		SCOPED_TRACE(at);
		std::vector<uint8> cut(file.begin(), file.begin() + size_t(file.size() * at));
		EXPECT_EQ(decode(cut), nullptr);
		// Garbage instead of the scan's tail: a bad Huffman code somewhere.
		std::vector<uint8> damaged = file;
		std::minstd_rand random(3);
		for (size_t i = size_t(file.size() * at); i < file.size() - 2; i++)
			damaged[i] = uint8(random());
		EXPECT_EQ(decode(damaged), nullptr);
	}
}

TEST(JpegBands, TwoBandsGiveThePictureOfOneThread)
{
	struct {
		int width, height, subsampling, format, orientation;
	} cases[] = {
	    {1601, 1501, TJSAMP_420, -1, 1},         {1500, 1499, TJSAMP_422, -1, 1},
	    {999, 1405, TJSAMP_440, -1, 1},          {1700, 1333, TJSAMP_GRAY, -1, 1},
	    {1203, 907, TJSAMP_444, TJPF_CMYK, 1},   {1601, 1501, TJSAMP_420, -1, 6},
	    {1200, 1001, TJSAMP_422, TJPF_CMYK, 3},  {40, 33, TJSAMP_420, -1, 1},
	};
	for (const auto& c : cases) {
		SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " subsampling "
		                                << c.subsampling << " format " << c.format
		                                << " orientation " << c.orientation);
		std::vector<uint8> file = compress(c.width, c.height, c.subsampling, false, c.format);
		ASSERT_FALSE(file.empty());
		if (c.orientation != 1)
			file = with_segment(file, exif_segment(uint16(c.orientation), false));
		std::unique_ptr<BBitmap> one = decode_with(kOneThread, file);
		std::unique_ptr<BBitmap> two = decode_with(kTwoBands, file);
		ASSERT_NE(one, nullptr);
		ASSERT_NE(two, nullptr);
		EXPECT_EQ(first_differing_row(*one, *two), -1);
	}
}

TEST(JpegBands, DamageAnywhereFailsTwoBandsAsItFailsOneThread)
{
	std::vector<uint8> file = compress(1600, 1500, TJSAMP_420, false);
	ASSERT_FALSE(file.empty());
	// In the upper band (which the lower one skips over), near the split, and
	// in the lower band; and a file cut before its end marker only.
	for (double at : {0.1, 0.3, 0.62, 0.9}) {
		SCOPED_TRACE(at);
		std::vector<uint8> cut(file.begin(), file.begin() + size_t(file.size() * at));
		EXPECT_EQ(decode_with(kTwoBands, cut), nullptr);
		std::vector<uint8> damaged = file;
		std::minstd_rand random(5);
		for (size_t i = size_t(file.size() * at), end = i + 64; i < end; i++)
			damaged[i] = uint8(random());
		bool oneDecodes = decode_with(kOneThread, damaged) != nullptr;
		EXPECT_EQ(decode_with(kTwoBands, damaged) != nullptr, oneDecodes);
	}
	std::vector<uint8> noEnd(file.begin(), file.end() - 2);
	EXPECT_EQ(decode_with(kTwoBands, noEnd) != nullptr, decode_with(kOneThread, noEnd) != nullptr);
}
