#ifndef PLATFORM_TRANSLATION_PNG_TRANSLATOR_H
#define PLATFORM_TRANSLATION_PNG_TRANSLATOR_H

#include "translation/ImageTranslator.h"

namespace BPrivate {

// PNG: the common pictures through the fast path (PngFastPath.h), the rest
// through libpng, read from the stream as it decodes, each row expanded by
// libpng's transforms to B, G, R, A straight into the bitmap.
class PngTranslator : public ImageTranslator {
public:
	const char* Name() const override;
	const char* Info() const override;
	int32 Version() const override;
	bool Recognizes(const uint8* head, size_t length) const override;
	status_t Decode(BPositionIO* stream, off_t start, BBitmap** bitmap) const override;
};

// libpng's path alone, which the fast path agrees with pixel for pixel and
// in which files it refuses.
status_t png_decode_with_libpng(BPositionIO* stream, off_t start, BBitmap** bitmap);

} // namespace BPrivate

#endif
