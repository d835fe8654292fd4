#ifndef TESTS_TRANSLATION_PNG_TEST_FILES_H
#define TESTS_TRANSLATION_PNG_TEST_FILES_H

#include <string>
#include <vector>

#include <SupportDefs.h>

#include <gtest/gtest.h>

#include "translation/PngFastPath.h"

// A PNG to write with libpng.
struct PngRecipe {
	uint32 width = 16;
	uint32 height = 16;
	int colorType = 2; // PNG_COLOR_TYPE_*
	int depth = 8;
	bool interlaced = false;
	// PNG_FILTER_VALUE_* forced on every row, or -1 for libpng's adaptive choice.
	int filter = -1;
	// Palette pictures: entries written; indices go up to indexRange - 1, so
	// a range past the palette makes indices libpng reads as black.
	int paletteSize = 256;
	int indexRange = 256;
	// Transparency entries for a palette, or a tRNS key (grey, RGB) when > 0.
	int transparentEntries = 0;
	// The IDAT chunks' size (libpng's compression buffer), 0 for its default.
	size_t idatSize = 0;
	int compressionLevel = 6;
	uint32 seed = 1;
	std::string Describe() const;
};

std::vector<uint8> write_png(const PngRecipe& recipe);

// One chunk of a PNG file: where its length field starts, and its parts.
struct PngChunkAt {
	size_t offset;
	uint32 length;
	std::string type;
	size_t DataOffset() const { return offset + 8; }
	size_t End() const { return offset + 12 + length; }
};
std::vector<PngChunkAt> png_chunks(const std::vector<uint8>& file);
// Recomputes the CRC of |chunk| after its data was changed.
void fix_crc(std::vector<uint8>* file, const PngChunkAt& chunk);
void put_be32(uint8* at, uint32 value);

// PNGs put together byte by byte, for damage libpng's writer cannot make.
std::vector<uint8> png_chunk(const char* type, const std::vector<uint8>& data);
std::vector<uint8> png_header_data(uint32 width, uint32 height, int depth, int colorType);
// |data| as a zlib stream of stored blocks, with its Adler-32.
std::vector<uint8> zlib_stored(const std::vector<uint8>& data);
// The signature followed by |chunks|.
std::vector<uint8> png_file(const std::vector<std::vector<uint8>>& chunks);

// What each path made of one file.
struct PngComparison {
	BPrivate::PngOutcome fast;
	bool libpngDecoded;
	// Empty when both made the same bitmap (or only libpng decoded, for a
	// declined file); else what differs.
	std::string difference;
};

// Decodes |file| by the fast path and by libpng alone, and compares their
// bitmaps byte for byte and their colour spaces.
PngComparison compare_png_paths(const std::vector<uint8>& file,
                                const BPrivate::PngFastPathOptions& options = {});

// The rule both paths keep: a picture from the fast path is libpng's
// picture, and a file it rejects libpng rejects too.
::testing::AssertionResult paths_agree(const PngComparison& comparison);

#endif
