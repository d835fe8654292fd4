#ifndef PLATFORM_TRANSLATION_ICC_MARKERS_H
#define PLATFORM_TRANSLATION_ICC_MARKERS_H

#include <SupportDefs.h>

#include <vector>

class BBitmap;

namespace BPrivate {

// The ICC profile embedded in the JPEG stream in |data|: the APP2
// "ICC_PROFILE" segments before the first scan, joined in the order of
// their sequence numbers. False when there is none, or when the segments do
// not make one whole profile (a number missing or given twice, counts that
// disagree). Never reads outside the |length| bytes. TurboJPEG hands no
// markers out, hence this.
bool jpeg_icc_profile(const uint8* data, size_t length, std::vector<uint8>* profile);

// Converts |bitmap|, decoded from the JPEG stream in |data|, to sRGB when
// the stream embeds a profile (see convert_to_srgb()). Pictures without one
// cost a walk over their header segments.
void convert_jpeg_to_srgb(const uint8* data, size_t length, BBitmap* bitmap);

} // namespace BPrivate

#endif
