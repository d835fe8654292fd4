#ifndef PLATFORM_TRANSLATION_PIXBUF_TRANSLATOR_H
#define PLATFORM_TRANSLATION_PIXBUF_TRANSLATOR_H

#include "translation/ImageTranslator.h"

namespace BPrivate {

// Every other format through gdk-pixbuf's installed loaders (GIF, BMP, TIFF,
// ICO, PNM, TGA, WebP, AVIF, HEIF, SVG, ...), fed from the stream in chunks.
// The loader sniffs the format from the data itself. Its RGB(A) picture is
// converted to B, G, R, A once, turned by its orientation on the way.
class PixbufTranslator : public ImageTranslator {
public:
	const char* Name() const override;
	const char* Info() const override;
	int32 Version() const override;
	// Anything: the loader decides, so this translator comes last.
	bool Recognizes(const uint8* head, size_t length) const override;
	status_t Decode(BPositionIO* stream, off_t start, BBitmap** bitmap) const override;
};

} // namespace BPrivate

#endif
