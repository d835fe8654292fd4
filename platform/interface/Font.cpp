#include <Font.h>

#include <stdio.h>
#include <string.h>

#include "interface/FontFile.h"
#include "interface/FontPrivate.h"

using BPrivate::FontFile;
using BPrivate::FontPrivate;

// Constant-initialised: valid before any static constructor runs, with no
// display and no fontconfig until a face is first needed.
constinit const BFont FontPrivate::kPlain(BPrivate::kPlainFont, 12.0f);
constinit const BFont FontPrivate::kBold(BPrivate::kBoldFont, 12.0f);
constinit const BFont FontPrivate::kFixed(BPrivate::kFixedFont, 12.0f);

const BFont* be_plain_font = &FontPrivate::kPlain;
const BFont* be_bold_font = &FontPrivate::kBold;
const BFont* be_fixed_font = &FontPrivate::kFixed;

static const float kMaxFontSize = 10000.0f;

BFont::BFont()
    : fFile(NULL), fDefaultFont(BPrivate::kPlainFont), fSize(be_plain_font->fSize), fFace(0),
      fSpacing(B_CHAR_SPACING)
{
}

BFont::BFont(const BFont& font) = default;

BFont::BFont(const BFont* font) : BFont()
{
	if (font != NULL)
		*this = *font;
}

BFont& BFont::operator=(const BFont& font) = default;

FontFile* BFont::_File() const
{
	return fFile != NULL ? fFile : FontFile::Default(fDefaultFont);
}

status_t BFont::SetFamilyAndStyle(const font_family family, const font_style style)
{
	FontFile* file;
	status_t status = FontFile::Find(family, style, &file);
	if (status != B_OK)
		return status;
	fFile = file;
	fFace = 0;
	return B_OK;
}

status_t BFont::SetFamilyAndFace(const font_family family, uint16 face)
{
	FontFile* file;
	status_t status = FontFile::FindFace(family != NULL ? family : _File()->Family(), face, &file);
	if (status != B_OK)
		return status;
	fFile = file;
	fFace = face;
	return B_OK;
}

void BFont::SetFace(uint16 face)
{
	if (face == Face())
		return;
	font_family family;
	snprintf(family, sizeof(family), "%s", _File()->Family());
	SetFamilyAndFace(family, face);
}

uint16 BFont::Face() const
{
	return fFace != 0 ? fFace : _File()->Face();
}

void BFont::GetFamilyAndStyle(font_family* family, font_style* style) const
{
	FontFile* file = _File();
	if (family != NULL)
		snprintf(*family, sizeof(font_family), "%s", file->Family());
	if (style != NULL)
		snprintf(*style, sizeof(font_style), "%s", file->Style());
}

void BFont::SetSize(float size)
{
	if (!(size >= 0))
		size = 0;
	fSize = size > kMaxFontSize ? kMaxFontSize : size;
}

float BFont::StringWidth(const char* string) const
{
	if (string == NULL)
		return 0;
	return _File()->StringWidth(fSize, string, strlen(string));
}

float BFont::StringWidth(const char* string, int32 length) const
{
	if (string == NULL || length <= 0)
		return 0;
	// The string ends at its NUL even when |length| says more.
	return _File()->StringWidth(fSize, string, strnlen(string, length));
}

void BFont::GetStringWidths(const char* stringArray[], const int32 lengthArray[], int32 numStrings,
                            float widthArray[]) const
{
	if (stringArray == NULL || lengthArray == NULL || widthArray == NULL)
		return;
	for (int32 i = 0; i < numStrings; i++)
		widthArray[i] = StringWidth(stringArray[i], lengthArray[i]);
}

void BFont::GetHeight(font_height* height) const
{
	if (height != NULL)
		_File()->GetHeight(fSize, height);
}

bool BFont::IsFixed() const
{
	return _File()->IsFixed();
}

bool BFont::operator==(const BFont& font) const
{
	return _File() == font._File() && fSize == font.fSize && Face() == font.Face() &&
	       fSpacing == font.fSpacing;
}

void BFont::PrintToStream() const
{
	FontFile* file = _File();
	printf("BFont: %s (%s), size %.1f, face 0x%x\n", file->Family(), file->Style(), fSize,
	       static_cast<unsigned>(Face()));
}
