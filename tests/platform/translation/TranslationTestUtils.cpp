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

std::vector<uint8> exif_segment(uint16 orientation, bool bigEndian)
{
	std::vector<uint8> tiff;
	auto put16 = [&](uint16 v) {
		if (bigEndian) {
			tiff.push_back(v >> 8);
			tiff.push_back(v & 0xff);
		} else {
			tiff.push_back(v & 0xff);
			tiff.push_back(v >> 8);
		}
	};
	auto put32 = [&](uint32 v) {
		if (bigEndian) {
			put16(v >> 16);
			put16(v & 0xffff);
		} else {
			put16(v & 0xffff);
			put16(v >> 16);
		}
	};
	tiff.push_back(bigEndian ? 'M' : 'I');
	tiff.push_back(bigEndian ? 'M' : 'I');
	put16(42);
	put32(8);
	put16(2);
	put16(0x010f); // Make, an ASCII value elsewhere: skipped
	put16(2);
	put32(20);
	put32(0);
	put16(0x0112);
	put16(3);
	put32(1);
	put16(orientation);
	put16(0);
	put32(0);
	const uint8 header[] = {0xff, 0xe1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
	std::vector<uint8> segment(sizeof(header) + tiff.size());
	memcpy(segment.data(), header, sizeof(header));
	memcpy(segment.data() + sizeof(header), tiff.data(), tiff.size());
	size_t length = segment.size() - 2;
	segment[2] = uint8(length >> 8);
	segment[3] = uint8(length & 0xff);
	return segment;
}

std::vector<uint8> with_segment(const std::vector<uint8>& jpeg, const std::vector<uint8>& segment)
{
	std::vector<uint8> out(jpeg.size() + segment.size());
	memcpy(out.data(), jpeg.data(), 2);
	memcpy(out.data() + 2, segment.data(), segment.size());
	memcpy(out.data() + 2 + segment.size(), jpeg.data() + 2, jpeg.size() - 2);
	return out;
}
