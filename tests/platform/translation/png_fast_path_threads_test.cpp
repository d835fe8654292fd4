// The two threads of the PNG fast path: rows pass through a ring of a few
// slots, so the inflating side waits for the unfiltering side and back many
// times per picture; faults found on either side stop both, and no decode
// waits for a thread that has given up.

#include <png.h>

#include <gtest/gtest.h>

#include "PngTestFiles.h"
#include "interface/BitmapPrefault.h"

using BPrivate::PngFastPathOptions;
using BPrivate::PngOutcome;

namespace {

PngFastPathOptions ring_of(size_t ringBytes)
{
	PngFastPathOptions options;
	options.ringBytes = ringBytes;
	options.threadBelow = 0;
	return options;
}

PngRecipe tall_picture(int colorType)
{
	PngRecipe recipe;
	recipe.colorType = colorType;
	recipe.width = 301;
	recipe.height = 240;
	recipe.idatSize = 4096;
	recipe.paletteSize = 64;
	recipe.indexRange = 64;
	recipe.transparentEntries = colorType == PNG_COLOR_TYPE_PALETTE ? 64 : 1;
	return recipe;
}

// Rows of three RGB pixels, filter None, with a filter type 7 at |badRow|.
std::vector<uint8> picture_with_bad_filter(uint32 height, uint32 badRow)
{
	std::vector<uint8> rows;
	for (uint32 y = 0; y < height; y++) {
		rows.push_back(y == badRow ? 7 : 0);
		for (int i = 0; i < 9; i++)
			rows.push_back(uint8(y + i));
	}
	return png_file({png_chunk("IHDR", png_header_data(3, height, 8, 2)),
	                 png_chunk("IDAT", zlib_stored(rows)), png_chunk("IEND", {})});
}

} // namespace

TEST(PngFastPathThreads, RowsThroughSmallRingsMatchLibpng)
{
	for (int colorType : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA, PNG_COLOR_TYPE_PALETTE,
	                      PNG_COLOR_TYPE_GRAY}) {
		std::vector<uint8> file = write_png(tall_picture(colorType));
		// Three slots, a few, and more than the picture has rows.
		for (size_t ringBytes : {size_t(0), size_t(8000), size_t(1) << 24}) {
			PngComparison comparison = compare_png_paths(file, ring_of(ringBytes));
			EXPECT_EQ(comparison.fast, PngOutcome::kDone) << colorType << " " << ringBytes;
			EXPECT_TRUE(paths_agree(comparison)) << colorType << " " << ringBytes;
		}
	}
}

TEST(PngFastPathThreads, BigPictureWhosePagesAreMappedAheadMatchesLibpng)
{
	// Big enough for a helper to map the bitmap's pages in while the rows
	// are written into them.
	PngRecipe recipe = tall_picture(PNG_COLOR_TYPE_RGB);
	recipe.width = 1200;
	recipe.height = 1000;
	recipe.idatSize = 65536;
	ASSERT_GE(size_t(recipe.width) * recipe.height * 4, BPrivate::BitmapPrefault::kMinimumBytes);
	std::vector<uint8> file = write_png(recipe);
	for (size_t ringBytes : {size_t(0), size_t(1) << 20}) {
		PngComparison comparison = compare_png_paths(file, ring_of(ringBytes));
		EXPECT_EQ(comparison.fast, PngOutcome::kDone) << ringBytes;
		EXPECT_TRUE(paths_agree(comparison)) << ringBytes;
	}
}

TEST(PngFastPathThreads, FaultsOnEitherSideEndBothThreads)
{
	// A bad filter type found by the unfiltering side while the inflating
	// side waits for room, early and late.
	for (uint32 badRow : {0u, 1u, 150u, 299u}) {
		PngComparison comparison =
		    compare_png_paths(picture_with_bad_filter(300, badRow), ring_of(0));
		EXPECT_EQ(comparison.fast, PngOutcome::kRejected) << badRow;
		EXPECT_FALSE(comparison.libpngDecoded) << badRow;
	}
	// The stream cut short, or damaged, while the unfiltering side waits
	// for rows.
	std::vector<uint8> file = write_png(tall_picture(PNG_COLOR_TYPE_RGB));
	for (size_t length : {file.size() / 3, file.size() / 2, file.size() - 20}) {
		std::vector<uint8> cut(file.begin(), file.begin() + length);
		EXPECT_EQ(compare_png_paths(cut, ring_of(0)).fast, PngOutcome::kRejected) << length;
	}
	std::vector<PngChunkAt> chunks = png_chunks(file);
	for (const PngChunkAt& chunk : chunks) {
		if (chunk.type != "IDAT")
			continue;
		std::vector<uint8> damaged = file;
		for (size_t at = chunk.DataOffset() + 100; at < chunk.DataOffset() + 140; at++)
			damaged[at] = 0xff;
		fix_crc(&damaged, chunk);
		EXPECT_TRUE(paths_agree(compare_png_paths(damaged, ring_of(0))));
	}
}
