#include <Region.h>

#include <math.h>
#include <new>
#include <stdio.h>

#include "interface/RegionPrivate.h"

using BPrivate::RegionPrivate;

static_assert(sizeof(pixman_region32_t) <= 4 * sizeof(int32) + sizeof(void*),
              "BRegion's storage must hold a pixman_region32_t");
static_assert(alignof(pixman_region32_t) <= alignof(void*));

// Far enough from INT32_MAX that box sums and translations stay in range.
static const float kCoordinateLimit = 1 << 29;

static int32 clamp_coordinate(float value)
{
	if (value < -kCoordinateLimit)
		return -(1 << 29);
	if (value > kCoordinateLimit)
		return 1 << 29;
	return static_cast<int32>(value);
}

bool RegionPrivate::ToBox(BRect rect, pixman_box32_t* box)
{
	// NaN fails these comparisons and yields no pixels.
	if (!(rect.left <= rect.right) || !(rect.top <= rect.bottom))
		return false;
	box->x1 = clamp_coordinate(floorf(rect.left));
	box->y1 = clamp_coordinate(floorf(rect.top));
	box->x2 = clamp_coordinate(ceilf(rect.right)) + 1;
	box->y2 = clamp_coordinate(ceilf(rect.bottom)) + 1;
	return box->x1 < box->x2 && box->y1 < box->y2;
}

static bool clipping_to_box(clipping_rect rect, pixman_box32_t* box)
{
	if (rect.left > rect.right || rect.top > rect.bottom)
		return false;
	box->x1 = clamp_coordinate(rect.left);
	box->y1 = clamp_coordinate(rect.top);
	box->x2 = clamp_coordinate(rect.right) + 1;
	box->y2 = clamp_coordinate(rect.bottom) + 1;
	return true;
}

static clipping_rect box_to_clipping(const pixman_box32_t& box)
{
	clipping_rect rect = {box.x1, box.y1, box.x2 - 1, box.y2 - 1};
	return rect;
}

static void region_from_box(pixman_region32_t* region, const pixman_box32_t* box)
{
	if (box == NULL)
		pixman_region32_init(region);
	else
		pixman_region32_init_rect(region, box->x1, box->y1, box->x2 - box->x1, box->y2 - box->y1);
}

BRegion::BRegion()
{
	pixman_region32_init(new (fStorage) pixman_region32_t);
}

BRegion::BRegion(const BRegion& other)
{
	pixman_region32_t* region = new (fStorage) pixman_region32_t;
	pixman_region32_init(region);
	pixman_region32_copy(region, RegionPrivate::Pixman(other));
}

BRegion::BRegion(const BRect rect)
{
	pixman_region32_t* region = new (fStorage) pixman_region32_t;
	pixman_box32_t box;
	region_from_box(region, RegionPrivate::ToBox(rect, &box) ? &box : NULL);
}

BRegion::~BRegion()
{
	pixman_region32_fini(RegionPrivate::Pixman(*this));
}

BRegion& BRegion::operator=(const BRegion& other)
{
	if (this != &other)
		pixman_region32_copy(RegionPrivate::Pixman(*this), RegionPrivate::Pixman(other));
	return *this;
}

bool BRegion::operator==(const BRegion& other) const
{
	return pixman_region32_equal(RegionPrivate::Pixman(*this), RegionPrivate::Pixman(other));
}

void BRegion::Set(BRect rect)
{
	pixman_box32_t box;
	pixman_region32_t* region = RegionPrivate::Pixman(*this);
	pixman_region32_fini(region);
	region_from_box(region, RegionPrivate::ToBox(rect, &box) ? &box : NULL);
}

void BRegion::Set(clipping_rect rect)
{
	pixman_box32_t box;
	pixman_region32_t* region = RegionPrivate::Pixman(*this);
	pixman_region32_fini(region);
	region_from_box(region, clipping_to_box(rect, &box) ? &box : NULL);
}

BRect BRegion::Frame() const
{
	const pixman_region32_t* region = RegionPrivate::Pixman(*this);
	if (!pixman_region32_not_empty(region))
		return BRect();
	const pixman_box32_t* box = &region->extents;
	return BRect(box->x1, box->y1, box->x2 - 1, box->y2 - 1);
}

clipping_rect BRegion::FrameInt() const
{
	const pixman_region32_t* region = RegionPrivate::Pixman(*this);
	if (!pixman_region32_not_empty(region)) {
		clipping_rect invalid = {0, 0, -1, -1};
		return invalid;
	}
	return box_to_clipping(region->extents);
}

clipping_rect BRegion::RectAtInt(int32 index) const
{
	int count = 0;
	const pixman_box32_t* boxes = pixman_region32_rectangles(
	    const_cast<pixman_region32_t*>(RegionPrivate::Pixman(*this)), &count);
	if (index < 0 || index >= count) {
		clipping_rect invalid = {0, 0, -1, -1};
		return invalid;
	}
	return box_to_clipping(boxes[index]);
}

BRect BRegion::RectAt(int32 index) const
{
	clipping_rect rect = RectAtInt(index);
	return BRect(rect.left, rect.top, rect.right, rect.bottom);
}

