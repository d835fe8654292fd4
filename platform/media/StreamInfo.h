#ifndef PLATFORM_MEDIA_STREAM_INFO_H
#define PLATFORM_MEDIA_STREAM_INFO_H

#include <MediaDefs.h>

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/rational.h>
}

struct AVCodecParameters;
struct AVFormatContext;
struct AVStream;

namespace BPrivate {
namespace media {

// What a track needs to know about its stream, copied out of the probing
// demuxer so that it stays valid whichever demuxer later reads the stream.
// Fixed after Init.
struct StreamInfo {
	StreamInfo();
	~StreamInfo();
	StreamInfo(const StreamInfo&) = delete;
	StreamInfo& operator=(const StreamInfo&) = delete;

	status_t Init(const AVFormatContext* context, const AVStream* stream);

	// Whether the stream can become a track: audio or video with a decoder
	// here, sane parameters, and not a cover picture.
	bool IsTrack() const;
	bool IsVideo() const { return kind == AVMEDIA_TYPE_VIDEO; }

	// Microseconds from the start of the stream for a timestamp in its time
	// base, and back.
	bigtime_t TimeFor(int64 timestamp) const;
	int64 TimestampFor(bigtime_t time) const;

	// Frames per second, 0 when the stream does not say.
	double FrameRate() const;
	// The nominal length of one frame in microseconds (a guess for streams
	// without a rate).
	bigtime_t FrameDuration() const;
	int64 FrameAt(bigtime_t time) const;
	bigtime_t TimeOfFrame(int64 frame) const;

	void GetEncodedFormat(media_format* format) const;

	// The size of a frame once turned upright by its orientation.
	int32 UprightWidth() const;
	int32 UprightHeight() const;
	bool SwapsAxes() const { return orientation >= 5; }

	int index; // in the container
	AVMediaType kind;
	AVCodecParameters* parameters; // owned copy
	bool attachedPicture;
	AVRational timeBase;
	int64 startTime;         // in timeBase; 0 when unknown
	bigtime_t duration;      // microseconds; 0 when unknown
	int64 frameCount;        // 0 when unknown
	AVRational frameRate;    // {0, 1} when unknown
	AVRational sampleAspect; // {0, 1} when unknown; of the decoded frames
	// How decoded frames are turned to stand upright, as an EXIF orientation
	// (1 as decoded, 6 a quarter turn clockwise, 2 mirrored...), from the
	// stream's display matrix. Rotations that are not quarter turns go to
	// the nearest one.
	int orientation;
};

} // namespace media
} // namespace BPrivate

#endif
