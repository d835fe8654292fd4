// FFmpeg is opened on first use rather than linked: its libraries pull in some
// 130 others (codecs, TLS, Kerberos, OpenCL...) whose loading and relocation
// cost every program on libplatform.so about a tenth of a second at start-up,
// still pictures included. The media kit calls FFmpeg by its own names; the
// definitions below stand in for them inside libplatform.so (hidden, so no
// other module binds to them) and forward to the real functions, found in the
// libraries of the major versions the headers describe.
//
// Without the libraries every call fails the way FFmpeg reports failure:
// AVERROR(ENOSYS), a NULL object, or nothing done.

#include "support/LibrarySet.h"

#include <errno.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/macros.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
#include <libavutil/pixdesc.h>
#include <libavutil/rational.h>
#include <libswscale/swscale.h>
}

namespace {

enum Library { kUtil, kCodec, kFormat, kScale, kLibraryCount };

const char* const kLibraryNames[kLibraryCount] = {
    "libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR),
    "libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR),
    "libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR),
    "libswscale.so." AV_STRINGIFY(LIBSWSCALE_VERSION_MAJOR),
};

// Constant-initialised: a stand-in may be called from a static initialiser.
constinit BPrivate::LibrarySet sLibraries(kLibraryNames);

} // namespace

#define PL_FFMPEG_REAL(library, name) PL_LIBRARY_REAL(sLibraries, library, name)

