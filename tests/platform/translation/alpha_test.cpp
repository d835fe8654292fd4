// Every format that carries alpha gives it straight: a half-transparent
// orange pixel comes out orange with alpha 128, whichever library decoded it
// and however the file stored it. The pictures are made at run time with
// ImageMagick, cjxl and gdk-pixbuf's own writer.

#include <string>
#include <vector>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <gtest/gtest.h>

#include "RunProgram.h"
#include "TranslationTestUtils.h"

namespace {

// 16 x 16: half-transparent orange, one transparent pixel at (15, 15) and an
// opaque blue block from (0, 10) to (5, 15). Without gAMA and cHRM chunks
// the PNG is sRGB to every tool (cjxl would otherwise take it for gamma 2.2).
const char kOrange[] = "rgba(255,128,0,0.50196)";

class StraightAlpha : public testing::Test {
protected:
	void SetUp() override
	{
		fSource = fDir.Path("source.png");
		ASSERT_EQ(run_program({"convert", "-size", "16x16", std::string("xc:") + kOrange, "-fill",
		                       "rgba(0,0,0,0)", "-draw", "color 15,15 point", "-fill", "blue",
		                       "-draw", "rectangle 0,10 5,15", "-depth", "8", "-define",
		                       "png:exclude-chunk=gAMA,cHRM,bKGD", "PNG32:" + fSource}),
		          0);
	}

	// |path| decodes to the picture made in SetUp, within |tolerance| on
	// each colour and |alphaTolerance| on alpha.
	void ExpectStraight(const std::string& path, int tolerance, int alphaTolerance = 0)
	{
		SCOPED_TRACE(path);
		std::unique_ptr<BBitmap> bitmap = decode(read_file(path));
		ASSERT_NE(bitmap, nullptr);
		EXPECT_EQ(bitmap->ColorSpace(), B_RGBA32);
		ASSERT_EQ(width_of(*bitmap), 16);
		for (int32 x : {3, 8}) {
			Pixel half = pixel_at(*bitmap, x, 5);
			// Multiplied by alpha it would be about (128, 64, 0).
			EXPECT_TRUE(looks_like(half, 255, 128, 0, tolerance))
			    << int(half.red) << "," << int(half.green) << "," << int(half.blue);
			EXPECT_NEAR(half.alpha, 128, alphaTolerance);
		}
		Pixel opaque = pixel_at(*bitmap, 2, 13);
		EXPECT_TRUE(looks_like(opaque, 0, 0, 255, tolerance + 4));
		EXPECT_NEAR(opaque.alpha, 255, alphaTolerance);
		EXPECT_LE(pixel_at(*bitmap, 15, 15).alpha, alphaTolerance + 2);
	}

	std::string Convert(const std::string& name, const std::vector<std::string>& options)
	{
		std::vector<std::string> argv = {"convert", fSource};
		argv.insert(argv.end(), options.begin(), options.end());
		argv.push_back(fDir.Path(name));
		EXPECT_EQ(run_program(argv), 0) << name;
		return fDir.Path(name);
	}

	ScratchDir fDir;
	std::string fSource;
};

TEST_F(StraightAlpha, LosslessFormatsGiveTheStoredColour)
{
	ExpectStraight(fSource, 0);
	ExpectStraight(Convert("lossless.webp", {"-define", "webp:lossless=true"}), 1);
	ExpectStraight(Convert("v5.bmp", {}), 0);
	ExpectStraight(Convert("icon.ico", {}), 0);
}

// The loader hands TIFF colour on multiplied by alpha in most layouts, and
// the stored colour in one; both come out straight.
TEST_F(StraightAlpha, TiffInEveryAlphaLayout)
{
	ExpectStraight(Convert("associated.tif", {"-define", "tiff:alpha=associated"}), 1);
	ExpectStraight(Convert("unassociated.tif", {"-define", "tiff:alpha=unassociated"}), 1);
	ExpectStraight(
	    Convert("big-endian.tif", {"-endian", "MSB", "-define", "tiff:alpha=associated"}), 1);
	ExpectStraight(
	    Convert("deflated.tif", {"-compress", "zip", "-define", "tiff:alpha=unassociated"}), 1);
}

TEST_F(StraightAlpha, GreyTiffKeepsItsGrey)
{
	for (const char* layout : {"associated", "unassociated"}) {
		std::string path = fDir.Path(std::string("grey-") + layout + ".tif");
		ASSERT_EQ(run_program({"convert", "-size", "8x8", "xc:rgba(255,255,255,0.50196)", "-depth",
		                       "8", "-define", std::string("tiff:alpha=") + layout, path}),
		          0);
		std::unique_ptr<BBitmap> bitmap = decode(read_file(path));
		ASSERT_NE(bitmap, nullptr) << layout;
		Pixel half = pixel_at(*bitmap, 4, 4);
		EXPECT_TRUE(looks_like(half, 255, 255, 255, 1)) << layout << ": " << int(half.red);
		EXPECT_EQ(half.alpha, 128) << layout;
	}
}

TEST_F(StraightAlpha, GifTransparencyIsAllOrNothing)
{
	std::string gif = Convert("binary.gif", {});
	std::unique_ptr<BBitmap> bitmap = decode(read_file(gif));
	ASSERT_NE(bitmap, nullptr);
	EXPECT_EQ(bitmap->ColorSpace(), B_RGBA32);
	EXPECT_EQ(pixel_at(*bitmap, 15, 15).alpha, 0);
	Pixel opaque = pixel_at(*bitmap, 2, 13);
	EXPECT_TRUE(looks_like(opaque, 0, 0, 255, 0));
	EXPECT_EQ(opaque.alpha, 255);
}

TEST_F(StraightAlpha, JpegXl)
{
	std::string jxl = fDir.Path("lossless.jxl");
	ASSERT_EQ(run_program({"cjxl", "-d", "0", fSource, jxl}), 0);
	ExpectStraight(jxl, 0);
	std::string lossy = fDir.Path("lossy.jxl");
	ASSERT_EQ(run_program({"cjxl", "-d", "1", fSource, lossy}), 0);
	// djxl gives this file's opaque pixels an alpha of 252.
	ExpectStraight(lossy, 8, 4);
}

// ImageMagick drops alpha when it writes AVIF; gdk-pixbuf's AVIF loader
// writes it too.
TEST_F(StraightAlpha, AvifWhenItsLoaderIsInstalled)
{
	GError* error = NULL;
	GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(fSource.c_str(), &error);
	ASSERT_NE(pixbuf, nullptr);
	std::string avif = fDir.Path("alpha.avif");
	bool saved = gdk_pixbuf_save(pixbuf, avif.c_str(), "avif", &error, "quality", "100", NULL);
	g_object_unref(pixbuf);
	if (!saved) {
		g_clear_error(&error);
		GTEST_SKIP() << "no AVIF writer";
	}
	ExpectStraight(avif, 4, 1);
}

} // namespace
