#include <Bitmap.h>

#include <math.h>
#include <stdint.h>
#include <string.h>

#include <memory>

#include <gtest/gtest.h>

#include "interface/BitmapPrivate.h"

TEST(Bitmap, SizeComesFromInclusiveBounds)
{
	BBitmap bitmap(BRect(0, 0, 639, 479), B_RGB32);
	ASSERT_EQ(bitmap.InitCheck(), B_OK);
	EXPECT_TRUE(bitmap.IsValid());
	EXPECT_EQ(bitmap.Bounds(), BRect(0, 0, 639, 479));
	EXPECT_EQ(bitmap.BytesPerRow(), 640 * 4);
	EXPECT_EQ(bitmap.BitsLength(), 640 * 4 * 480);
	EXPECT_EQ(bitmap.ColorSpace(), B_RGB32);
	ASSERT_NE(bitmap.Bits(), nullptr);
	// The whole length is writable (ASan checks the ends).
	memset(bitmap.Bits(), 0x5a, bitmap.BitsLength());

	BBitmap one(BRect(0, 0, 0, 0), B_RGBA32);
	ASSERT_EQ(one.InitCheck(), B_OK);
	EXPECT_EQ(one.BytesPerRow(), 4);
	EXPECT_EQ(one.BitsLength(), 4);
}

TEST(Bitmap, RowsOfNarrowColourSpacesArePaddedToFourBytes)
{
	struct {
		color_space space;
		float right;
		int32 bytesPerRow;
	} cases[] = {
	    {B_RGB32, 2, 12}, {B_RGBA32, 0, 4}, {B_RGB24, 0, 4}, // 3 bytes -> 4
	    {B_RGB24, 2, 12},                                    // 9 bytes -> 12
	    {B_RGB24, 3, 12},                                    // 12 exactly
	    {B_GRAY8, 0, 4},  {B_GRAY8, 4, 8},                   // 5 -> 8
	    {B_CMAP8, 7, 8},  {B_CMAP8, 8, 12}, {B_RGB16, 2, 8}, // 6 -> 8
	    {B_GRAY1, 32, 8},
	};
	for (const auto& c : cases) {
		BBitmap bitmap(BRect(0, 0, c.right, 9), c.space);
		ASSERT_EQ(bitmap.InitCheck(), B_OK) << c.space;
		EXPECT_EQ(bitmap.BytesPerRow(), c.bytesPerRow) << c.space << " width " << c.right + 1;
		EXPECT_EQ(bitmap.BitsLength(), c.bytesPerRow * 10);
	}
}

TEST(Bitmap, ExplicitBytesPerRowIsKeptWhenLargeEnough)
{
	BBitmap wide(BRect(0, 0, 9, 9), 0, B_RGB32, 64);
	ASSERT_EQ(wide.InitCheck(), B_OK);
	EXPECT_EQ(wide.BytesPerRow(), 64);
	EXPECT_EQ(wide.BitsLength(), 640);

	BBitmap narrow(BRect(0, 0, 9, 9), 0, B_RGB32, 39);
	EXPECT_EQ(narrow.InitCheck(), B_BAD_VALUE);
	EXPECT_EQ(narrow.Bits(), nullptr);
}

TEST(Bitmap, InvalidBoundsAndColourSpacesAreRefused)
{
	const BRect bad[] = {
	    BRect(),
	    BRect(0, 0, -1, 5),
	    BRect(0, 10, 5, 9),
	    BRect(0, 0, NAN, 5),
	    BRect(0, 0, 5, INFINITY),
	    BRect(-INFINITY, 0, 5, 5),
	};
	for (const BRect& r : bad) {
		BBitmap bitmap(r, B_RGB32);
		EXPECT_EQ(bitmap.InitCheck(), B_BAD_VALUE);
		EXPECT_FALSE(bitmap.IsValid());
		EXPECT_EQ(bitmap.Bits(), nullptr);
		EXPECT_EQ(bitmap.BitsLength(), 0);
	}
	BBitmap yuv(BRect(0, 0, 9, 9), B_YCbCr422);
	EXPECT_EQ(yuv.InitCheck(), B_BAD_VALUE);
	BBitmap none(BRect(0, 0, 9, 9), B_NO_COLOR_SPACE);
	EXPECT_EQ(none.InitCheck(), B_BAD_VALUE);
}

