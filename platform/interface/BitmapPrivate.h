#ifndef PLATFORM_INTERFACE_BITMAP_PRIVATE_H
#define PLATFORM_INTERFACE_BITMAP_PRIVATE_H

#include <Bitmap.h>

namespace BPrivate {

// The largest bitmap the platform makes. They keep every offset and length
// within an int32 and bound what a hostile picture header can make a decoder
// allocate; decoders check a header's size against them before allocating.
constexpr int64 kMaxBitmapPixels = int64(1) << 28;
constexpr int64 kMaxBitmapBytes = int64(1) << 30;

// Bytes per pixel row of |width| pixels in |space|, rows padded to 4 bytes as
// the Be API pads them; 0 for a colour space bitmaps cannot hold.
int32 minimum_bytes_per_row(color_space space, int32 width);

// Whether a bitmap of width x height pixels (each at least 1) is within the
// limits above for a 4-byte-per-pixel colour space.
bool bitmap_size_allowed(int64 width, int64 height);

} // namespace BPrivate

#endif
