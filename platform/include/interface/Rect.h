#ifndef _RECT_H
#define _RECT_H

#include <math.h>

#include <Point.h>

// A rectangle whose edges are inclusive: (0, 0, 7, 7) covers 8 x 8 pixels, so
// Width() is one less than the pixel count. left > right (or top > bottom)
// makes it invalid; the default rectangle is invalid.
class BRect {
public:
	float left;
	float top;
	float right;
	float bottom;

	constexpr BRect() : left(0), top(0), right(-1), bottom(-1) {}
	constexpr BRect(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}
	constexpr BRect(BPoint leftTop, BPoint rightBottom)
	    : left(leftTop.x), top(leftTop.y), right(rightBottom.x), bottom(rightBottom.y)
	{
	}
	// A square of |side| (in Width() units) with its left-top at the origin.
	constexpr explicit BRect(float side) : left(0), top(0), right(side), bottom(side) {}

	void Set(float l, float t, float r, float b)
	{
		left = l;
		top = t;
		right = r;
		bottom = b;
	}
	void PrintToStream() const;

	BPoint LeftTop() const { return BPoint(left, top); }
	BPoint RightBottom() const { return BPoint(right, bottom); }
	BPoint LeftBottom() const { return BPoint(left, bottom); }
	BPoint RightTop() const { return BPoint(right, top); }
	void SetLeftTop(BPoint point)
	{
		left = point.x;
		top = point.y;
	}
	void SetRightBottom(BPoint point)
	{
		right = point.x;
		bottom = point.y;
	}
	void SetLeftBottom(BPoint point)
	{
		left = point.x;
		bottom = point.y;
	}
	void SetRightTop(BPoint point)
	{
		right = point.x;
		top = point.y;
	}

	// Inset: left and top move in by (dx, dy), right and bottom move in too.
	void InsetBy(BPoint delta);
	void InsetBy(float dx, float dy);
	void OffsetBy(BPoint delta);
	void OffsetBy(float dx, float dy);
	// Moves the left-top corner to |point|, keeping the size.
	void OffsetTo(BPoint point);
	void OffsetTo(float x, float y);

	BRect& InsetBySelf(BPoint delta);
	BRect& InsetBySelf(float dx, float dy);
	BRect InsetByCopy(BPoint delta) const;
	BRect InsetByCopy(float dx, float dy) const;
	BRect& OffsetBySelf(BPoint delta);
	BRect& OffsetBySelf(float dx, float dy);
	BRect OffsetByCopy(BPoint delta) const;
	BRect OffsetByCopy(float dx, float dy) const;
	BRect& OffsetToSelf(BPoint point);
	BRect& OffsetToSelf(float x, float y);
	BRect OffsetToCopy(BPoint point) const;
	BRect OffsetToCopy(float x, float y) const;

	bool operator==(BRect other) const;
	bool operator!=(BRect other) const;

	// Intersection and union (the smallest rectangle enclosing both).
	BRect operator&(BRect other) const;
	BRect operator|(BRect other) const;

	bool IsValid() const { return left <= right && top <= bottom; }
	float Width() const { return right - left; }
	int32 IntegerWidth() const { return static_cast<int32>(ceilf(right - left)); }
	float Height() const { return bottom - top; }
	int32 IntegerHeight() const { return static_cast<int32>(ceilf(bottom - top)); }

	bool Intersects(BRect other) const;
	bool Contains(BPoint point) const;
	bool Contains(BRect other) const;
};

#endif
