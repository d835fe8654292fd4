// Big JPEGs are decoded by libjpeg straight into the bitmap's rows while a
// helper thread faults its pages in: the pixels must be exactly those of one
// plain TurboJPEG decoding, at every subsampling, progressive too, and at
// heights that do not end on a block.
#include <string.h>

#include <random>
#include <vector>

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include "TranslationTestUtils.h"

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

std::vector<uint8> compress(int width, int height, int subsampling, bool progressive)
{
	bool gray = subsampling == TJSAMP_GRAY;
	std::vector<uint8> pixels = photo_like(width, height, gray ? 1 : 3);
	tjhandle handle = tjInitCompress();
	unsigned char* out = NULL;
	unsigned long length = 0;
	int flags = progressive ? TJFLAG_PROGRESSIVE : 0;
	int result = tjCompress2(handle, pixels.data(), width, 0, height, gray ? TJPF_GRAY : TJPF_RGB,
	                         &out, &length, subsampling, 90, flags);
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
