#include <MediaTrack.h>

#include <stdio.h>
#include <string.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "interface/BitmapCache.h"
#include "kernel/ThreadPrivate.h"
#include "media/Demuxer.h"
#include "media/MediaSource.h"
#include "media/StreamInfo.h"
#include "media/VideoDecoder.h"

using BPrivate::media::Demuxer;
using BPrivate::media::MediaSource;
using BPrivate::media::StreamInfo;
using BPrivate::media::VideoDecoder;

BMediaTrack::BMediaTrack(MediaSource* source, const StreamInfo* stream)
    : fSource(source), fStream(stream), fDemuxer(NULL), fDecoder(NULL), fDecodeStatus(B_OK),
      fColorSpace(B_RGB32),
      fBytesPerRow(stream->IsVideo() ? uint32(stream->UprightWidth()) * 4 : 0),
      fOrientation(B_VIDEO_TOP_LEFT_RIGHT), fCurrentFrame(0), fCurrentTime(0)
{
}

BMediaTrack::~BMediaTrack()
{
	delete fDecoder;
	delete fDemuxer;
}

status_t BMediaTrack::InitCheck() const
{
	return fStream->IsVideo() ? fDecodeStatus : B_OK;
}

status_t BMediaTrack::GetCodecInfo(media_codec_info* info) const
{
	if (info == NULL)
		return B_BAD_VALUE;
	const AVCodec* codec = avcodec_find_decoder(fStream->parameters->codec_id);
	if (codec == NULL)
		return B_MEDIA_NO_HANDLER;
	memset(info, 0, sizeof(*info));
	snprintf(info->pretty_name, sizeof(info->pretty_name), "%s",
	         codec->long_name != NULL ? codec->long_name : codec->name);
	snprintf(info->short_name, sizeof(info->short_name), "%s", codec->name);
	info->id = codec->id;
	info->sub_id = (int32) fStream->parameters->codec_tag;
	return B_OK;
}

status_t BMediaTrack::EncodedFormat(media_format* format) const
{
	if (format == NULL)
		return B_BAD_VALUE;
	fStream->GetEncodedFormat(format);
	return B_OK;
}

status_t BMediaTrack::DecodedFormat(media_format* inOutFormat, uint32 /*flags*/)
{
	if (inOutFormat == NULL)
		return B_BAD_VALUE;
	// Audio is described but not decoded by this platform.
	if (!fStream->IsVideo())
		return B_MEDIA_BAD_FORMAT;
	if (inOutFormat->type != B_MEDIA_UNKNOWN_TYPE && inOutFormat->type != B_MEDIA_RAW_VIDEO)
		return B_MEDIA_BAD_FORMAT;

	const media_raw_video_format& request = inOutFormat->u.raw_video;
	// Frames come upright: a clip shot on its side is as tall as it is shown.
	uint32 width = fStream->UprightWidth();
	uint32 height = fStream->UprightHeight();

	color_space colorSpace = request.display.format;
	if (colorSpace == B_NO_COLOR_SPACE)
		colorSpace = B_RGB32;
	// Both are B, G, R and a fourth byte, which is opaque alpha here.
	if (colorSpace != B_RGB32 && colorSpace != B_RGBA32)
		return B_MEDIA_BAD_FORMAT;

	uint32 orientation = request.orientation;
	if (orientation == 0)
		orientation = B_VIDEO_TOP_LEFT_RIGHT;
	if (orientation != B_VIDEO_TOP_LEFT_RIGHT && orientation != B_VIDEO_BOTTOM_LEFT_RIGHT)
		return B_MEDIA_BAD_FORMAT;

	// The rows are the caller's: a stride too small for a row would make
	// one row overwrite the next, or the buffer's end.
	// Left to the track, rows are as wide as the converter writes them, so
	// frames go straight into the caller's buffer.
	uint32 bytesPerRow = request.display.bytes_per_row;
	if (bytesPerRow == 0) {
		bytesPerRow = VideoDecoder::DirectBytesPerRow(width);
		if (bytesPerRow == 0 || uint64(bytesPerRow) * height > UINT32_MAX)
			bytesPerRow = width * 4;
	}
	if (bytesPerRow < width * 4 || bytesPerRow > uint32(INT32_MAX) ||
	    uint64(bytesPerRow) * height > UINT32_MAX)
		return B_MEDIA_BAD_FORMAT;

	status_t status = _PrepareDecoding();
	if (status != B_OK)
		return status;

	fColorSpace = colorSpace;
	fBytesPerRow = bytesPerRow;
	fOrientation = orientation;

	// The size and shape are the track's own: a picture is never rescaled
	// to a requested size or aspect.
	media_format result = *inOutFormat;
	result.type = B_MEDIA_RAW_VIDEO;
	media_format encoded;
	fStream->GetEncodedFormat(&encoded);
	media_raw_video_format& video = result.u.raw_video;
	video = encoded.u.encoded_video.output;
	video.orientation = orientation;
	video.display.format = colorSpace;
	video.display.line_width = width;
	video.display.line_count = height;
	video.display.bytes_per_row = bytesPerRow;
	video.display.pixel_offset = 0;
	video.display.line_offset = 0;
	video.display.flags = 0;
	*inOutFormat = result;
	return B_OK;
}

int64 BMediaTrack::CountFrames() const
{
	return fStream->frameCount;
}

bigtime_t BMediaTrack::Duration() const
{
	return fStream->duration;
}

int64 BMediaTrack::CurrentFrame() const
{
	return fCurrentFrame;
}

