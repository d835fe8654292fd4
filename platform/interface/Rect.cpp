#include <Rect.h>

#include <stdio.h>

const BPoint B_ORIGIN(0, 0);

void BPoint::ConstrainTo(BRect rect)
{
	x = max_c(min_c(x, rect.right), rect.left);
	y = max_c(min_c(y, rect.bottom), rect.top);
}

void BPoint::PrintToStream() const
{
	printf("BPoint(x:%.0f, y:%.0f)\n", x, y);
}

void BRect::PrintToStream() const
{
	printf("BRect(l:%.1f, t:%.1f, r:%.1f, b:%.1f)\n", left, top, right, bottom);
}

void BRect::InsetBy(BPoint delta)
{
	InsetBy(delta.x, delta.y);
}

void BRect::InsetBy(float dx, float dy)
{
	left += dx;
	top += dy;
	right -= dx;
	bottom -= dy;
}

void BRect::OffsetBy(BPoint delta)
{
	OffsetBy(delta.x, delta.y);
}

void BRect::OffsetBy(float dx, float dy)
{
	left += dx;
	top += dy;
	right += dx;
	bottom += dy;
}

void BRect::OffsetTo(BPoint point)
{
	OffsetTo(point.x, point.y);
}

void BRect::OffsetTo(float x, float y)
{
	right = x + (right - left);
	bottom = y + (bottom - top);
	left = x;
	top = y;
}

BRect& BRect::InsetBySelf(BPoint delta)
{
	InsetBy(delta);
	return *this;
}

BRect& BRect::InsetBySelf(float dx, float dy)
{
	InsetBy(dx, dy);
	return *this;
}

BRect BRect::InsetByCopy(BPoint delta) const
{
	BRect copy(*this);
	copy.InsetBy(delta);
	return copy;
}

BRect BRect::InsetByCopy(float dx, float dy) const
{
	BRect copy(*this);
	copy.InsetBy(dx, dy);
	return copy;
}

BRect& BRect::OffsetBySelf(BPoint delta)
{
	OffsetBy(delta);
	return *this;
}

BRect& BRect::OffsetBySelf(float dx, float dy)
{
	OffsetBy(dx, dy);
	return *this;
}

BRect BRect::OffsetByCopy(BPoint delta) const
{
	BRect copy(*this);
	copy.OffsetBy(delta);
	return copy;
}

BRect BRect::OffsetByCopy(float dx, float dy) const
{
	BRect copy(*this);
	copy.OffsetBy(dx, dy);
	return copy;
}

BRect& BRect::OffsetToSelf(BPoint point)
{
	OffsetTo(point);
	return *this;
}

BRect& BRect::OffsetToSelf(float x, float y)
{
	OffsetTo(x, y);
	return *this;
}

BRect BRect::OffsetToCopy(BPoint point) const
{
	BRect copy(*this);
	copy.OffsetTo(point);
	return copy;
}

BRect BRect::OffsetToCopy(float x, float y) const
{
	BRect copy(*this);
	copy.OffsetTo(x, y);
	return copy;
}

bool BRect::operator==(BRect other) const
{
	return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
}

bool BRect::operator!=(BRect other) const
{
	return !(*this == other);
}

BRect BRect::operator&(BRect other) const
{
	return BRect(max_c(left, other.left), max_c(top, other.top), min_c(right, other.right),
	             min_c(bottom, other.bottom));
}

BRect BRect::operator|(BRect other) const
{
	return BRect(min_c(left, other.left), min_c(top, other.top), max_c(right, other.right),
	             max_c(bottom, other.bottom));
}

bool BRect::Intersects(BRect other) const
{
	if (!IsValid() || !other.IsValid())
		return false;
	return !(other.left > right || other.right < left || other.top > bottom || other.bottom < top);
}

bool BRect::Contains(BPoint point) const
{
	return point.x >= left && point.x <= right && point.y >= top && point.y <= bottom;
}

bool BRect::Contains(BRect other) const
{
	return IsValid() && other.IsValid() && other.left >= left && other.right <= right &&
	       other.top >= top && other.bottom <= bottom;
}
