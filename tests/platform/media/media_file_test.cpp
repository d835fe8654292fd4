// Opening media files: what InitCheck says, which tracks there are, and how
// each clip describes itself.
#include <MediaFile.h>
#include <MediaTrack.h>

#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "MediaTestUtils.h"

TEST(MediaFileOpen, FailuresSayWhy)
{
	TempDir dir;
	EXPECT_EQ(open_media(dir.Path("missing.mp4"))->InitCheck(), B_ENTRY_NOT_FOUND);

	BMediaFile noRef(NULL);
	EXPECT_EQ(noRef.InitCheck(), B_BAD_VALUE);
	EXPECT_EQ(noRef.CountTracks(), 0);
	EXPECT_EQ(noRef.TrackAt(0), nullptr);

	std::string sub = dir.Path("folder.mkv");
	ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
	EXPECT_EQ(open_media(sub)->InitCheck(), B_IS_A_DIRECTORY);

	// A FIFO without a writer would block an ordinary open() for ever.
	std::string fifo = dir.Path("pipe.mp4");
	ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
	EXPECT_EQ(open_media(fifo)->InitCheck(), B_BAD_VALUE);

	std::string empty = dir.Path("empty.mp4");
	write_file(empty, NULL, 0);
	EXPECT_EQ(open_media(empty)->InitCheck(), B_MEDIA_NO_HANDLER);

	std::string text = dir.Path("notes.mp4");
	const char* words = "This is a shopping list, not a film.\nMilk\nBread\nEggs\n";
	write_file(text, reinterpret_cast<const uint8*>(words), strlen(words));
	std::unique_ptr<BMediaFile> notMedia = open_media(text);
	EXPECT_EQ(notMedia->InitCheck(), B_MEDIA_NO_HANDLER);
	EXPECT_EQ(notMedia->TrackAt(0), nullptr);
	EXPECT_EQ(notMedia->ReleaseAllTracks(), B_NO_INIT);
}

TEST(MediaFileOpen, NameDoesNotDecideTheFormat)
{
	// A WebM file named like an MP4, and an MP4 named like a text file.
	TempDir dir;
	std::vector<uint8> webm = read_file(sample_path("clip-vp9.webm"));
	std::vector<uint8> mp4 = read_file(sample_path("clip-h264.mp4"));
	write_file(dir.Path("a.mp4"), webm.data(), webm.size());
	write_file(dir.Path("b.txt"), mp4.data(), mp4.size());
	for (const char* name : {"a.mp4", "b.txt"}) {
		std::unique_ptr<BMediaFile> file = open_media(dir.Path(name));
		ASSERT_EQ(file->InitCheck(), B_OK) << name;
		EXPECT_NE(first_video_track(file.get()), nullptr) << name;
	}
}

TEST(MediaFileTracks, TrackAtGivesOneObjectPerIndexUntilReleased)
{
	std::unique_ptr<BMediaFile> file = open_media(sample_path("clip-h264.mp4"));
	ASSERT_EQ(file->InitCheck(), B_OK);
	ASSERT_EQ(file->CountTracks(), 1);
	EXPECT_EQ(file->TrackAt(-1), nullptr);
	EXPECT_EQ(file->TrackAt(1), nullptr);

	BMediaTrack* track = file->TrackAt(0);
	ASSERT_NE(track, nullptr);
	EXPECT_EQ(file->TrackAt(0), track);
	EXPECT_EQ(track->InitCheck(), B_OK);
	EXPECT_EQ(file->ReleaseTrack(track), B_OK);
	EXPECT_EQ(file->ReleaseTrack(track), B_BAD_VALUE); // already given back
	EXPECT_EQ(file->ReleaseTrack(NULL), B_BAD_VALUE);

	// A track of another file is not this file's to release.
	std::unique_ptr<BMediaFile> other = open_media(sample_path("clip-h264.mp4"));
	BMediaTrack* foreign = other->TrackAt(0);
	ASSERT_NE(foreign, nullptr);
	EXPECT_EQ(file->ReleaseTrack(foreign), B_BAD_VALUE);

	// Tracks still out, one of them part-way through decoding, go with their
	// file (the sanitizers check that nothing leaks).
	int64 count = 0;
	FrameBuffer buffer(320 * 4, 240);
	EXPECT_EQ(foreign->ReadFrames(buffer.Bits(), &count), B_OK);
	EXPECT_NE(file->TrackAt(0), nullptr);
}

