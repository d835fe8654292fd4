// Libraries whose loading costs every program start-up time are loaded by the
// first picture that needs them, not at start-up nor by pictures of other
// formats: libjpeg, libwebp and Little CMS by the first JPEG, WebP and
// colour-profiled picture, libpng by the first PNG picture that the fast path
// hands over, libjxl (and the Highway library it pulls in) by
// the first JPEG XL picture, gdk-pixbuf (and GLib, GIO...) by the first
// picture that only its loaders read. The tests run in this order, in one
// process.

#include <string.h>

#include <gtest/gtest.h>

#include "LoadedLibraries.h"
#include "RunProgram.h"
#include "TranslationTestUtils.h"

TEST(FormatLibraries, EachLoadedByTheFirstPictureThatNeedsIt)
{
	for (const char* stem :
	     {"libpng16.so", "libjpeg.so", "libwebp.so", "libwebpdemux.so", "liblcms2.so"})
		EXPECT_FALSE(is_loaded(stem)) << stem << " loaded at start-up";

	std::unique_ptr<BBitmap> png = decode(read_sample("quadrants.png"));
	ASSERT_NE(png, nullptr);
	ASSERT_NE(decode(read_sample("alpha.png")), nullptr);
	for (const char* stem : {"libpng16.so", "libjpeg.so", "libwebp.so", "liblcms2.so"})
		EXPECT_FALSE(is_loaded(stem)) << stem << " loaded for an 8-bit PNG picture";

	std::unique_ptr<BBitmap> jpeg = decode(read_sample("quadrants.jpg"));
	ASSERT_NE(jpeg, nullptr);
	EXPECT_TRUE(is_loaded("libjpeg.so"));
	EXPECT_TRUE(looks_like(pixel_at(*jpeg, 5, 5), 255, 0, 0));
	EXPECT_FALSE(is_loaded("libwebp.so")) << "loaded for a JPEG picture";
	// Damage is still reported through libjpeg's error handling.
	std::vector<uint8> damaged = read_sample("quadrants.jpg");
	damaged.resize(damaged.size() / 3);
	EXPECT_EQ(decode(damaged), nullptr);

	std::unique_ptr<BBitmap> webp = decode(read_sample("quadrants.webp"));
	ASSERT_NE(webp, nullptr);
	EXPECT_TRUE(is_loaded("libwebp.so"));
	EXPECT_TRUE(is_loaded("libwebpdemux.so"));
	EXPECT_TRUE(looks_like(pixel_at(*webp, 5, 5), 255, 0, 0));
	EXPECT_FALSE(is_loaded("liblcms2.so")) << "loaded for pictures without a profile";

	// A profile other than sRGB takes Little CMS: Adobe RGB's orange is a
	// redder one in sRGB.
	const char* adobeRgb = "/usr/share/color/icc/ghostscript/a98.icc";
	ScratchDir dir;
	std::string profiled = dir.Path("profiled.jpg");
	ASSERT_EQ(run_program({"convert", "-size", "16x16", "xc:rgb(200,100,50)", "-profile", adobeRgb,
	                       profiled}),
	          0);
	std::unique_ptr<BBitmap> converted = decode(read_file(profiled));
	ASSERT_NE(converted, nullptr);
	EXPECT_TRUE(is_loaded("liblcms2.so"));
	EXPECT_TRUE(looks_like(pixel_at(*converted, 8, 8), 227, 100, 42, 6));
}

TEST(PngLibrary, LoadedByTheFirstPictureTheFastPathHandsOverAndWorking)
{
	ScratchDir dir;
	std::string deep = dir.Path("deep.png");
	ASSERT_EQ(run_program({"convert", sample_path("quadrants.png"), "-depth", "16", deep}), 0);
	EXPECT_FALSE(is_loaded("libpng16.so"));
	std::unique_ptr<BBitmap> bitmap = decode(read_file(deep));
	ASSERT_NE(bitmap, nullptr);
	EXPECT_TRUE(is_loaded("libpng16.so"));
	EXPECT_TRUE(looks_like(pixel_at(*bitmap, 5, 5), 255, 0, 0));
	// Damage is still reported through libpng's error handling.
	std::vector<uint8> damaged = read_file(deep);
	damaged.resize(damaged.size() / 2);
	EXPECT_EQ(decode(damaged), nullptr);
}

TEST(JpegXlLibrary, LoadedByTheFirstJpegXlPictureAndWorking)
{
	EXPECT_FALSE(is_loaded("libjxl.so")) << "loaded at start-up";
	for (const char* sample : {"quadrants.png", "quadrants.jpg", "quadrants.webp", "alpha.png"})
		ASSERT_NE(decode(read_sample(sample)), nullptr) << sample;
	EXPECT_FALSE(is_loaded("libjxl.so")) << "loaded for another format";
	EXPECT_FALSE(is_loaded("libhwy.so"));

	ScratchDir dir;
	std::string jxl = dir.Path("quadrants.jxl");
	ASSERT_EQ(run_program({"cjxl", "-d", "0", sample_path("quadrants.png"), jxl}), 0);
	std::unique_ptr<BBitmap> bitmap = decode(read_file(jxl));
	ASSERT_NE(bitmap, nullptr);
	EXPECT_TRUE(is_loaded("libjxl.so"));
	EXPECT_TRUE(looks_like(pixel_at(*bitmap, 5, 5), 255, 0, 0, 0));
}

TEST(PixbufLibrary, LoadedByTheFirstPictureOnlyItsLoadersReadAndWorking)
{
	for (const char* stem : {"libgdk_pixbuf", "libglib", "libgio"})
		EXPECT_FALSE(is_loaded(stem)) << stem << " loaded at start-up";
	for (const char* sample : {"quadrants.png", "quadrants.jpg", "quadrants.webp"})
		ASSERT_NE(decode(read_sample(sample)), nullptr) << sample;
	// Damaged data is refused by the strict translators without asking the
	// lenient loaders.
	std::vector<uint8> damaged = read_sample("quadrants.png");
	damaged.resize(damaged.size() / 2);
	EXPECT_EQ(decode(damaged), nullptr);
	EXPECT_FALSE(is_loaded("libgdk_pixbuf")) << "loaded for a format of another translator";

	std::unique_ptr<BBitmap> bitmap = decode(read_sample("quadrants.bmp"));
	ASSERT_NE(bitmap, nullptr);
	EXPECT_TRUE(is_loaded("libgdk_pixbuf"));
	EXPECT_TRUE(looks_like(pixel_at(*bitmap, 5, 5), 255, 0, 0, 0));
	// The TIFF's orientation and its embedded options come through the
	// stand-ins too.
	ASSERT_NE(decode(read_sample("quadrants-rot6.tiff")), nullptr);
}
