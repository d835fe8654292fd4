#include "PngTestFiles.h"

#include <string.h>

#include <algorithm>
#include <memory>
#include <random>

#include <png.h>

#include <Bitmap.h>
#include <DataIO.h>

#include "interface/BitmapPrivate.h"
#include "translation/PngTranslator.h"

using BPrivate::PngOutcome;

namespace {

void append_data(png_structp png, png_bytep data, size_t length)
{
	auto* out = static_cast<std::vector<uint8>*>(png_get_io_ptr(png));
	out->insert(out->end(), data, data + length);
}

void flush_nothing(png_structp) {}

int channels_of(int colorType)
{
	switch (colorType) {
		case PNG_COLOR_TYPE_GRAY_ALPHA:
			return 2;
		case PNG_COLOR_TYPE_RGB:
			return 3;
		case PNG_COLOR_TYPE_RGB_ALPHA:
			return 4;
		default:
			return 1;
	}
}

// Gradients with noise and a few flat runs, so that every filter gets chosen
// and the stream has both literals and long matches.
std::vector<uint8> row_samples(const PngRecipe& recipe, uint32 y, std::minstd_rand& random)
{
	int channels = channels_of(recipe.colorType);
	int bytes = recipe.depth == 16 ? 2 : 1;
	size_t count = size_t(recipe.width) * channels;
	std::vector<uint8> row(count * bytes);
	int maximum = recipe.depth >= 8 ? 255 : (1 << recipe.depth) - 1;
	for (size_t i = 0; i < count; i++) {
		uint32 x = uint32(i / channels);
		int value;
		if (recipe.colorType == PNG_COLOR_TYPE_PALETTE)
			value = int(random() % uint32(recipe.indexRange));
		else if ((y / 8) % 3 == 1 && x % 16 < 8)
			value = int((y * 7) & 0xff);
		else
			value = int((x * 3 + y * 5 + (i % channels) * 40 + random() % 20) & 0xff);
		if (recipe.colorType != PNG_COLOR_TYPE_PALETTE)
			value = value * maximum / 255;
		if (bytes == 2) {
			row[2 * i] = uint8(value);
			row[2 * i + 1] = uint8(random());
		} else {
			row[i] = uint8(value);
		}
	}
	// Pack sub-byte samples, most significant first.
	if (recipe.depth < 8) {
		std::vector<uint8> packed((count * recipe.depth + 7) / 8, 0);
		for (size_t i = 0; i < count; i++) {
			size_t bit = i * recipe.depth;
			packed[bit / 8] |= uint8(row[i] << (8 - recipe.depth - bit % 8));
		}
		return packed;
	}
	return row;
}

} // namespace

std::string PngRecipe::Describe() const
{
	return std::to_string(width) + "x" + std::to_string(height) + " type " +
	       std::to_string(colorType) + " depth " + std::to_string(depth) + " filter " +
	       std::to_string(filter) + (interlaced ? " interlaced" : "") + " trns " +
	       std::to_string(transparentEntries) + " palette " + std::to_string(paletteSize) + "/" +
	       std::to_string(indexRange) + " idat " + std::to_string(idatSize);
}

std::vector<uint8> write_png(const PngRecipe& recipe)
{
	std::vector<uint8> out;
	png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
	png_infop info = png_create_info_struct(png);
	if (setjmp(png_jmpbuf(png)) != 0) {
		png_destroy_write_struct(&png, &info);
		ADD_FAILURE() << "libpng cannot write " << recipe.Describe();
		return {};
	}
	png_set_write_fn(png, &out, append_data, flush_nothing);
	png_set_IHDR(png, info, recipe.width, recipe.height, recipe.depth, recipe.colorType,
	             recipe.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
	             PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
	png_set_compression_level(png, recipe.compressionLevel);
	if (recipe.idatSize > 0)
		png_set_compression_buffer_size(png, recipe.idatSize);
	if (recipe.filter >= 0)
		png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE << recipe.filter);
	else
		png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
	std::minstd_rand random(recipe.seed);
	std::vector<png_color> palette(recipe.paletteSize);
	std::vector<png_byte> alphas(recipe.transparentEntries);
	png_color_16 key = {};
	if (recipe.colorType == PNG_COLOR_TYPE_PALETTE) {
		for (png_color& entry : palette)
			entry = {uint8(random()), uint8(random()), uint8(random())};
		png_set_PLTE(png, info, palette.data(), recipe.paletteSize);
		png_set_check_for_invalid_index(png, 0);
		for (png_byte& alpha : alphas)
			alpha = uint8(random());
		if (!alphas.empty())
			png_set_tRNS(png, info, alphas.data(), int(alphas.size()), NULL);
	} else if (recipe.transparentEntries > 0) {
		// Values the flat runs of row 8 hold, so that some pixels turn clear.
		uint16 value = uint16(56 * ((1 << std::min(recipe.depth, 8)) - 1) / 255);
		key.gray = key.red = key.green = key.blue = value;
		png_set_tRNS(png, info, NULL, 0, &key);
	}
	png_write_info(png, info);
	int passes = png_set_interlace_handling(png);
	std::vector<std::vector<uint8>> rows;
	for (uint32 y = 0; y < recipe.height; y++)
		rows.push_back(row_samples(recipe, y, random));
	for (int pass = 0; pass < passes; pass++) {
		for (uint32 y = 0; y < recipe.height; y++)
			png_write_row(png, rows[y].data());
	}
	png_write_end(png, info);
	png_destroy_write_struct(&png, &info);
	return out;
}

