// libjxl (and the Highway library it pulls in, whose start-up costs every
// program some milliseconds) is loaded by the first JPEG XL picture, not at
// start-up nor by pictures of other formats.

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
