#ifndef TESTS_TRANSLATION_TEST_UTILS_H
#define TESTS_TRANSLATION_TEST_UTILS_H

#include <memory>
#include <string>
#include <vector>

#include <Bitmap.h>

// The path of a committed sample picture.
std::string sample_path(const char* name);
// Its bytes; empty if it cannot be read.
std::vector<uint8> read_sample(const char* name);

// The bytes of the file at |path|; empty if it cannot be read.
std::vector<uint8> read_file(const std::string& path);

// A scratch directory, removed with everything in it at destruction.
class ScratchDir {
public:
	ScratchDir();
	~ScratchDir();
	std::string Path(const std::string& name) const { return fPath + "/" + name; }

private:
	std::string fPath;
};

// Decodes |bytes| through BTranslationUtils::GetBitmap on a BMemoryIO.
std::unique_ptr<BBitmap> decode(const std::vector<uint8>& bytes);

struct Pixel {
	uint8 blue, green, red, alpha;
};
// The B, G, R, A bytes at (x, y) of a 32-bit bitmap.
Pixel pixel_at(const BBitmap& bitmap, int32 x, int32 y);

// Whether |pixel| is within |tolerance| of (red, green, blue) on each channel.
bool looks_like(Pixel pixel, uint8 red, uint8 green, uint8 blue, int tolerance = 10);

int32 width_of(const BBitmap& bitmap);

// An APP1 segment holding IFD0 with only Orientation, big- or little-endian.
std::vector<uint8> exif_segment(uint16 orientation, bool bigEndian);
// |jpeg| with |segment| inserted right after its start marker.
std::vector<uint8> with_segment(const std::vector<uint8>& jpeg, const std::vector<uint8>& segment);
int32 height_of(const BBitmap& bitmap);

#endif
