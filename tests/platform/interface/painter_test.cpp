#include <Bitmap.h>
#include <Font.h>
#include <Region.h>

#include <algorithm>
#include <stdlib.h>
#include <string.h>
#include <vector>

#include <gtest/gtest.h>

#include "interface/BitmapCache.h"
#include "interface/Painter.h"

using BPrivate::Painter;

namespace {

const rgb_color kWhite = {255, 255, 255, 255};
const rgb_color kBlack = {0, 0, 0, 255};
const rgb_color kRed = {255, 0, 0, 255};
const rgb_color kGreen = {0, 255, 0, 255};
const rgb_color kBlue = {0, 0, 255, 255};
const rgb_color kYellow = {255, 255, 0, 255};

// A B_RGB32 framebuffer cleared to white, with the painter attached.
struct Canvas {
	int32 width, height;
	std::vector<uint32> pixels;
	Painter painter;

	Canvas(int32 w, int32 h) : width(w), height(h), pixels(size_t(w) * h, 0xffffffff)
	{
		EXPECT_EQ(painter.Attach(pixels.data(), w, h, w * 4), B_OK);
	}
	uint32 At(int32 x, int32 y) const { return pixels[size_t(y) * width + x] & 0xffffff; }
	int Count(uint32 rgb) const
	{
		int n = 0;
		for (uint32 p : pixels)
			n += (p & 0xffffff) == rgb;
		return n;
	}
};

uint32 rgb(rgb_color c)
{
	return uint32(c.red) << 16 | uint32(c.green) << 8 | c.blue;
}

int channel(uint32 pixel, int shift)
{
	return (pixel >> shift) & 0xff;
}

// A B_RGB32 bitmap filled by |color(x, y)| (0xRRGGBB).
template <typename Color>
BBitmap* make_bitmap(int32 w, int32 h, Color color, color_space space = B_RGB32)
{
	BBitmap* bitmap = new BBitmap(BRect(0, 0, w - 1, h - 1), space);
	EXPECT_EQ(bitmap->InitCheck(), B_OK);
	for (int32 y = 0; y < h; y++) {
		uint32* row = reinterpret_cast<uint32*>(static_cast<uint8*>(bitmap->Bits()) +
		                                        y * bitmap->BytesPerRow());
		for (int32 x = 0; x < w; x++)
			row[x] = color(x, y);
	}
	return bitmap;
}

} // namespace

TEST(Painter, FillRectCoversExactlyItsEdges)
{
	Canvas canvas(20, 20);
	canvas.painter.FillRect(BRect(2, 3, 5, 7), kRed);
	EXPECT_EQ(canvas.Count(rgb(kRed)), 4 * 5);
	EXPECT_EQ(canvas.At(2, 3), rgb(kRed));
	EXPECT_EQ(canvas.At(5, 7), rgb(kRed));
	EXPECT_EQ(canvas.At(6, 7), rgb(kWhite));
	EXPECT_EQ(canvas.At(5, 8), rgb(kWhite));
	EXPECT_EQ(canvas.At(1, 3), rgb(kWhite));

	// The origin moves the drawing; off-buffer parts are cut, invalid rects draw nothing.
	canvas.painter.SetOrigin(BPoint(10, 10));
	canvas.painter.FillRect(BRect(5, 5, 100, 100), kBlue);
	canvas.painter.FillRect(BRect(3, 3, 2, 2), kBlue);
	EXPECT_EQ(canvas.Count(rgb(kBlue)), 5 * 5);
	EXPECT_EQ(canvas.At(15, 15), rgb(kBlue));
	EXPECT_EQ(canvas.At(14, 15), rgb(kWhite));
}

TEST(Painter, ClippedFillsLeaveHolesUntouched)
{
	Canvas canvas(20, 20);
	BRegion clip(BRect(0, 0, 19, 19));
	clip.Exclude(BRect(5, 5, 9, 9));
	canvas.painter.SetClipping(&clip);
	canvas.painter.FillRect(BRect(0, 0, 19, 19), kGreen);
	EXPECT_EQ(canvas.Count(rgb(kWhite)), 25);
	EXPECT_EQ(canvas.At(5, 5), rgb(kWhite));
	EXPECT_EQ(canvas.At(9, 9), rgb(kWhite));
	EXPECT_EQ(canvas.At(10, 9), rgb(kGreen));

	// Text, lines and bitmaps honour the same clip.
	canvas.painter.StrokeLine(BPoint(0, 7), BPoint(19, 7), kRed);
	EXPECT_EQ(canvas.At(7, 7), rgb(kWhite));
	EXPECT_EQ(canvas.At(4, 7), rgb(kRed));
	BBitmap* bitmap = make_bitmap(4, 4, [](int32, int32) { return 0x0000ffu; });
	canvas.painter.DrawBitmap(bitmap, bitmap->Bounds(), BRect(0, 0, 19, 19));
	EXPECT_EQ(canvas.Count(rgb(kWhite)), 25);
	canvas.painter.SetClipping(NULL);
	canvas.painter.FillRegion(clip, kBlack);
	EXPECT_EQ(canvas.Count(rgb(kBlack)), 400 - 25);
	delete bitmap;
}

