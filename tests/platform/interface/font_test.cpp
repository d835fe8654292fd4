#include <Font.h>

#include <atomic>
#include <math.h>
#include <string.h>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "LoadedLibraries.h"

// First in this process: a program that shows a picture and no text loads
// neither FreeType nor fontconfig.
TEST(FontLibraries, LoadedByTheFirstTextMeasured)
{
	EXPECT_FALSE(is_loaded("libfreetype.so")) << "loaded at start-up";
	EXPECT_FALSE(is_loaded("libfontconfig.so")) << "loaded at start-up";
	BFont font(be_plain_font);
	font.SetSize(12);
	EXPECT_GT(font.StringWidth("Pelivant"), 20);
	EXPECT_TRUE(is_loaded("libfreetype.so"));
	EXPECT_TRUE(is_loaded("libfontconfig.so"));
}

TEST(Font, GlobalFontsResolveToInstalledFaces)
{
	ASSERT_NE(be_plain_font, nullptr);
	ASSERT_NE(be_bold_font, nullptr);
	ASSERT_NE(be_fixed_font, nullptr);
	font_family family;
	font_style style;
	be_plain_font->GetFamilyAndStyle(&family, &style);
	EXPECT_STREQ(family, "DejaVu Sans");
	be_bold_font->GetFamilyAndStyle(&family, &style);
	EXPECT_STREQ(style, "Bold");
	EXPECT_TRUE(be_bold_font->Face() & B_BOLD_FACE);
	EXPECT_TRUE(be_fixed_font->IsFixed());
	EXPECT_FALSE(be_plain_font->IsFixed());
	EXPECT_EQ(BFont(), *be_plain_font);
	EXPECT_NE(*be_bold_font, *be_plain_font);
}

TEST(Font, HeightIsUnroundedAndScalesWithSize)
{
	BFont font(be_plain_font);
	font.SetSize(12);
	font_height height;
	font.GetHeight(&height);
	EXPECT_GT(height.ascent, height.descent);
	EXPECT_GT(height.descent, 0);
	EXPECT_GE(height.leading, 0);
	// DejaVu Sans: 11.14 above, 2.83 below at 12 pixels; a rounded metric would be whole.
	EXPECT_NEAR(height.ascent, 11.14, 0.05);
	EXPECT_NEAR(height.descent, 2.83, 0.05);

	font.SetSize(24);
	font_height doubled;
	font.GetHeight(&doubled);
	EXPECT_NEAR(doubled.ascent, 2 * height.ascent, 0.001);

	font.SetSize(-5);
	EXPECT_EQ(font.Size(), 0);
	font.GetHeight(&height);
	EXPECT_EQ(height.ascent, 0);
	EXPECT_EQ(font.StringWidth("abc"), 0);
}

TEST(Font, StringWidths)
{
	BFont font(be_plain_font);
	font.SetSize(12);
	EXPECT_GT(font.StringWidth("WW"), font.StringWidth("ii"));
	EXPECT_EQ(font.StringWidth(""), 0);
	EXPECT_EQ(font.StringWidth(NULL), 0);
	EXPECT_EQ(font.StringWidth("abc", 0), 0);
	EXPECT_EQ(font.StringWidth("abc", -3), 0);

	// Unhinted advances are fractional and add up where there is no kerning pair.
	float x = font.StringWidth("x");
	EXPECT_NE(x, floorf(x));
	EXPECT_NEAR(font.StringWidth("xxxx"), 4 * x, 0.001);
	EXPECT_NEAR(font.StringWidth("ab"), font.StringWidth("a") + font.StringWidth("b"), 0.001);
	// A kerning pair pulls the glyphs together.
	EXPECT_LT(font.StringWidth("AV"), font.StringWidth("A") + font.StringWidth("V"));
	// The length counts bytes and stops at a NUL.
	EXPECT_FLOAT_EQ(font.StringWidth("xxxxyz", 4), 4 * x);
	EXPECT_FLOAT_EQ(font.StringWidth("xx\0yy", 5), 2 * x);

	BFont fixed(be_fixed_font);
	EXPECT_FLOAT_EQ(fixed.StringWidth("iiii"), fixed.StringWidth("WWWW"));
	font.SetSize(24);
	EXPECT_NEAR(font.StringWidth("xxxx"), 8 * x, 0.001);
}

TEST(Font, Utf8AndMalformedBytes)
{
	BFont font(be_plain_font);
	// é is one character of two bytes.
	EXPECT_NEAR(font.StringWidth("\xc3\xa9"), font.StringWidth("\xc3\xa9", 2), 0.0001);
	EXPECT_GT(font.StringWidth("\xc3\xa9"), 0);
	EXPECT_LT(font.StringWidth("\xc3\xa9"), 2 * font.StringWidth("e") + 1);

	float replacement = font.StringWidth("\xef\xbf\xbd");
	EXPECT_GT(replacement, 0);
	// A truncated sequence at the end of the given length must not read past it.
	char truncated[3] = {'a', '\xe2', '\x82'};
	std::vector<char> exact(truncated, truncated + 3);
	float width = font.StringWidth(exact.data(), 3);
	EXPECT_NEAR(width, font.StringWidth("a") + 2 * replacement, 0.001);
	// Stray continuation bytes, overlong forms and surrogates count one each.
	EXPECT_NEAR(font.StringWidth("\x80\x80"), 2 * replacement, 0.001);
	EXPECT_NEAR(font.StringWidth("\xc0\xaf"), 2 * replacement, 0.001);
	EXPECT_NEAR(font.StringWidth("\xed\xa0\x80"), 3 * replacement, 0.001);
	EXPECT_NEAR(font.StringWidth("\xf5\x80"), 2 * replacement, 0.001);
}

TEST(Font, FamilyAndStyleLookup)
{
	BFont font;
	EXPECT_EQ(font.SetFamilyAndStyle("DejaVu Sans Mono", "Bold"), B_OK);
	EXPECT_TRUE(font.IsFixed());
	EXPECT_TRUE(font.Face() & B_BOLD_FACE);
	EXPECT_EQ(font.SetFamilyAndStyle("No Such Family 1234", NULL), B_NAME_NOT_FOUND);
	EXPECT_EQ(font.SetFamilyAndStyle("DejaVu Sans", "No Such Style"), B_NAME_NOT_FOUND);
	font_family family;
	font.GetFamilyAndStyle(&family, NULL);
	EXPECT_STREQ(family, "DejaVu Sans Mono"); // unchanged by the failures

	font = *be_plain_font;
	font.SetFace(B_BOLD_FACE);
	EXPECT_EQ(font.StringWidth("Hello"), be_bold_font->StringWidth("Hello"));
}

TEST(Font, ConcurrentMeasuringAgrees)
{
	BFont font(be_plain_font);
	font.SetSize(17);
	const char* text = "The quick brown fox jumps over the lazy dog \xc3\xa9\xe2\x82\xac";
	float expected = font.StringWidth(text);
	std::vector<std::thread> threads;
	std::atomic<int> mismatches{0};
	for (int t = 0; t < 4; t++)
		threads.emplace_back([&, t] {
			BFont own(be_plain_font);
			own.SetSize(17 + t); // new glyph sizes while others measure
			for (int i = 0; i < 200; i++)
				if (font.StringWidth(text) != expected)
					mismatches++;
		});
	for (auto& thread : threads)
		thread.join();
	EXPECT_EQ(mismatches, 0);
}
