// Pictures with an embedded ICC profile are shown in sRGB: the translation
// kit gives the values lcms's own tools (jpgicc, tificc) give, in every
// format that carries a profile. The profiles are made here with lcms, the
// pictures with ImageMagick, which embeds a profile into a picture that has
// none without touching its pixels.

#include <string.h>

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RunProgram.h"
#include "TestProfiles.h"
#include "TranslationTestUtils.h"
#include "translation/IccMarkers.h"

namespace {

// Flat 16 x 16 patches, so that JPEG gives their colour back nearly exactly.
struct Colour {
	uint8 red, green, blue;
};
const Colour kPatches[] = {
    {48, 66, 204}, {200, 30, 40}, {20, 180, 60}, {128, 128, 128}, {250, 250, 250}, {10, 10, 10},
};
constexpr int kPatchCount = sizeof(kPatches) / sizeof(kPatches[0]);
constexpr int kPatchSize = 16;

class ColourProfiles : public testing::Test {
protected:
	std::string WriteProfile(const char* name, const std::vector<uint8>& bytes)
	{
		std::string path = fDir.Path(name);
		EXPECT_TRUE(write_profile(path, bytes)) << name;
		return path;
	}

	// The patches side by side with |profile| (a path, or empty) embedded.
	std::string MakePicture(const std::string& name, const std::string& profile,
	                        const std::vector<std::string>& options = {})
	{
		std::vector<std::string> argv = {"convert", "-size", "16x16"};
		for (const Colour& colour : kPatches) {
			argv.push_back("xc:rgb(" + std::to_string(colour.red) + "," +
			               std::to_string(colour.green) + "," + std::to_string(colour.blue) + ")");
		}
		argv.push_back("+append");
		if (!profile.empty())
			argv.insert(argv.end(), {"-profile", profile});
		argv.insert(argv.end(), options.begin(), options.end());
		argv.push_back(fDir.Path(name));
		EXPECT_EQ(run_program(argv), 0) << name;
		return fDir.Path(name);
	}

	std::string MakeJpeg(const std::string& name, const std::string& profile)
	{
		return MakePicture(name, profile, {"-sampling-factor", "1x1", "-quality", "100"});
	}

	// The colour at the centre of each patch of the picture at |path|.
	std::vector<Pixel> Patches(const std::string& path)
	{
		std::unique_ptr<BBitmap> bitmap = decode(read_file(path));
		std::vector<Pixel> patches;
		EXPECT_NE(bitmap, nullptr) << path;
		if (!bitmap)
			return patches;
		EXPECT_EQ(width_of(*bitmap), kPatchCount * kPatchSize) << path;
		for (int i = 0; i < kPatchCount; i++)
			patches.push_back(pixel_at(*bitmap, i * kPatchSize + kPatchSize / 2, kPatchSize / 2));
		return patches;
	}

	void ExpectSame(const std::vector<Pixel>& actual, const std::vector<Pixel>& expected,
	                int tolerance, const std::string& what)
	{
		ASSERT_EQ(actual.size(), expected.size()) << what;
		for (size_t i = 0; i < actual.size(); i++) {
			const Pixel& a = actual[i];
			const Pixel& e = expected[i];
			EXPECT_TRUE(looks_like(a, e.red, e.green, e.blue, tolerance))
			    << what << ", patch " << i << ": " << int(a.red) << "," << int(a.green) << ","
			    << int(a.blue) << " where " << int(e.red) << "," << int(e.green) << ","
			    << int(e.blue) << " was expected";
			EXPECT_EQ(a.alpha, 255) << what;
		}
	}

	// What jpgicc makes of the JPEG at |path|: its embedded profile to sRGB.
	std::vector<Pixel> JpgiccPatches(const std::string& path)
	{
		std::string converted = path + ".jpgicc.jpg";
		EXPECT_EQ(run_program({"jpgicc", "-q100", path, converted}), 0);
		return Patches(converted);
	}

