#ifndef PLATFORM_TRANSLATION_EXIF_ORIENTATION_H
#define PLATFORM_TRANSLATION_EXIF_ORIENTATION_H

#include <SupportDefs.h>

namespace BPrivate {

// The EXIF orientation (1 to 8) of the JPEG stream in |data|: the Orientation
// tag of IFD0 in the first "Exif" APP1 segment before the scan. 1 when there
// is none or it cannot be read; never reads outside the |length| bytes.
int jpeg_exif_orientation(const uint8* data, size_t length);

} // namespace BPrivate

#endif
