#ifndef _FONT_PRIVATE_H
#define _FONT_PRIVATE_H

#include <Font.h>

namespace BPrivate {

class FontFile;

enum { kPlainFont = 0, kBoldFont = 1, kFixedFont = 2 };

// The painter's way to a font's face file.
class FontPrivate {
public:
	static FontFile* File(const BFont& font) { return font._File(); }

	// The objects behind be_plain_font, be_bold_font and be_fixed_font.
	static const BFont kPlain;
	static const BFont kBold;
	static const BFont kFixed;
};

} // namespace BPrivate

#endif
