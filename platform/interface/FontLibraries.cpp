// FreeType and fontconfig are opened by the first text drawn or measured
// rather than linked: a window that shows a picture draws no text until its
// menu is opened, and the two libraries (with expat and brotli, which they
// pull in) are five libraries whose loading every start-up paid, some 60
// microseconds each. The font code calls them by their own names; the
// definitions below stand in for them inside libplatform.so (hidden, so that
// no other module binds to them) and forward to the real functions.
//
// Without the libraries every call fails the way they report failure: an
// error code, FcFalse, no pattern or no match. The font code then has no
// usable fonts, and text is not drawn.

#include "support/LibrarySet.h"

// The headers declare the functions exported; these stand-ins are not.
// FreeType's public macros carry no guard, so its declaring macro is
// replaced once they are in.
#include <ft2build.h>
#include FT_CONFIG_CONFIG_H
#undef FT_EXPORT
#define FT_EXPORT(x) extern x
#include FT_FREETYPE_H

#include <fontconfig/fontconfig.h>

namespace {

enum Library { kFreeType, kFontconfig, kLibraryCount };

// The sonames of FreeType 2 and fontconfig 1, the interfaces the headers
// describe.
const char* const kLibraryNames[kLibraryCount] = {"libfreetype.so.6", "libfontconfig.so.1"};

// Constant-initialised, so that it is ready before any static initialiser.
constinit BPrivate::LibrarySet sLibraries(kLibraryNames);

} // namespace

#define PL_FONT_REAL(library, name) PL_LIBRARY_REAL(sLibraries, library, name)

extern "C" {
#pragma GCC visibility push(hidden)

// FreeType

FT_Error FT_Init_FreeType(FT_Library* library)
{
	PL_FONT_REAL(kFreeType, FT_Init_FreeType);
	if (real != nullptr)
		return real(library);
	*library = nullptr;
	return FT_Err_Cannot_Open_Resource;
}

FT_Error FT_New_Face(FT_Library library, const char* path, FT_Long index, FT_Face* face)
{
	PL_FONT_REAL(kFreeType, FT_New_Face);
	if (real != nullptr)
		return real(library, path, index, face);
	*face = nullptr;
	return FT_Err_Cannot_Open_Resource;
}

FT_Error FT_Done_Face(FT_Face face)
{
	PL_FONT_REAL(kFreeType, FT_Done_Face);
	return real != nullptr ? real(face) : FT_Err_Invalid_Face_Handle;
}

FT_UInt FT_Get_Char_Index(FT_Face face, FT_ULong code)
{
	PL_FONT_REAL(kFreeType, FT_Get_Char_Index);
	return real != nullptr ? real(face, code) : 0;
}

FT_Error FT_Load_Glyph(FT_Face face, FT_UInt glyph, FT_Int32 flags)
{
	PL_FONT_REAL(kFreeType, FT_Load_Glyph);
	return real != nullptr ? real(face, glyph, flags) : FT_Err_Invalid_Face_Handle;
}

FT_Error FT_Get_Kerning(FT_Face face, FT_UInt left, FT_UInt right, FT_UInt mode,
                        FT_Vector* kerning)
{
	PL_FONT_REAL(kFreeType, FT_Get_Kerning);
	if (real != nullptr)
		return real(face, left, right, mode, kerning);
	kerning->x = kerning->y = 0;
	return FT_Err_Invalid_Face_Handle;
}

FT_Error FT_Set_Char_Size(FT_Face face, FT_F26Dot6 width, FT_F26Dot6 height, FT_UInt horizontal,
                          FT_UInt vertical)
{
	PL_FONT_REAL(kFreeType, FT_Set_Char_Size);
	return real != nullptr ? real(face, width, height, horizontal, vertical)
	                       : FT_Err_Invalid_Face_Handle;
}

// fontconfig

FcBool FcInit(void)
{
	PL_FONT_REAL(kFontconfig, FcInit);
	return real != nullptr ? real() : FcFalse;
}

FcPattern* FcNameParse(const FcChar8* name)
{
	PL_FONT_REAL(kFontconfig, FcNameParse);
	return real != nullptr ? real(name) : nullptr;
}

FcPattern* FcPatternCreate(void)
{
	PL_FONT_REAL(kFontconfig, FcPatternCreate);
	return real != nullptr ? real() : nullptr;
}

void FcPatternDestroy(FcPattern* pattern)
{
	PL_FONT_REAL(kFontconfig, FcPatternDestroy);
	if (real != nullptr)
		real(pattern);
}

FcBool FcPatternAddString(FcPattern* pattern, const char* object, const FcChar8* value)
{
	PL_FONT_REAL(kFontconfig, FcPatternAddString);
	return real != nullptr ? real(pattern, object, value) : FcFalse;
}

FcBool FcPatternAddInteger(FcPattern* pattern, const char* object, int value)
{
	PL_FONT_REAL(kFontconfig, FcPatternAddInteger);
	return real != nullptr ? real(pattern, object, value) : FcFalse;
}

FcResult FcPatternGetString(const FcPattern* pattern, const char* object, int n, FcChar8** value)
{
	PL_FONT_REAL(kFontconfig, FcPatternGetString);
	return real != nullptr ? real(pattern, object, n, value) : FcResultNoMatch;
}

FcResult FcPatternGetInteger(const FcPattern* pattern, const char* object, int n, int* value)
{
	PL_FONT_REAL(kFontconfig, FcPatternGetInteger);
	return real != nullptr ? real(pattern, object, n, value) : FcResultNoMatch;
}

FcBool FcConfigSubstitute(FcConfig* config, FcPattern* pattern, FcMatchKind kind)
{
	PL_FONT_REAL(kFontconfig, FcConfigSubstitute);
	return real != nullptr ? real(config, pattern, kind) : FcFalse;
}

void FcDefaultSubstitute(FcPattern* pattern)
{
	PL_FONT_REAL(kFontconfig, FcDefaultSubstitute);
	if (real != nullptr)
		real(pattern);
}

FcPattern* FcFontMatch(FcConfig* config, FcPattern* pattern, FcResult* result)
{
	PL_FONT_REAL(kFontconfig, FcFontMatch);
	if (real != nullptr)
		return real(config, pattern, result);
	*result = FcResultNoMatch;
	return nullptr;
}

#pragma GCC visibility pop
}