	ScratchDir fDir;
};

TEST_F(ColourProfiles, JpegInAdobeRgbAndDisplayP3LikeJpgicc)
{
	std::string adobe = MakeJpeg("adobe.jpg", WriteProfile("adobe.icc", adobe_rgb_profile()));
	std::string p3 = MakeJpeg("p3.jpg", WriteProfile("p3.icc", display_p3_profile()));
	std::string plain = MakeJpeg("plain.jpg", "");
	std::vector<Pixel> raw = Patches(plain);
	ASSERT_EQ(raw.size(), size_t(kPatchCount));

	std::vector<Pixel> adobeShown = Patches(adobe);
	ExpectSame(adobeShown, JpgiccPatches(adobe), 2, "Adobe RGB");
	ExpectSame(Patches(p3), JpgiccPatches(p3), 2, "Display P3");
	// Adobe RGB's blue (48, 66, 204) is sRGB's (32, 64, 208), as eog shows it.
	ASSERT_FALSE(adobeShown.empty());
	EXPECT_TRUE(looks_like(adobeShown[0], 32, 64, 208, 2));
	// Grey stays grey: both spaces have D65 white.
	EXPECT_TRUE(looks_like(adobeShown[3], raw[3].red, raw[3].green, raw[3].blue, 2));
}

// An EXIF APP1 segment that says the picture is stored upside down.
const uint8 kUpsideDown[] = {0xff, 0xe1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0,    0,    'I', 'I',
                             42,   0,    8,    0,    0,   0,   1,   0,   0x12, 0x01, 3,   0,
                             1,    0,    0,    0,    3,   0,   0,   0,   0,    0,    0,   0};

// Large pictures are converted in bands, one a thread; every row is.
TEST_F(ColourProfiles, LargePictureIsConvertedInEveryRow)
{
	std::string path = fDir.Path("large.jpg");
	ASSERT_EQ(run_program({"convert", "-size", "1000x3001", "xc:rgb(48,66,204)", "-profile",
	                       WriteProfile("adobe.icc", adobe_rgb_profile()), "-sampling-factor",
	                       "1x1", "-quality", "100", path}),
	          0);
	std::unique_ptr<BBitmap> bitmap = decode(read_file(path));
	ASSERT_NE(bitmap, nullptr);
	for (int32 y = 0; y < 3001; y += 3) {
		Pixel pixel = pixel_at(*bitmap, (y * 7) % 1000, y);
		ASSERT_TRUE(looks_like(pixel, 32, 64, 208, 2))
		    << "row " << y << ": " << int(pixel.red) << "," << int(pixel.green) << ","
		    << int(pixel.blue);
	}
	Pixel last = pixel_at(*bitmap, 999, 3000);
	EXPECT_TRUE(looks_like(last, 32, 64, 208, 2));
}

TEST_F(ColourProfiles, TurnedJpegIsConvertedToo)
{
	std::string profile = WriteProfile("adobe.icc", adobe_rgb_profile());
	std::string upright = MakeJpeg("upright.jpg", profile);
	std::string stored = fDir.Path("stored.jpg");
	ASSERT_EQ(run_program({"convert", upright, "-rotate", "180", "-sampling-factor", "1x1",
	                       "-quality", "100", stored}),
	          0);
	// Stored upside down and saying so: the decoder's turning path.
	std::vector<uint8> bytes = read_file(stored);
	ASSERT_GT(bytes.size(), size_t(2));
	bytes.insert(bytes.begin() + 2, kUpsideDown, kUpsideDown + sizeof(kUpsideDown));
	std::string turned = fDir.Path("turned.jpg");
	std::ofstream(turned, std::ios::binary)
	    .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
	ExpectSame(Patches(turned), JpgiccPatches(upright), 3, "turned");
}

TEST_F(ColourProfiles, LosslessFormatsLikeTificc)
{
	std::string profile = WriteProfile("adobe.icc", adobe_rgb_profile());
	std::string tiff = MakePicture("adobe.tif", profile);
	std::string converted = fDir.Path("tificc.tif");
	ASSERT_EQ(run_program({"tificc", tiff, converted}), 0);
	std::vector<Pixel> expected = Patches(converted);
	ASSERT_EQ(expected.size(), size_t(kPatchCount));

	ExpectSame(Patches(tiff), expected, 2, "TIFF");
	ExpectSame(Patches(MakePicture("adobe.png", profile)), expected, 2, "PNG iCCP");
	ExpectSame(Patches(MakePicture("adobe.webp", profile, {"-define", "webp:lossless=true"})),
	           expected, 2, "WebP ICCP");
	std::string jxl = fDir.Path("adobe.jxl");
	ASSERT_EQ(run_program({"cjxl", "-d", "0", fDir.Path("adobe.png"), jxl}), 0);
	ExpectSame(Patches(jxl), expected, 2, "lossless JPEG XL");
}

TEST_F(ColourProfiles, SrgbDamagedAndForeignProfilesLeaveThePixels)
{
	std::vector<Pixel> raw = Patches(MakeJpeg("plain.jpg", ""));
	ASSERT_EQ(raw.size(), size_t(kPatchCount));
	std::string srgb = WriteProfile("srgb.icc", srgb_profile());
	ExpectSame(Patches(MakeJpeg("srgb.jpg", srgb)), raw, 0, "sRGB profile");

	// A profile whose tags lcms cannot read: its header is all there is.
	std::vector<uint8> damaged = adobe_rgb_profile();
	ASSERT_GT(damaged.size(), size_t(200));
	damaged.resize(140);
	damaged[0] = damaged[1] = 0;
	damaged[2] = 0;
	damaged[3] = 140;
	ExpectSame(Patches(MakeJpeg("damaged.jpg", WriteProfile("damaged.icc", damaged))), raw, 0,
	           "damaged profile");

	// A grey profile does not describe RGB pixels.
	std::string grey = WriteProfile("grey.icc", grey_profile());
	std::vector<Pixel> greyPatches = Patches(MakeJpeg("grey-profile.jpg", grey));
	ExpectSame(greyPatches, raw, 0, "grey profile");
}

// The segments of a JPEG header, for the marker walk alone.
std::vector<uint8> jpeg_with(const std::vector<std::vector<uint8>>& segments)
{
	std::vector<uint8> data = {0xff, 0xd8};
	for (const std::vector<uint8>& segment : segments)
		data.insert(data.end(), segment.begin(), segment.end());
	const uint8 scan[] = {0xff, 0xda, 0x00, 0x02, 0xff, 0xd9};
	data.insert(data.end(), scan, scan + sizeof(scan));
	return data;
}

std::vector<uint8> icc_segment(int sequence, int count, const std::string& payload)
{
	size_t length = 2 + 12 + 2 + payload.size();
	std::string segment = "\xff\xe2";
	segment += char(length >> 8);
	segment += char(length & 0xff);
	segment += std::string("ICC_PROFILE", 12);
	segment += char(sequence);
	segment += char(count);
	segment += payload;
	return std::vector<uint8>(segment.begin(), segment.end());
}

TEST(IccMarkers, ChunksJoinInTheirOrderAndOnlyWhenWhole)
{
	const std::vector<uint8> exif = {0xff, 0xe1, 0x00, 0x06, 'E', 'x', 'i', 'f'};
	std::vector<uint8> profile;

	std::vector<uint8> shuffled = jpeg_with(
	    {exif, icc_segment(2, 3, "two"), icc_segment(1, 3, "one"), icc_segment(3, 3, "three")});
	ASSERT_TRUE(BPrivate::jpeg_icc_profile(shuffled.data(), shuffled.size(), &profile));
	EXPECT_EQ(std::string(profile.begin(), profile.end()), "onetwothree");

	const std::vector<std::vector<std::vector<uint8>>> broken = {
	    {icc_segment(1, 2, "one")},                             // one missing
	    {icc_segment(1, 2, "one"), icc_segment(1, 2, "again")}, // one twice
	    {icc_segment(1, 2, "one"), icc_segment(2, 3, "two")},   // counts disagree
	    {icc_segment(0, 1, "zero")},                            // numbered from 1
	    {icc_segment(2, 1, "past")},                            // past the count
	    {},                                                     // none
	};
	for (size_t i = 0; i < broken.size(); i++) {
		std::vector<uint8> data = jpeg_with(broken[i]);
		EXPECT_FALSE(BPrivate::jpeg_icc_profile(data.data(), data.size(), &profile)) << i;
	}

	// After the scan begins, nothing is header any more.
	std::vector<uint8> late = jpeg_with({});
	std::vector<uint8> segment = icc_segment(1, 1, "late");
	late.insert(late.end() - 2, segment.begin(), segment.end());
	EXPECT_FALSE(BPrivate::jpeg_icc_profile(late.data(), late.size(), &profile));
}

TEST(IccMarkers, CutAnywhereNeverReadsPastTheEnd)
{
	std::vector<uint8> whole =
	    jpeg_with({icc_segment(1, 2, std::string(300, 'a')), icc_segment(2, 2, "b")});
	std::vector<uint8> profile;
	ASSERT_TRUE(BPrivate::jpeg_icc_profile(whole.data(), whole.size(), &profile));
	EXPECT_EQ(profile.size(), size_t(301));
	// Each prefix in a buffer of its own, so that the sanitizers see a read
	// past its end.
	for (size_t length = 0; length < whole.size() - 6; length++) {
		std::unique_ptr<uint8[]> cut(new uint8[length + 1]);
		memcpy(cut.get(), whole.data(), length);
		EXPECT_FALSE(BPrivate::jpeg_icc_profile(cut.get(), length, &profile)) << length;
	}
}

} // namespace