extern "C" {
#pragma GCC visibility push(hidden)

// libavutil

void* av_malloc(size_t size)
{
	PL_FFMPEG_REAL(kUtil, av_malloc);
	return real != nullptr ? real(size) : nullptr;
}

void av_free(void* pointer)
{
	PL_FFMPEG_REAL(kUtil, av_free);
	if (real != nullptr)
		real(pointer);
}

void av_freep(void* pointer)
{
	PL_FFMPEG_REAL(kUtil, av_freep);
	if (real != nullptr)
		real(pointer);
}

void av_log_set_level(int level)
{
	PL_FFMPEG_REAL(kUtil, av_log_set_level);
	if (real != nullptr)
		real(level);
}

AVFrame* av_frame_alloc()
{
	PL_FFMPEG_REAL(kUtil, av_frame_alloc);
	return real != nullptr ? real() : nullptr;
}

void av_frame_free(AVFrame** frame)
{
	PL_FFMPEG_REAL(kUtil, av_frame_free);
	if (real != nullptr)
		real(frame);
}

void av_frame_unref(AVFrame* frame)
{
	PL_FFMPEG_REAL(kUtil, av_frame_unref);
	if (real != nullptr)
		real(frame);
}

const AVPixFmtDescriptor* av_pix_fmt_desc_get(enum AVPixelFormat format)
{
	PL_FFMPEG_REAL(kUtil, av_pix_fmt_desc_get);
	return real != nullptr ? real(format) : nullptr;
}

int av_reduce(int* numerator, int* denominator, int64_t num, int64_t den, int64_t max)
{
	PL_FFMPEG_REAL(kUtil, av_reduce);
	if (real != nullptr)
		return real(numerator, denominator, num, den, max);
	*numerator = 0;
	*denominator = 1;
	return 0;
}

int64_t av_rescale_q(int64_t value, AVRational from, AVRational to)
{
	PL_FFMPEG_REAL(kUtil, av_rescale_q);
	return real != nullptr ? real(value, from, to) : 0;
}

// libavcodec

AVPacket* av_packet_alloc()
{
	PL_FFMPEG_REAL(kCodec, av_packet_alloc);
	return real != nullptr ? real() : nullptr;
}

void av_packet_free(AVPacket** packet)
{
	PL_FFMPEG_REAL(kCodec, av_packet_free);
	if (real != nullptr)
		real(packet);
}

void av_packet_unref(AVPacket* packet)
{
	PL_FFMPEG_REAL(kCodec, av_packet_unref);
	if (real != nullptr)
		real(packet);
}

const AVCodec* avcodec_find_decoder(enum AVCodecID id)
{
	PL_FFMPEG_REAL(kCodec, avcodec_find_decoder);
	return real != nullptr ? real(id) : nullptr;
}

AVCodecContext* avcodec_alloc_context3(const AVCodec* codec)
{
	PL_FFMPEG_REAL(kCodec, avcodec_alloc_context3);
	return real != nullptr ? real(codec) : nullptr;
}

void avcodec_free_context(AVCodecContext** context)
{
	PL_FFMPEG_REAL(kCodec, avcodec_free_context);
	if (real != nullptr)
		real(context);
}

int avcodec_open2(AVCodecContext* context, const AVCodec* codec, AVDictionary** options)
{
	PL_FFMPEG_REAL(kCodec, avcodec_open2);
	return real != nullptr ? real(context, codec, options) : AVERROR(ENOSYS);
}

void avcodec_flush_buffers(AVCodecContext* context)
{
	PL_FFMPEG_REAL(kCodec, avcodec_flush_buffers);
	if (real != nullptr)
		real(context);
}

AVCodecParameters* avcodec_parameters_alloc()
{
	PL_FFMPEG_REAL(kCodec, avcodec_parameters_alloc);
	return real != nullptr ? real() : nullptr;
}

void avcodec_parameters_free(AVCodecParameters** parameters)
{
	PL_FFMPEG_REAL(kCodec, avcodec_parameters_free);
	if (real != nullptr)
		real(parameters);
}

int avcodec_parameters_copy(AVCodecParameters* target, const AVCodecParameters* source)
{
	PL_FFMPEG_REAL(kCodec, avcodec_parameters_copy);
	return real != nullptr ? real(target, source) : AVERROR(ENOSYS);
}

int avcodec_parameters_to_context(AVCodecContext* context, const AVCodecParameters* parameters)
{
	PL_FFMPEG_REAL(kCodec, avcodec_parameters_to_context);
	return real != nullptr ? real(context, parameters) : AVERROR(ENOSYS);
}

int avcodec_send_packet(AVCodecContext* context, const AVPacket* packet)
{
	PL_FFMPEG_REAL(kCodec, avcodec_send_packet);
	return real != nullptr ? real(context, packet) : AVERROR(ENOSYS);
}

int avcodec_receive_frame(AVCodecContext* context, AVFrame* frame)
{
	PL_FFMPEG_REAL(kCodec, avcodec_receive_frame);
	return real != nullptr ? real(context, frame) : AVERROR(ENOSYS);
}

// libavformat

AVFormatContext* avformat_alloc_context()
{
	PL_FFMPEG_REAL(kFormat, avformat_alloc_context);
	return real != nullptr ? real() : nullptr;
}

int avformat_open_input(AVFormatContext** context, const char* url, const AVInputFormat* format,
                        AVDictionary** options)
{
	PL_FFMPEG_REAL(kFormat, avformat_open_input);
	return real != nullptr ? real(context, url, format, options) : AVERROR(ENOSYS);
}

int avformat_find_stream_info(AVFormatContext* context, AVDictionary** options)
{
	PL_FFMPEG_REAL(kFormat, avformat_find_stream_info);
	return real != nullptr ? real(context, options) : AVERROR(ENOSYS);
}

void avformat_close_input(AVFormatContext** context)
{
	PL_FFMPEG_REAL(kFormat, avformat_close_input);
	if (real != nullptr)
		real(context);
}

int av_read_frame(AVFormatContext* context, AVPacket* packet)
{
	PL_FFMPEG_REAL(kFormat, av_read_frame);
	return real != nullptr ? real(context, packet) : AVERROR(ENOSYS);
}

int av_seek_frame(AVFormatContext* context, int stream, int64_t timestamp, int flags)
{
	PL_FFMPEG_REAL(kFormat, av_seek_frame);
	return real != nullptr ? real(context, stream, timestamp, flags) : AVERROR(ENOSYS);
}

AVIOContext* avio_alloc_context(unsigned char* buffer, int size, int writable, void* opaque,
                                int (*read)(void* opaque, uint8_t* buffer, int size),
                                int (*write)(void* opaque, uint8_t* buffer, int size),
                                int64_t (*seek)(void* opaque, int64_t offset, int whence))
{
	PL_FFMPEG_REAL(kFormat, avio_alloc_context);
	return real != nullptr ? real(buffer, size, writable, opaque, read, write, seek) : nullptr;
}

void avio_context_free(AVIOContext** context)
{
	PL_FFMPEG_REAL(kFormat, avio_context_free);
	if (real != nullptr)
		real(context);
}

// libswscale

SwsContext* sws_getCachedContext(SwsContext* context, int sourceWidth, int sourceHeight,
                                 enum AVPixelFormat sourceFormat, int targetWidth, int targetHeight,
                                 enum AVPixelFormat targetFormat, int flags,
                                 SwsFilter* sourceFilter, SwsFilter* targetFilter,
                                 const double* parameters)
{
	PL_FFMPEG_REAL(kScale, sws_getCachedContext);
	if (real == nullptr)
		return nullptr;
	return real(context, sourceWidth, sourceHeight, sourceFormat, targetWidth, targetHeight,
	            targetFormat, flags, sourceFilter, targetFilter, parameters);
}

void sws_freeContext(SwsContext* context)
{
	PL_FFMPEG_REAL(kScale, sws_freeContext);
	if (real != nullptr)
		real(context);
}

const int* sws_getCoefficients(int colorSpace)
{
	PL_FFMPEG_REAL(kScale, sws_getCoefficients);
	return real != nullptr ? real(colorSpace) : nullptr;
}

int sws_setColorspaceDetails(SwsContext* context, const int inverseTable[4], int sourceRange,
                             const int table[4], int targetRange, int brightness, int contrast,
                             int saturation)
{
	PL_FFMPEG_REAL(kScale, sws_setColorspaceDetails);
	if (real == nullptr)
		return -1;
	return real(context, inverseTable, sourceRange, table, targetRange, brightness, contrast,
	            saturation);
}

int sws_scale(SwsContext* context, const uint8_t* const source[], const int sourceStride[],
              int sliceY, int sliceHeight, uint8_t* const target[], const int targetStride[])
{
	PL_FFMPEG_REAL(kScale, sws_scale);
	return real != nullptr
	           ? real(context, source, sourceStride, sliceY, sliceHeight, target, targetStride)
	           : AVERROR(ENOSYS);
}

#pragma GCC visibility pop
} // extern "C"
