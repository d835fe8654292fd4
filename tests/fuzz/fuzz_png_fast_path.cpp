// The PNG fast path against libpng's path on arbitrary bytes: a picture from
// the fast path must be libpng's picture, in the same colour space, and a
// file the fast path rejects must be one libpng rejects. The last byte picks
// a ring of three rows on two threads or one thread, so both are exercised.

#include <stdlib.h>
#include <string.h>

#include <memory>

#include <Bitmap.h>
#include <DataIO.h>

#include "interface/BitmapPrivate.h"
#include "translation/PngFastPath.h"
#include "translation/PngTranslator.h"

using BPrivate::PngOutcome;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	BPrivate::PngFastPathOptions options;
	if (size > 0 && (data[size - 1] & 1) != 0) {
		options.ringBytes = 0;
		options.threadBelow = 0;
	}
	BMemoryIO fastStream(data, size);
	BBitmap* fastBitmap = NULL;
	bool opaque = false;
	PngOutcome outcome = BPrivate::png_fast_decode(&fastStream, 0, &fastBitmap, &opaque, options);
	std::unique_ptr<BBitmap> fast(fastBitmap);
	if (outcome == PngOutcome::kDeclined)
		return 0;

	BMemoryIO libpngStream(data, size);
	BBitmap* libpngBitmap = NULL;
	bool decoded = BPrivate::png_decode_with_libpng(&libpngStream, 0, &libpngBitmap) == B_OK;
	std::unique_ptr<BBitmap> reference(libpngBitmap);
	if (outcome == PngOutcome::kRejected) {
		if (decoded)
			abort();
		return 0;
	}
	if (!decoded || fast == nullptr)
		abort();
	if (fast->ColorSpace() == B_RGBA32 && opaque)
		BPrivate::BitmapAccess::SetAlphaUsed(fast.get(), false);
	if (fast->Bounds() != reference->Bounds() || fast->ColorSpace() != reference->ColorSpace())
		abort();
	int32 width = fast->Bounds().IntegerWidth() + 1;
	int32 height = fast->Bounds().IntegerHeight() + 1;
	for (int32 y = 0; y < height; y++) {
		const uint8* a = static_cast<const uint8*>(fast->Bits()) + int64(y) * fast->BytesPerRow();
		const uint8* b =
		    static_cast<const uint8*>(reference->Bits()) + int64(y) * reference->BytesPerRow();
		if (memcmp(a, b, size_t(width) * 4) != 0)
			abort();
	}
	return 0;
}
