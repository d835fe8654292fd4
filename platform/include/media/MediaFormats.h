#ifndef _MEDIA_FORMATS_H
#define _MEDIA_FORMATS_H

#include <MediaDefs.h>

// Names of the codec that decodes a track (BMediaTrack::GetCodecInfo).
struct media_codec_info {
	char pretty_name[96]; // "H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10"
	char short_name[32];  // "h264"
	int32 id;             // the decoder's own number for the codec
	int32 sub_id;         // the container's tag for it (a four-character code), 0 if none
};

#endif
