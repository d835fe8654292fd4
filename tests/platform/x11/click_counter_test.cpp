#include <gtest/gtest.h>

#include "display/x11/ClickCounter.h"

using BPrivate::ClickCounter;

TEST(ClickCounterTest, CountsQuickPressesInPlace)
{
	ClickCounter counter(500000, 4);
	EXPECT_EQ(counter.Press(1, 1000000, 10, 10), 1);
	EXPECT_EQ(counter.Press(1, 1200000, 12, 9), 2);
	EXPECT_EQ(counter.Press(1, 1400000, 10, 13), 3);
}

TEST(ClickCounterTest, StartsOverOnTimeDistanceOrButton)
{
	ClickCounter counter(500000, 4);
	counter.Press(1, 0, 10, 10);
	EXPECT_EQ(counter.Press(1, 600000, 10, 10), 1) << "too late";
	EXPECT_EQ(counter.Press(1, 700000, 20, 10), 1) << "too far";
	EXPECT_EQ(counter.Press(2, 800000, 20, 10), 1) << "other button";
	EXPECT_EQ(counter.Press(2, 900000, 20, 10), 2);
	counter.Reset();
	EXPECT_EQ(counter.Press(2, 950000, 20, 10), 1) << "after a reset";
	// A clock that goes backwards (another source of times) never chains.
	EXPECT_EQ(counter.Press(2, 100, 20, 10), 1);
}

TEST(ClickCounterTest, DriftIsMeasuredFromTheFirstPress)
{
	ClickCounter counter(500000, 4);
	counter.Press(1, 0, 0, 0);
	EXPECT_EQ(counter.Press(1, 100000, 3, 0), 2);
	EXPECT_EQ(counter.Press(1, 200000, 6, 0), 1);
}
