#ifndef PLATFORM_TRANSLATION_WEBP_TRANSLATOR_H
#define PLATFORM_TRANSLATION_WEBP_TRANSLATOR_H

#include "translation/ImageTranslator.h"

namespace BPrivate {

// WebP through libwebp, straight into the bitmap. An animation gives its
// first frame on its canvas, without decoding or composing the others.
class WebpTranslator : public ImageTranslator {
public:
	const char* Name() const override;
	const char* Info() const override;
	int32 Version() const override;
	bool Recognizes(const uint8* head, size_t length) const override;
	status_t Decode(BPositionIO* stream, off_t start, BBitmap** bitmap) const override;
};

} // namespace BPrivate

#endif
