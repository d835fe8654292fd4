#ifndef PLATFORM_TRANSLATION_ORIENTED_COPY_H
#define PLATFORM_TRANSLATION_ORIENTED_COPY_H

#include <string.h>

#include <SupportDefs.h>

namespace BPrivate {

// EXIF orientations 1 to 8: how the stored rows must be turned to stand
// upright. 5 to 8 swap width and height.
inline bool orientation_swaps_axes(int orientation)
{
	return orientation >= 5 && orientation <= 8;
}

// Where pixels of a W x H source land in an upright 32-bit destination.
struct OrientedTarget {
	uint8* bits;
	int64 bytesPerRow;
	int32 sourceWidth;
	int32 sourceHeight;
	int orientation;
};

// Copies source rows [firstRow, firstRow + rowCount), each |sourceStride|
// bytes apart and of |kSourceBytes| bytes per pixel, into |target| turned by
// its orientation. |load| makes one B, G, R, A pixel (as a native uint32) of
// the bytes at a source pixel. Columns go in blocks, so that a block of
// destination rows of a rotation stays in cache across the source rows of a
// strip.
template <int kSourceBytes, typename Load>
void copy_oriented(const OrientedTarget& target, const uint8* source, int64 sourceStride,
                   int32 firstRow, int32 rowCount, Load load)
{
	const int64 w = target.sourceWidth;
	const int64 h = target.sourceHeight;
	const int64 bpr = target.bytesPerRow;
	// Destination byte offset of source pixel (0, y), and its step per x.
	int64 xStep;
	auto rowOrigin = [&](int64 y) -> int64 {
		switch (target.orientation) {
			case 2:
				return y * bpr + (w - 1) * 4;
			case 3:
				return (h - 1 - y) * bpr + (w - 1) * 4;
			case 4:
				return (h - 1 - y) * bpr;
			case 5:
				return y * 4;
			case 6:
				return (h - 1 - y) * 4;
			case 7:
				return (w - 1) * bpr + (h - 1 - y) * 4;
			case 8:
				return (w - 1) * bpr + y * 4;
			default:
				return y * bpr;
		}
	};
	switch (target.orientation) {
		case 2:
		case 3:
			xStep = -4;
			break;
		case 5:
		case 6:
			xStep = bpr;
			break;
		case 7:
		case 8:
			xStep = -bpr;
			break;
		default:
			xStep = 4;
			break;
	}

	constexpr int64 kBlock = 64;
	for (int64 blockStart = 0; blockStart < w; blockStart += kBlock) {
		int64 blockEnd = min_c(blockStart + kBlock, w);
		for (int32 i = 0; i < rowCount; i++) {
			const uint8* from = source + i * sourceStride + blockStart * kSourceBytes;
			uint8* to = target.bits + rowOrigin(firstRow + i) + blockStart * xStep;
			for (int64 x = blockStart; x < blockEnd; x++) {
				uint32 pixel = load(from);
				memcpy(to, &pixel, sizeof(pixel));
				from += kSourceBytes;
				to += xStep;
			}
		}
	}
}

} // namespace BPrivate

#endif
