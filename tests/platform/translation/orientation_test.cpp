#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <gtest/gtest.h>
#include <jpeglib.h>

#include "TranslationTestUtils.h"
#include "translation/ExifOrientation.h"

namespace {

struct Rgb {
	uint8 red, green, blue;
};
const Rgb kRed = {255, 0, 0};
const Rgb kLime = {0, 255, 0};
const Rgb kBlue = {0, 0, 255};
const Rgb kWhite = {255, 255, 255};

// The upright corners (top-left, top-right, bottom-left, bottom-right) of the
// stored quadrants picture (red, lime / blue, white) under each EXIF
// orientation, as the EXIF definition describes them.
const Rgb kCorners[9][4] = {
    {},
    {kRed, kLime, kBlue, kWhite}, // 1 as stored
    {kLime, kRed, kWhite, kBlue}, // 2 mirrored left-right
    {kWhite, kBlue, kLime, kRed}, // 3 turned 180
    {kBlue, kWhite, kRed, kLime}, // 4 mirrored top-bottom
    {kRed, kBlue, kLime, kWhite}, // 5 transposed
    {kBlue, kRed, kWhite, kLime}, // 6 turned 90 clockwise
    {kWhite, kLime, kBlue, kRed}, // 7 transverse
    {kLime, kWhite, kRed, kBlue}, // 8 turned 90 counter-clockwise
};

void expect_upright(const BBitmap& bitmap, int orientation, int tolerance)
{
	SCOPED_TRACE(orientation);
	bool swapped = orientation >= 5;
	ASSERT_EQ(width_of(bitmap), swapped ? 48 : 64);
	ASSERT_EQ(height_of(bitmap), swapped ? 64 : 48);
	int32 right = width_of(bitmap) - 1;
	int32 bottom = height_of(bitmap) - 1;
	const int32 places[4][2] = {{2, 2}, {right - 2, 2}, {2, bottom - 2}, {right - 2, bottom - 2}};
	for (int corner = 0; corner < 4; corner++) {
		const Rgb& want = kCorners[orientation][corner];
		Pixel got = pixel_at(bitmap, places[corner][0], places[corner][1]);
		EXPECT_TRUE(looks_like(got, want.red, want.green, want.blue, tolerance))
		    << "corner " << corner << ": " << int(got.red) << "," << int(got.green) << ","
		    << int(got.blue);
		EXPECT_EQ(got.alpha, 255);
	}
}

// Rewrites the Orientation value of a little- or big-endian TIFF's IFD0.
bool set_tiff_orientation(std::vector<uint8>& tiff, uint16 orientation)
{
	if (tiff.size() < 8)
		return false;
	bool big = tiff[0] == 'M';
	auto get16 = [&](size_t at) {
		return big ? uint16(tiff[at] << 8 | tiff[at + 1]) : uint16(tiff[at + 1] << 8 | tiff[at]);
	};
	auto get32 = [&](size_t at) {
		return big ? uint32(get16(at)) << 16 | get16(at + 2)
		           : uint32(get16(at + 2)) << 16 | get16(at);
	};
	size_t ifd = get32(4);
	uint16 count = get16(ifd);
	for (uint16 i = 0; i < count; i++) {
		size_t entry = ifd + 2 + i * 12;
		if (get16(entry) == 0x0112) {
			tiff[entry + 8] = big ? 0 : uint8(orientation);
			tiff[entry + 9] = big ? uint8(orientation) : 0;
			return true;
		}
	}
	return false;
}

// The quadrants picture (64 x 48: red, lime / blue, white) as a CMYK JPEG
// the way Photoshop writes them: inks stored inverted, with an Adobe marker
// (which libjpeg writes for CMYK by itself).
std::vector<uint8> cmyk_quadrants_jpeg()
{
	const int width = 64, height = 48;
	// Stored (inverted) C, M, Y, K of each quadrant: 255 means no ink.
	const uint8 quadrants[4][4] = {
	    {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}};
	std::vector<uint8> pixels(size_t(width) * height * 4);
	for (int y = 0; y < height; y++) {
		for (int x = 0; x < width; x++) {
			int quadrant = (y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0);
			memcpy(&pixels[(size_t(y) * width + x) * 4], quadrants[quadrant], 4);
		}
	}
	jpeg_compress_struct info;
	jpeg_error_mgr errors;
	info.err = jpeg_std_error(&errors);
	jpeg_create_compress(&info);
	unsigned char* out = NULL;
	unsigned long outLength = 0;
	jpeg_mem_dest(&info, &out, &outLength);
	info.image_width = width;
	info.image_height = height;
	info.input_components = 4;
	info.in_color_space = JCS_CMYK;
	jpeg_set_defaults(&info);
	jpeg_set_quality(&info, 95, TRUE);
	jpeg_start_compress(&info, TRUE);
	while (info.next_scanline < info.image_height) {
		JSAMPROW row = &pixels[size_t(info.next_scanline) * width * 4];
		jpeg_write_scanlines(&info, &row, 1);
	}
	jpeg_finish_compress(&info);
	std::vector<uint8> file(out, out + outLength);
	jpeg_destroy_compress(&info);
	free(out);
	return file;
}

} // namespace

