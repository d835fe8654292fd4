// The PNG fast path against libpng: over pictures libpng writes here, every
// one the fast path takes must come out as libpng's path makes it, byte for
// byte and in the same colour space; damaged files must be refused by both
// or left to libpng.

#include <png.h>

#include <algorithm>
#include <memory>

#include <Bitmap.h>
#include <DataIO.h>

#include <gtest/gtest.h>

#include "PngTestFiles.h"
#include "TranslationTestUtils.h"

using BPrivate::PngFastPathOptions;
using BPrivate::PngOutcome;

namespace {

// Every row through the second thread, with the ring as small as it goes.
PngFastPathOptions threaded_options()
{
	PngFastPathOptions options;
	options.ringBytes = 0;
	options.threadBelow = 0;
	return options;
}

void expect_fast_and_equal(const std::vector<uint8>& file, const std::string& what)
{
	for (const PngFastPathOptions& options : {PngFastPathOptions(), threaded_options()}) {
		PngComparison comparison = compare_png_paths(file, options);
		EXPECT_EQ(comparison.fast, PngOutcome::kDone) << what;
		EXPECT_TRUE(comparison.libpngDecoded) << what;
		EXPECT_TRUE(paths_agree(comparison)) << what;
	}
}

// A file that must come to neither a picture nor a difference.
void expect_rejected_by_both(const std::vector<uint8>& file, const std::string& what)
{
	PngComparison comparison = compare_png_paths(file, threaded_options());
	EXPECT_EQ(comparison.fast, PngOutcome::kRejected) << what;
	EXPECT_FALSE(comparison.libpngDecoded) << what;
}

const int kColorTypes[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_PALETTE,
                           PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB_ALPHA};

// A multi-IDAT RGB picture with a text chunk before and after the image.
std::vector<uint8> sample_with_many_chunks()
{
	PngRecipe recipe;
	recipe.width = 33;
	recipe.height = 21;
	recipe.idatSize = 300;
	std::vector<uint8> file = write_png(recipe);
	std::vector<PngChunkAt> chunks = png_chunks(file);
	std::vector<uint8> text = png_chunk("tEXt", {'K', 'e', 'y', 0, 'v'});
	file.insert(file.begin() + chunks[1].offset, text.begin(), text.end());
	size_t iend = png_chunks(file).back().offset;
	file.insert(file.begin() + iend, text.begin(), text.end());
	return file;
}

} // namespace

TEST(PngFastPath, MatchesLibpngForEveryColourTypeFilterAndWidth)
{
	int index = 0;
	for (int colorType : kColorTypes) {
		for (int filter = -1; filter <= 4; filter++) {
			for (uint32 width : {1u, 3u, 7u, 33u, 1001u}) {
				PngRecipe recipe;
				recipe.colorType = colorType;
				recipe.filter = filter;
				recipe.width = width;
				recipe.height = 1 + uint32(index % 5) * 4;
				recipe.seed = uint32(index++);
				// Keys for grey and RGB, every other time.
				if (colorType != PNG_COLOR_TYPE_PALETTE && (colorType & PNG_COLOR_MASK_ALPHA) == 0)
					recipe.transparentEntries = index % 2;
				expect_fast_and_equal(write_png(recipe), recipe.Describe());
			}
		}
	}
}

TEST(PngFastPath, MatchesLibpngForPalettesWithAndWithoutTransparency)
{
	struct Case {
		int paletteSize, indexRange, transparentEntries;
	};
	// Short palettes with indices past their end (black to libpng), short
	// and full tRNS, and tRNS entries that are all opaque.
	const Case cases[] = {{256, 256, 0}, {256, 256, 256}, {17, 17, 5},   {17, 40, 17},
	                      {1, 1, 1},     {2, 200, 0},     {100, 256, 99}};
	uint32 seed = 7;
	for (const Case& c : cases) {
		PngRecipe recipe;
		recipe.colorType = PNG_COLOR_TYPE_PALETTE;
		recipe.width = 45;
		recipe.height = 13;
		recipe.paletteSize = c.paletteSize;
		recipe.indexRange = c.indexRange;
		recipe.transparentEntries = c.transparentEntries;
		recipe.seed = seed++;
		expect_fast_and_equal(write_png(recipe), recipe.Describe());
	}
}

