#ifndef _TRANSLATION_UTILS_H
#define _TRANSLATION_UTILS_H

#include <TranslationDefs.h>

class BBitmap;
class BPositionIO;
class BTranslatorRoster;
struct entry_ref;

// Decoding a whole picture into a new BBitmap owned by the caller. Every call
// returns NULL on any failure: no translator for the data, a truncated or
// corrupt picture, or one larger than the platform's bitmap limit.
//
// The bitmap is B_RGB32 for an opaque picture and B_RGBA32 (alpha not
// premultiplied) for one with transparency, already turned upright by its EXIF
// orientation; an animation gives its first frame.
class BTranslationUtils {
public:
	// Reads the picture from the stream's current position on.
	static BBitmap* GetBitmap(BPositionIO* stream, BTranslatorRoster* roster = NULL);
	// The file at |name|. The Be API first looks for a bitmap resource of that
	// name; the platform has no resources here, so this is GetBitmapFile().
	static BBitmap* GetBitmap(const char* name, BTranslatorRoster* roster = NULL);
	static BBitmap* GetBitmapFile(const char* name, BTranslatorRoster* roster = NULL);
	static BBitmap* GetBitmap(const entry_ref* ref, BTranslatorRoster* roster = NULL);

private:
	BTranslationUtils();
	~BTranslationUtils();
};

#endif
