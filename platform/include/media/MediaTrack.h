#ifndef _MEDIA_TRACK_H
#define _MEDIA_TRACK_H

#include <MediaDefs.h>
#include <MediaFormats.h>

namespace BPrivate {
namespace media {
class Demuxer;
class MediaSource;
class VideoDecoder;
struct StreamInfo;
} // namespace media
} // namespace BPrivate

enum media_seek_type {
	B_MEDIA_SEEK_CLOSEST_FORWARD = 1,
	B_MEDIA_SEEK_CLOSEST_BACKWARD = 2,
	B_MEDIA_SEEK_DIRECTION_MASK = 3
};

// One track of a BMediaFile, obtained with BMediaFile::TrackAt() and given
// back with BMediaFile::ReleaseTrack() (never deleted by its user). A track is
// used by one thread at a time; different tracks may be used by different
// threads.
//
// Video tracks decode. ReadFrames() delivers one frame per call, in
// presentation order, converted to the format DecodedFormat() agreed on
// (B_RGB32 at the track's own size unless told otherwise). Audio tracks
// describe themselves but do not decode.
class BMediaTrack {
public:
	status_t InitCheck() const;

	status_t GetCodecInfo(media_codec_info* info) const;

	// The track's native format: B_MEDIA_ENCODED_VIDEO with the picture's
	// size in u.encoded_video.output.display.line_width / line_count, or
	// B_MEDIA_ENCODED_AUDIO.
	status_t EncodedFormat(media_format* format) const;

	// Agrees on what ReadFrames() writes. Video gives raw B_RGB32 (or
	// B_RGBA32, opaque) pixels of the track's own size; the request's colour
	// space and bytes_per_row are honoured (0 means any), its size, aspect
	// and active-line fields are taken as hints and replaced by the track's.
	// Fails, leaving the request and the earlier agreement untouched, when
	// the format cannot be delivered.
	status_t DecodedFormat(media_format* inOutFormat, uint32 flags = 0);

	int64 CountFrames() const;
	bigtime_t Duration() const;

	// The position: the frame the next read delivers, and the time in
	// microseconds from the start of the track where the last frame read
	// ends (after a seek: the time reached).
	int64 CurrentFrame() const;
	bigtime_t CurrentTime() const;

	// Decodes the next frame into |buffer| (bytes_per_row times line_count
	// bytes) and sets *frameCount to 1. At the end of the track: 0 frames and
	// B_LAST_BUFFER_ERROR, until a seek.
	status_t ReadFrames(void* buffer, int64* frameCount, media_header* header = NULL);
	status_t ReadFrames(void* buffer, int64* frameCount, media_header* header,
	                    media_decode_info* info);

	// Go to a frame or time; without a direction flag exactly, else to the
	// key frame before (B_MEDIA_SEEK_CLOSEST_BACKWARD) or after
	// (B_MEDIA_SEEK_CLOSEST_FORWARD). Writes back the position reached.
	status_t SeekToTime(bigtime_t* inOutTime, int32 flags = 0);
	status_t SeekToFrame(int64* inOutFrame, int32 flags = 0);

protected:
	virtual ~BMediaTrack();

private:
	friend class BMediaFile;

	BMediaTrack(BPrivate::media::MediaSource* source, const BPrivate::media::StreamInfo* stream);
	BMediaTrack(const BMediaTrack&) = delete;
	BMediaTrack& operator=(const BMediaTrack&) = delete;

	status_t _PrepareDecoding();
	status_t _Seek(bigtime_t target, int32 flags, bigtime_t* reached);

	BPrivate::media::MediaSource* fSource;      // the file's; outlives the track
	const BPrivate::media::StreamInfo* fStream; // owned by fSource
	BPrivate::media::Demuxer* fDemuxer;         // owned; NULL until the first decode
	BPrivate::media::VideoDecoder* fDecoder;    // owned; NULL until the first decode
	status_t fDecodeStatus;                     // why decoding cannot start, once tried
	color_space fColorSpace;                    // the agreed format
	uint32 fBytesPerRow;
	uint32 fOrientation;
	int64 fCurrentFrame;
	bigtime_t fCurrentTime;
};

#endif
