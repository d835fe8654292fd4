#include "translation/JpegTranslator.h"

#include <setjmp.h>
#include <stdio.h>
#include <string.h>

#include <memory>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

#include <Bitmap.h>

#include "interface/BitmapPrefault.h"
#include "interface/BitmapPrivate.h"
#include "translation/ExifOrientation.h"
#include "translation/IccMarkers.h"
#include "translation/OrientedCopy.h"
#include "translation/StreamReader.h"

namespace BPrivate {

namespace {

// Rows decoded per strip: enough for libjpeg's largest output group, few
// enough that a strip of a wide picture stays in cache while it is turned.
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

struct Header {
	int32 width = 0;
	int32 height = 0;
	bool cmyk = false;
	bool inverted = false;
};

// Nothing with a destructor lives between a setjmp and a longjmp out of
// libjpeg: the two steps below hold only plain data, and their callers own
// everything else.
bool read_header(j_decompress_ptr info, ErrorManager* errors, const EncodedData& data,
                 Header* header)
{
	if (setjmp(errors->jump) != 0)
		return false;
	jpeg_mem_src(info, data.bytes.get(), data.length);
	if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK)
		return false;
	header->width = int32(info->image_width);
	header->height = int32(info->image_height);
	header->cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
	// Photoshop, which writes nearly all CMYK JPEGs, stores the inks inverted
	// and says so with its Adobe marker.
	header->inverted = header->cmyk && info->saw_Adobe_marker;
	return true;
}

// The rows of a picture whose header |info| has read. Upright pictures are
// decoded straight into the bitmap's rows, announced to |prefault| strip by
// strip; turned ones go through |strip| (kStripRows rows of the source width)
// and are copied into place.
bool read_rows(j_decompress_ptr info, ErrorManager* errors, const Header& header,
               const OrientedTarget& target, uint8* strip, BitmapPrefault* prefault)
{
	if (setjmp(errors->jump) != 0)
		return false;
	info->out_color_space = header.cmyk ? JCS_CMYK : JCS_EXT_BGRX;
	jpeg_start_decompress(info);
	const bool upright = target.orientation == 1;
	const int64 sourceStride = int64(header.width) * 4;
	JSAMPROW rows[kStripRows];
	while (info->output_scanline < info->output_height) {
		int32 first = int32(info->output_scanline);
		int32 count = min_c(kStripRows, header.height - first);
		for (int32 i = 0; i < count; i++) {
			rows[i] = upright ? target.bits + int64(first + i) * target.bytesPerRow
			                  : strip + i * sourceStride;
		}
		if (upright)
			prefault->WritingUpTo(first + count);
		for (int32 done = 0; done < count;) {
			JDIMENSION got = jpeg_read_scanlines(info, rows + done, JDIMENSION(count - done));
			if (got == 0)
				return false;
			done += int32(got);
		}
		if (header.cmyk) {
			for (int32 i = 0; i < count; i++)
				cmyk_to_bgrx(rows[i], header.width, header.inverted);
		}
		if (!upright) {
			copy_oriented<4>(target, strip, sourceStride, first, count, [](const uint8* p) {
				uint32 pixel;
				memcpy(&pixel, p, sizeof(pixel));
				return pixel;
			});
		}
	}
	jpeg_finish_decompress(info);
	return true;
}

struct Decompressor {
	jpeg_decompress_struct info;
	ErrorManager errors;

	Decompressor()
	{
		info.err = jpeg_std_error(&errors.base);
		errors.base.error_exit = error_exit;
		errors.base.emit_message = emit_message;
		errors.base.output_message = output_message;
		jpeg_create_decompress(&info);
	}
	~Decompressor() { jpeg_destroy_decompress(&info); }
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
	// libjpeg reads the picture from memory in one piece.
	EncodedData data;
	status_t status = read_whole_stream(stream, start, &data);
	if (status != B_OK)
		return status;

	Decompressor decompressor;
	Header header;
	if (!read_header(&decompressor.info, &decompressor.errors, data, &header))
		return B_BAD_DATA;
	if (header.width <= 0 || header.height <= 0)
		return B_BAD_DATA;
	if (!bitmap_size_allowed(header.width, header.height))
		return B_NO_MEMORY;

	int orientation = jpeg_exif_orientation(data.bytes.get(), data.length);
	bool swap = orientation_swaps_axes(orientation);
	std::unique_ptr<BBitmap> bitmap(
	    new_bitmap(swap ? header.height : header.width, swap ? header.width : header.height));
	if (!bitmap)
		return B_NO_MEMORY;
	std::unique_ptr<uint8[]> strip;
	if (orientation != 1) {
		strip.reset(new (std::nothrow) uint8[size_t(header.width) * 4 * kStripRows]);
		if (!strip)
			return B_NO_MEMORY;
	}
	OrientedTarget target = {static_cast<uint8*>(bitmap->Bits()), bitmap->BytesPerRow(),
	                         header.width, header.height, orientation};

	// Joined before the bitmap can go, whichever way the decoding ends.
	BitmapPrefault prefault(orientation == 1 ? bitmap.get() : NULL);
	if (!read_rows(&decompressor.info, &decompressor.errors, header, target, strip.get(),
	               &prefault)) {
		return B_BAD_DATA;
	}
	convert_jpeg_to_srgb(data.bytes.get(), data.length, bitmap.get());
	*outBitmap = bitmap.release();
	return B_OK;
}

} // namespace BPrivate
