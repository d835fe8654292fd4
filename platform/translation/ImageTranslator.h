#ifndef PLATFORM_TRANSLATION_IMAGE_TRANSLATOR_H
#define PLATFORM_TRANSLATION_IMAGE_TRANSLATOR_H

#include <DataIO.h>
#include <SupportDefs.h>

class BBitmap;

namespace BPrivate {

// How many leading bytes of a stream the roster shows Recognizes().
constexpr size_t kRecognitionLength = 64;

// What decoding one picture may hold besides the bitmap it makes (and the
// encoded file): a small file must not cost gigabytes on the way to a
// picture. Decoders whose libraries need more refuse, or decode smaller.
constexpr int64 kDecodeBudgetBytes = int64(64) << 20;

// One built-in decoder. Instances are stateless and shared by every roster,
// so Decode() may run on several threads at once.
class ImageTranslator {
public:
	virtual ~ImageTranslator() {}

	virtual const char* Name() const = 0;
	virtual const char* Info() const = 0;
	virtual int32 Version() const = 0;

	// Whether |head|, the first |length| (<= kRecognitionLength) bytes of the
	// stream, starts a picture of this translator's format.
	virtual bool Recognizes(const uint8* head, size_t length) const = 0;

	// Decodes the picture that starts at |start| in |stream| into a new
	// B_RGB32 or B_RGBA32 bitmap, upright. Never leaves a bitmap behind on
	// failure.
	virtual status_t Decode(BPositionIO* stream, off_t start, BBitmap** bitmap) const = 0;
};

// The built-in translators in the order a roster consults them.
ImageTranslator* const* builtin_translators(int32* count);

} // namespace BPrivate

#endif
