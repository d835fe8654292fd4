#include "translation/JpegTranslator.h"

#include <setjmp.h>
#include <stdio.h>
#include <string.h>

#include <memory>
#include <new>

#include <jerror.h>
#include <jpeglib.h>
#include <turbojpeg.h>

#include <Bitmap.h>

#include "interface/BitmapPrivate.h"
#include "translation/ExifOrientation.h"
#include "translation/IccMarkers.h"
#include "translation/OrientedCopy.h"
#include "translation/StreamReader.h"

namespace BPrivate {

namespace {

// Rows decoded per strip on the turning path: enough for libjpeg's largest
// output group, few enough that a strip of a wide picture stays in cache.
constexpr int32 kStripRows = 16;

struct ErrorManager {
	jpeg_error_mgr base;
	jmp_buf jump;
};

void error_exit(j_common_ptr info)
{
	longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings mean damaged data (a premature end, a bad Huffman code) and end the
// decoding, except stray bytes between segments, which lose no pixel.
void emit_message(j_common_ptr info, int level)
{
	if (level < 0 && info->err->msg_code != JWRN_EXTRANEOUS_DATA)
		longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void output_message(j_common_ptr) {}

BBitmap* new_bitmap(int32 width, int32 height)
{
	BBitmap* bitmap = new (std::nothrow) BBitmap(BRect(0, 0, width - 1, height - 1), B_RGB32);
	if (bitmap != NULL && bitmap->InitCheck() != B_OK) {
		delete bitmap;
		return NULL;
	}
	return bitmap;
}

// In place, four bytes a pixel: C, M, Y, K become B, G, R, 0xff.
void cmyk_to_bgrx(uint8* pixels, int64 count, bool inverted)
{
	for (int64 i = 0; i < count; i++, pixels += 4) {
		int c = pixels[0], m = pixels[1], y = pixels[2], k = pixels[3];
		if (!inverted) {
			c = 255 - c;
			m = 255 - m;
			y = 255 - y;
			k = 255 - k;
		}
		// Now 255 means no ink: each channel is what the ink and the black leave.
		pixels[0] = uint8((y * k + 127) / 255);
		pixels[1] = uint8((m * k + 127) / 255);
		pixels[2] = uint8((c * k + 127) / 255);
		pixels[3] = 0xff;
	}
}

// The turning path, which also takes CMYK pictures. Nothing with a destructor lives between setjmp
// and a longjmp out of libjpeg; |strip| is allocated by the caller.
bool decode_in_strips(j_decompress_ptr info, ErrorManager* errors, const EncodedData& data,
                      uint8* strip, int32 width, int32 height, const OrientedTarget& target)
{
	if (setjmp(errors->jump) != 0)
		return false;
	jpeg_mem_src(info, data.bytes.get(), data.length);
	if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK)
		return false;
	if (int32(info->image_width) != width || int32(info->image_height) != height)
		return false;
	bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
	info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
	// Photoshop, which writes nearly all CMYK JPEGs, stores the inks inverted
	// and says so with its Adobe marker.
	bool inverted = cmyk && info->saw_Adobe_marker;
	jpeg_start_decompress(info);
	JSAMPROW rows[kStripRows];
	for (int32 i = 0; i < kStripRows; i++)
		rows[i] = strip + int64(i) * width * 4;
	while (info->output_scanline < info->output_height) {
		int32 first = int32(info->output_scanline);
		int32 count = 0;
		while (count < kStripRows && info->output_scanline < info->output_height) {
			JDIMENSION got = jpeg_read_scanlines(info, rows + count, kStripRows - count);
			if (got == 0)
				return false;
			count += int32(got);
		}
		if (cmyk)
			cmyk_to_bgrx(strip, int64(width) * count, inverted);
		copy_oriented<4>(target, strip, int64(width) * 4, first, count, [](const uint8* p) {
			uint32 pixel;
			memcpy(&pixel, p, sizeof(pixel));
			return pixel;
		});
	}
	jpeg_finish_decompress(info);
	return true;
}

status_t decode_turned(const EncodedData& data, int32 width, int32 height, int orientation,
                       BBitmap* bitmap)
{
	std::unique_ptr<uint8[]> strip(new (std::nothrow) uint8[size_t(width) * 4 * kStripRows]);
	if (!strip)
		return B_NO_MEMORY;
	OrientedTarget target = {static_cast<uint8*>(bitmap->Bits()), bitmap->BytesPerRow(), width,
	                         height, orientation};

	jpeg_decompress_struct info;
	ErrorManager errors;
	info.err = jpeg_std_error(&errors.base);
	errors.base.error_exit = error_exit;
	errors.base.emit_message = emit_message;
	errors.base.output_message = output_message;
	jpeg_create_decompress(&info);
	bool decoded = decode_in_strips(&info, &errors, data, strip.get(), width, height, target);
	jpeg_destroy_decompress(&info);
	return decoded ? B_OK : B_BAD_DATA;
}

struct TurboHandle {
	tjhandle handle = tjInitDecompress();
	~TurboHandle()
	{
		if (handle != NULL)
			tjDestroy(handle);
	}
};

} // namespace

const char* JpegTranslator::Name() const
{
	return "JPEG images";
}

const char* JpegTranslator::Info() const
{
	return "JPEG decoder (libjpeg-turbo)";
}

int32 JpegTranslator::Version() const
{
	return 100;
}

bool JpegTranslator::Recognizes(const uint8* head, size_t length) const
{
	return length >= 3 && head[0] == 0xff && head[1] == 0xd8 && head[2] == 0xff;
}

status_t JpegTranslator::Decode(BPositionIO* stream, off_t start, BBitmap** outBitmap) const
{
	// TurboJPEG wants the whole compressed picture in memory.
	EncodedData data;
	status_t status = read_whole_stream(stream, start, &data);
	if (status != B_OK)
		return status;

	TurboHandle turbo;
	if (turbo.handle == NULL)
		return B_NO_MEMORY;
	// A warning while reading the header (stray bytes between segments)
	// still gives the size; the decoding below judges the data.
	int width = 0, height = 0, subsampling, colorspace = TJCS_RGB;
	if (tjDecompressHeader3(turbo.handle, data.bytes.get(), data.length, &width, &height,
	                        &subsampling, &colorspace) != 0 &&
	    tjGetErrorCode(turbo.handle) != TJERR_WARNING) {
		return B_BAD_DATA;
	}
	if (width <= 0 || height <= 0)
		return B_BAD_DATA;
	if (!bitmap_size_allowed(width, height))
		return B_NO_MEMORY;

	int orientation = jpeg_exif_orientation(data.bytes.get(), data.length);
	bool swap = orientation_swaps_axes(orientation);
	std::unique_ptr<BBitmap> bitmap(new_bitmap(swap ? height : width, swap ? width : height));
	if (!bitmap)
		return B_NO_MEMORY;

	// TurboJPEG cannot turn CMYK into RGB; the strip path can.
	bool cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
	if (orientation == 1 && !cmyk) {
		if (tjDecompress2(turbo.handle, data.bytes.get(), data.length,
		                  static_cast<uint8*>(bitmap->Bits()), width, bitmap->BytesPerRow(), height,
		                  TJPF_BGRX, TJFLAG_STOPONWARNING) == 0) {
			convert_jpeg_to_srgb(data.bytes.get(), data.length, bitmap.get());
			*outBitmap = bitmap.release();
			return B_OK;
		}
		// TurboJPEG stops at the first warning, so that a cut or damaged
		// file fails at once instead of being decoded to its end as grey;
		// the strip path then tells a harmless warning from a damaging one.
		if (tjGetErrorCode(turbo.handle) != TJERR_WARNING)
			return B_BAD_DATA;
	}
	status = decode_turned(data, width, height, orientation, bitmap.get());
	if (status != B_OK)
		return status;
	convert_jpeg_to_srgb(data.bytes.get(), data.length, bitmap.get());
	*outBitmap = bitmap.release();
	return B_OK;
}

} // namespace BPrivate
