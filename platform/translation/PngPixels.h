#ifndef PLATFORM_TRANSLATION_PNG_PIXELS_H
#define PLATFORM_TRANSLATION_PNG_PIXELS_H

#include <SupportDefs.h>

namespace BPrivate {

// How the unfiltered rows of an 8-bit PNG become B, G, R, A pixels, as
// libpng's expand, tRNS-to-alpha, grey-to-RGB, BGR and filler transforms
// make them.
struct PngPixelFormat {
	uint8 colorType = 0;
	// Bytes per pixel of a PNG row.
	int channels = 0;
	// Grey and RGB pictures with a tRNS chunk: pixels equal to the key are
	// transparent (grey in key[0]; red, green, blue).
	bool hasKey = false;
	uint8 key[3] = {};
	// Palette pictures: B, G, R, A per index, as libpng expands them. Indices
	// past the palette are opaque black, as libpng reads them.
	uint8 palette[256][4] = {};
	// Whether the bitmap is B_RGBA32 (alpha channel, tRNS), as libpng's path
	// chooses; an opaque one is demoted to B_RGB32 afterwards.
	bool alpha = false;
};

// Fills |format| for the 8-bit |colorType| with no palette or tRNS yet;
// false for a colour type PNG does not define.
bool png_pixel_format_init(PngPixelFormat* format, uint8 colorType);

// Writes the |width| pixels of an unfiltered |row| to |out| as B, G, R, A;
// returns the AND of the alpha bytes written.
uint8 png_convert_row(const PngPixelFormat& format, const uint8* row, uint8* out, uint32 width);

} // namespace BPrivate

#endif
