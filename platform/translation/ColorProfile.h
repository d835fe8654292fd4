#ifndef PLATFORM_TRANSLATION_COLOR_PROFILE_H
#define PLATFORM_TRANSLATION_COLOR_PROFILE_H

#include <SupportDefs.h>

class BBitmap;

namespace BPrivate {

// Converts the pixels of |bitmap| (B_RGB32 or B_RGBA32, alpha straight),
// whose colours are in the RGB space that the ICC profile of |length|
// bytes at |profile| describes, to sRGB in place, with the perceptual
// intent, as jpgicc and tificc do by default (for the matrix profiles of
// cameras and editors, Adobe RGB or Display P3, it is the same as relative
// colorimetric). Alpha is kept. A profile that lcms cannot parse, one for
// another colour space than RGB, and an sRGB profile leave the pixels as
// they are. Whether the pixels were converted.
bool convert_to_srgb(const uint8* profile, size_t length, BBitmap* bitmap);

} // namespace BPrivate

#endif
