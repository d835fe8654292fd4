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

// What the platform's own decoders may change in a bitmap they made.
struct BitmapAccess {
	// Between B_RGB32 and B_RGBA32 only, which share their layout: a decoder
	// that finds every pixel of an alpha picture opaque says so.
	static void SetAlphaUsed(BBitmap* bitmap, bool used)
	{
		if (bitmap->fColorSpace == B_RGB32 || bitmap->fColorSpace == B_RGBA32)
			bitmap->fColorSpace = used ? B_RGBA32 : B_RGB32;
	}

	// Whether the pixels of a bitmap nobody has drawn into yet are all zero:
	// large ones are fresh anonymous mappings, which the kernel zeroes (and
	// a decoder need not clear them, touching every page).
	static bool StartsZeroed(const BBitmap* bitmap) { return bitmap->fMappedLength > 0; }
};

// Whether every pixel of a B_RGBA32 |bitmap| has alpha 255.
bool bitmap_is_opaque(const BBitmap* bitmap);

} // namespace BPrivate

#endif
