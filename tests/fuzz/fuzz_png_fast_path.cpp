// The PNG fast path against libpng's path on arbitrary bytes: a picture from
// the fast path must be libpng's picture, in the same colour space, and a
// file the fast path rejects must be one libpng rejects. The last byte picks
// a ring of three rows on two threads or one thread, so both are exercised,
// and whether the chunks' CRCs are made right first, so that mutations reach
// the zlib stream and the chunks' contents rather than stopping at a CRC.

#include <stdlib.h>
#include <string.h>

#include <memory>
#include <vector>

#include <Bitmap.h>
#include <DataIO.h>

#include "interface/BitmapPrivate.h"
#include "translation/PngChunks.h"
#include "translation/PngFastPath.h"
#include "translation/PngTranslator.h"

using BPrivate::PngOutcome;

namespace {

void fix_crcs(std::vector<uint8>* file)
{
	size_t at = 8;
	while (at + 12 <= file->size()) {
		uint32 length = BPrivate::png_get_be32(file->data() + at);
		if (length > file->size() - at - 12)
			break;
		uint32 crc = BPrivate::png_crc(0, file->data() + at + 4, size_t(length) + 4);
		uint8* stored = file->data() + at + 8 + length;
		stored[0] = uint8(crc >> 24);
		stored[1] = uint8(crc >> 16);
		stored[2] = uint8(crc >> 8);
		stored[3] = uint8(crc);
		at += size_t(length) + 12;
	}
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size)
{
	BPrivate::PngFastPathOptions options;
	uint8 flags = size > 0 ? input[size - 1] : 0;
	if ((flags & 1) != 0) {
		options.ringBytes = 0;
		options.threadBelow = 0;
	}
	std::vector<uint8> file(input, input + size);
	if ((flags & 2) != 0)
		fix_crcs(&file);
	const uint8* data = file.data();
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