TEST(PngFastPath, OpaqueAlphaPicturesBecomeRgb32AsThroughLibpng)
{
	// RGBA with every alpha 255, and a palette whose tRNS is all 255.
	PngRecipe recipe;
	recipe.colorType = PNG_COLOR_TYPE_PALETTE;
	recipe.paletteSize = 4;
	recipe.indexRange = 4;
	std::vector<uint8> file = write_png(recipe);
	std::vector<PngChunkAt> chunks = png_chunks(file);
	std::vector<uint8> trns = png_chunk("tRNS", {255, 255, 255, 255});
	file.insert(file.begin() + chunks[2].offset, trns.begin(), trns.end());
	expect_fast_and_equal(file, "palette with opaque tRNS");
	std::unique_ptr<BBitmap> bitmap = decode(file);
	ASSERT_NE(bitmap, nullptr);
	EXPECT_EQ(bitmap->ColorSpace(), B_RGB32);

	std::vector<uint8> rows;
	for (int y = 0; y < 3; y++) {
		rows.push_back(0);
		for (int x = 0; x < 5; x++)
			rows.insert(rows.end(), {uint8(x * 40), uint8(y * 80), 9, 255});
	}
	std::vector<uint8> rgba =
	    png_file({png_chunk("IHDR", png_header_data(5, 3, 8, 6)),
	              png_chunk("IDAT", zlib_stored(rows)), png_chunk("IEND", {})});
	expect_fast_and_equal(rgba, "opaque RGBA");
	bitmap = decode(rgba);
	ASSERT_NE(bitmap, nullptr);
	EXPECT_EQ(bitmap->ColorSpace(), B_RGB32);
	EXPECT_TRUE(looks_like(pixel_at(*bitmap, 4, 2), 160, 160, 9, 0));
}

TEST(PngFastPath, MatchesLibpngHoweverTheImageDataIsSplitAndCompressed)
{
	for (int colorType : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_PALETTE, PNG_COLOR_TYPE_RGB_ALPHA}) {
		for (size_t idatSize : {size_t(6), size_t(7), size_t(100), size_t(1) << 24}) {
			for (int level : {0, 1, 9}) {
				PngRecipe recipe;
				recipe.colorType = colorType;
				recipe.width = 1001;
				recipe.height = 23;
				recipe.idatSize = idatSize;
				recipe.compressionLevel = level;
				std::vector<uint8> file = write_png(recipe);
				expect_fast_and_equal(file, recipe.Describe() + " level " + std::to_string(level));
			}
		}
	}
	// A zlib stream whose header and Adler-32 are split across IDATs of
	// one byte and of none.
	std::vector<uint8> rows = {0, 1, 2, 3, 2, 5, 6, 7};
	std::vector<uint8> stream = zlib_stored(rows);
	std::vector<std::vector<uint8>> chunks = {png_chunk("IHDR", png_header_data(1, 2, 8, 2))};
	for (uint8 byte : stream) {
		chunks.push_back(png_chunk("IDAT", {}));
		chunks.push_back(png_chunk("IDAT", {byte}));
	}
	chunks.push_back(png_chunk("IEND", {}));
	expect_fast_and_equal(png_file(chunks), "one byte an IDAT");
}

TEST(PngFastPath, LeavesWhatItDoesNotTakeToLibpng)
{
	// Every colour type at every depth PNG gives it but 8, and interlacing.
	struct Depths {
		int colorType;
		std::vector<int> depths;
	};
	const Depths others[] = {{PNG_COLOR_TYPE_GRAY, {1, 2, 4, 16}},
	                         {PNG_COLOR_TYPE_PALETTE, {1, 2, 4}},
	                         {PNG_COLOR_TYPE_RGB, {16}},
	                         {PNG_COLOR_TYPE_GRAY_ALPHA, {16}},
	                         {PNG_COLOR_TYPE_RGB_ALPHA, {16}}};
	std::vector<PngRecipe> recipes;
	for (const Depths& entry : others) {
		for (int depth : entry.depths) {
			PngRecipe recipe;
			recipe.colorType = entry.colorType;
			recipe.depth = depth;
			recipe.width = 13;
			recipe.paletteSize = recipe.indexRange = 1 << std::min(depth, 8);
			recipes.push_back(recipe);
		}
	}
	for (int colorType : kColorTypes) {
		PngRecipe interlaced;
		interlaced.colorType = colorType;
		interlaced.interlaced = true;
		recipes.push_back(interlaced);
	}
	for (const PngRecipe& recipe : recipes) {
		std::vector<uint8> file = write_png(recipe);
		PngComparison comparison = compare_png_paths(file);
		EXPECT_EQ(comparison.fast, PngOutcome::kDeclined) << recipe.Describe();
		EXPECT_TRUE(comparison.libpngDecoded) << recipe.Describe();
		EXPECT_NE(decode(file), nullptr) << recipe.Describe();
	}

	// A colour profile is for libpng's path, however it judges it.
	std::vector<uint8> file = write_png(PngRecipe());
	std::vector<uint8> profile = png_chunk("iCCP", {'p', 0, 0, 0x78, 0x01, 0x03, 0, 0, 0, 0, 1});
	file.insert(file.begin() + 33, profile.begin(), profile.end());
	EXPECT_EQ(compare_png_paths(file).fast, PngOutcome::kDeclined);
	EXPECT_NE(decode(file), nullptr);
}