TEST(Painter, StrokeLineIncludesBothEndsAndOnePixelPerStep)
{
	Canvas canvas(20, 20);
	canvas.painter.StrokeLine(BPoint(1, 1), BPoint(13, 6), kBlack);
	EXPECT_EQ(canvas.At(1, 1), rgb(kBlack));
	EXPECT_EQ(canvas.At(13, 6), rgb(kBlack));
	EXPECT_EQ(canvas.Count(rgb(kBlack)), 13);
	for (int32 x = 1; x <= 13; x++) {
		int inColumn = 0;
		for (int32 y = 0; y < 20; y++)
			inColumn += canvas.At(x, y) == rgb(kBlack);
		EXPECT_EQ(inColumn, 1) << "column " << x;
	}

	// Steep, reversed, and degenerate lines.
	Canvas steep(20, 20);
	steep.painter.StrokeLine(BPoint(5, 18), BPoint(2, 0), kBlack);
	EXPECT_EQ(steep.Count(rgb(kBlack)), 19);
	EXPECT_EQ(steep.At(5, 18), rgb(kBlack));
	EXPECT_EQ(steep.At(2, 0), rgb(kBlack));
	Canvas dot(4, 4);
	dot.painter.StrokeLine(BPoint(2, 2), BPoint(2, 2), kBlack);
	EXPECT_EQ(dot.Count(rgb(kBlack)), 1);

	// A line far longer than the buffer is cut first and still lands right.
	Canvas far(20, 20);
	far.painter.StrokeLine(BPoint(-1e7f, -1e7f), BPoint(1e7f, 1e7f), kBlack);
	EXPECT_EQ(far.Count(rgb(kBlack)), 20);
	EXPECT_EQ(far.At(0, 0), rgb(kBlack));
	EXPECT_EQ(far.At(19, 19), rgb(kBlack));
}

TEST(Painter, StrokeRectIsTheOutlineOfFillRect)
{
	Canvas canvas(20, 20);
	canvas.painter.StrokeRect(BRect(2, 2, 8, 6), kBlack);
	EXPECT_EQ(canvas.Count(rgb(kBlack)), 2 * 7 + 2 * 3);
	EXPECT_EQ(canvas.At(3, 3), rgb(kWhite));
	EXPECT_EQ(canvas.At(8, 6), rgb(kBlack));
	// Blended, every outline pixel gets the same colour: no corner is drawn twice.
	Canvas blended(20, 20);
	blended.painter.SetDrawingMode(B_OP_ALPHA);
	blended.painter.StrokeRect(BRect(2, 2, 8, 6), {0, 0, 0, 128});
	uint32 corner = blended.At(2, 2);
	EXPECT_EQ(blended.At(5, 2), corner);
	EXPECT_EQ(blended.At(2, 4), corner);
	EXPECT_NEAR(channel(corner, 0), 127, 1);
}

TEST(Painter, DrawingModes)
{
	Canvas canvas(4, 1);
	canvas.painter.FillRect(BRect(0, 0, 0, 0), {10, 20, 30, 0}); // B_OP_COPY ignores alpha
	EXPECT_EQ(canvas.At(0, 0), 0x0a141eu);
	canvas.painter.SetDrawingMode(B_OP_OVER);
	canvas.painter.FillRect(BRect(1, 0, 1, 0), B_TRANSPARENT_32_BIT);
	EXPECT_EQ(canvas.At(1, 0), rgb(kWhite));
	canvas.painter.SetDrawingMode(B_OP_ALPHA);
	canvas.painter.FillRect(BRect(2, 0, 2, 0), {0, 0, 0, 0});
	EXPECT_EQ(canvas.At(2, 0), rgb(kWhite));
	canvas.painter.FillRect(BRect(3, 0, 3, 0), {255, 0, 0, 64});
	EXPECT_EQ(channel(canvas.At(3, 0), 16), 255);
	EXPECT_NEAR(channel(canvas.At(3, 0), 8), 191, 1);
}

