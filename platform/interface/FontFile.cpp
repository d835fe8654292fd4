#include "interface/FontFile.h"

#include <fontconfig/fontconfig.h>
#include <memory>
#include <string.h>
#include <strings.h>

namespace BPrivate {

// Guards the FreeType library (face creation) and fontconfig, and the registry.
static std::mutex sLibraryLock;
static FT_Library sLibrary;                                     // guarded by sLibraryLock
static std::map<std::string, std::unique_ptr<FontFile>> sFiles; // guarded by sLibraryLock

// Caps the glyph masks kept per file; text at many sizes (a zoomed label)
// would otherwise grow without bound.
static const size_t kMaxMaskSizes = 24;

uint32 FontFile::DecodeUTF8(const char* string, int32 length, int32* position)
{
	const uint8* bytes = reinterpret_cast<const uint8*>(string);
	int32 i = *position;
	uint8 lead = bytes[i];
	if (lead < 0x80) {
		*position = i + 1;
		return lead;
	}
	int32 count;
	uint32 codePoint;
	uint8 low = 0x80, high = 0xbf; // the range of the second byte
	if (lead >= 0xc2 && lead <= 0xdf) {
		count = 2;
		codePoint = lead & 0x1f;
	} else if (lead >= 0xe0 && lead <= 0xef) {
		count = 3;
		codePoint = lead & 0x0f;
		if (lead == 0xe0)
			low = 0xa0; // overlong
		else if (lead == 0xed)
			high = 0x9f; // surrogates
	} else if (lead >= 0xf0 && lead <= 0xf4) {
		count = 4;
		codePoint = lead & 0x07;
		if (lead == 0xf0)
			low = 0x90;
		else if (lead == 0xf4)
			high = 0x8f; // beyond U+10FFFF
	} else {
		*position = i + 1;
		return kReplacementCharacter;
	}
	if (length - i < count) {
		*position = i + 1;
		return kReplacementCharacter;
	}
	for (int32 k = 1; k < count; k++) {
		uint8 byte = bytes[i + k];
		if (k == 1 ? (byte < low || byte > high) : (byte & 0xc0) != 0x80) {
			*position = i + 1;
			return kReplacementCharacter;
		}
		codePoint = (codePoint << 6) | (byte & 0x3f);
	}
	*position = i + count;
	return codePoint;
}

// Runs a fontconfig match; false when nothing usable is installed.
static bool match_font(FcPattern* pattern, std::string* path, int* index, std::string* family,
                       std::string* style)
{
	FcConfigSubstitute(NULL, pattern, FcMatchPattern);
	FcDefaultSubstitute(pattern);
	FcResult result;
	FcPattern* match = FcFontMatch(NULL, pattern, &result);
	if (match == NULL)
		return false;
	FcChar8* file = NULL;
	FcChar8* familyName = NULL;
	FcChar8* styleName = NULL;
	bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
	if (found) {
		*path = reinterpret_cast<const char*>(file);
		if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch)
			*index = 0;
		if (FcPatternGetString(match, FC_FAMILY, 0, &familyName) == FcResultMatch)
			*family = reinterpret_cast<const char*>(familyName);
		if (FcPatternGetString(match, FC_STYLE, 0, &styleName) == FcResultMatch)
			*style = reinterpret_cast<const char*>(styleName);
	}
	FcPatternDestroy(match);
	return found;
}

FontFile::FontFile(const std::string& path, int index, const std::string& family,
                   const std::string& style)
    : fPath(path), fFamily(family), fStyle(style), fFaceFlags(B_REGULAR_FACE),
      fFixed(false), fUnitsPerEm(1), fAscender(0), fDescender(0), fLineHeight(0),
      fHasKerning(false), fFace(NULL), fMaskSize(0)
{
	// Called with sLibraryLock held.
	if (path.empty() || sLibrary == NULL)
		return;
	if (FT_New_Face(sLibrary, path.c_str(), index, &fFace) != 0) {
		fFace = NULL;
		return;
	}
	if (fFace->units_per_EM == 0 || !FT_IS_SCALABLE(fFace)) {
		FT_Done_Face(fFace);
		fFace = NULL;
		return;
	}
	fUnitsPerEm = fFace->units_per_EM;
	fAscender = fFace->ascender;
	fDescender = -fFace->descender;
	fLineHeight = fFace->height;
	fHasKerning = FT_HAS_KERNING(fFace);
	fFixed = FT_IS_FIXED_WIDTH(fFace);
	if (fFace->style_flags & FT_STYLE_FLAG_BOLD)
		fFaceFlags = B_BOLD_FACE;
	if (fFace->style_flags & FT_STYLE_FLAG_ITALIC)
		fFaceFlags = (fFaceFlags & B_BOLD_FACE) | B_ITALIC_FACE;
}

