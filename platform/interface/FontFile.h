#ifndef _FONT_FILE_H
#define _FONT_FILE_H

#include <Font.h>

#include <math.h>

#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace BPrivate {

// One font file (a FreeType face) shared by every BFont that uses it, with the
// process-wide caches of its glyphs. Files are never unloaded, so a BFont can
// hold a bare pointer. Window threads measure and draw concurrently: every call
// takes fLock, which guards the FreeType face and the caches.
class FontFile {
public:
	// One of the global fonts; the first call runs fontconfig. Never NULL: when
	// nothing matches, the file is empty (no glyphs, zero metrics).
	static FontFile* Default(int32 which);
	// B_NAME_NOT_FOUND when the installed fonts have no such family or style.
	static status_t Find(const char* family, const char* style, FontFile** file);
	// The installed file of |family| closest to |face| (B_BOLD_FACE, B_ITALIC_FACE).
	static status_t FindFace(const char* family, uint16 face, FontFile** file);

	const char* Family() const { return fFamily.c_str(); }
	const char* Style() const { return fStyle.c_str(); }
	uint16 Face() const { return fFaceFlags; }
	bool IsFixed() const { return fFixed; }

	void GetHeight(float size, font_height* height) const;
	float StringWidth(float size, const char* string, int32 length);

	// A glyph's coverage, to composite with the text colour. |left|/|top| place
	// its left-top relative to the pen on the baseline (y grows down).
	struct Mask {
		int32 left;
		int32 top;
		int32 width;
		int32 height;
		int32 stride; // a multiple of 4, as pixman's a8 images need
		std::vector<uint8> bits;
	};

	// Lays out |string| from |x| on the baseline |y| and calls draw(mask, x, y)
	// for every visible glyph with the mask's left-top in whole pixels, with
	// fLock held. Returns the pen's x after the string.
	template <typename Draw>
	float Render(float size, const char* string, int32 length, float x, float y, Draw&& draw);

private:
	FontFile(const std::string& path, int index, const std::string& family,
	         const std::string& style);

	struct Glyph {
		uint32 index;
		int32 advance; // font units, unhinted
	};
	const Glyph& _Glyph(uint32 codePoint);
	int32 _Kerning(uint32 left, uint32 right);
	const Mask* _Mask(float size, uint32 glyphIndex);
	static FontFile* _Register(const std::string& path, int index, const std::string& family,
	                           const std::string& style);

	// Fixed after construction.
	std::string fPath;
	std::string fFamily;
	std::string fStyle;
	uint16 fFaceFlags;
	bool fFixed;
	float fUnitsPerEm;
	float fAscender; // font units
	float fDescender;
	float fLineHeight;
	bool fHasKerning;

	std::mutex fLock;
	FT_Face fFace;                             // guarded by fLock; NULL when the file did not load
	std::unordered_map<uint32, Glyph> fGlyphs; // guarded by fLock
	std::map<int32, std::unordered_map<uint32, Mask>> fMasks; // guarded by fLock; key: 26.6 size
	float fMaskSize;                                          // guarded by fLock

public:
	static uint32 DecodeUTF8(const char* string, int32 length, int32* position);
	static const uint32 kReplacementCharacter = 0xfffd;
};

template <typename Draw>
float FontFile::Render(float size, const char* string, int32 length, float x, float y, Draw&& draw)
{
	std::lock_guard<std::mutex> lock(fLock);
	if (fFace == NULL || string == NULL || length <= 0 || !(size > 0))
		return x;
	float scale = size / fUnitsPerEm;
	int32 pen = 0; // font units from |x|
	uint32 previous = 0;
	int32 position = 0;
	int32 baseline = static_cast<int32>(floorf(y + 0.5f));
	while (position < length) {
		uint32 codePoint = DecodeUTF8(string, length, &position);
		const Glyph& glyph = _Glyph(codePoint);
		if (previous != 0)
			pen += _Kerning(previous, glyph.index);
		const Mask* mask = _Mask(size, glyph.index);
		if (mask != NULL && mask->width > 0 && mask->height > 0) {
			int32 left = static_cast<int32>(floorf(x + pen * scale + 0.5f)) + mask->left;
			draw(*mask, left, baseline - mask->top);
		}
		pen += glyph.advance;
		previous = glyph.index;
	}
	return x + pen * scale;
}

} // namespace BPrivate

#endif