TEST(PngFastPath, IgnoresAncillaryChunksAndBytesAfterIend)
{
	std::vector<uint8> file = sample_with_many_chunks();
	expect_fast_and_equal(file, "text chunks");
	std::vector<uint8> trailing = file;
	trailing.insert(trailing.end(), {'g', 'a', 'r', 'b', 'a', 'g', 'e'});
	expect_fast_and_equal(trailing, "bytes after IEND");
}

TEST(PngFastPath, FilesCutShortAreRejectedByBoth)
{
	std::vector<uint8> file = sample_with_many_chunks();
	std::vector<size_t> cuts;
	for (const PngChunkAt& chunk : png_chunks(file)) {
		cuts.push_back(chunk.offset);
		cuts.push_back(chunk.DataOffset());
		cuts.push_back(chunk.DataOffset() + chunk.length / 2);
		cuts.push_back(chunk.End() - 1);
	}
	for (size_t length = 0; length < 80; length++)
		cuts.push_back(length);
	for (size_t length : cuts) {
		std::vector<uint8> cut(file.begin(), file.begin() + length);
		expect_rejected_by_both(cut, "cut at " + std::to_string(length));
	}
}

TEST(PngFastPath, DamagedChunksAreRefusedOrLeftToLibpng)
{
	std::vector<uint8> file = sample_with_many_chunks();
	for (const PngChunkAt& chunk : png_chunks(file)) {
		// The CRC no longer matches: libpng stops at a critical chunk and
		// drops an ancillary one.
		std::vector<uint8> damaged = file;
		damaged[chunk.End() - 1] ^= 0x40;
		bool critical = chunk.type[0] >= 'A' && chunk.type[0] <= 'Z';
		if (critical) {
			expect_rejected_by_both(damaged, "CRC of " + chunk.type);
		} else {
			PngComparison comparison = compare_png_paths(damaged);
			EXPECT_EQ(comparison.fast, PngOutcome::kDeclined) << chunk.type;
			EXPECT_TRUE(comparison.libpngDecoded) << chunk.type;
		}
	}

	// Bytes of the zlib stream changed, CRCs made right: either both refuse
	// the file or both make the same picture.
	PngRecipe recipe;
	recipe.width = 40;
	recipe.height = 30;
	recipe.idatSize = 200;
	file = write_png(recipe);
	for (const PngChunkAt& chunk : png_chunks(file)) {
		if (chunk.type != "IDAT")
			continue;
		for (size_t at = 0; at < chunk.length; at += 7) {
			for (uint8 mask : {uint8(0x01), uint8(0x10), uint8(0xff)}) {
				std::vector<uint8> damaged = file;
				damaged[chunk.DataOffset() + at] ^= mask;
				fix_crc(&damaged, chunk);
				for (const PngFastPathOptions& options :
				     {PngFastPathOptions(), threaded_options()}) {
					EXPECT_TRUE(paths_agree(compare_png_paths(damaged, options)))
					    << "IDAT byte " << chunk.DataOffset() + at << " ^ " << int(mask);
				}
			}
		}
	}
}

