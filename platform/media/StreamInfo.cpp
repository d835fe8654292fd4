#include "media/StreamInfo.h"

#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace BPrivate {
namespace media {

namespace {

// Frames larger than this are refused: the caller allocates a buffer of
// width * height * 4 bytes per track, and a damaged header may claim anything.
const int kMaxDimension = 16384;
const int64 kMaxPixels = int64(1) << 26;

const bigtime_t kGuessedFrameDuration = 40000;

const AVRational kMicroseconds = {1, 1000000};

bool is_valid(AVRational value)
{
	return value.num > 0 && value.den > 0;
}

// Reduces a ratio so that both terms fit a uint16, as the pixel aspect fields need.
void fit_aspect(AVRational aspect, uint16* width, uint16* height)
{
	if (!is_valid(aspect)) {
		*width = *height = 1;
		return;
	}
	int num = 1;
	int den = 1;
	av_reduce(&num, &den, aspect.num, aspect.den, 65535);
	if (num <= 0 || den <= 0)
		num = den = 1;
	*width = (uint16) num;
	*height = (uint16) den;
}

// The EXIF orientation that shows frames as the display matrix of |stream|
// says. FFmpeg's matrix maps a source pixel (x, y) to (a x + c y, b x + d y)
// (plus a translation) in the displayed picture, rows going down; a, b, c, d
// are its entries 0, 1, 3 and 4, in 16.16 fixed point.
int display_orientation(const AVStream* stream)
{
	const int32_t* matrix = NULL;
	for (int i = 0; i < stream->nb_side_data; i++) {
		const AVPacketSideData& data = stream->side_data[i];
		if (data.type == AV_PKT_DATA_DISPLAYMATRIX && data.size >= 9 * sizeof(int32_t))
			matrix = reinterpret_cast<const int32_t*>(data.data);
	}
	if (matrix == NULL)
		return 1;
	int64 a = matrix[0], b = matrix[1], c = matrix[3], d = matrix[4];
	auto sign = [](int64 value) { return value > 0 ? 1 : (value < 0 ? -1 : 0); };
	if (llabs(a) + llabs(d) >= llabs(b) + llabs(c)) {
		// No quarter turn: as it is, mirrored, or upside down.
		int horizontal = sign(a), vertical = sign(d);
		if (horizontal == 0 || vertical == 0)
			return 1;
		if (horizontal > 0)
			return vertical > 0 ? 1 : 4;
		return vertical > 0 ? 2 : 3;
	}
	int toRow = sign(b), toColumn = sign(c);
	if (toRow > 0)
		return toColumn > 0 ? 5 : 6;
	if (toRow < 0)
		return toColumn < 0 ? 7 : 8;
	return 1;
}

} // namespace

StreamInfo::StreamInfo()
    : index(-1), kind(AVMEDIA_TYPE_UNKNOWN), parameters(NULL),
      attachedPicture(false), timeBase{1, 1000000}, startTime(0), duration(0),
      frameCount(0), frameRate{0, 1}, sampleAspect{0, 1}, orientation(1)
{
}

StreamInfo::~StreamInfo()
{
	avcodec_parameters_free(&parameters);
}

status_t StreamInfo::Init(const AVFormatContext* context, const AVStream* stream)
{
	parameters = avcodec_parameters_alloc();
	if (parameters == NULL || avcodec_parameters_copy(parameters, stream->codecpar) < 0)
		return B_NO_MEMORY;

	index = stream->index;
	kind = parameters->codec_type;
	attachedPicture = (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
	if (is_valid(stream->time_base))
		timeBase = stream->time_base;
	if (stream->start_time != AV_NOPTS_VALUE)
		startTime = stream->start_time;

	if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
		duration = av_rescale_q(stream->duration, timeBase, kMicroseconds);
	else if (context->duration != AV_NOPTS_VALUE && context->duration > 0) {
		// WebM and Matroska keep only the file's duration; it runs from the
		// file's start, which may be earlier than this stream's.
		duration = context->duration;
		if (context->start_time != AV_NOPTS_VALUE && stream->start_time != AV_NOPTS_VALUE) {
			bigtime_t offset =
			    av_rescale_q(stream->start_time, timeBase, kMicroseconds) - context->start_time;
			if (offset > 0 && offset < duration)
				duration -= offset;
		}
	}

	if (is_valid(stream->avg_frame_rate))
		frameRate = stream->avg_frame_rate;
	else if (is_valid(stream->r_frame_rate))
		frameRate = stream->r_frame_rate;
	// Rates far outside what video uses come from broken headers.
	if (FrameRate() > 1000.0 || FrameRate() < 0.01)
		frameRate = AVRational{0, 1};

	if (stream->nb_frames > 0)
		frameCount = stream->nb_frames;
	else if (duration > 0 && FrameRate() > 0)
		frameCount = llround(duration * FrameRate() / 1e6);

	if (is_valid(stream->sample_aspect_ratio))
		sampleAspect = stream->sample_aspect_ratio;
	else if (is_valid(parameters->sample_aspect_ratio))
		sampleAspect = parameters->sample_aspect_ratio;
	if (kind == AVMEDIA_TYPE_VIDEO)
		orientation = display_orientation(stream);
	return B_OK;
}

bool StreamInfo::IsTrack() const
{
	if (parameters == NULL || avcodec_find_decoder(parameters->codec_id) == NULL)
		return false;
	switch (kind) {
		case AVMEDIA_TYPE_VIDEO:
			return !attachedPicture && parameters->width > 0 && parameters->height > 0 &&
			       parameters->width <= kMaxDimension && parameters->height <= kMaxDimension &&
			       int64(parameters->width) * parameters->height <= kMaxPixels;
		case AVMEDIA_TYPE_AUDIO:
			return parameters->sample_rate > 0 && parameters->ch_layout.nb_channels > 0;
		default:
			return false;
	}
}

// Timestamps come from the file, so their arithmetic saturates instead of
// overflowing.
bigtime_t StreamInfo::TimeFor(int64 timestamp) const
{
	int64 relative;
	if (__builtin_sub_overflow(timestamp, startTime, &relative))
		relative = timestamp < 0 ? INT64_MIN : INT64_MAX;
	return av_rescale_q(relative, timeBase, kMicroseconds);
}

int64 StreamInfo::TimestampFor(bigtime_t time) const
{
	int64 timestamp;
	if (__builtin_add_overflow(av_rescale_q(time, kMicroseconds, timeBase), startTime, &timestamp))
		timestamp = time < 0 ? INT64_MIN : INT64_MAX;
	return timestamp;
}

double StreamInfo::FrameRate() const
{
	return is_valid(frameRate) ? av_q2d(frameRate) : 0.0;
}

bigtime_t StreamInfo::FrameDuration() const
{
	double rate = FrameRate();
	return rate > 0 ? llround(1e6 / rate) : kGuessedFrameDuration;
}

int64 StreamInfo::FrameAt(bigtime_t time) const
{
	double rate = FrameRate();
	if (rate > 0)
		return llround(time * rate / 1e6);
	return (time + kGuessedFrameDuration / 2) / kGuessedFrameDuration;
}

bigtime_t StreamInfo::TimeOfFrame(int64 frame) const
{
	double rate = FrameRate();
	if (rate > 0)
		return llround(frame * 1e6 / rate);
	if (frame > INT64_MAX / kGuessedFrameDuration)
		return INT64_MAX;
	return frame * kGuessedFrameDuration;
}

int32 StreamInfo::UprightWidth() const
{
	return SwapsAxes() ? parameters->height : parameters->width;
}

int32 StreamInfo::UprightHeight() const
{
	return SwapsAxes() ? parameters->width : parameters->height;
}

void StreamInfo::GetEncodedFormat(media_format* format) const
{
	*format = media_format();
	if (kind == AVMEDIA_TYPE_VIDEO) {
		format->type = B_MEDIA_ENCODED_VIDEO;
		media_encoded_video_format& video = format->u.encoded_video;
		media_raw_video_format& output = video.output;
		output.field_rate = (float) FrameRate();
		bool interlaced = parameters->field_order != AV_FIELD_UNKNOWN &&
		                  parameters->field_order != AV_FIELD_PROGRESSIVE;
		output.interlace = interlaced ? 2 : 1;
		if (interlaced)
			output.field_rate *= 2;
		output.first_active = 0;
		// The frames are delivered upright, so their shape is the upright one.
		output.last_active = UprightHeight() - 1;
		output.orientation = B_VIDEO_TOP_LEFT_RIGHT;
		AVRational aspect = sampleAspect;
		if (SwapsAxes())
			aspect = AVRational{sampleAspect.den, sampleAspect.num};
		fit_aspect(aspect, &output.pixel_width_aspect, &output.pixel_height_aspect);
		output.display.format = B_NO_COLOR_SPACE;
		output.display.line_width = UprightWidth();
		output.display.line_count = UprightHeight();
		video.avg_bit_rate = parameters->bit_rate > 0 ? (float) parameters->bit_rate : 0.0f;
		video.encoding = media_encoded_video_format::B_ANY;
		video.forward_history = (int16) std::min(parameters->video_delay, 32767);
	} else if (kind == AVMEDIA_TYPE_AUDIO) {
		format->type = B_MEDIA_ENCODED_AUDIO;
		media_encoded_audio_format& audio = format->u.encoded_audio;
		audio.output.frame_rate = (float) parameters->sample_rate;
		audio.output.channel_count = parameters->ch_layout.nb_channels;
		audio.output.byte_order = B_MEDIA_HOST_ENDIAN;
		audio.encoding = media_encoded_audio_format::B_ANY;
		audio.bit_rate = parameters->bit_rate > 0 ? (float) parameters->bit_rate : 0.0f;
		audio.frame_size = parameters->frame_size > 0 ? parameters->frame_size : 0;
		if (parameters->ch_layout.order == AV_CHANNEL_ORDER_NATIVE)
			// The Be API's channel bits are FFmpeg's first eighteen, in the same order.
			audio.multi_info.channel_mask = (uint32) (parameters->ch_layout.u.mask & 0x3ffff);
	}
}

} // namespace media
} // namespace BPrivate