TEST(Painter, DrawStringStaysInItsBoxAndAdvancesThePen)
{
	Canvas canvas(100, 40);
	BFont font(be_plain_font);
	font.SetSize(20);
	font_height height;
	font.GetHeight(&height);
	BPoint end = canvas.painter.DrawString("Hxg", 3, BPoint(10, 25), font, kBlack);
	EXPECT_FLOAT_EQ(end.x, 10 + font.StringWidth("Hxg"));
	EXPECT_EQ(end.y, 25);
	int inked = 0;
	for (int32 y = 0; y < 40; y++) {
		for (int32 x = 0; x < 100; x++) {
			if (canvas.At(x, y) == rgb(kWhite))
				continue;
			inked++;
			EXPECT_GE(x, 9);
			EXPECT_LE(x, end.x + 1);
			EXPECT_GE(y, 25 - height.ascent - 1);
			EXPECT_LE(y, 25 + height.descent + 1);
		}
	}
	EXPECT_GT(inked, 40);
	// 'H' has a solid stem just right of the start, standing on the baseline.
	bool stem = false;
	for (int32 x = 10; x < 14; x++)
		stem |= canvas.At(x, 24) == rgb(kBlack) && canvas.At(x, 12) == rgb(kBlack);
	EXPECT_TRUE(stem);
	// 'g' descends below the baseline.
	bool descends = false;
	for (int32 x = 10; x < 100; x++)
		descends |= canvas.At(x, 28) != rgb(kWhite);
	EXPECT_TRUE(descends);

	// Malformed UTF-8 and text far off the buffer draw safely.
	canvas.painter.DrawString("\xe2\x82", 2, BPoint(-1e6f, 1e6f), font, kBlack);
	canvas.painter.DrawString("\xff\xc3", 2, BPoint(50, 30), font, kBlack);
}

TEST(Painter, ScaledBitmapLandsOnWholePixels)
{
	// Four colours, 2 x 2, into a 4 x 4 rect: 2 x 2 blocks, nothing outside.
	const uint32 colours[4] = {rgb(kRed), rgb(kGreen), rgb(kBlue), rgb(kYellow)};
	BBitmap* bitmap = make_bitmap(2, 2, [&](int32 x, int32 y) { return colours[y * 2 + x]; });
	Canvas canvas(20, 20);
	ASSERT_EQ(canvas.painter.DrawBitmap(bitmap, bitmap->Bounds(), BRect(10, 10, 13, 13)), B_OK);
	for (int32 y = 9; y <= 14; y++) {
		for (int32 x = 9; x <= 14; x++) {
			uint32 expected = rgb(kWhite);
			if (x >= 10 && x <= 13 && y >= 10 && y <= 13)
				expected = colours[(y - 10) / 2 * 2 + (x - 10) / 2];
			EXPECT_EQ(canvas.At(x, y), expected) << x << "," << y;
		}
	}
	EXPECT_EQ(canvas.Count(rgb(kWhite)), 400 - 16);

	// Unscaled, from a source rect, at fractional places that round.
	Canvas copy(8, 8);
	copy.painter.DrawBitmap(bitmap, BRect(1, 0, 1, 1), BRect(2.4f, 3.4f, 2.4f, 4.4f));
	EXPECT_EQ(copy.At(2, 3), rgb(kGreen));
	EXPECT_EQ(copy.At(2, 4), rgb(kYellow));
	EXPECT_EQ(copy.Count(rgb(kWhite)), 64 - 2);

	// A zero-width destination is one column; an invalid one draws nothing.
	Canvas thin(8, 8);
	thin.painter.DrawBitmap(bitmap, bitmap->Bounds(), BRect(3, 0, 3, 7));
	EXPECT_EQ(thin.Count(rgb(kWhite)), 64 - 8);
	thin.painter.DrawBitmap(bitmap, bitmap->Bounds(), BRect(5, 0, 4, 7));
	EXPECT_EQ(thin.Count(rgb(kWhite)), 64 - 8);

	// A source rect reaching past the bitmap only draws where the bitmap is.
	Canvas past(8, 8);
	past.painter.DrawBitmap(bitmap, BRect(0, 0, 3, 3), BRect(0, 0, 3, 3));
	EXPECT_EQ(past.At(1, 1), rgb(kYellow));
	EXPECT_EQ(past.At(2, 2), rgb(kWhite));
	EXPECT_EQ(past.Count(rgb(kWhite)), 64 - 4);
	delete bitmap;
}

