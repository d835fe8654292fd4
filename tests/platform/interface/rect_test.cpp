#include <Rect.h>

#include <gtest/gtest.h>

TEST(Rect, EdgesAreInclusive)
{
	BRect r(0, 0, 639, 479);
	EXPECT_EQ(r.Width(), 639);
	EXPECT_EQ(r.Height(), 479);
	EXPECT_TRUE(r.Contains(BPoint(639, 479)));
	EXPECT_FALSE(r.Contains(BPoint(640, 0)));
	EXPECT_TRUE(BRect(5, 5, 5, 5).IsValid()); // one pixel
	EXPECT_FALSE(BRect().IsValid());
	EXPECT_EQ(BRect(0, 0, 1.5f, 2.2f).IntegerWidth(), 2);
}

TEST(Rect, OffsetAndInsetKeepSizeOrShrinkBothSides)
{
	BRect r(10, 20, 30, 60);
	EXPECT_EQ(r.OffsetToCopy(0, 0), BRect(0, 0, 20, 40));
	EXPECT_EQ(r.OffsetByCopy(-10, 5), BRect(0, 25, 20, 65));
	EXPECT_EQ(r.InsetByCopy(2, 3), BRect(12, 23, 28, 57));
	BRect same = r;
	same.InsetBySelf(-1, -1).OffsetBySelf(1, 1);
	EXPECT_EQ(same, BRect(10, 20, 32, 62));
}

TEST(Rect, IntersectionAndUnion)
{
	BRect a(0, 0, 9, 9);
	BRect b(5, 5, 14, 14);
	EXPECT_EQ(a & b, BRect(5, 5, 9, 9));
	EXPECT_EQ(a | b, BRect(0, 0, 14, 14));
	EXPECT_TRUE(a.Intersects(b));
	// Touching edges share a pixel row; one step further they do not.
	EXPECT_TRUE(a.Intersects(BRect(9, 0, 20, 9)));
	EXPECT_FALSE(a.Intersects(BRect(10, 0, 20, 9)));
	EXPECT_FALSE((a & BRect(10, 0, 20, 9)).IsValid());
	EXPECT_FALSE(a.Intersects(BRect()));
	EXPECT_TRUE(a.Contains(BRect(0, 0, 9, 9)));
	EXPECT_FALSE(a.Contains(b));
}

TEST(Point, ConstrainToStaysInside)
{
	BPoint p(-5, 50);
	p.ConstrainTo(BRect(0, 0, 10, 10));
	EXPECT_EQ(p, BPoint(0, 10));
	EXPECT_EQ(BPoint(1, 2) + BPoint(3, 4) - BPoint(1, 1), BPoint(3, 5));
}