TEST(MediaFileTracks, AudioFirstFileHasVideoAsSecondTrack)
{
	std::unique_ptr<BMediaFile> file = open_media(sample_path("clip-audio-first.mkv"));
	ASSERT_EQ(file->InitCheck(), B_OK);
	ASSERT_EQ(file->CountTracks(), 2);

	media_format format;
	BMediaTrack* audio = file->TrackAt(0);
	ASSERT_NE(audio, nullptr);
	ASSERT_EQ(audio->EncodedFormat(&format), B_OK);
	EXPECT_EQ(format.type, B_MEDIA_ENCODED_AUDIO);
	EXPECT_FLOAT_EQ(format.u.encoded_audio.output.frame_rate, 22050.0f);
	EXPECT_EQ(format.u.encoded_audio.output.channel_count, 1u);
	EXPECT_TRUE(format.IsAudio());

	// Audio is described, not decoded.
	media_format request;
	EXPECT_EQ(audio->DecodedFormat(&request), B_MEDIA_BAD_FORMAT);
	uint8 sink[64];
	int64 count = 5;
	EXPECT_NE(audio->ReadFrames(sink, &count), B_OK);
	EXPECT_EQ(count, 0);
	EXPECT_EQ(file->ReleaseTrack(audio), B_OK);

	BMediaTrack* video = file->TrackAt(1);
	ASSERT_NE(video, nullptr);
	ASSERT_EQ(video->EncodedFormat(&format), B_OK);
	EXPECT_EQ(format.type, B_MEDIA_ENCODED_VIDEO);
	EXPECT_EQ(format.Width(), 160u);
	EXPECT_EQ(format.Height(), 120u);
	EXPECT_EQ(video->CountFrames(), 10);
}

struct ClipFacts {
	const char* name;
	uint32 width;
	uint32 height;
	int64 frames;
	uint16 aspectWidth;
	uint16 aspectHeight;
	const char* codec;
};

TEST(MediaFileFormats, EncodedFormatDescribesEachClip)
{
	const ClipFacts clips[] = {
	    {"clip-h264.mp4", 320, 240, 20, 1, 1, "h264"},
	    {"clip-vp9.webm", 320, 240, 20, 1, 1, "vp9"},
	    {"clip-mpeg4.avi", 320, 240, 20, 1, 1, "mpeg4"},
	    {"clip-colours.mp4", 64, 48, 8, 1, 1, "h264"},
	    {"clip-odd-161x97.mkv", 161, 97, 10, 4, 3, "vp9"},
	    {"clip-10bit.mp4", 64, 48, 10, 1, 1, "h264"},
	    {"clip-audio-first.mkv", 160, 120, 10, 1, 1, "h264"},
	};
	for (const ClipFacts& clip : clips) {
		SCOPED_TRACE(clip.name);
		std::unique_ptr<BMediaFile> file = open_media(sample_path(clip.name));
		ASSERT_EQ(file->InitCheck(), B_OK);
		media_format format;
		BMediaTrack* track = first_video_track(file.get(), &format);
		ASSERT_NE(track, nullptr);

		EXPECT_EQ(format.type, B_MEDIA_ENCODED_VIDEO);
		EXPECT_EQ(int(format.type), 11);
		const media_raw_video_format& output = format.u.encoded_video.output;
		EXPECT_EQ(output.display.line_width, clip.width);
		EXPECT_EQ(output.display.line_count, clip.height);
		EXPECT_FLOAT_EQ(output.field_rate, 10.0f);
		EXPECT_EQ(output.interlace, 1u);
		EXPECT_EQ(output.orientation, uint32(B_VIDEO_TOP_LEFT_RIGHT));
		EXPECT_EQ(output.pixel_width_aspect, clip.aspectWidth);
		EXPECT_EQ(output.pixel_height_aspect, clip.aspectHeight);

		EXPECT_EQ(track->CountFrames(), clip.frames);
		// Ten frames a second; containers round their durations a little.
		EXPECT_NEAR(double(track->Duration()), clip.frames * 100000.0, 30000.0);
		EXPECT_EQ(track->CurrentFrame(), 0);
		EXPECT_EQ(track->CurrentTime(), 0);

		media_codec_info codec;
		ASSERT_EQ(track->GetCodecInfo(&codec), B_OK);
		EXPECT_STREQ(codec.short_name, clip.codec);
		EXPECT_GT(strlen(codec.pretty_name), 0u);
	}
}

TEST(MediaFileFormats, MediaFormatStartsAsTheWildcard)
{
	media_format format;
	const uint8* bytes = reinterpret_cast<const uint8*>(&format);
	for (size_t i = 0; i < sizeof(format); i++)
		ASSERT_EQ(bytes[i], 0) << "byte " << i;
	EXPECT_EQ(format.type, B_MEDIA_UNKNOWN_TYPE);
	EXPECT_FALSE(format.IsVideo());
	EXPECT_LE(sizeof(media_format), 192u);
}
