#ifndef _FONT_H
#define _FONT_H

#include <GraphicsDefs.h>
#include <SupportDefs.h>

namespace BPrivate {
class FontFile;
class FontPrivate;
} // namespace BPrivate

#define B_FONT_FAMILY_LENGTH 63
#define B_FONT_STYLE_LENGTH 63
typedef char font_family[B_FONT_FAMILY_LENGTH + 1];
typedef char font_style[B_FONT_STYLE_LENGTH + 1];

// Which properties SetFont() copies.
enum {
	B_FONT_FAMILY_AND_STYLE = 0x00000001,
	B_FONT_SIZE = 0x00000002,
	B_FONT_SHEAR = 0x00000004,
	B_FONT_ROTATION = 0x00000008,
	B_FONT_SPACING = 0x00000010,
	B_FONT_ENCODING = 0x00000020,
	B_FONT_FACE = 0x00000040,
	B_FONT_FLAGS = 0x00000080,
	B_FONT_FALSE_BOLD_WIDTH = 0x00000100,
	B_FONT_ALL = 0x000001FF
};

enum {
	B_ITALIC_FACE = 0x0001,
	B_UNDERSCORE_FACE = 0x0002,
	B_NEGATIVE_FACE = 0x0004,
	B_OUTLINED_FACE = 0x0008,
	B_STRIKEOUT_FACE = 0x0010,
	B_BOLD_FACE = 0x0020,
	B_REGULAR_FACE = 0x0040
};

enum { B_CHAR_SPACING = 0, B_STRING_SPACING = 1, B_BITMAP_SPACING = 2, B_FIXED_SPACING = 3 };

// Distances from the baseline in pixels, unrounded: the line height is
// ascent + descent + leading.
struct font_height {
	float ascent;
	float descent;
	float leading;
};

struct escapement_delta {
	float nonspace;
	float space;
};

// A font family, style and size. A point is a pixel (72 dpi). Faces are
// resolved through fontconfig when they are first measured or drawn.
class BFont {
public:
	// A copy of be_plain_font.
	BFont();
	BFont(const BFont& font);
	BFont(const BFont* font);

	// B_NAME_NOT_FOUND when no installed font has that family (or style).
	status_t SetFamilyAndStyle(const font_family family, const font_style style);
	status_t SetFamilyAndFace(const font_family family, uint16 face);
	void GetFamilyAndStyle(font_family* family, font_style* style) const;

	// Sizes are clamped to 0 .. 10000.
	void SetSize(float size);
	float Size() const { return fSize; }
	void SetFace(uint16 face);
	uint16 Face() const;
	void SetSpacing(uint8 spacing) { fSpacing = spacing; }
	uint8 Spacing() const { return fSpacing; }

	// Pixels, unhinted advances with kerning. A malformed UTF-8 byte counts as
	// one replacement character.
	float StringWidth(const char* string) const;
	float StringWidth(const char* string, int32 length) const;
	void GetStringWidths(const char* stringArray[], const int32 lengthArray[], int32 numStrings,
	                     float widthArray[]) const;
	void GetHeight(font_height* height) const;
	bool IsFixed() const;

	BFont& operator=(const BFont& font);
	bool operator==(const BFont& font) const;
	bool operator!=(const BFont& font) const { return !(*this == font); }

	void PrintToStream() const;

private:
	friend class BPrivate::FontPrivate;

	// The global fonts are built before any code runs; their faces load on first use.
	constexpr BFont(int32 defaultFont, float size)
	    : fFile(NULL), fDefaultFont(defaultFont), fSize(size), fFace(0), fSpacing(B_CHAR_SPACING)
	{
	}

	BPrivate::FontFile* _File() const;

	BPrivate::FontFile* fFile; // NULL: one of the global fonts, chosen by fDefaultFont
	int32 fDefaultFont;
	float fSize;
	uint16 fFace; // 0: the file's own face
	uint8 fSpacing;
};

extern const BFont* be_plain_font;
extern const BFont* be_bold_font;
extern const BFont* be_fixed_font;

#endif