bigtime_t BMediaTrack::CurrentTime() const
{
	return fCurrentTime;
}

status_t BMediaTrack::ReadFrames(void* buffer, int64* frameCount, media_header* header)
{
	return ReadFrames(buffer, frameCount, header, NULL);
}

status_t BMediaTrack::ReadFrames(void* buffer, int64* frameCount, media_header* header,
                                 media_decode_info* /*info*/)
{
	if (buffer == NULL || frameCount == NULL)
		return B_BAD_VALUE;
	*frameCount = 0;
	// Between frames a playback thread can be suspended or killed (see
	// suspend_thread()); the track is consistent here, and a kill unwinds
	// through no FFmpeg code.
	BPrivate::check_thread_gate();

	status_t status = _PrepareDecoding();
	if (status != B_OK)
		return status;

	AVFrame* frame;
	status = fDecoder->NextFrame(fDemuxer, &frame);
	if (status != B_OK)
		return status;
	status = fDecoder->Convert(frame, static_cast<uint8*>(buffer), fBytesPerRow,
	                           fOrientation == B_VIDEO_BOTTOM_LEFT_RIGHT);
	// The buffer is usually a BBitmap's pixels: reductions of the previous
	// frame that the painter keeps for it are stale now.
	BPrivate::bitmap_bits_changed_at(buffer);
	if (status != B_OK)
		return status;

	bigtime_t start = fDecoder->FrameStart();
	if (header != NULL) {
		*header = media_header();
		header->type = B_MEDIA_RAW_VIDEO;
		header->size_used = fBytesPerRow * uint32(fStream->UprightHeight());
		header->start_time = start;
		header->file_pos = frame->pkt_pos;
		header->orig_size = frame->pkt_size > 0 ? frame->pkt_size : 0;
		header->u.raw_video.field_gamma = 1.0f;
		header->u.raw_video.field_sequence = (uint32) fCurrentFrame;
		header->u.raw_video.line_count = (uint16) fStream->UprightHeight();
	}
	fCurrentFrame++;
	if (__builtin_add_overflow(start, fDecoder->FrameDuration(), &fCurrentTime))
		fCurrentTime = INT64_MAX;
	*frameCount = 1;
	return B_OK;
}

status_t BMediaTrack::SeekToTime(bigtime_t* inOutTime, int32 flags)
{
	if (inOutTime == NULL)
		return B_BAD_VALUE;
	return _Seek(*inOutTime, flags, inOutTime);
}

status_t BMediaTrack::SeekToFrame(int64* inOutFrame, int32 flags)
{
	if (inOutFrame == NULL)
		return B_BAD_VALUE;
	bigtime_t reached;
	status_t status = _Seek(fStream->TimeOfFrame(*inOutFrame), flags, &reached);
	if (status == B_OK)
		*inOutFrame = fCurrentFrame;
	return status;
}

status_t BMediaTrack::_PrepareDecoding()
{
	if (fDecoder != NULL)
		return B_OK;
	if (fDecodeStatus != B_OK)
		return fDecodeStatus;
	if (!fStream->IsVideo())
		return B_MEDIA_BAD_FORMAT;

	Demuxer* demuxer;
	status_t status = fSource->TakeDemuxer(fStream, &demuxer);
	if (status == B_OK) {
		VideoDecoder* decoder = new (std::nothrow) VideoDecoder(fStream);
		status = decoder != NULL ? decoder->Open() : B_NO_MEMORY;
		if (status == B_OK) {
			fDemuxer = demuxer;
			fDecoder = decoder;
			return B_OK;
		}
		delete decoder;
		delete demuxer;
	}
	fDecodeStatus = status;
	return status;
}

// Seeks the demuxer to the key frame before (or, for
// B_MEDIA_SEEK_CLOSEST_FORWARD, after) |target| and decodes the frame the
// seek lands on, which the next ReadFrames() then delivers. Without a
// direction, frames are decoded and dropped up to the one showing at |target|.
status_t BMediaTrack::_Seek(bigtime_t target, int32 flags, bigtime_t* reached)
{
	status_t status = _PrepareDecoding();
	if (status != B_OK)
		return status;
	if (target < 0)
		target = 0;
	int32 direction = flags & B_MEDIA_SEEK_DIRECTION_MASK;

	status = fDemuxer->Seek(fStream->index, fStream->TimestampFor(target),
	                        direction == B_MEDIA_SEEK_CLOSEST_FORWARD);
	if (status != B_OK && target == 0) {
		// Some files cannot seek (no index, damaged); a new demuxer starts at
		// the beginning all the same, which is what a loop needs.
		Demuxer* fresh;
		status = fSource->TakeDemuxer(fStream, &fresh);
		if (status == B_OK) {
			delete fDemuxer;
			fDemuxer = fresh;
		}
	}
	if (status != B_OK)
		return status;
	fDecoder->Flush();

	AVFrame* frame;
	while (true) {
		BPrivate::check_thread_gate();
		status = fDecoder->NextFrame(fDemuxer, &frame);
		if (status != B_OK) {
			fCurrentFrame = fStream->frameCount;
			fCurrentTime = fStream->duration;
			return status == B_LAST_BUFFER_ERROR ? B_BAD_VALUE : status;
		}
		bigtime_t start = fDecoder->FrameStart();
		if (direction != 0 || start + fDecoder->FrameDuration() > target) {
			fDecoder->HoldFrame();
			fCurrentTime = start;
			fCurrentFrame = fStream->FrameAt(start);
			*reached = start;
			return B_OK;
		}
	}
}
