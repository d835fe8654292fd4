#ifndef _REGION_H
#define _REGION_H

#include <Rect.h>

namespace BPrivate {
class RegionPrivate;
}

// A rectangle in whole pixels, edges inclusive like BRect.
struct clipping_rect {
	int32 left;
	int32 top;
	int32 right;
	int32 bottom;
};

// A set of pixels. A BRect enters as floor(left, top) .. ceil(right, bottom),
// edges inclusive, so every pixel the rectangle touches belongs to the region.
class BRegion {
public:
	BRegion();
	BRegion(const BRegion& other);
	BRegion(const BRect rect);
	virtual ~BRegion();

	BRegion& operator=(const BRegion& other);
	bool operator==(const BRegion& other) const;
	bool operator!=(const BRegion& other) const { return !(*this == other); }

	void Set(BRect rect);
	void Set(clipping_rect rect);

	// The bounding rectangle; invalid when the region is empty.
	BRect Frame() const;
	clipping_rect FrameInt() const;

	// Out of range: an invalid rectangle.
	BRect RectAt(int32 index) const;
	clipping_rect RectAtInt(int32 index) const;
	int32 CountRects() const;

	bool Intersects(BRect rect) const;
	bool Intersects(clipping_rect rect) const;
	bool Contains(BPoint point) const;
	bool Contains(int32 x, int32 y) const;

	void PrintToStream() const;

	// The BPoint offset is rounded to whole pixels.
	void OffsetBy(const BPoint& point);
	void OffsetBy(int32 x, int32 y);

	void MakeEmpty();

	void Include(BRect rect);
	void Include(clipping_rect rect);
	void Include(const BRegion* region);

	void Exclude(BRect rect);
	void Exclude(clipping_rect rect);
	void Exclude(const BRegion* region);

	void IntersectWith(const BRegion* region);
	// Keeps the pixels in exactly one of the two regions.
	void ExclusiveInclude(const BRegion* region);

private:
	friend class BPrivate::RegionPrivate;

	// A pixman_region32_t lives here (four int32 extents and a data pointer);
	// the public header does not pull in pixman.
	alignas(void*) unsigned char fStorage[4 * sizeof(int32) + sizeof(void*)];
};

#endif
