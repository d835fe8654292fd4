#ifndef _BITMAP_CACHE_H
#define _BITMAP_CACHE_H

#include <Bitmap.h>

#include <memory>

#include <pixman.h>

namespace BPrivate {

// A picture the painter can sample: 32-bit pixels, premultiplied when it has
// alpha. Immutable once built, shared by the drawing threads.
struct SourceLevel {
	pixman_format_code_t format;
	int32 width;
	int32 height;
	int32 stride; // bytes
	uint32* bits;
	std::unique_ptr<uint32[]> owned; // NULL when |bits| are the bitmap's own
	bool opaque;
};

// Scaled drawing shrinks from a pyramid of half-size levels (each a 2x2 box
// average of the one above), built lazily and cached per bitmap, so strong
// reductions stay fast and do not alias. Bitmaps with alpha or in colour
// spaces pixman cannot read are converted once and the conversion is cached
// the same way.
//
// The cache is keyed by the bitmap's identity. The rule: whoever changes the
// pixels of a bitmap that may have been drawn calls bitmap_bits_changed()
// before drawing it again (the video frame path does, once per frame);
// BBitmap's own SetBits/ImportBits/assignment and its destructor do it
// themselves. Thread-safe.
class BitmapCache {
public:
	// Level |level| of |bitmap| (0 = full size, converted if needed); NULL and
	// B_BAD_VALUE for a colour space that cannot be drawn, B_NO_MEMORY when the
	// conversion cannot be allocated. Level 0 of a directly readable bitmap
	// points at the bitmap's own bits.
	static status_t Get(const BBitmap* bitmap, int32 level, std::shared_ptr<SourceLevel>* result);

	// The deepest level whose size is still at least width x height.
	static int32 LevelFor(const BBitmap* bitmap, int32 width, int32 height);

	static void Forget(const BBitmap* bitmap);
	static size_t CachedBytes();
};

// See BitmapCache: the pixels of |bitmap| may have changed.
void bitmap_bits_changed(const BBitmap* bitmap);
// The same for a writer that knows only where the pixels are, such as a
// decoder handed a bitmap's Bits(): every bitmap whose pixels start at |bits|.
void bitmap_bits_changed_at(const void* bits);

} // namespace BPrivate

#endif
