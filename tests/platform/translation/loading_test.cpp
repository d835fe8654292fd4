// Libraries whose loading costs every program start-up time are loaded by the
// first picture that needs them, not at start-up nor by pictures of other
// formats: libjxl (and the Highway library it pulls in) by the first JPEG XL
// picture, gdk-pixbuf (and GLib, GIO...) by the first picture that only its
// loaders read.

#include <string.h>

#include <gtest/gtest.h>

#include "LoadedLibraries.h"
#include "RunProgram.h"
#include "TranslationTestUtils.h"

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
