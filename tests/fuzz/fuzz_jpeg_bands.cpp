// A JPEG decoded in two bands on two threads against the same file decoded
// on one thread, on arbitrary bytes: both must refuse it or both must give the
// same picture. The lower band skips the upper band's rows, a path of libjpeg
// that one-thread decoding never takes, so damage that one survives and the
// other does not shows here.

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <memory>

#include <Bitmap.h>
#include <DataIO.h>

#include "translation/JpegTranslator.h"

namespace {

std::unique_ptr<BBitmap> decode(const BPrivate::JpegOptions& options, const uint8_t* data,
                                size_t size)
{
	BPrivate::JpegTranslator translator(options);
	BMemoryIO stream(data, size);
	BBitmap* bitmap = NULL;
	if (translator.Decode(&stream, 0, &bitmap) != B_OK)
		return nullptr;
	return std::unique_ptr<BBitmap>(bitmap);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	std::unique_ptr<BBitmap> one = decode({INT64_MAX, true}, data, size);
	std::unique_ptr<BBitmap> two = decode({1, false}, data, size);
	if ((one == nullptr) != (two == nullptr))
		abort();
	if (one == nullptr)
		return 0;
	if (one->Bounds() != two->Bounds() || one->BytesPerRow() != two->BytesPerRow() ||
	    one->ColorSpace() != two->ColorSpace()) {
		abort();
	}
	int32 width = one->Bounds().IntegerWidth() + 1;
	int32 height = one->Bounds().IntegerHeight() + 1;
	for (int32 y = 0; y < height; y++) {
		const uint8* a = static_cast<const uint8*>(one->Bits()) + int64(y) * one->BytesPerRow();
		const uint8* b = static_cast<const uint8*>(two->Bits()) + int64(y) * two->BytesPerRow();
		if (memcmp(a, b, size_t(width) * 4) != 0)
			abort();
	}
	return 0;
}