int32 BRegion::CountRects() const
{
	return pixman_region32_n_rects(const_cast<pixman_region32_t*>(RegionPrivate::Pixman(*this)));
}

static bool region_overlaps(const pixman_region32_t* region, pixman_box32_t* box)
{
	return pixman_region32_contains_rectangle(const_cast<pixman_region32_t*>(region), box) !=
	       PIXMAN_REGION_OUT;
}

bool BRegion::Intersects(BRect rect) const
{
	pixman_box32_t box;
	return RegionPrivate::ToBox(rect, &box) && region_overlaps(RegionPrivate::Pixman(*this), &box);
}

bool BRegion::Intersects(clipping_rect rect) const
{
	pixman_box32_t box;
	return clipping_to_box(rect, &box) && region_overlaps(RegionPrivate::Pixman(*this), &box);
}

bool BRegion::Contains(BPoint point) const
{
	if (!(point.x == point.x) || !(point.y == point.y))
		return false;
	return Contains(clamp_coordinate(floorf(point.x)), clamp_coordinate(floorf(point.y)));
}

bool BRegion::Contains(int32 x, int32 y) const
{
	return pixman_region32_contains_point(
	    const_cast<pixman_region32_t*>(RegionPrivate::Pixman(*this)), x, y, NULL);
}

void BRegion::PrintToStream() const
{
	BRect frame = Frame();
	printf("BRegion: frame (%.0f, %.0f, %.0f, %.0f), %d rects\n", frame.left, frame.top,
	       frame.right, frame.bottom, static_cast<int>(CountRects()));
	for (int32 i = 0; i < CountRects(); i++) {
		clipping_rect rect = RectAtInt(i);
		printf("  (%d, %d, %d, %d)\n", static_cast<int>(rect.left), static_cast<int>(rect.top),
		       static_cast<int>(rect.right), static_cast<int>(rect.bottom));
	}
}

void BRegion::OffsetBy(const BPoint& point)
{
	if (!(point.x == point.x) || !(point.y == point.y))
		return;
	OffsetBy(clamp_coordinate(floorf(point.x + 0.5f)), clamp_coordinate(floorf(point.y + 0.5f)));
}

void BRegion::OffsetBy(int32 x, int32 y)
{
	pixman_region32_translate(RegionPrivate::Pixman(*this), x, y);
}

void BRegion::MakeEmpty()
{
	pixman_region32_t* region = RegionPrivate::Pixman(*this);
	pixman_region32_fini(region);
	pixman_region32_init(region);
}

static void include_box(pixman_region32_t* region, const pixman_box32_t& box)
{
	pixman_region32_union_rect(region, region, box.x1, box.y1, box.x2 - box.x1, box.y2 - box.y1);
}

static void exclude_box(pixman_region32_t* region, const pixman_box32_t& box)
{
	pixman_region32_t hole;
	region_from_box(&hole, &box);
	pixman_region32_subtract(region, region, &hole);
	pixman_region32_fini(&hole);
}

void BRegion::Include(BRect rect)
{
	pixman_box32_t box;
	if (RegionPrivate::ToBox(rect, &box))
		include_box(RegionPrivate::Pixman(*this), box);
}

void BRegion::Include(clipping_rect rect)
{
	pixman_box32_t box;
	if (clipping_to_box(rect, &box))
		include_box(RegionPrivate::Pixman(*this), box);
}

void BRegion::Include(const BRegion* other)
{
	if (other == NULL)
		return;
	pixman_region32_t* region = RegionPrivate::Pixman(*this);
	pixman_region32_union(region, region, RegionPrivate::Pixman(*other));
}

void BRegion::Exclude(BRect rect)
{
	pixman_box32_t box;
	if (RegionPrivate::ToBox(rect, &box))
		exclude_box(RegionPrivate::Pixman(*this), box);
}

void BRegion::Exclude(clipping_rect rect)
{
	pixman_box32_t box;
	if (clipping_to_box(rect, &box))
		exclude_box(RegionPrivate::Pixman(*this), box);
}

void BRegion::Exclude(const BRegion* other)
{
	if (other == NULL)
		return;
	pixman_region32_t* region = RegionPrivate::Pixman(*this);
	pixman_region32_subtract(region, region, RegionPrivate::Pixman(*other));
}

void BRegion::IntersectWith(const BRegion* other)
{
	if (other == NULL)
		return;
	pixman_region32_t* region = RegionPrivate::Pixman(*this);
	pixman_region32_intersect(region, region, RegionPrivate::Pixman(*other));
}

void BRegion::ExclusiveInclude(const BRegion* other)
{
	if (other == NULL)
		return;
	pixman_region32_t* region = RegionPrivate::Pixman(*this);
	const pixman_region32_t* added = RegionPrivate::Pixman(*other);
	pixman_region32_t both;
	pixman_region32_init(&both);
	pixman_region32_intersect(&both, region, added);
	pixman_region32_union(region, region, added);
	pixman_region32_subtract(region, region, &both);
	pixman_region32_fini(&both);
}