TEST(PngFastPath, WrongAmountsOfImageDataAgreeWithLibpng)
{
	// Three rows of an RGB picture 2 wide, filter None.
	std::vector<uint8> rows;
	for (int y = 0; y < 3; y++)
		rows.insert(rows.end(), {0, uint8(y), 2, 3, 4, 5, 6});
	auto picture = [](uint32 height, const std::vector<uint8>& data,
	                  std::vector<std::vector<uint8>> extra = {}) {
		std::vector<std::vector<uint8>> chunks = {
		    png_chunk("IHDR", png_header_data(2, height, 8, 2)),
		    png_chunk("IDAT", zlib_stored(data))};
		chunks.insert(chunks.end(), extra.begin(), extra.end());
		chunks.push_back(png_chunk("IEND", {}));
		return png_file(chunks);
	};
	expect_fast_and_equal(picture(3, rows), "three rows");
	for (uint32 height : {1u, 2u, 4u, 9u}) {
		PngComparison comparison = compare_png_paths(picture(height, rows), threaded_options());
		EXPECT_NE(comparison.fast, PngOutcome::kDone) << height << " rows declared";
		EXPECT_TRUE(paths_agree(comparison)) << height << " rows declared";
	}
	// A second zlib stream in a later IDAT.
	PngComparison comparison =
	    compare_png_paths(picture(3, rows, {png_chunk("IDAT", zlib_stored(rows))}));
	EXPECT_TRUE(paths_agree(comparison));
	// Bytes after the stream's end inside the IDAT.
	std::vector<uint8> stream = zlib_stored(rows);
	stream.insert(stream.end(), {1, 2, 3});
	comparison = compare_png_paths(png_file({png_chunk("IHDR", png_header_data(2, 3, 8, 2)),
	                                         png_chunk("IDAT", stream), png_chunk("IEND", {})}));
	EXPECT_TRUE(paths_agree(comparison));
	// A chunk between the IDATs while rows are still missing.
	std::vector<uint8> first(stream.begin(), stream.begin() + 10);
	std::vector<uint8> rest(stream.begin() + 10, stream.end() - 3);
	comparison = compare_png_paths(
	    png_file({png_chunk("IHDR", png_header_data(2, 3, 8, 2)), png_chunk("IDAT", first),
	              png_chunk("tEXt", {'a', 0}), png_chunk("IDAT", rest), png_chunk("IEND", {})}));
	EXPECT_TRUE(paths_agree(comparison));
	// A wrong Adler-32.
	stream = zlib_stored(rows);
	stream.back() ^= 1;
	comparison = compare_png_paths(png_file({png_chunk("IHDR", png_header_data(2, 3, 8, 2)),
	                                         png_chunk("IDAT", stream), png_chunk("IEND", {})}));
	EXPECT_NE(comparison.fast, PngOutcome::kDone);
	EXPECT_TRUE(paths_agree(comparison));
}

TEST(PngFastPath, StructuralFaultsAgreeWithLibpng)
{
	std::vector<uint8> rows = {0, 10, 20, 30, 1, 1, 1, 2, 2, 2};
	std::vector<uint8> header = png_chunk("IHDR", png_header_data(3, 1, 8, 2));
	std::vector<uint8> idat = png_chunk("IDAT", zlib_stored(rows));
	std::vector<uint8> iend = png_chunk("IEND", {});
	std::vector<uint8> palette = png_chunk("PLTE", {1, 2, 3});
	const std::vector<std::vector<std::vector<uint8>>> files = {
	    {header, idat},                                               // no IEND
	    {idat, header, iend},                                         // IDAT first
	    {header, iend},                                               // no image data
	    {header, header, idat, iend},                                 // two headers
	    {header, idat, png_chunk("IEND", {0}), iend},                 // IEND with data
	    {header, png_chunk("ZzZz", {1}), idat, iend},                 // unknown critical chunk
	    {header, png_chunk("a1cD", {}), idat, iend},                  // a chunk name with a digit
	    {header, idat, palette, iend},                                // palette after the image
	    {png_chunk("IHDR", png_header_data(3, 1, 8, 3)), idat, iend}, // palette picture, no PLTE
	    {png_chunk("IHDR", png_header_data(3, 1, 8, 0)), palette, idat, iend}, // grey with PLTE
	    {png_chunk("IHDR", png_header_data(3, 1, 8, 7)), idat, iend},          // no such type
	    {png_chunk("IHDR", png_header_data(0, 1, 8, 2)), idat, iend},          // no width
	    {png_chunk("IHDR", png_header_data(1 << 20, 1 << 20, 8, 2)), idat, iend},
	};
	for (size_t i = 0; i < std::size(files); i++) {
		PngComparison comparison = compare_png_paths(png_file(files[i]));
		EXPECT_NE(comparison.fast, PngOutcome::kDone) << "file " << i;
		EXPECT_TRUE(paths_agree(comparison)) << "file " << i;
	}
	// A filter type PNG does not have, in the second of three rows.
	std::vector<uint8> bad;
	for (uint8 filter : {0, 5, 0})
		bad.insert(bad.end(), {filter, 1, 2, 3, 4, 5, 6, 7, 8, 9});
	expect_rejected_by_both(png_file({png_chunk("IHDR", png_header_data(3, 3, 8, 2)),
	                                  png_chunk("IDAT", zlib_stored(bad)), iend}),
	                        "filter type 5");
}