TEST(Bitmap, SizesBeyondTheLimitAreRefusedWithoutAllocating)
{
	// Header-sized lies from hostile pictures, and edges whose float difference
	// would overflow an int32.
	const BRect huge[] = {
	    BRect(0, 0, 99999, 99999), BRect(0, 0, 16384, 16383), // one column over 2^28 pixels
	    BRect(0, 0, 0, 3e9f),      BRect(-3e38f, 0, 3e38f, 0), BRect(0, 0, 1e30f, 1e30f),
	};
	for (const BRect& r : huge) {
		BBitmap bitmap(r, B_RGBA32);
		EXPECT_EQ(bitmap.InitCheck(), B_NO_MEMORY);
		EXPECT_EQ(bitmap.Bits(), nullptr);
	}
	// A wide row that passes the pixel limit but not the byte limit.
	BBitmap padded(BRect(0, 0, 99, 9999999), 0, B_GRAY8, 1024);
	EXPECT_EQ(padded.InitCheck(), B_NO_MEMORY);

	EXPECT_TRUE(BPrivate::bitmap_size_allowed(16384, 16384));
	EXPECT_FALSE(BPrivate::bitmap_size_allowed(16385, 16384));
	EXPECT_FALSE(BPrivate::bitmap_size_allowed(100000, 100000));
	EXPECT_FALSE(BPrivate::bitmap_size_allowed(0, 10));
	EXPECT_TRUE(BPrivate::bitmap_size_allowed(1, 1 << 20));
}

TEST(Bitmap, BigBitmapsAreFreshZeroedPagesAndWritable)
{
	BBitmap big(BRect(0, 0, 1999, 999), B_RGB32); // 8 MB
	ASSERT_EQ(big.InitCheck(), B_OK);
	EXPECT_EQ(reinterpret_cast<uintptr_t>(big.Bits()) % 4096, 0u);
	ASSERT_TRUE(BPrivate::BitmapAccess::StartsZeroed(&big));
	uint8* bits = static_cast<uint8*>(big.Bits());
	size_t nonZero = 0;
	for (int32 i = 0; i < big.BitsLength(); i++)
		nonZero += bits[i] != 0;
	EXPECT_EQ(nonZero, 0u);
	memset(bits, 0xab, big.BitsLength());
	EXPECT_EQ(bits[big.BitsLength() - 1], 0xab);
}

TEST(Bitmap, ClearToWhite)
{
	BBitmap rgb(BRect(0, 0, 2, 2), B_BITMAP_CLEAR_TO_WHITE, B_RGB32);
	ASSERT_EQ(rgb.InitCheck(), B_OK);
	const uint8* bits = static_cast<const uint8*>(rgb.Bits());
	for (int32 i = 0; i < rgb.BitsLength(); i++)
		ASSERT_EQ(bits[i], 0xff);
}

TEST(Bitmap, ImportBitsCopiesRowsAtTheBitmapsStride)
{
	BBitmap bitmap(BRect(0, 0, 1, 1), 0, B_RGB32, 16);
	ASSERT_EQ(bitmap.InitCheck(), B_OK);
	memset(bitmap.Bits(), 0, bitmap.BitsLength());
	const uint32 pixels[4] = {0x11111111, 0x22222222, 0x33333333, 0x44444444};
	ASSERT_EQ(bitmap.ImportBits(pixels, sizeof(pixels), 8, 0, B_RGB32), B_OK);
	const uint32* row0 = static_cast<const uint32*>(bitmap.Bits());
	const uint32* row1 = row0 + 4;
	EXPECT_EQ(row0[0], 0x11111111u);
	EXPECT_EQ(row0[1], 0x22222222u);
	EXPECT_EQ(row0[2], 0u); // padding untouched
	EXPECT_EQ(row1[0], 0x33333333u);
	EXPECT_EQ(row1[1], 0x44444444u);

	EXPECT_EQ(bitmap.ImportBits(pixels, sizeof(pixels), 8, 0, B_GRAY8), B_BAD_VALUE);
	// Too much data stops at the end of the bitmap.
	uint8 lots[256];
	memset(lots, 7, sizeof(lots));
	EXPECT_EQ(bitmap.ImportBits(lots, sizeof(lots), 16, 0, B_RGBA32), B_OK);

	BBitmap copy(bitmap);
	ASSERT_EQ(copy.InitCheck(), B_OK);
	EXPECT_EQ(memcmp(copy.Bits(), bitmap.Bits(), bitmap.BitsLength()), 0);

	BBitmap other(BRect(0, 0, 0, 0), B_RGB32);
	ASSERT_EQ(other.ImportBits(&bitmap), B_OK);
	EXPECT_EQ(*static_cast<uint32*>(other.Bits()), 0x07070707u);
}
