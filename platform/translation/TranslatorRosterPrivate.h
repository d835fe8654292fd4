#ifndef PLATFORM_TRANSLATION_TRANSLATOR_ROSTER_PRIVATE_H
#define PLATFORM_TRANSLATION_TRANSLATOR_ROSTER_PRIVATE_H

#include <vector>

#include <Bitmap.h>
#include <TranslatorRoster.h>

#include "translation/ImageTranslator.h"

namespace BPrivate {

// The roster's list; fixed once the roster is shared between threads (the
// default roster is filled before Default() returns it).
struct TranslatorRosterData {
	std::vector<ImageTranslator*> translators;

	static TranslatorRosterData* Of(BTranslatorRoster* roster) { return roster->fData; }
};

// Decodes the picture at the stream's position with the first translator of
// |roster| that recognises it. NULL on any failure.
BBitmap* decode_bitmap(BTranslatorRoster* roster, BPositionIO* stream);

} // namespace BPrivate

#endif
