#include "MediaTestUtils.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "storage/EntryRefPath.h"

namespace {

const uint8 kFill = 0xA5;
const size_t kGuardBytes = 4096;

} // namespace

std::string sample_path(const char* name)
{
	const char* root = getenv("PL_SOURCE_DIR");
	return std::string(root != NULL ? root : ".") + "/samples/" + name;
}

std::unique_ptr<BMediaFile> open_media(const std::string& path)
{
	entry_ref ref;
	EXPECT_EQ(BPrivate::ref_for_path(path.c_str(), &ref), B_OK) << path;
	return std::make_unique<BMediaFile>(&ref);
}

BMediaTrack* first_video_track(BMediaFile* file, media_format* encoded)
{
	media_format format;
	for (int32 i = 0; i < file->CountTracks(); i++) {
		BMediaTrack* track = file->TrackAt(i);
		if (track != NULL && track->EncodedFormat(&format) == B_OK &&
		    format.type == B_MEDIA_ENCODED_VIDEO) {
			if (encoded != NULL)
				*encoded = format;
			return track;
		}
		file->ReleaseTrack(track);
	}
	return NULL;
}

TempDir::TempDir()
{
	char pattern[] = "/tmp/pl-media-XXXXXX";
	char* made = mkdtemp(pattern);
	EXPECT_NE(made, nullptr);
	fPath = made != NULL ? made : "/tmp";
}

TempDir::~TempDir()
{
	std::error_code ignored;
	std::filesystem::remove_all(fPath, ignored);
}

std::vector<uint8> read_file(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::vector<uint8>(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::string& path, const uint8* data, size_t size)
{
	std::ofstream out(path, std::ios::binary | std::ios::trunc);
	out.write(reinterpret_cast<const char*>(data), size);
	ASSERT_TRUE(out.good()) << path;
}

FrameBuffer::FrameBuffer(uint32 bytesPerRow, uint32 rows)
    : fBytesPerRow(bytesPerRow), fRows(rows), fData(size_t(bytesPerRow) * rows + kGuardBytes, kFill)
{
}

bool FrameBuffer::GuardIntact() const
{
	for (size_t i = size_t(fBytesPerRow) * fRows; i < fData.size(); i++) {
		if (fData[i] != kFill)
			return false;
	}
	return true;
}

bool FrameBuffer::PaddingIntact(uint32 width) const
{
	for (uint32 y = 0; y < fRows; y++) {
		for (uint32 x = width * 4; x < fBytesPerRow; x++) {
			if (fData[size_t(y) * fBytesPerRow + x] != kFill)
				return false;
		}
	}
	return true;
}

bool pixel_near(const uint8* bgra, int red, int green, int blue, int tolerance)
{
	return abs(bgra[2] - red) <= tolerance && abs(bgra[1] - green) <= tolerance &&
	       abs(bgra[0] - blue) <= tolerance;
}

std::string describe_pixel(const uint8* bgra)
{
	char text[64];
	snprintf(text, sizeof(text), "rgb(%d, %d, %d) a=%d", bgra[2], bgra[1], bgra[0], bgra[3]);
	return text;
}
