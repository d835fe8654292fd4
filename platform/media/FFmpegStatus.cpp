#include "media/FFmpegStatus.h"

#include <stdlib.h>
#include <string.h>

#include <mutex>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace BPrivate {
namespace media {

status_t status_for_av_error(int error)
{
	if (error >= 0)
		return B_OK;
	switch (error) {
		case AVERROR_EOF:
			return B_LAST_BUFFER_ERROR;
		case AVERROR_EXIT:
			return B_TIMED_OUT;
		case AVERROR_INVALIDDATA:
		case AVERROR_BUG:
		case AVERROR_BUG2:
			return B_BAD_DATA;
		case AVERROR_DECODER_NOT_FOUND:
		case AVERROR_DEMUXER_NOT_FOUND:
			return B_MEDIA_NO_HANDLER;
		case AVERROR_STREAM_NOT_FOUND:
			return B_STREAM_NOT_FOUND;
		case AVERROR_PATCHWELCOME:
			return B_UNSUPPORTED;
	}
	// AVERROR(e) is -e for the system's errno values.
	if (error > -4096)
		return errno_to_status(-error);
	return B_ERROR;
}

void init_ffmpeg()
{
	static std::once_flag once;
	std::call_once(once, [] {
		const char* keep = getenv("PL_MEDIA_LOG");
		if (keep == NULL || strcmp(keep, "1") != 0)
			av_log_set_level(AV_LOG_QUIET);
	});
}

} // namespace media
} // namespace BPrivate
