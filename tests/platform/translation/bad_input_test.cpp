#include <string.h>

#include <gtest/gtest.h>

#include "TranslationTestUtils.h"

namespace {

// Every sample whose decoder must notice that the picture is cut short.
const char* const kStrictSamples[] = {
    "quadrants.png", "alpha.png", "quadrants.jpg", "quadrants-exif6.jpg", "harbour-at-dusk.jpg",
};
// Decoded by gdk-pixbuf's loaders, some of which show what they have of a cut
// picture; these must only never crash or over-read.
const char* const kLenientSamples[] = {
    "quadrants.webp",
    "animated.gif",
    "quadrants.bmp",
    "quadrants-rot6.tiff",
};

// Lengths to cut a file at: every length of a small file, else a spread.
std::vector<size_t> cut_lengths(size_t size)
{
	std::vector<size_t> lengths;
	size_t step = size <= 600 ? 1 : size / 300;
	for (size_t length = 0; length < size; length += step)
		lengths.push_back(length);
	lengths.push_back(size - 1);
	return lengths;
}

uint32 crc32_of(const uint8* data, size_t length)
{
	uint32 crc = 0xffffffffu;
	for (size_t i = 0; i < length; i++) {
		crc ^= data[i];
		for (int k = 0; k < 8; k++)
			crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
	}
	return ~crc;
}

void put_be32(uint8* at, uint32 value)
{
	at[0] = uint8(value >> 24);
	at[1] = uint8(value >> 16);
	at[2] = uint8(value >> 8);
	at[3] = uint8(value);
}

void expect_sane(const std::unique_ptr<BBitmap>& bitmap)
{
	if (bitmap == nullptr)
		return;
	EXPECT_EQ(bitmap->InitCheck(), B_OK);
	EXPECT_TRUE(bitmap->ColorSpace() == B_RGB32 || bitmap->ColorSpace() == B_RGBA32);
	// Within the platform's limit of 2^28 pixels.
	int64 pixels = int64(width_of(*bitmap)) * height_of(*bitmap);
	EXPECT_LE(pixels, int64(1) << 28);
	EXPECT_GE(bitmap->BitsLength(), pixels * 4);
}

} // namespace

TEST(BadInput, CutPngAndJpegFilesGiveNull)
{
	for (const char* name : kStrictSamples) {
		std::vector<uint8> bytes = read_sample(name);
		ASSERT_FALSE(bytes.empty()) << name;
		for (size_t length : cut_lengths(bytes.size())) {
			std::vector<uint8> cut(bytes.begin(), bytes.begin() + length);
			EXPECT_EQ(decode(cut), nullptr) << name << " cut at " << length;
		}
	}
}

TEST(BadInput, CutFilesOfOtherFormatsNeverCrash)
{
	for (const char* name : kLenientSamples) {
		std::vector<uint8> bytes = read_sample(name);
		ASSERT_FALSE(bytes.empty()) << name;
		for (size_t length : cut_lengths(bytes.size())) {
			std::vector<uint8> cut(bytes.begin(), bytes.begin() + length);
			expect_sane(decode(cut));
		}
	}
}

TEST(BadInput, FlippedBytesNeverCrash)
{
	// A flipped pixel byte may still decode (to other pixels); a flipped
	// structure byte must fail cleanly. Either way: no crash, no over-read.
	std::vector<const char*> names(std::begin(kStrictSamples), std::end(kStrictSamples));
	names.insert(names.end(), std::begin(kLenientSamples), std::end(kLenientSamples));
	for (const char* name : names) {
		std::vector<uint8> bytes = read_sample(name);
		size_t step = bytes.size() <= 600 ? 1 : bytes.size() / 200;
		for (size_t at = 0; at < bytes.size(); at += step) {
			for (uint8 mask : {uint8(0xff), uint8(0x01), uint8(0x80)}) {
				std::vector<uint8> flipped = bytes;
				flipped[at] ^= mask;
				expect_sane(decode(flipped));
			}
		}
	}
}

TEST(BadInput, PngCrcDamageGivesNull)
{
	std::vector<uint8> png = read_sample("quadrants.png");
	// Inside IHDR's data (width), with the CRC left as it was.
	std::vector<uint8> damaged = png;
	damaged[18] ^= 0x01;
	EXPECT_EQ(decode(damaged), nullptr);
}