// A magnified picture scrolled far from its left-top edge puts the window
// tens of thousands of pixels into the destination rect; the pixels must
// still come from the right place (and not turn black), also at extreme
// magnifications where one source pixel covers the whole window.
TEST(Painter, FarIntoAHugeMagnificationStillSamplesTheRightPixels)
{
	// Columns alternate red and blue, rows are uniform.
	BBitmap* bitmap = make_bitmap(6000, 4, [&](int32 x, int32) {
		return x % 2 == 0 ? rgb(kRed) : rgb(kBlue);
	});
	for (double scale : {10.0, 100.0, 1000.0, 159000.0}) {
		Canvas canvas(16, 4);
		// Source column 5001 (blue) starts at canvas x 0.
		double left = -5001 * scale;
		BRect destination(left, 0, left + 6000 * scale - 1, 4 * scale - 1);
		ASSERT_EQ(canvas.painter.DrawBitmap(bitmap, bitmap->Bounds(), destination), B_OK);
		int32 wholeColumn = int32(std::min(scale, 16.0));
		for (int32 x = 0; x < wholeColumn; x++)
			EXPECT_EQ(canvas.At(x, 2), rgb(kBlue)) << "scale " << scale << " x " << x;
		if (scale < 16) {
			EXPECT_EQ(canvas.At(int32(scale), 2), rgb(kRed)) << "scale " << scale;
		}
	}
	delete bitmap;
}

TEST(Painter, StrongReductionAveragesInsteadOfAliasing)
{
	// One-pixel black and white stripes, shrunk four times: mid-grey.
	BBitmap* stripes =
	    make_bitmap(256, 64, [](int32 x, int32) { return x % 2 ? 0xffffffu : 0x000000u; });
	Canvas canvas(64, 16);
	ASSERT_EQ(canvas.painter.DrawBitmap(stripes, stripes->Bounds(), BRect(0, 0, 63, 15)), B_OK);
	for (int32 y = 0; y < 16; y++)
		for (int32 x = 0; x < 64; x++)
			ASSERT_NEAR(channel(canvas.At(x, y), 8), 128, 3) << x << "," << y;

	// A 3:1 reduction that the half-size levels cannot hit exactly is grey too.
	Canvas third(85, 10);
	third.painter.DrawBitmap(stripes, BRect(0, 0, 254, 29), BRect(0, 0, 84, 9));
	for (int32 x = 1; x < 84; x++)
		ASSERT_NEAR(channel(third.At(x, 5), 0), 128, 40) << x;

	// Magnification keeps hard pixel edges.
	Canvas big(40, 4);
	big.painter.DrawBitmap(stripes, BRect(0, 0, 3, 0), BRect(0, 0, 39, 3));
	EXPECT_EQ(big.At(9, 0), 0x000000u);
	EXPECT_EQ(big.At(10, 0), 0xffffffu);
	delete stripes;
}

TEST(Painter, AlphaBitmapsCompositeOver)
{
	// Not premultiplied: a fully transparent pixel with colour bits shows nothing.
	BBitmap* bitmap = make_bitmap(
	    3, 1,
	    [](int32 x, int32) {
		    const uint32 pixels[3] = {0x80ff0000u, 0x00ff00ffu, 0xff0000ffu};
		    return pixels[x];
	    },
	    B_RGBA32);
	Canvas canvas(3, 1);
	ASSERT_EQ(canvas.painter.DrawBitmap(bitmap, bitmap->Bounds(), BRect(0, 0, 2, 0)), B_OK);
	EXPECT_EQ(channel(canvas.At(0, 0), 16), 255);
	EXPECT_NEAR(channel(canvas.At(0, 0), 8), 127, 1);
	EXPECT_NEAR(channel(canvas.At(0, 0), 0), 127, 1);
	EXPECT_EQ(canvas.At(1, 0), rgb(kWhite));
	EXPECT_EQ(canvas.At(2, 0), rgb(kBlue));
	delete bitmap;
}

