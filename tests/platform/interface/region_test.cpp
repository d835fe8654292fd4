#include <Region.h>

#include <math.h>
#include <set>
#include <utility>

#include <gtest/gtest.h>

// The set of pixels the region's rectangles cover, each counted once.
static std::set<std::pair<int, int>> pixels_of(const BRegion& region, bool* overlap)
{
	std::set<std::pair<int, int>> pixels;
	*overlap = false;
	for (int32 i = 0; i < region.CountRects(); i++) {
		clipping_rect r = region.RectAtInt(i);
		EXPECT_LE(r.left, r.right);
		EXPECT_LE(r.top, r.bottom);
		for (int y = r.top; y <= r.bottom; y++)
			for (int x = r.left; x <= r.right; x++)
				*overlap |= !pixels.insert({x, y}).second;
	}
	return pixels;
}

TEST(Region, RectEdgesAreInclusive)
{
	BRegion region(BRect(0, 0, 7, 7));
	EXPECT_EQ(region.CountRects(), 1);
	EXPECT_EQ(region.Frame(), BRect(0, 0, 7, 7));
	EXPECT_TRUE(region.Contains(BPoint(7, 7)));
	EXPECT_FALSE(region.Contains(BPoint(8, 7)));
	EXPECT_FALSE(region.Contains(BPoint(-1, 0)));
	bool overlap;
	EXPECT_EQ(pixels_of(region, &overlap).size(), 64u);

	// A zero-width rect is one column.
	region.Set(BRect(3, 0, 3, 9));
	EXPECT_EQ(region.Frame(), BRect(3, 0, 3, 9));
	EXPECT_EQ(pixels_of(region, &overlap).size(), 10u);
}

TEST(Region, FractionalRectsTakeEveryTouchedPixel)
{
	BRegion region(BRect(0.5f, 1.2f, 2.1f, 3.9f));
	EXPECT_EQ(region.Frame(), BRect(0, 1, 3, 4));
	region.Set(BRect(-1.5f, -0.1f, -0.5f, 0));
	EXPECT_EQ(region.Frame(), BRect(-2, -1, 0, 0));
	// Points floor onto the pixel they lie in.
	EXPECT_TRUE(region.Contains(BPoint(-1.9f, -0.5f)));
	EXPECT_TRUE(region.Contains(BPoint(0.99f, 0)));
	EXPECT_FALSE(region.Contains(BPoint(1.0f, 0)));
}

TEST(Region, EmptyAndInvalidInput)
{
	BRegion region;
	EXPECT_EQ(region.CountRects(), 0);
	EXPECT_FALSE(region.Frame().IsValid());
	EXPECT_FALSE(region.RectAt(0).IsValid());
	EXPECT_FALSE(region.RectAt(-1).IsValid());

	region.Set(BRect());
	EXPECT_EQ(region.CountRects(), 0);
	region.Set(BRect(NAN, 0, 5, 5));
	EXPECT_EQ(region.CountRects(), 0);
	EXPECT_FALSE(region.Contains(BPoint(NAN, NAN)));
	region.Include(BRect(10, 10, 5, 20));
	EXPECT_EQ(region.CountRects(), 0);

	// Huge coordinates are clamped instead of wrapping around.
	region.Set(BRect(-1e30f, -1e30f, 1e30f, 1e30f));
	EXPECT_TRUE(region.Contains(BPoint(0, 0)));
	EXPECT_TRUE(region.Contains(BPoint(100000, -100000)));
	region.OffsetBy(1 << 20, 0);
	EXPECT_TRUE(region.Contains(BPoint(0, 0)));

	region.Set(BRect(0, 0, 9, 9));
	BRegion far(BRect(20, 20, 30, 30));
	region.IntersectWith(&far);
	EXPECT_EQ(region.CountRects(), 0);
	EXPECT_FALSE(region.Frame().IsValid());
	region.Include(static_cast<const BRegion*>(NULL));
	region.Exclude(static_cast<const BRegion*>(NULL));
	EXPECT_EQ(region.CountRects(), 0);
}

