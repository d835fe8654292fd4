#ifndef PLATFORM_MEDIA_FFMPEG_STATUS_H
#define PLATFORM_MEDIA_FFMPEG_STATUS_H

#include <SupportDefs.h>

namespace BPrivate {
namespace media {

// The platform's status for an FFmpeg error code (a negative AVERROR value).
status_t status_for_av_error(int error);

// Silences FFmpeg's own logging, once per process: the platform reports
// failures as status codes, and FFmpeg's messages about damaged input would
// only reach the viewer's terminal. PL_MEDIA_LOG=1 in the environment keeps
// them, for debugging.
void init_ffmpeg();

} // namespace media
} // namespace BPrivate

#endif
