#include "translation/PngTranslator.h"

#include <string.h>

#include <new>

#include <png.h>

#include <Bitmap.h>

#include "interface/BitmapPrivate.h"
#include "translation/ColorProfile.h"
#include "translation/PngFastPath.h"
#include "translation/StreamReader.h"

namespace BPrivate {

namespace {

const uint8 kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

// Everything a longjmp out of libpng must find again lives here, outside the
// decoding function's registers.
struct PngContext {
	StreamReader reader;
	BBitmap* bitmap = NULL;
};

void read_data(png_structp png, png_bytep data, size_t length)
{
	PngContext* context = static_cast<PngContext*>(png_get_io_ptr(png));
	if (context->reader.Read(data, length) != ssize_t(length))
		png_error(png, "truncated");
}

void error_handler(png_structp png, png_const_charp)
{
	png_longjmp(png, 1);
}

void warning_handler(png_structp, png_const_charp) {}

// Runs libpng; returns false after any libpng error. The caller owns
// |context->bitmap| either way.
bool decode(png_structp png, png_infop info, PngContext* context)
{
	if (setjmp(png_jmpbuf(png)) != 0)
		return false;
	png_set_read_fn(png, context, read_data);
	png_set_user_limits(png, uint32(kMaxBitmapPixels), uint32(kMaxBitmapPixels));
	png_read_info(png, info);

	png_uint_32 width, height;
	int depth, colorType, interlace;
	png_get_IHDR(png, info, &width, &height, &depth, &colorType, &interlace, NULL, NULL);
	if (!bitmap_size_allowed(width, height))
		return false;

	bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
	if (colorType == PNG_COLOR_TYPE_PALETTE)
		png_set_palette_to_rgb(png);
	if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8)
		png_set_expand_gray_1_2_4_to_8(png);
	if (png_get_valid(png, info, PNG_INFO_tRNS)) {
		png_set_tRNS_to_alpha(png);
		alpha = true;
	}
	if (depth == 16)
		png_set_scale_16(png);
	if ((colorType & PNG_COLOR_MASK_COLOR) == 0)
		png_set_gray_to_rgb(png);
	png_set_bgr(png);
	if (!alpha)
		png_set_filler(png, 0xff, PNG_FILLER_AFTER);
	int passes = png_set_interlace_handling(png);
	png_read_update_info(png, info);
	if (png_get_rowbytes(png, info) != size_t(width) * 4)
		return false;

	context->bitmap =
	    new (std::nothrow) BBitmap(BRect(0, 0, width - 1, height - 1), alpha ? B_RGBA32 : B_RGB32);
	if (context->bitmap == NULL || context->bitmap->InitCheck() != B_OK)
		return false;
	uint8* bits = static_cast<uint8*>(context->bitmap->Bits());
	int32 bytesPerRow = context->bitmap->BytesPerRow();
	for (int pass = 0; pass < passes; pass++) {
		for (png_uint_32 y = 0; y < height; y++)
			png_read_row(png, bits + int64(y) * bytesPerRow, NULL);
	}
	// Also checks the chunks after the pixels: a file cut short fails here.
	png_read_end(png, NULL);

	png_charp name;
	int compression;
	png_bytep profile;
	png_uint_32 profileLength;
	if (png_get_iCCP(png, info, &name, &compression, &profile, &profileLength) != 0)
		convert_to_srgb(profile, profileLength, context->bitmap);
	return true;
}

} // namespace

const char* PngTranslator::Name() const
{
	return "PNG images";
}

const char* PngTranslator::Info() const
{
	return "PNG decoder (libpng " PNG_LIBPNG_VER_STRING ")";
}

int32 PngTranslator::Version() const
{
	return 100;
}

bool PngTranslator::Recognizes(const uint8* head, size_t length) const
{
	return length >= sizeof(kSignature) && memcmp(head, kSignature, sizeof(kSignature)) == 0;
}

status_t png_decode_with_libpng(BPositionIO* stream, off_t start, BBitmap** outBitmap)
{
	png_structp png =
	    png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, error_handler, warning_handler);
	if (png == NULL)
		return B_NO_MEMORY;
	png_infop info = png_create_info_struct(png);
	if (info == NULL) {
		png_destroy_read_struct(&png, NULL, NULL);
		return B_NO_MEMORY;
	}
	PngContext context{StreamReader(stream, start)};
	bool decoded = decode(png, info, &context);
	png_destroy_read_struct(&png, &info, NULL);
	if (!decoded) {
		delete context.bitmap;
		return B_BAD_DATA;
	}
	// Many tools write an alpha channel whatever the picture; an opaque
	// picture is B_RGB32, which draws without blending.
	if (context.bitmap->ColorSpace() == B_RGBA32 && bitmap_is_opaque(context.bitmap))
		BitmapAccess::SetAlphaUsed(context.bitmap, false);
	*outBitmap = context.bitmap;
	return B_OK;
}

status_t PngTranslator::Decode(BPositionIO* stream, off_t start, BBitmap** outBitmap) const
{
	BBitmap* bitmap = NULL;
	bool opaque = false;
	switch (png_fast_decode(stream, start, &bitmap, &opaque)) {
		case PngOutcome::kDone:
			if (bitmap->ColorSpace() == B_RGBA32 && opaque)
				BitmapAccess::SetAlphaUsed(bitmap, false);
			*outBitmap = bitmap;
			return B_OK;
		case PngOutcome::kRejected:
			return B_BAD_DATA;
		case PngOutcome::kDeclined:
			break;
	}
	return png_decode_with_libpng(stream, start, outBitmap);
}

} // namespace BPrivate
