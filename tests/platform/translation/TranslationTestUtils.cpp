#include "TranslationTestUtils.h"

#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <DataIO.h>
#include <TranslationUtils.h>

std::string sample_path(const char* name)
{
	const char* root = getenv("PL_SOURCE_DIR");
	return std::string(root != NULL ? root : ".") + "/samples/" + name;
}

std::vector<uint8> read_sample(const char* name)
{
	std::ifstream in(sample_path(name), std::ios::binary);
	return std::vector<uint8>(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8> read_file(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::vector<uint8>(std::istreambuf_iterator<char>(in), {});
}

ScratchDir::ScratchDir()
{
	char pattern[] = "/tmp/pl-translation-XXXXXX";
	if (mkdtemp(pattern) != NULL)
		fPath = pattern;
}

ScratchDir::~ScratchDir()
{
	std::error_code ignored;
	if (!fPath.empty())
		std::filesystem::remove_all(fPath, ignored);
}

std::unique_ptr<BBitmap> decode(const std::vector<uint8>& bytes)
{
	// An empty vector's data() may be NULL; the stream still has length 0.
	static const uint8 kNothing = 0;
	BMemoryIO stream(bytes.empty() ? &kNothing : bytes.data(), bytes.size());
	return std::unique_ptr<BBitmap>(BTranslationUtils::GetBitmap(&stream));
}

Pixel pixel_at(const BBitmap& bitmap, int32 x, int32 y)
{
	const uint8* p =
	    static_cast<const uint8*>(bitmap.Bits()) + int64(y) * bitmap.BytesPerRow() + int64(x) * 4;
	return Pixel{p[0], p[1], p[2], p[3]};
}

bool looks_like(Pixel pixel, uint8 red, uint8 green, uint8 blue, int tolerance)
{
	return abs(pixel.red - red) <= tolerance && abs(pixel.green - green) <= tolerance &&
	       abs(pixel.blue - blue) <= tolerance;
}

int32 width_of(const BBitmap& bitmap)
{
	return bitmap.Bounds().IntegerWidth() + 1;
}

int32 height_of(const BBitmap& bitmap)
{
	return bitmap.Bounds().IntegerHeight() + 1;
}
