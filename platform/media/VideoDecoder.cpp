#include "media/VideoDecoder.h"

#include <stdint.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "media/Demuxer.h"
#include "media/FFmpegStatus.h"
#include "media/StreamInfo.h"
#include "translation/OrientedCopy.h"

namespace BPrivate {
namespace media {

namespace {

// Packets fed to the decoder in one NextFrame() without a frame coming out.
// Reordering and frame threads hold back a few dozen at most; a stream that
// needs more is not going to give a frame.
const int kMaxPacketsPerFrame = 1000;

// libswscale's SIMD converters write whole vectors of pixels: up to 16 pixels
// past the width of a row (yuv420p to BGRA writes the last row up to the next
// multiple of 16 when the width is not one; the scaling paths 2 pixels).
// Rows padded to a multiple of 64 bytes hold those writes.
const uint32 kRowAlignment = 64;

} // namespace

VideoDecoder::VideoDecoder(const StreamInfo* stream) : fStream(stream) {}

VideoDecoder::~VideoDecoder()
{
	sws_freeContext(fConverter);
	free(fScratch);
	av_packet_free(&fPacket);
	av_frame_free(&fFrame);
	avcodec_free_context(&fCodec);
}

status_t VideoDecoder::Open()
{
	const AVCodec* codec = avcodec_find_decoder(fStream->parameters->codec_id);
	if (codec == NULL)
		return B_MEDIA_NO_HANDLER;
	fCodec = avcodec_alloc_context3(codec);
	fFrame = av_frame_alloc();
	fPacket = av_packet_alloc();
	if (fCodec == NULL || fFrame == NULL || fPacket == NULL)
		return B_NO_MEMORY;
	int error = avcodec_parameters_to_context(fCodec, fStream->parameters);
	if (error < 0)
		return status_for_av_error(error);
	fCodec->pkt_timebase = fStream->timeBase;
	// 0: as many threads as the machine has cores; frame and slice threading
	// as the codec supports them.
	fCodec->thread_count = 0;
	fCodec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
	error = avcodec_open2(fCodec, codec, NULL);
	if (error < 0)
		return status_for_av_error(error);
	return B_OK;
}

status_t VideoDecoder::NextFrame(Demuxer* demuxer, AVFrame** frame)
{
	if (fCodec == NULL)
		return B_NO_INIT;
	if (fHeld) {
		fHeld = false;
		*frame = fFrame;
		return B_OK;
	}
	if (fEnded)
		return B_LAST_BUFFER_ERROR;

	int packets = 0;
	while (true) {
		av_frame_unref(fFrame);
		int error = avcodec_receive_frame(fCodec, fFrame);
		if (error == 0) {
			_TimeFrame();
			*frame = fFrame;
			return B_OK;
		}
		if (error == AVERROR_EOF || (error == AVERROR(EAGAIN) && fDraining)) {
			fEnded = true;
			return B_LAST_BUFFER_ERROR;
		}
		if (error != AVERROR(EAGAIN)) {
			// A damaged frame; the decoder goes on with the next packets.
			if (++packets > kMaxPacketsPerFrame)
				return B_BAD_DATA;
			continue;
		}

		if (!fPacketWaiting && !fDraining) {
			if (++packets > kMaxPacketsPerFrame)
				return B_BAD_DATA;
			status_t status = _ReadPacket(demuxer);
			if (status == B_TIMED_OUT || status == B_NO_MEMORY)
				return status;
			if (status != B_OK) {
				// The end of the file, or a part of it that cannot be read:
				// what the decoder holds is the rest of the stream.
				avcodec_send_packet(fCodec, NULL);
				fDraining = true;
				continue;
			}
			fPacketWaiting = true;
		}
		if (fPacketWaiting) {
			error = avcodec_send_packet(fCodec, fPacket);
			if (error == AVERROR(EAGAIN))
				continue;
			// Taken, or refused as damaged: either way it is done with.
			av_packet_unref(fPacket);
			fPacketWaiting = false;
		}
	}
}

void VideoDecoder::HoldFrame()
{
	fHeld = true;
}

void VideoDecoder::Flush()
{
	if (fCodec != NULL)
		avcodec_flush_buffers(fCodec);
	av_frame_unref(fFrame);
	av_packet_unref(fPacket);
	fPacketWaiting = false;
	fDraining = false;
	fEnded = false;
	fHeld = false;
	fNextStart = 0;
	fCountOrigin = -1;
	fFramesSinceFlush = 0;
}

status_t VideoDecoder::_ReadPacket(Demuxer* demuxer)
{
	status_t status = demuxer->ReadPacket(fStream->index, fPacket);
	if (status != B_OK)
		return status;
	if (fTiming == kTimingUnknown) {
		fTiming = fPacket->pts == AV_NOPTS_VALUE && fPacket->dts != AV_NOPTS_VALUE
		              ? kTimingByCount
		              : kTimingFromTimestamps;
	}
	// After a seek the first packet is a key frame, shown first.
	if (fTiming == kTimingByCount && fCountOrigin < 0)
		fCountOrigin = fPacket->dts != AV_NOPTS_VALUE
		                   ? std::max<bigtime_t>(0, fStream->TimeFor(fPacket->dts))
		                   : 0;
	return B_OK;
}

void VideoDecoder::_TimeFrame()
{
	bigtime_t nominal = fStream->FrameDuration();
	if (fTiming == kTimingByCount) {
		fFrameDuration = nominal;
		fFrameStart =
		    std::max<bigtime_t>(fCountOrigin, 0) + fStream->TimeOfFrame(fFramesSinceFlush);
	} else {
		fFrameStart = fFrame->best_effort_timestamp != AV_NOPTS_VALUE
		                  ? fStream->TimeFor(fFrame->best_effort_timestamp)
		                  : fNextStart;
		fFrameDuration = 0;
		if (fFrame->pkt_duration > 0)
			fFrameDuration =
			    av_rescale_q(fFrame->pkt_duration, fStream->timeBase, AVRational{1, 1000000});
		if (fFrameDuration <= 0 || fFrameDuration > 60 * 1000000)
			fFrameDuration = nominal;
		if (fFrame->repeat_pict > 0 && fFrame->repeat_pict < 16)
			fFrameDuration += fFrameDuration * fFrame->repeat_pict / 2;
	}
	fFramesSinceFlush++;
	if (__builtin_add_overflow(fFrameStart, fFrameDuration, &fNextStart))
		fNextStart = INT64_MAX;
}

status_t VideoDecoder::_PrepareConverter(const AVFrame* frame)
{
	if (frame->width <= 0 || frame->height <= 0 || frame->format < 0)
		return B_BAD_DATA;
	if (fConverter != NULL && frame->width == fConverterWidth &&
	    frame->height == fConverterHeight && frame->format == fConverterFormat &&
	    frame->colorspace == fConverterColorSpace && frame->color_range == fConverterRange)
		return B_OK;

	// A frame whose size differs from the stream's (a stream that changes
	// resolution) is scaled to the stream's size, so the buffer never
	// overflows.
	SwsContext* converter =
	    sws_getCachedContext(fConverter, frame->width, frame->height, (AVPixelFormat) frame->format,
	                         fStream->parameters->width, fStream->parameters->height,
	                         AV_PIX_FMT_BGRA, SWS_BILINEAR, NULL, NULL, NULL);
	if (converter == NULL) {
		fConverter = NULL;
		return B_MEDIA_BAD_FORMAT;
	}
	fConverter = converter;

	const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get((AVPixelFormat) frame->format);
	if (descriptor != NULL && (descriptor->flags & AV_PIX_FMT_FLAG_RGB) == 0) {
		// The matrix the stream was coded with (BT.709 for HD, ...), which
		// swscale does not pick by itself; unknown values select BT.601.
		int colorSpace = frame->colorspace;
		if (colorSpace == AVCOL_SPC_BT2020_CL)
			colorSpace = AVCOL_SPC_BT2020_NCL;
		const int* inverse = sws_getCoefficients(colorSpace);
		int fullRange = frame->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
		sws_setColorspaceDetails(fConverter, inverse, fullRange,
		                         sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
	}
	fConverterWidth = frame->width;
	fConverterHeight = frame->height;
	fConverterFormat = frame->format;
	fConverterColorSpace = frame->colorspace;
	fConverterRange = frame->color_range;
	return B_OK;
}

uint32 VideoDecoder::DirectBytesPerRow(uint32 width)
{
	uint64 bytes = (uint64(width) * 4 + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
	return bytes <= uint64(INT32_MAX) ? uint32(bytes) : 0;
}

status_t VideoDecoder::Convert(const AVFrame* frame, uint8* buffer, uint32 bytesPerRow,
                               bool bottomUp)
{
	status_t status = _PrepareConverter(frame);
	if (status != B_OK)
		return status;
	// The decoded frame's size, which the converter writes.
	uint32 width = fStream->parameters->width;
	size_t height = fStream->parameters->height;
	uint32 direct = DirectBytesPerRow(width);
	if (direct == 0)
		return B_MEDIA_BAD_FORMAT;
	int orientation = fStream->orientation;
	if (orientation == 1 && bytesPerRow >= direct)
		return _Scale(frame, buffer, (int) bytesPerRow, bottomUp);

	status = _PrepareScratch(direct, height);
	if (status != B_OK)
		return status;
	status = _Scale(frame, fScratch, (int) direct, false);
	if (status != B_OK)
		return status;
	if (orientation == 1) {
		for (size_t y = 0; y < height; y++) {
			size_t target = bottomUp ? height - 1 - y : y;
			memcpy(buffer + target * bytesPerRow, fScratch + y * direct, size_t(width) * 4);
		}
		return B_OK;
	}
	// Bottom-up rows are the upright picture read from its last row.
	int64 rowStep = bytesPerRow;
	uint8* origin = buffer;
	if (bottomUp) {
		origin = buffer + size_t(fStream->UprightHeight() - 1) * bytesPerRow;
		rowStep = -rowStep;
	}
	OrientedTarget target = {origin, rowStep, int32(width), int32(height), orientation};
	copy_oriented<4>(target, fScratch, direct, 0, int32(height), [](const uint8* p) {
		uint32 pixel;
		memcpy(&pixel, p, sizeof(pixel));
		return pixel;
	});
	return B_OK;
}

status_t VideoDecoder::_PrepareScratch(uint32 bytesPerRow, size_t rows)
{
	size_t length = size_t(bytesPerRow) * rows;
	if (fScratch != NULL && fScratchLength == length)
		return B_OK;
	free(fScratch);
	fScratchLength = length;
	fScratch = static_cast<uint8*>(malloc(fScratchLength));
	if (fScratch == NULL) {
		fScratchLength = 0;
		return B_NO_MEMORY;
	}
	return B_OK;
}

status_t VideoDecoder::_Scale(const AVFrame* frame, uint8* buffer, int bytesPerRow, bool bottomUp)
{
	int height = fStream->parameters->height;
	uint8_t* planes[4] = {buffer, NULL, NULL, NULL};
	int strides[4] = {bytesPerRow, 0, 0, 0};
	if (bottomUp) {
		planes[0] = buffer + size_t(height - 1) * bytesPerRow;
		strides[0] = -bytesPerRow;
	}
	int rows =
	    sws_scale(fConverter, frame->data, frame->linesize, 0, frame->height, planes, strides);
	return rows == height ? B_OK : B_BAD_DATA;
}

} // namespace media
} // namespace BPrivate
