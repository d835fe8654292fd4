#ifndef TESTS_PLATFORM_MEDIA_MEDIA_TEST_UTILS_H
#define TESTS_PLATFORM_MEDIA_MEDIA_TEST_UTILS_H

#include <MediaFile.h>
#include <MediaTrack.h>

#include <memory>
#include <string>
#include <vector>

#include "RunProgram.h"

// Path of a clip under samples/.
std::string sample_path(const char* name);

// A BMediaFile opened through an entry_ref made for |path|.
std::unique_ptr<BMediaFile> open_media(const std::string& path);

// The first video track (others released), or NULL.
BMediaTrack* first_video_track(BMediaFile* file, media_format* encoded = NULL);

// A scratch directory removed with everything in it at destruction.
class TempDir {
public:
	TempDir();
	~TempDir();
	std::string Path(const char* name) const { return fPath + "/" + name; }

private:
	std::string fPath;
};

std::vector<uint8> read_file(const std::string& path);

void write_file(const std::string& path, const uint8* data, size_t size);

// A frame buffer with guard bytes after it that must stay untouched.
class FrameBuffer {
public:
	FrameBuffer(uint32 bytesPerRow, uint32 rows);

	uint8* Bits() { return fData.data(); }
	uint32 BytesPerRow() const { return fBytesPerRow; }
	bool GuardIntact() const;
	bool PaddingIntact(uint32 width) const; // bytes past width * 4 in each row

	// B, G, R, A at (x, y).
	const uint8* Pixel(uint32 x, uint32 y) const { return &fData[y * fBytesPerRow + x * 4]; }

private:
	uint32 fBytesPerRow;
	uint32 fRows;
	std::vector<uint8> fData;
};

// Whether the pixel is within |tolerance| of (red, green, blue) on every channel.
bool pixel_near(const uint8* bgra, int red, int green, int blue, int tolerance = 8);
std::string describe_pixel(const uint8* bgra);

#endif