TEST(Painter, OtherColourSpaces)
{
	BBitmap gray(BRect(0, 0, 1, 0), B_GRAY8);
	static_cast<uint8*>(gray.Bits())[0] = 0x40;
	static_cast<uint8*>(gray.Bits())[1] = 0xc0;
	Canvas canvas(2, 1);
	ASSERT_EQ(canvas.painter.DrawBitmap(&gray, gray.Bounds(), BRect(0, 0, 1, 0)), B_OK);
	EXPECT_EQ(canvas.At(0, 0), 0x404040u);
	EXPECT_EQ(canvas.At(1, 0), 0xc0c0c0u);

	BBitmap rgb24(BRect(0, 0, 1, 0), B_RGB24);
	const uint8 bgr[6] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
	memcpy(rgb24.Bits(), bgr, 6);
	ASSERT_EQ(canvas.painter.DrawBitmap(&rgb24, rgb24.Bounds(), BRect(0, 0, 1, 0)), B_OK);
	EXPECT_EQ(canvas.At(0, 0), 0x302010u);
	EXPECT_EQ(canvas.At(1, 0), 0x605040u);

	EXPECT_EQ(canvas.painter.DrawBitmap(NULL, BRect(0, 0, 1, 0), BRect(0, 0, 1, 0)), B_BAD_VALUE);
}

// Colour-mapped bitmaps (the classic icons) go through the Be system palette;
// the magic index B_TRANSPARENT_MAGIC_CMAP8 leaves what is beneath.
TEST(Painter, Cmap8ThroughTheSystemPalette)
{
	BBitmap icon(BRect(0, 0, 5, 0), B_CMAP8);
	// Black, a grey, white, the first blue, the first red, the magic index.
	const uint8 indices[6] = {0, 16, 63, 32, 42, B_TRANSPARENT_MAGIC_CMAP8};
	memcpy(icon.Bits(), indices, sizeof(indices));
	Canvas canvas(12, 2);
	canvas.painter.FillRect(BRect(0, 0, 11, 1), kGreen);
	ASSERT_EQ(canvas.painter.DrawBitmap(&icon, icon.Bounds(), BRect(0, 0, 5, 0)), B_OK);
	EXPECT_EQ(canvas.At(0, 0), 0x000000u);
	EXPECT_EQ(canvas.At(1, 0), 0x808080u);
	EXPECT_EQ(canvas.At(2, 0), 0xffffffu);
	EXPECT_EQ(canvas.At(3, 0), 0x0000ffu);
	EXPECT_EQ(canvas.At(4, 0), 0xff0000u);
	EXPECT_EQ(canvas.At(5, 0), rgb(kGreen));

	// Magnified twice: every pixel a 2 x 2 block, the hole too.
	ASSERT_EQ(canvas.painter.DrawBitmap(&icon, icon.Bounds(), BRect(0, 0, 11, 1)), B_OK);
	EXPECT_EQ(canvas.At(5, 1), 0xffffffu);
	EXPECT_EQ(canvas.At(9, 1), 0xff0000u);
	EXPECT_EQ(canvas.At(10, 0), rgb(kGreen));
	EXPECT_EQ(canvas.At(11, 1), rgb(kGreen));

	// Without the magic index the bitmap is opaque through and through.
	BBitmap solid(BRect(0, 0, 1, 1), B_CMAP8);
	memset(solid.Bits(), 32, solid.BitsLength());
	ASSERT_EQ(canvas.painter.DrawBitmap(&solid, solid.Bounds(), BRect(0, 0, 1, 1)), B_OK);
	EXPECT_EQ(canvas.At(1, 1), 0x0000ffu);

	// Cleared to white means the palette's white.
	BBitmap cleared(BRect(0, 0, 3, 3), B_BITMAP_CLEAR_TO_WHITE, B_CMAP8);
	ASSERT_EQ(cleared.InitCheck(), B_OK);
	ASSERT_EQ(canvas.painter.DrawBitmap(&cleared, cleared.Bounds(), BRect(0, 0, 3, 1)), B_OK);
	EXPECT_EQ(canvas.At(3, 1), 0xffffffu);
}

TEST(Painter, ChangedBitsAreRedrawnAfterTheHook)
{
	BBitmap* bitmap = make_bitmap(64, 64, [](int32, int32) { return 0xff0000u; });
	Canvas canvas(16, 16);
	canvas.painter.DrawBitmap(bitmap, bitmap->Bounds(), BRect(0, 0, 15, 15));
	EXPECT_EQ(canvas.At(8, 8), rgb(kRed));
	EXPECT_GT(BPrivate::BitmapCache::CachedBytes(), 0u);

	uint32* bits = static_cast<uint32*>(bitmap->Bits());
	for (int32 i = 0; i < 64 * 64; i++)
		bits[i] = 0x0000ff;
	BPrivate::bitmap_bits_changed(bitmap);
	canvas.painter.DrawBitmap(bitmap, bitmap->Bounds(), BRect(0, 0, 15, 15));
	EXPECT_EQ(canvas.At(8, 8), rgb(kBlue));
	delete bitmap;
}
