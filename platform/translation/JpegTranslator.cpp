#include "translation/JpegTranslator.h"

#include <setjmp.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <new>
#include <thread>

#include <jerror.h>
#include <jpeglib.h>

#include <Bitmap.h>

#include "interface/BitmapPrefault.h"
#include "interface/BitmapPrivate.h"
#include "kernel/Processors.h"
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
	// All components in one scan: the rows come out as the data is read, so
	// a band further down can skip what lies above it.
	bool singleScan = false;
	// Rows of one iMCU row, the unit the data is coded in.
	int32 rowGroup = 8;
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
	header->singleScan = !jpeg_has_multiple_scans(info);
	header->rowGroup = int32(info->max_v_samp_factor) * DCTSIZE;
	return true;
}

// Rows [first, end) of a picture whose header |info| has read. The rows above
// |first| are skipped: their data is still decoded as far as the Huffman
// codes, which finds any damage there, but not turned into pixels. Upright
// pictures are decoded straight into the bitmap's rows, announced to
// |prefault| strip by strip; turned ones go through |strip|
// (kStripRows rows of the source width) and are copied into place.
bool read_band(j_decompress_ptr info, ErrorManager* errors, const Header& header,
               const OrientedTarget& target, uint8* strip, BitmapPrefault* prefault, int32 first,
               int32 end)
{
	if (setjmp(errors->jump) != 0)
		return false;
	info->out_color_space = header.cmyk ? JCS_CMYK : JCS_EXT_BGRX;
	jpeg_start_decompress(info);
	if (first > 0 && jpeg_skip_scanlines(info, JDIMENSION(first)) != JDIMENSION(first))
		return false;
	const bool upright = target.orientation == 1;
	const int64 sourceStride = int64(header.width) * 4;
	JSAMPROW rows[kStripRows];
	while (info->output_scanline < JDIMENSION(end)) {
		int32 at = int32(info->output_scanline);
		int32 count = min_c(kStripRows, end - at);
		for (int32 i = 0; i < count; i++) {
			rows[i] = upright ? target.bits + int64(at + i) * target.bytesPerRow
			                  : strip + i * sourceStride;
		}
		if (upright)
			prefault->WritingUpTo(at + count);
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
			copy_oriented<4>(target, strip, sourceStride, at, count, [](const uint8* p) {
				uint32 pixel;
				memcpy(&pixel, p, sizeof(pixel));
				return pixel;
			});
		}
	}
	// Only the band that ends the picture reads on to its end marker, which
	// makes it see every byte the decoding of the whole picture would.
	if (end == header.height)
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

// A strip buffer for a turned picture, or none for an upright one; false if
// one is needed and there is no memory for it.
bool make_strip(const OrientedTarget& target, std::unique_ptr<uint8[]>* strip)
{
	if (target.orientation == 1)
		return true;
	strip->reset(new (std::nothrow) uint8[size_t(target.sourceWidth) * 4 * kStripRows]);
	return *strip != nullptr;
}

// Where the upper band of a two-thread decoding ends. The lower band's thread
// first skips the upper band's rows, which costs it their Huffman decoding
// (a share h of the whole work) but not their pixels, so the bands take
// equally long when the upper one has 1 / (2 - h) of the rows. h grows with
// the bits spent per pixel: some 0.3 of the work at 1 bit a pixel, 0.4 at 2.
int32 upper_band_end(const Header& header, size_t encodedLength)
{
	double bytesPerPixel = double(encodedLength) / (double(header.width) * header.height);
	double huffmanShare = std::clamp(0.22 + 0.65 * bytesPerPixel, 0.25, 0.6);
	int32 end = int32(header.height / (2 - huffmanShare));
	// On an iMCU row's edge, so that the lower band skips whole ones.
	return end / header.rowGroup * header.rowGroup;
}

// The lower band [first, end) of a picture, decoded on a thread of its own by
// a decompressor of its own.
struct LowerBand {
	const EncodedData* data;
	const OrientedTarget* target;
	BBitmap* bitmap;
	int32 first;
	int32 end;
	std::unique_ptr<uint8[]> strip;
	bool decoded = false;

	void Decode()
	{
		Decompressor decompressor;
		Header header;
		BitmapPrefault prefault(target->orientation == 1 ? bitmap : NULL,
		                        BitmapPrefault::kByWriter, first, end);
		decoded = read_header(&decompressor.info, &decompressor.errors, *data, &header) &&
		          read_band(&decompressor.info, &decompressor.errors, header, *target,
		                    strip.get(), &prefault, first, end);
	}
};

// All rows of a picture whose header |decompressor| has read, into |target|
// (the rows of |bitmap|). A big picture coded in one scan is decoded in two
// bands at once where a second processor can run them: on a photograph that
// takes some two thirds of the time of one thread, while the memory grows only by a
// second decompressor's buffers.
bool read_rows(const JpegOptions& options, const EncodedData& data, Decompressor* decompressor,
               const Header& header, const OrientedTarget& target, BBitmap* bitmap)
{
	std::unique_ptr<uint8[]> strip;
	if (!make_strip(target, &strip))
		return false;
	int32 split = 0;
	if (header.singleScan && int64(header.width) * header.height >= options.twoThreadsFrom &&
	    (!options.onlyWithSecondProcessor || has_second_processor())) {
		split = upper_band_end(header, data.length);
	}
	LowerBand lower = {&data, &target, bitmap, split, header.height, nullptr};
	std::thread lowerThread;
	if (split > 0 && make_strip(target, &lower.strip)) {
		try {
			lowerThread = std::thread(&LowerBand::Decode, &lower);
		} catch (...) {
			// No thread to spare: this one decodes every row.
		}
	}
	if (!lowerThread.joinable()) {
		// Joined before the bitmap can go, whichever way the decoding ends.
		BitmapPrefault prefault(target.orientation == 1 ? bitmap : NULL);
		return read_band(&decompressor->info, &decompressor->errors, header, target, strip.get(),
		                 &prefault, 0, header.height);
	}
	// Both processors decode, so each band maps its own pages in.
	BitmapPrefault prefault(target.orientation == 1 ? bitmap : NULL, BitmapPrefault::kByWriter, 0,
	                        split);
	bool upperDecoded = read_band(&decompressor->info, &decompressor->errors, header, target,
	                              strip.get(), &prefault, 0, split);
	lowerThread.join();
	return upperDecoded && lower.decoded;
}

} // namespace

JpegTranslator::JpegTranslator(const JpegOptions& options) : fOptions(options) {}

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
	OrientedTarget target = {static_cast<uint8*>(bitmap->Bits()), bitmap->BytesPerRow(),
	                         header.width, header.height, orientation};
	if (!read_rows(fOptions, data, &decompressor, header, target, bitmap.get()))
		return B_BAD_DATA;
	convert_jpeg_to_srgb(data.bytes.get(), data.length, bitmap.get());
	*outBitmap = bitmap.release();
	return B_OK;
}

} // namespace BPrivate