FontFile* FontFile::_Register(const std::string& path, int index, const std::string& family,
                              const std::string& style)
{
	// Called with sLibraryLock held.
	std::string key = path + '\n' + std::to_string(index);
	auto found = sFiles.find(key);
	if (found != sFiles.end())
		return found->second.get();
	std::unique_ptr<FontFile> file(new (std::nothrow) FontFile(path, index, family, style));
	if (!file)
		return NULL;
	FontFile* result = file.get();
	sFiles.emplace(key, std::move(file));
	return result;
}

static bool init_libraries()
{
	// Called with sLibraryLock held.
	static bool sInitialized = false;
	static bool sUsable = false;
	if (!sInitialized) {
		sInitialized = true;
		sUsable = FcInit() && FT_Init_FreeType(&sLibrary) == 0;
		if (!sUsable)
			sLibrary = NULL;
	}
	return sUsable;
}

FontFile* FontFile::Default(int32 which)
{
	static const char* const kPatterns[] = {"sans", "sans:bold", "monospace"};
	static FontFile* sDefaults[3];
	static std::once_flag sOnce[3];
	if (which < 0 || which > 2)
		which = 0;
	std::call_once(sOnce[which], [which] {
		std::lock_guard<std::mutex> lock(sLibraryLock);
		std::string path, family, style;
		int index = 0;
		if (init_libraries()) {
			FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(kPatterns[which]));
			if (pattern != NULL) {
				if (!match_font(pattern, &path, &index, &family, &style))
					path.clear();
				FcPatternDestroy(pattern);
			}
		}
		// An empty path makes an empty file: the fonts stay usable, measuring zero.
		sDefaults[which] = _Register(path, index, family, style);
	});
	return sDefaults[which];
}

static status_t find_file(const char* family, const char* style, int weight, int slant,
                          std::string* path, int* index, std::string* foundFamily,
                          std::string* foundStyle)
{
	if (family == NULL || family[0] == '\0')
		return B_BAD_VALUE;
	if (!init_libraries())
		return B_NAME_NOT_FOUND;
	FcPattern* pattern = FcPatternCreate();
	if (pattern == NULL)
		return B_NO_MEMORY;
	FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
	if (style != NULL && style[0] != '\0')
		FcPatternAddString(pattern, FC_STYLE, reinterpret_cast<const FcChar8*>(style));
	if (weight >= 0)
		FcPatternAddInteger(pattern, FC_WEIGHT, weight);
	if (slant >= 0)
		FcPatternAddInteger(pattern, FC_SLANT, slant);
	bool found = match_font(pattern, path, index, foundFamily, foundStyle);
	FcPatternDestroy(pattern);
	// fontconfig always offers something; only the family (and the style when
	// one was asked for) by name counts as found.
	if (!found || strcasecmp(foundFamily->c_str(), family) != 0)
		return B_NAME_NOT_FOUND;
	if (style != NULL && style[0] != '\0' && strcasecmp(foundStyle->c_str(), style) != 0)
		return B_NAME_NOT_FOUND;
	return B_OK;
}

status_t FontFile::Find(const char* family, const char* style, FontFile** file)
{
	std::lock_guard<std::mutex> lock(sLibraryLock);
	std::string path, foundFamily, foundStyle;
	int index = 0;
	status_t status = find_file(family, style, -1, -1, &path, &index, &foundFamily, &foundStyle);
	if (status != B_OK)
		return status;
	FontFile* result = _Register(path, index, foundFamily, foundStyle);
	if (result == NULL)
		return B_NO_MEMORY;
	*file = result;
	return B_OK;
}