TEST(BadInput, HugeDimensionsAreRefusedBeforeAllocating)
{
	// A PNG whose IHDR (CRC made right) claims 100000 x 100000 pixels.
	std::vector<uint8> png = read_sample("quadrants.png");
	ASSERT_GT(png.size(), 33u);
	put_be32(&png[16], 100000);
	put_be32(&png[20], 100000);
	put_be32(&png[29], crc32_of(&png[12], 17));
	EXPECT_EQ(decode(png), nullptr);

	// A JPEG frame header claiming 65535 x 65535, the most it can say.
	std::vector<uint8> jpeg = read_sample("quadrants.jpg");
	bool patched = false;
	for (size_t i = 2; i + 9 < jpeg.size(); i++) {
		if (jpeg[i] == 0xff && (jpeg[i + 1] == 0xc0 || jpeg[i + 1] == 0xc2)) {
			jpeg[i + 5] = jpeg[i + 6] = jpeg[i + 7] = jpeg[i + 8] = 0xff;
			patched = true;
			break;
		}
	}
	ASSERT_TRUE(patched);
	EXPECT_EQ(decode(jpeg), nullptr);

	// A BMP header (gdk-pixbuf) claiming 100000 x 100000.
	std::vector<uint8> bmp = read_sample("quadrants.bmp");
	ASSERT_GT(bmp.size(), 26u);
	auto put_le32 = [&](size_t at, uint32 value) {
		for (int k = 0; k < 4; k++)
			bmp[at + k] = uint8(value >> (8 * k));
	};
	put_le32(18, 100000);
	put_le32(22, 100000);
	EXPECT_EQ(decode(bmp), nullptr);

	// A GIF screen and image of 65535 x 65535.
	std::vector<uint8> gif = read_sample("animated.gif");
	for (size_t at : {size_t(6), size_t(8)})
		gif[at] = gif[at + 1] = 0xff;
	for (size_t i = 13; i + 9 < gif.size(); i++) {
		if (gif[i] == 0x2c) { // image descriptor
			gif[i + 5] = gif[i + 6] = gif[i + 7] = gif[i + 8] = 0xff;
			break;
		}
	}
	EXPECT_EQ(decode(gif), nullptr);
}

TEST(BadInput, ZeroSizedPicturesGiveNull)
{
	std::vector<uint8> png = read_sample("quadrants.png");
	put_be32(&png[16], 0);
	put_be32(&png[29], crc32_of(&png[12], 17));
	EXPECT_EQ(decode(png), nullptr);

	std::vector<uint8> jpeg = read_sample("quadrants.jpg");
	for (size_t i = 2; i + 9 < jpeg.size(); i++) {
		if (jpeg[i] == 0xff && jpeg[i + 1] == 0xc0) {
			jpeg[i + 7] = jpeg[i + 8] = 0; // width 0
			break;
		}
	}
	EXPECT_EQ(decode(jpeg), nullptr);
}

// gdk-pixbuf's BMP loader would grow its buffer to a claimed header size of
// nearly 4 GiB before failing; such a header must be refused up front.
TEST(BadInput, BmpClaimingAHugeInfoHeaderGivesNull)
{
	std::vector<uint8> bmp = read_sample("quadrants.bmp");
	ASSERT_GT(bmp.size(), 18u);
	std::vector<uint8> hostile = bmp;
	hostile[14] = 0x7c;
	hostile[15] = 0x00;
	hostile[16] = 0x00;
	hostile[17] = 0xff;
	EXPECT_EQ(decode(hostile), nullptr);

	EXPECT_NE(decode(bmp), nullptr);
}

// The loader also sizes a buffer from the claimed number of palette entries
// and, for want of the entries, would then show a picture of whatever the
// buffer held; more than 256 entries index nothing in a picture of 8 bits or
// fewer.
TEST(BadInput, BmpClaimingAHugePaletteGivesNull)
{
	std::vector<uint8> bmp = read_sample("quadrants.bmp");
	ASSERT_GT(bmp.size(), 50u);
	auto put_le = [](std::vector<uint8>& bytes, size_t at, uint32 value, int size) {
		for (int k = 0; k < size; k++)
			bytes[at + k] = uint8(value >> (8 * k));
	};
	std::vector<uint8> hostile = bmp;
	put_le(hostile, 28, 8, 2);
	put_le(hostile, 46, 0xf5000000u, 4);
	EXPECT_EQ(decode(hostile), nullptr);

	// A real palette of 256 colours is still a picture.
	std::vector<uint8> full = bmp;
	put_le(full, 28, 8, 2);
	put_le(full, 46, 256, 4);
	put_le(full, 10, 14 + 124 + 256 * 4, 4);
	EXPECT_NE(decode(full), nullptr);
}
