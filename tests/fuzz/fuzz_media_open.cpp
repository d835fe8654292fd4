// Opens arbitrary bytes as a media file and decodes a few frames of its first
// video track, twice over with a rewind between. Whatever opens must keep
// every write inside the frame buffer and report each frame it delivers.

#include <MediaFile.h>
#include <MediaTrack.h>

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "storage/EntryRefPath.h"

namespace {

const uint8 kGuard = 0x5A;
const size_t kGuardBytes = 256;
// Larger frames are opened and described but not decoded, to keep runs fast.
const uint64 kMaxDecodedPixels = 512 * 512;

// One scratch file per process, rewritten for every input.
const std::string& scratch_path()
{
	static std::string path = [] {
		const char* dir = getenv("TMPDIR");
		std::string pattern = std::string(dir != NULL ? dir : "/tmp") + "/fuzz-media-XXXXXX";
		std::vector<char> name(pattern.begin(), pattern.end());
		name.push_back('\0');
		int fd = mkstemp(name.data());
		if (fd < 0)
			abort();
		close(fd);
		std::string made(name.data());
		atexit([] { unlink(scratch_path().c_str()); });
		return made;
	}();
	return path;
}

void write_input(const uint8_t* data, size_t size)
{
	int fd = open(scratch_path().c_str(), O_WRONLY | O_TRUNC);
	if (fd < 0)
		abort();
	while (size > 0) {
		ssize_t written = write(fd, data, size);
		if (written <= 0)
			abort();
		data += written;
		size -= written;
	}
	close(fd);
}

void decode_some(BMediaTrack* track, const media_format& encoded)
{
	uint32 width = encoded.Width();
	uint32 height = encoded.Height();
	if (width == 0 || height == 0)
		abort(); // a video track always has a size
	if (uint64(width) * height > kMaxDecodedPixels)
		return;

	// Rows exactly as wide as the picture: the tightest buffer a caller may
	// give, where a converter's write past a row's end leaves the buffer.
	media_format request;
	request.type = B_MEDIA_RAW_VIDEO;
	request.u.raw_video.display.bytes_per_row = width * 4;
	if (track->DecodedFormat(&request) != B_OK)
		return;
	uint32 bytesPerRow = request.u.raw_video.display.bytes_per_row;
	if (request.u.raw_video.display.line_width != width ||
	    request.u.raw_video.display.line_count != height || bytesPerRow != width * 4)
		abort();

	std::vector<uint8> buffer(size_t(bytesPerRow) * height + kGuardBytes, kGuard);
	for (int pass = 0; pass < 2; pass++) {
		for (int i = 0; i < 4; i++) {
			int64 count = -1;
			status_t status = track->ReadFrames(buffer.data(), &count);
			if ((status == B_OK) != (count == 1))
				abort();
			if (status != B_OK)
				break;
		}
		int64 frame = 0;
		track->SeekToFrame(&frame);
	}
	for (size_t i = size_t(bytesPerRow) * height; i < buffer.size(); i++) {
		if (buffer[i] != kGuard)
			abort();
	}
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	write_input(data, size);
	entry_ref ref;
	if (BPrivate::ref_for_path(scratch_path().c_str(), &ref) != B_OK)
		abort();
	BMediaFile file(&ref);
	if (file.InitCheck() != B_OK) {
		if (file.CountTracks() != 0)
			abort();
		return 0;
	}
	if (file.CountTracks() <= 0)
		abort(); // a file that opens has a track
	for (int32 i = 0; i < file.CountTracks(); i++) {
		BMediaTrack* track = file.TrackAt(i);
		if (track == NULL)
			abort();
		media_format encoded;
		if (track->EncodedFormat(&encoded) != B_OK)
			abort();
		if (encoded.type == B_MEDIA_ENCODED_VIDEO) {
			decode_some(track, encoded);
			break;
		}
		file.ReleaseTrack(track);
	}
	return 0;
}
