// Decodes arbitrary bytes through the default translator roster. Whatever
// comes back must be a well-formed 32-bit bitmap within the platform's limits
// whose every byte can be read.

#include <stdlib.h>

#include <Bitmap.h>
#include <DataIO.h>
#include <TranslationUtils.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	BMemoryIO stream(data, size);
	BBitmap* bitmap = BTranslationUtils::GetBitmap(&stream);
	if (bitmap == NULL)
		return 0;
	if (bitmap->InitCheck() != B_OK ||
	    (bitmap->ColorSpace() != B_RGB32 && bitmap->ColorSpace() != B_RGBA32)) {
		abort();
	}
	int64 width = bitmap->Bounds().IntegerWidth() + 1;
	int64 height = bitmap->Bounds().IntegerHeight() + 1;
	if (width < 1 || height < 1 || width * height > (int64(1) << 28) ||
	    bitmap->BytesPerRow() < width * 4 ||
	    bitmap->BitsLength() < bitmap->BytesPerRow() * height) {
		abort();
	}
	// Reading the last row's end catches a bitmap shorter than it claims.
	const volatile uint8* bits = static_cast<const uint8*>(bitmap->Bits());
	uint8 sum = bits[0] ^ bits[bitmap->BitsLength() - 1];
	(void) sum;
	delete bitmap;
	return 0;
}
