#ifndef PLATFORM_TRANSLATION_JPEG_TRANSLATOR_H
#define PLATFORM_TRANSLATION_JPEG_TRANSLATOR_H

#include "translation/ImageTranslator.h"

namespace BPrivate {

struct JpegOptions {
	// Pictures of at least this many pixels, coded in one scan, are decoded
	// in two bands on two threads at once; smaller ones decode faster than a
	// thread starts.
	int64 twoThreadsFrom = int64(1) << 20;
	// Two threads only where two processors can run them: on one, the lower
	// band's skipping would be wasted work.
	bool onlyWithSecondProcessor = true;
};

// JPEG through libjpeg-turbo, in one pass. Upright pictures are decoded
// straight into the bitmap's rows as B, G, R, X (CMYK ones turned into that in
// place); on one thread a helper faults in the pages ahead of the decoder,
// while a big picture decoded in two bands keeps both processors decoding.
// Pictures with an EXIF orientation are read in strips of rows and turned
// while they are copied, so no second full-size buffer is needed.
class JpegTranslator : public ImageTranslator {
public:
	explicit JpegTranslator(const JpegOptions& options = JpegOptions());

	const char* Name() const override;
	const char* Info() const override;
	int32 Version() const override;
	bool Recognizes(const uint8* head, size_t length) const override;
	status_t Decode(BPositionIO* stream, off_t start, BBitmap** bitmap) const override;

private:
	JpegOptions fOptions;
};

} // namespace BPrivate

#endif