status_t FontFile::FindFace(const char* family, uint16 face, FontFile** file)
{
	std::lock_guard<std::mutex> lock(sLibraryLock);
	std::string path, foundFamily, foundStyle;
	int index = 0;
	int weight = (face & B_BOLD_FACE) != 0 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR;
	int slant = (face & B_ITALIC_FACE) != 0 ? FC_SLANT_ITALIC : FC_SLANT_ROMAN;
	status_t status =
	    find_file(family, NULL, weight, slant, &path, &index, &foundFamily, &foundStyle);
	if (status != B_OK)
		return status;
	FontFile* result = _Register(path, index, foundFamily, foundStyle);
	if (result == NULL)
		return B_NO_MEMORY;
	*file = result;
	return B_OK;
}

void FontFile::GetHeight(float size, font_height* height) const
{
	float scale = size / fUnitsPerEm;
	height->ascent = fAscender * scale;
	height->descent = fDescender * scale;
	float leading = (fLineHeight - fAscender - fDescender) * scale;
	height->leading = leading > 0 ? leading : 0;
}

const FontFile::Glyph& FontFile::_Glyph(uint32 codePoint)
{
	auto found = fGlyphs.find(codePoint);
	if (found != fGlyphs.end())
		return found->second;
	Glyph glyph = {FT_Get_Char_Index(fFace, codePoint), 0};
	if (glyph.index == 0 && codePoint != kReplacementCharacter)
		glyph.index = FT_Get_Char_Index(fFace, kReplacementCharacter);
	// Unscaled, unhinted advance: exact at every size.
	if (FT_Load_Glyph(fFace, glyph.index,
	                  FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0)
		glyph.advance = fFace->glyph->metrics.horiAdvance;
	return fGlyphs.emplace(codePoint, glyph).first->second;
}

int32 FontFile::_Kerning(uint32 left, uint32 right)
{
	if (!fHasKerning)
		return 0;
	FT_Vector delta;
	if (FT_Get_Kerning(fFace, left, right, FT_KERNING_UNSCALED, &delta) != 0)
		return 0;
	return delta.x;
}

float FontFile::StringWidth(float size, const char* string, int32 length)
{
	std::lock_guard<std::mutex> lock(fLock);
	if (fFace == NULL || string == NULL || length <= 0 || !(size > 0))
		return 0;
	int64 units = 0;
	uint32 previous = 0;
	int32 position = 0;
	while (position < length) {
		const Glyph& glyph = _Glyph(DecodeUTF8(string, length, &position));
		if (previous != 0)
			units += _Kerning(previous, glyph.index);
		units += glyph.advance;
		previous = glyph.index;
	}
	return units * (size / fUnitsPerEm);
}

const FontFile::Mask* FontFile::_Mask(float size, uint32 glyphIndex)
{
	int32 key = static_cast<int32>(size * 64 + 0.5f);
	if (key <= 0)
		return NULL;
	auto sizeMasks = fMasks.find(key);
	if (sizeMasks == fMasks.end()) {
		if (fMasks.size() >= kMaxMaskSizes)
			fMasks.clear();
		sizeMasks = fMasks.emplace(key, std::unordered_map<uint32, Mask>()).first;
	}
	auto found = sizeMasks->second.find(glyphIndex);
	if (found != sizeMasks->second.end())
		return &found->second;

	Mask mask = {0, 0, 0, 0, 0, {}};
	if (fMaskSize != key) {
		if (FT_Set_Char_Size(fFace, 0, key, 72, 72) != 0)
			return NULL;
		fMaskSize = key;
	}
	if (FT_Load_Glyph(fFace, glyphIndex, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) == 0) {
		const FT_Bitmap& bitmap = fFace->glyph->bitmap;
		if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.buffer != NULL) {
			mask.left = fFace->glyph->bitmap_left;
			mask.top = fFace->glyph->bitmap_top;
			mask.width = bitmap.width;
			mask.height = bitmap.rows;
			mask.stride = (mask.width + 3) & ~3;
			mask.bits.assign(static_cast<size_t>(mask.stride) * mask.height, 0);
			for (int32 row = 0; row < mask.height; row++) {
				const uint8* source = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
				memcpy(&mask.bits[static_cast<size_t>(row) * mask.stride], source, mask.width);
			}
		}
	}
	return &sizeMasks->second.emplace(glyphIndex, std::move(mask)).first->second;
}

} // namespace BPrivate