TEST(Region, ExclusionLeavesAHoleAndRectsCoverExactlyThePixels)
{
	BRegion region(BRect(0, 0, 9, 9));
	region.Exclude(BRect(3, 3, 5, 6));
	EXPECT_EQ(region.Frame(), BRect(0, 0, 9, 9));
	EXPECT_FALSE(region.Contains(BPoint(3, 3)));
	EXPECT_FALSE(region.Contains(BPoint(5, 6)));
	EXPECT_TRUE(region.Contains(BPoint(2, 3)));
	EXPECT_TRUE(region.Contains(BPoint(5, 7)));
	EXPECT_FALSE(region.Intersects(BRect(3.2f, 3.2f, 4.8f, 5.8f)));
	EXPECT_TRUE(region.Intersects(BRect(4, 4, 6, 4)));

	bool overlap;
	auto pixels = pixels_of(region, &overlap);
	EXPECT_FALSE(overlap);
	EXPECT_EQ(pixels.size(), 100u - 12u);
	for (int y = 0; y < 10; y++)
		for (int x = 0; x < 10; x++)
			EXPECT_EQ(pixels.count({x, y}) == 1, region.Contains(x, y)) << x << "," << y;

	// Excluding a region punches every one of its pixels.
	BRegion cross(BRect(0, 8, 9, 8));
	cross.Include(BRect(8, 0, 8, 9));
	region.Exclude(&cross);
	EXPECT_FALSE(region.Contains(8, 0));
	EXPECT_FALSE(region.Contains(0, 8));
	EXPECT_TRUE(region.Contains(9, 9));
	EXPECT_EQ(pixels_of(region, &overlap).size(), 88u - 19u);
	EXPECT_FALSE(overlap);
}

TEST(Region, SetOperationsAndComparison)
{
	BRegion a(BRect(0, 0, 9, 9));
	BRegion b(BRect(5, 5, 14, 14));
	BRegion both(a);
	both.Include(&b);
	EXPECT_EQ(both.Frame(), BRect(0, 0, 14, 14));
	EXPECT_FALSE(both.Contains(12, 2));

	BRegion common(a);
	common.IntersectWith(&b);
	EXPECT_EQ(common, BRegion(BRect(5, 5, 9, 9)));
	EXPECT_EQ(common.CountRects(), 1);

	BRegion either(a);
	either.ExclusiveInclude(&b);
	EXPECT_FALSE(either.Contains(7, 7));
	EXPECT_TRUE(either.Contains(2, 2));
	EXPECT_TRUE(either.Contains(12, 12));

	// The same pixel set built two ways compares equal.
	BRegion pieces;
	pieces.Include(BRect(0, 0, 4, 9));
	pieces.Include(BRect(5, 0, 9, 9));
	EXPECT_EQ(pieces, a);
	EXPECT_NE(pieces, b);

	BRegion assigned;
	assigned = both;
	EXPECT_EQ(assigned, both);
	assigned.MakeEmpty();
	EXPECT_EQ(assigned.CountRects(), 0);
	EXPECT_EQ(both.Frame(), BRect(0, 0, 14, 14)); // the copy is independent
}

TEST(Region, OffsetMovesEveryPixel)
{
	BRegion region(BRect(0, 0, 3, 3));
	region.Exclude(BRect(1, 1, 2, 2));
	region.OffsetBy(10, -5);
	EXPECT_EQ(region.Frame(), BRect(10, -5, 13, -2));
	EXPECT_FALSE(region.Contains(11, -4));
	region.OffsetBy(BPoint(-10.4f, 5.4f));
	EXPECT_EQ(region.Frame(), BRect(0, 0, 3, 3));

	clipping_rect r = {2, 2, 4, 6};
	region.Set(r);
	EXPECT_EQ(region.FrameInt().right, 4);
	EXPECT_EQ(region.FrameInt().bottom, 6);
	EXPECT_TRUE(region.Intersects(r));
}
