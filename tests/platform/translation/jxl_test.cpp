// JPEG XL pictures decode to the pixels djxl gives: lossless ones exactly,
// lossy ones within rounding, turned by their orientation, an animation to
// its first frame; damaged ones to nothing.

#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RunProgram.h"
#include "TranslationTestUtils.h"

namespace {

class JpegXl : public testing::Test {
protected:
	std::string Encode(const std::string& source, const std::string& name,
	                   const std::vector<std::string>& options)
	{
		std::vector<std::string> argv = {"cjxl", source, fDir.Path(name)};
		argv.insert(argv.end(), options.begin(), options.end());
		EXPECT_EQ(run_program(argv), 0) << name;
		return fDir.Path(name);
	}

	// djxl's pixels of |jxl|, through a PNG.
	std::unique_ptr<BBitmap> Reference(const std::string& jxl)
	{
		std::string png = jxl + ".djxl.png";
		EXPECT_EQ(run_program({"djxl", jxl, png}), 0);
		return decode(read_file(png));
	}

	// The largest difference of any channel of any pixel.
	int Difference(const BBitmap& a, const BBitmap& b)
	{
		EXPECT_EQ(a.Bounds(), b.Bounds());
		if (a.Bounds() != b.Bounds())
			return 256;
		int worst = 0;
		for (int32 y = 0; y < height_of(a); y++) {
			for (int32 x = 0; x < width_of(a); x++) {
				Pixel p = pixel_at(a, x, y), q = pixel_at(b, x, y);
				for (int d : {p.red - q.red, p.green - q.green, p.blue - q.blue, p.alpha - q.alpha})
					worst = std::max(worst, std::abs(d));
			}
		}
		return worst;
	}

	ScratchDir fDir;
};

TEST_F(JpegXl, LosslessAndLossyLikeDjxl)
{
	std::string lossless = Encode(sample_path("quadrants.png"), "lossless.jxl", {"-d", "0"});
	std::unique_ptr<BBitmap> bitmap = decode(read_file(lossless));
	ASSERT_NE(bitmap, nullptr);
	EXPECT_EQ(bitmap->ColorSpace(), B_RGB32);
	std::unique_ptr<BBitmap> reference = Reference(lossless);
	ASSERT_NE(reference, nullptr);
	EXPECT_EQ(Difference(*bitmap, *reference), 0);
	// And the picture itself, not only what djxl says of it.
	EXPECT_TRUE(looks_like(pixel_at(*bitmap, 5, 5), 255, 0, 0, 0));
	EXPECT_TRUE(looks_like(pixel_at(*bitmap, 60, 40), 255, 255, 255, 0));

	std::string photo = fDir.Path("photo.png");
	ASSERT_EQ(run_program({"convert", "-size", "97x61", "plasma:fractal", "-seed", "7", "-depth",
	                       "8", "-define", "png:exclude-chunk=gAMA,cHRM", photo}),
	          0);
	for (const char* distance : {"1", "4"}) {
		std::string lossy =
		    Encode(photo, std::string("lossy-") + distance + ".jxl", {"-d", distance});
		bitmap = decode(read_file(lossy));
		ASSERT_NE(bitmap, nullptr) << distance;
		reference = Reference(lossy);
		ASSERT_NE(reference, nullptr);
		EXPECT_LE(Difference(*bitmap, *reference), 1) << distance;
	}
}

TEST_F(JpegXl, OrientationIsApplied)
{
	// A JPEG recompressed losslessly keeps its EXIF orientation, which
	// JPEG XL then carries in its header.
	std::string jxl = Encode(sample_path("quadrants-exif6.jpg"), "turned.jxl", {});
	std::unique_ptr<BBitmap> bitmap = decode(read_file(jxl));
	ASSERT_NE(bitmap, nullptr);
	std::unique_ptr<BBitmap> jpeg = decode(read_sample("quadrants-exif6.jpg"));
	ASSERT_NE(jpeg, nullptr);
	EXPECT_EQ(bitmap->Bounds(), jpeg->Bounds());
	EXPECT_LE(Difference(*bitmap, *jpeg), 3);
	std::unique_ptr<BBitmap> reference = Reference(jxl);
	ASSERT_NE(reference, nullptr);
	EXPECT_LE(Difference(*bitmap, *reference), 1);
}

TEST_F(JpegXl, AnimationGivesItsFirstFrame)
{
	std::string jxl = Encode(sample_path("animated.gif"), "animated.jxl", {"-d", "0"});
	std::unique_ptr<BBitmap> bitmap = decode(read_file(jxl));
	ASSERT_NE(bitmap, nullptr);
	std::unique_ptr<BBitmap> gif = decode(read_sample("animated.gif"));
	ASSERT_NE(gif, nullptr);
	EXPECT_EQ(Difference(*bitmap, *gif), 0);
}

TEST_F(JpegXl, CutOrDamagedGivesNothing)
{
	std::string jxl = Encode(sample_path("quadrants.png"), "whole.jxl", {"-d", "1"});
	std::vector<uint8> whole = read_file(jxl);
	ASSERT_GT(whole.size(), size_t(64));
	for (size_t length : {size_t(2), size_t(12), whole.size() / 2, whole.size() - 1}) {
		std::vector<uint8> cut(whole.begin(), whole.begin() + length);
		EXPECT_EQ(decode(cut), nullptr) << length;
	}
	for (size_t at = 8; at < whole.size(); at += whole.size() / 7) {
		std::vector<uint8> damaged = whole;
		damaged[at] ^= 0x5a;
		// Either refused or a picture of the right size: never anything else.
		std::unique_ptr<BBitmap> bitmap = decode(damaged);
		if (bitmap) {
			EXPECT_EQ(bitmap->Bounds(), BRect(0, 0, 63, 47)) << at;
		}
	}
}

} // namespace
