#ifndef PLATFORM_TRANSLATION_PNG_FAST_PATH_H
#define PLATFORM_TRANSLATION_PNG_FAST_PATH_H

#include <DataIO.h>

#include "translation/PngChunks.h"

class BBitmap;

namespace BPrivate {

struct PngFastPathOptions {
	// Bytes of filtered rows in flight between the two threads (at least
	// three rows).
	size_t ringBytes = size_t(2) << 20;
	// Pictures whose filtered rows are fewer bytes than this are unfiltered
	// on the calling thread after inflating: starting a thread would cost
	// more than it saves.
	size_t threadBelow = size_t(256) << 10;
};

// The common PNG without libpng: 8 bits a sample, not interlaced, grey, grey
// and alpha, RGB, RGBA or palette, with or without tRNS, no colour profile.
// The calling thread reads the chunks and inflates the IDAT stream with
// ISA-L while a second one unfilters the rows and writes them to the bitmap.
//
// kDone gives a bitmap in |bitmap|, B_RGBA32 or B_RGB32 as libpng's path
// chooses, with |opaque| telling whether every alpha byte is 255. kDeclined
// is a file libpng must decode (or refuse); kRejected one it refuses too.
PngOutcome png_fast_decode(BPositionIO* stream, off_t start, BBitmap** bitmap, bool* opaque,
                           const PngFastPathOptions& options = PngFastPathOptions());

} // namespace BPrivate

#endif
