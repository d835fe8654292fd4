#ifndef PLATFORM_TRANSLATION_JXL_TRANSLATOR_H
#define PLATFORM_TRANSLATION_JXL_TRANSLATOR_H

#include "translation/ImageTranslator.h"

namespace BPrivate {

// JPEG XL through libjxl, straight into the bitmap, upright and in sRGB.
// An animation gives its first frame.
class JxlTranslator : public ImageTranslator {
public:
	const char* Name() const override;
	const char* Info() const override;
	int32 Version() const override;
	bool Recognizes(const uint8* head, size_t length) const override;
	status_t Decode(BPositionIO* stream, off_t start, BBitmap** bitmap) const override;
};

} // namespace BPrivate

#endif
