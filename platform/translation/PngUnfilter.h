#ifndef PLATFORM_TRANSLATION_PNG_UNFILTER_H
#define PLATFORM_TRANSLATION_PNG_UNFILTER_H

#include <stddef.h>

#include <SupportDefs.h>

namespace BPrivate {

// Undoes PNG filter |filter| (0-4) on the |length| bytes of |row| in place.
// |previous| is the row above, already unfiltered (zeros above the first
// row); |bytesPerPixel| is 1 to 4. Returns false for a filter type PNG does
// not define, which libpng refuses too.
bool png_unfilter_row(uint8 filter, uint8* row, const uint8* previous, size_t length,
                      int bytesPerPixel);

} // namespace BPrivate

#endif
