// Damaged files: cut short or garbled copies of the samples either fail to
// open or fail while reading, within a bounded number of reads, and never
// write outside the frame buffer.
#include <MediaFile.h>
#include <MediaTrack.h>

#include <random>

#include <gtest/gtest.h>

#include "MediaTestUtils.h"

namespace {

const char* const kClips[] = {
    "clip-h264.mp4",       "clip-vp9.webm",  "clip-mpeg4.avi",       "clip-colours.mp4",
    "clip-odd-161x97.mkv", "clip-10bit.mp4", "clip-audio-first.mkv",
};

struct Outcome {
	status_t open;
	int frames;
	status_t last;
};

// Opens |path|, then reads the first video track to its end, twice (with a
// rewind between), into a buffer with guard bytes.
Outcome read_through(const std::string& path)
{
	Outcome outcome = {B_OK, 0, B_OK};
	std::unique_ptr<BMediaFile> file = open_media(path);
	outcome.open = file->InitCheck();
	if (outcome.open != B_OK)
		return outcome;
	media_format encoded;
	BMediaTrack* track = first_video_track(file.get(), &encoded);
	if (track == NULL) {
		outcome.open = B_ERROR;
		return outcome;
	}
	EXPECT_GT(encoded.Width(), 0u);
	EXPECT_GT(encoded.Height(), 0u);
	FrameBuffer buffer(encoded.Width() * 4, encoded.Height());
	for (int loop = 0; loop < 2; loop++) {
		int64 count;
		// More reads than any sample has frames: a track that never ends is a fault.
		for (int reads = 0; reads < 200; reads++) {
			outcome.last = track->ReadFrames(buffer.Bits(), &count);
			if (outcome.last != B_OK)
				break;
			outcome.frames++;
		}
		EXPECT_NE(outcome.last, B_OK) << "no end after 200 frames";
		int64 frame = 0;
		track->SeekToFrame(&frame);
	}
	EXPECT_TRUE(buffer.GuardIntact());
	return outcome;
}

} // namespace

TEST(MediaDamage, TruncatedFilesEndEarlyOrFailToOpen)
{
	TempDir dir;
	for (const char* name : kClips) {
		std::vector<uint8> data = read_file(sample_path(name));
		ASSERT_GT(data.size(), 100u) << name;
		for (double fraction : {0.02, 0.1, 0.3, 0.5, 0.75, 0.95}) {
			SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(fraction));
			size_t size = size_t(data.size() * fraction);
			std::string path = dir.Path("cut.bin");
			write_file(path, data.data(), size);
			Outcome outcome = read_through(path);
			if (outcome.open == B_OK) {
				EXPECT_NE(outcome.last, B_OK);
				EXPECT_LE(outcome.frames, 2 * 20);
			}
		}
	}
}

TEST(MediaDamage, FileWithoutItsIndexDoesNotOpen)
{
	// clip-colours.mp4 keeps its index at the end: cut that off.
	TempDir dir;
	std::vector<uint8> data = read_file(sample_path("clip-colours.mp4"));
	std::string path = dir.Path("noindex.mp4");
	write_file(path, data.data(), data.size() * 9 / 10);
	std::unique_ptr<BMediaFile> file = open_media(path);
	EXPECT_NE(file->InitCheck(), B_OK);
	EXPECT_EQ(file->CountTracks(), 0);
}

TEST(MediaDamage, GarbledFilesNeverCrashOrHang)
{
	TempDir dir;
	std::mt19937 random(20261207);
	for (const char* name : kClips) {
		std::vector<uint8> original = read_file(sample_path(name));
		for (int variant = 0; variant < 6; variant++) {
			SCOPED_TRACE(std::string(name) + " variant " + std::to_string(variant));
			std::vector<uint8> data = original;
			// Spare the first bytes in half the variants so that the format
			// is still found and the damage reaches the decoder.
			size_t from = variant % 2 == 0 ? 0 : std::min<size_t>(data.size() / 4, 2048);
			std::uniform_int_distribution<size_t> where(from, data.size() - 1);
			int flips = variant < 2 ? 8 : (variant < 4 ? 64 : 512);
			for (int i = 0; i < flips; i++)
				data[where(random)] ^= uint8(1 + random() % 255);
			std::string path = dir.Path("garbled.bin");
			write_file(path, data.data(), data.size());
			Outcome outcome = read_through(path);
			if (outcome.open == B_OK) {
				EXPECT_NE(outcome.last, B_OK);
			}
		}
	}
}

TEST(MediaDamage, RandomBytesAreNotMedia)
{
	TempDir dir;
	std::mt19937 random(7);
	std::vector<uint8> data(64 * 1024);
	for (uint8& byte : data)
		byte = uint8(random());
	std::string path = dir.Path("noise.mp4");
	write_file(path, data.data(), data.size());
	Outcome outcome = read_through(path);
	EXPECT_NE(outcome.open, B_OK);
}