std::vector<PngChunkAt> png_chunks(const std::vector<uint8>& file)
{
	std::vector<PngChunkAt> chunks;
	size_t at = 8;
	while (at + 12 <= file.size()) {
		uint32 length = BPrivate::png_get_be32(&file[at]);
		PngChunkAt chunk{at, length, std::string(reinterpret_cast<const char*>(&file[at + 4]), 4)};
		if (chunk.End() > file.size())
			break;
		chunks.push_back(chunk);
		at = chunk.End();
	}
	return chunks;
}

void put_be32(uint8* at, uint32 value)
{
	at[0] = uint8(value >> 24);
	at[1] = uint8(value >> 16);
	at[2] = uint8(value >> 8);
	at[3] = uint8(value);
}

void fix_crc(std::vector<uint8>* file, const PngChunkAt& chunk)
{
	uint32 crc = BPrivate::png_crc(0, file->data() + chunk.offset + 4, chunk.length + 4);
	put_be32(file->data() + chunk.DataOffset() + chunk.length, crc);
}

std::vector<uint8> png_chunk(const char* type, const std::vector<uint8>& data)
{
	std::vector<uint8> chunk(12 + data.size());
	put_be32(chunk.data(), uint32(data.size()));
	memcpy(chunk.data() + 4, type, 4);
	if (!data.empty())
		memcpy(chunk.data() + 8, data.data(), data.size());
	put_be32(chunk.data() + 8 + data.size(),
	         BPrivate::png_crc(0, chunk.data() + 4, data.size() + 4));
	return chunk;
}

std::vector<uint8> png_header_data(uint32 width, uint32 height, int depth, int colorType)
{
	std::vector<uint8> data(13, 0);
	put_be32(&data[0], width);
	put_be32(&data[4], height);
	data[8] = uint8(depth);
	data[9] = uint8(colorType);
	return data;
}

std::vector<uint8> zlib_stored(const std::vector<uint8>& data)
{
	std::vector<uint8> out = {0x78, 0x01};
	size_t at = 0;
	do {
		size_t length = std::min(data.size() - at, size_t(65535));
		bool last = at + length == data.size();
		out.push_back(last ? 1 : 0);
		out.push_back(uint8(length));
		out.push_back(uint8(length >> 8));
		out.push_back(uint8(~length));
		out.push_back(uint8(~length >> 8));
		out.insert(out.end(), data.begin() + at, data.begin() + at + length);
		at += length;
	} while (at < data.size());
	uint32 a = 1, b = 0;
	for (uint8 byte : data) {
		a = (a + byte) % 65521;
		b = (b + a) % 65521;
	}
	out.resize(out.size() + 4);
	put_be32(&out[out.size() - 4], b << 16 | a);
	return out;
}

std::vector<uint8> png_file(const std::vector<std::vector<uint8>>& chunks)
{
	std::vector<uint8> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
	for (const std::vector<uint8>& chunk : chunks)
		file.insert(file.end(), chunk.begin(), chunk.end());
	return file;
}

PngComparison compare_png_paths(const std::vector<uint8>& file,
                                const BPrivate::PngFastPathOptions& options)
{
	static const uint8 kNothing = 0;
	const uint8* bytes = file.empty() ? &kNothing : file.data();
	PngComparison comparison;

	BMemoryIO fastStream(bytes, file.size());
	BBitmap* fastBitmap = NULL;
	bool opaque = false;
	comparison.fast = BPrivate::png_fast_decode(&fastStream, 0, &fastBitmap, &opaque, options);
	std::unique_ptr<BBitmap> fast(fastBitmap);
	// As the translator finishes a picture from the fast path.
	if (fast && fast->ColorSpace() == B_RGBA32 && opaque)
		BPrivate::BitmapAccess::SetAlphaUsed(fast.get(), false);

	BMemoryIO libpngStream(bytes, file.size());
	BBitmap* libpngBitmap = NULL;
	comparison.libpngDecoded =
	    BPrivate::png_decode_with_libpng(&libpngStream, 0, &libpngBitmap) == B_OK;
	std::unique_ptr<BBitmap> reference(libpngBitmap);

	if (comparison.fast != PngOutcome::kDone || !comparison.libpngDecoded)
		return comparison;
	if (fast->Bounds() != reference->Bounds()) {
		comparison.difference = "sizes differ";
	} else if (fast->ColorSpace() != reference->ColorSpace()) {
		comparison.difference = std::string("colour space ") +
		                        (fast->ColorSpace() == B_RGBA32 ? "B_RGBA32" : "B_RGB32") +
		                        " from the fast path";
	} else {
		int32 width = fast->Bounds().IntegerWidth() + 1;
		int32 height = fast->Bounds().IntegerHeight() + 1;
		for (int32 y = 0; y < height && comparison.difference.empty(); y++) {
			const uint8* a =
			    static_cast<const uint8*>(fast->Bits()) + int64(y) * fast->BytesPerRow();
			const uint8* b =
			    static_cast<const uint8*>(reference->Bits()) + int64(y) * reference->BytesPerRow();
			for (int32 i = 0; i < width * 4; i++) {
				if (a[i] != b[i]) {
					comparison.difference = "pixel " + std::to_string(i / 4) + "," +
					                        std::to_string(y) + " byte " + std::to_string(i % 4) +
					                        ": " + std::to_string(a[i]) + " against libpng's " +
					                        std::to_string(b[i]);
					break;
				}
			}
		}
	}
	return comparison;
}

::testing::AssertionResult paths_agree(const PngComparison& comparison)
{
	if (comparison.fast == PngOutcome::kDone && !comparison.libpngDecoded)
		return ::testing::AssertionFailure() << "the fast path decoded what libpng refuses";
	if (comparison.fast == PngOutcome::kRejected && comparison.libpngDecoded)
		return ::testing::AssertionFailure() << "the fast path rejected what libpng decodes";
	if (!comparison.difference.empty())
		return ::testing::AssertionFailure() << comparison.difference;
	return ::testing::AssertionSuccess();
}