TEST(Orientation, CmykJpegComesOutAsRgbUprightAndTurned)
{
	// Upright, the inks are turned into colours in the bitmap's own rows;
	// turned, in the strip before it is copied.
	std::vector<uint8> jpeg = cmyk_quadrants_jpeg();
	ASSERT_FALSE(jpeg.empty());
	for (int orientation : {1, 3, 6}) {
		std::vector<uint8> file = with_segment(jpeg, exif_segment(orientation, false));
		std::unique_ptr<BBitmap> bitmap = decode(file);
		ASSERT_NE(bitmap, nullptr) << orientation;
		EXPECT_EQ(bitmap->ColorSpace(), B_RGB32);
		expect_upright(*bitmap, orientation, 16);
	}
}

TEST(Orientation, JpegIsTurnedUprightForEveryExifOrientation)
{
	std::vector<uint8> jpeg = read_sample("quadrants.jpg");
	ASSERT_FALSE(jpeg.empty());
	for (int orientation = 1; orientation <= 8; orientation++) {
		for (bool bigEndian : {true, false}) {
			std::vector<uint8> file = with_segment(jpeg, exif_segment(orientation, bigEndian));
			std::unique_ptr<BBitmap> bitmap = decode(file);
			ASSERT_NE(bitmap, nullptr) << orientation;
			EXPECT_EQ(bitmap->ColorSpace(), B_RGB32);
			expect_upright(*bitmap, orientation, 14);
		}
	}
}

TEST(Orientation, CommittedSampleWithOrientationSixStandsUpright)
{
	std::unique_ptr<BBitmap> bitmap = decode(read_sample("quadrants-exif6.jpg"));
	ASSERT_NE(bitmap, nullptr);
	EXPECT_EQ(bitmap->Bounds(), BRect(0, 0, 47, 63));
	expect_upright(*bitmap, 6, 14);
}

TEST(Orientation, GdkPixbufFormatsAreTurnedToo)
{
	std::vector<uint8> tiff = read_sample("quadrants-rot6.tiff");
	ASSERT_FALSE(tiff.empty());
	for (int orientation = 1; orientation <= 8; orientation++) {
		ASSERT_TRUE(set_tiff_orientation(tiff, orientation));
		std::unique_ptr<BBitmap> bitmap = decode(tiff);
		ASSERT_NE(bitmap, nullptr) << orientation;
		expect_upright(*bitmap, orientation, 0);
	}
}

TEST(ExifOrientation, ParserToleratesAndIgnoresBrokenSegments)
{
	std::vector<uint8> jpeg = read_sample("quadrants.jpg");
	auto orientation_of = [](const std::vector<uint8>& data) {
		return BPrivate::jpeg_exif_orientation(data.data(), data.size());
	};
	EXPECT_EQ(orientation_of(jpeg), 1);
	EXPECT_EQ(orientation_of(with_segment(jpeg, exif_segment(6, true))), 6);
	EXPECT_EQ(orientation_of(with_segment(jpeg, exif_segment(8, false))), 8);
	// Out of range values count as upright.
	EXPECT_EQ(orientation_of(with_segment(jpeg, exif_segment(9, true))), 1);
	EXPECT_EQ(orientation_of(with_segment(jpeg, exif_segment(0, true))), 1);

	// Every cut of the segment, and a segment length pointing past the end.
	std::vector<uint8> full = with_segment(jpeg, exif_segment(6, true));
	for (size_t cut = 0; cut < 50; cut++) {
		std::vector<uint8> shorter(full.begin(), full.begin() + cut);
		int value = BPrivate::jpeg_exif_orientation(shorter.data(), shorter.size());
		EXPECT_TRUE(value == 1 || value == 6) << cut;
	}
	std::vector<uint8> lying = full;
	lying[4] = 0xff;
	EXPECT_EQ(orientation_of(lying), 1);

	// An IFD offset, and an entry count with no Orientation, far beyond the
	// segment (ASan checks that nothing past it is read).
	std::vector<uint8> farIfd = full;
	farIfd[16] = 0x7f; // high byte of the IFD0 offset (big-endian)
	EXPECT_EQ(orientation_of(farIfd), 1);
	std::vector<uint8> manyEntries = full;
	manyEntries[20] = 0xff; // entry count 0xff02
	manyEntries[21] = 0x02;
	manyEntries[35] = 0x13; // the Orientation entry becomes another tag
	EXPECT_EQ(orientation_of(manyEntries), 1);
	EXPECT_EQ(BPrivate::jpeg_exif_orientation(NULL, 0), 1);
}
