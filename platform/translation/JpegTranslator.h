#ifndef PLATFORM_TRANSLATION_JPEG_TRANSLATOR_H
#define PLATFORM_TRANSLATION_JPEG_TRANSLATOR_H

#include "translation/ImageTranslator.h"

namespace BPrivate {

// JPEG through libjpeg-turbo, in one pass. Upright pictures are decoded
// straight into the bitmap's rows as B, G, R, X (CMYK ones turned into that in
// place), while a helper faults in the pages ahead of the decoder; pictures
// with an EXIF orientation are read in strips of rows and turned while they are
// copied, so no second full-size buffer is needed.
class JpegTranslator : public ImageTranslator {
public:
	const char* Name() const override;
	const char* Info() const override;
	int32 Version() const override;
	bool Recognizes(const uint8* head, size_t length) const override;
	status_t Decode(BPositionIO* stream, off_t start, BBitmap** bitmap) const override;
};

} // namespace BPrivate

#endif
