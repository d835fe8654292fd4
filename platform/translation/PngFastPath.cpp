#include "translation/PngFastPath.h"

#include <string.h>

#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include <Bitmap.h>

#include "interface/BitmapPrefault.h"
#include "interface/BitmapPrivate.h"
#include "translation/PngInflate.h"
#include "translation/PngPixels.h"
#include "translation/PngRowRing.h"
#include "translation/PngUnfilter.h"

namespace BPrivate {

namespace {

// libpng's default bound on a chunk's length (PNG_USER_CHUNK_MALLOC_MAX);
// it refuses longer ones, IDAT aside, in ways of its own.
constexpr uint32 kChunkLengthLimit = 8000000;
// Inflated bytes per inflate call at most, so that rows reach the other
// thread while the ring fills.
constexpr size_t kInflateStep = 256 * 1024;
// The ring holds three rows at least; rows so long that three exceed this
// (millions of pixels wide) are libpng's, which keeps fewer.
constexpr size_t kMaxRingBytes = size_t(32) << 20;

struct Picture {
	PngHeader header;
	PngPixelFormat format;
	bool havePalette = false;
	int paletteSize = 0;
	bool haveTransparency = false;
	size_t rowBytes = 0;
};

// The longest IDAT libpng takes (png_check_chunk_length): the inflated size
// plus zlib's overhead, at least its limit for any chunk.
uint64 idat_length_limit(const PngHeader& header, int channels)
{
	uint64 rowFactor = uint64(header.width) * channels + 1;
	uint64 limit = uint64(header.height) * rowFactor;
	uint64 step = rowFactor > 32566 ? 32566 : rowFactor;
	limit += 6 + 5 * (limit / step + 1);
	if (limit > 0x7fffffffu)
		limit = 0x7fffffffu;
	return limit > kChunkLengthLimit ? limit : kChunkLengthLimit;
}

PngOutcome chunk_length_allowed(const PngChunkReader& chunks, const Picture& picture)
{
	uint64 limit = chunks.Type() == kPngIDAT
	                   ? idat_length_limit(picture.header, picture.format.channels)
	                   : kChunkLengthLimit;
	return chunks.Length() <= limit ? PngOutcome::kDone : PngOutcome::kDeclined;
}

PngOutcome read_header(PngChunkReader& chunks, Picture* picture)
{
	PngOutcome outcome = chunks.Next();
	if (outcome != PngOutcome::kDone)
		return outcome;
	if (chunks.Type() != kPngIHDR || chunks.Length() != 13)
		return PngOutcome::kDeclined;
	uint8 data[13];
	if ((outcome = chunks.Read(data, sizeof(data))) != PngOutcome::kDone ||
	    (outcome = chunks.Finish()) != PngOutcome::kDone) {
		return outcome;
	}
	PngHeader& header = picture->header;
	parse_png_header(data, &header);
	// libpng's path refuses these whatever follows.
	if (!bitmap_size_allowed(header.width, header.height))
		return PngOutcome::kRejected;
	if (header.depth != 8 || header.compression != 0 || header.filter != 0 ||
	    header.interlace != 0 || !png_pixel_format_init(&picture->format, header.colorType)) {
		return PngOutcome::kDeclined;
	}
	picture->rowBytes = size_t(header.width) * picture->format.channels;
	return PngOutcome::kDone;
}

PngOutcome read_palette(PngChunkReader& chunks, Picture* picture)
{
	uint8 type = picture->header.colorType;
	uint32 length = chunks.Length();
	if (picture->havePalette || picture->haveTransparency || type == 0 || type == 4 ||
	    length == 0 || length % 3 != 0 || length > 256 * 3) {
		return PngOutcome::kDeclined;
	}
	uint8 data[256 * 3];
	PngOutcome outcome = chunks.Read(data, length);
	if (outcome == PngOutcome::kDone)
		outcome = chunks.Finish();
	if (outcome != PngOutcome::kDone)
		return outcome;
	picture->havePalette = true;
	picture->paletteSize = int(length / 3);
	// RGB pictures may carry a suggested palette, which changes no pixel.
	if (type == 3) {
		for (int i = 0; i < picture->paletteSize; i++) {
			uint8* entry = picture->format.palette[i];
			entry[0] = data[3 * i + 2];
			entry[1] = data[3 * i + 1];
			entry[2] = data[3 * i];
		}
	}
	return PngOutcome::kDone;
}

PngOutcome read_transparency(PngChunkReader& chunks, Picture* picture)
{
	PngPixelFormat& format = picture->format;
	uint32 length = chunks.Length();
	// libpng drops a tRNS it finds wrong and goes on; the fast path leaves
	// such files to it.
	uint32 wanted;
	switch (picture->header.colorType) {
		case 0:
			wanted = 2;
			break;
		case 2:
			wanted = 6;
			break;
		case 3:
			wanted = picture->havePalette && length >= 1 && length <= uint32(picture->paletteSize)
			             ? length
			             : 0;
			break;
		default:
			wanted = 0;
			break;
	}
	if (picture->haveTransparency || wanted == 0 || length != wanted)
		return PngOutcome::kDeclined;
	uint8 data[256];
	PngOutcome outcome = chunks.Read(data, length);
	if (outcome == PngOutcome::kDone)
		outcome = chunks.Finish();
	if (outcome != PngOutcome::kDone)
		return outcome;
	if (picture->header.colorType == 3) {
		for (uint32 i = 0; i < length; i++)
			format.palette[i][3] = data[i];
	} else {
		// Sixteen-bit samples; one past 255 in an 8-bit picture is odd
		// enough to leave to libpng.
		for (uint32 i = 0; i < length; i += 2) {
			if (data[i] != 0)
				return PngOutcome::kDeclined;
			format.key[i / 2] = data[i + 1];
		}
		format.hasKey = true;
	}
	picture->haveTransparency = true;
	format.alpha = true;
	return PngOutcome::kDone;
}

// The chunks before the first IDAT, which is left open.
PngOutcome read_chunks_before_image(PngChunkReader& chunks, Picture* picture)
{
	for (;;) {
		PngOutcome outcome = chunks.Next();
		if (outcome == PngOutcome::kDone)
			outcome = chunk_length_allowed(chunks, *picture);
		if (outcome != PngOutcome::kDone)
			return outcome;
		uint32 type = chunks.Type();
		if (type == kPngIDAT)
			return picture->header.colorType == 3 && !picture->havePalette ? PngOutcome::kDeclined
			                                                               : PngOutcome::kDone;
		if (type == kPngPLTE)
			outcome = read_palette(chunks, picture);
		else if (type == kPngtRNS)
			outcome = read_transparency(chunks, picture);
		else if (type == kPngiCCP || png_chunk_is_critical(type))
			outcome = PngOutcome::kDeclined;
		else
			outcome = chunks.Finish();
		if (outcome != PngOutcome::kDone)
			return outcome;
	}
}

// From the IDAT holding the end of the image data to IEND. libpng reads
// nothing past IEND, so neither does this.
PngOutcome read_chunks_after_image(PngChunkReader& chunks, const Picture& picture)
{
	PngOutcome outcome = chunks.Finish();
	while (outcome == PngOutcome::kDone) {
		outcome = chunks.Next();
		if (outcome == PngOutcome::kDone)
			outcome = chunk_length_allowed(chunks, picture);
		if (outcome != PngOutcome::kDone)
			break;
		uint32 type = chunks.Type();
		if (type == kPngIEND)
			return chunks.Length() == 0 ? chunks.Finish() : PngOutcome::kDeclined;
		// Another IDAT, a late PLTE, tRNS or colour profile: libpng's
		// judgement.
		if (png_chunk_is_critical(type) || type == kPngtRNS || type == kPngiCCP)
			return PngOutcome::kDeclined;
		outcome = chunks.Finish();
	}
	return outcome;
}

// What the unfiltering side found.
struct RowsResult {
	bool badFilter = false;
	bool complete = false;
	uint8 alpha = 0xff;
};

// The consumer: unfilters each row in its ring slot and writes its pixels to
// the bitmap, telling |prefault| how far it goes. |zeros| is a row of zeros,
// the row above the first.
void unfilter_rows(PngRowRing* ring, const Picture* picture, const uint8* zeros, uint8* bits,
                   int32 bytesPerRow, BitmapPrefault* prefault, RowsResult* result)
{
	const uint32 height = picture->header.height;
	uint8 alpha = 0xff;
	for (uint32 y = 0; y < height;) {
		uint32 available = ring->WaitForRows(y);
		if (available == 0)
			return;
		prefault->WritingUpTo(int32(available));
		for (; y < available; y++) {
			uint8* slot = ring->Row(y);
			const uint8* above = y > 0 ? ring->Row(y - 1) + 1 : zeros;
			if (!png_unfilter_row(slot[0], slot + 1, above, picture->rowBytes,
			                      picture->format.channels)) {
				result->badFilter = true;
				ring->Cancel();
				return;
			}
			alpha &= png_convert_row(picture->format, slot + 1, bits + int64(y) * bytesPerRow,
			                         picture->header.width);
			ring->Release(y + 1);
		}
	}
	result->alpha = alpha;
	result->complete = true;
}

// The producer: inflates the IDAT stream into the ring, then checks that the
// stream ends with the last row.
PngOutcome inflate_rows(PngInflater* inflater, PngRowRing* ring, uint64 expected)
{
	uint64 written = 0;
	while (written < expected) {
		size_t room;
		uint8* out = ring->WaitForSpace(written, &room);
		// The consumer stopped at a bad row; what it found decides.
		if (out == NULL)
			return PngOutcome::kDone;
		size_t produced;
		PngOutcome outcome =
		    inflater->Inflate(out, room < kInflateStep ? room : kInflateStep, &produced);
		if (outcome != PngOutcome::kDone)
			return outcome;
		// Too little image data.
		if (produced == 0)
			return PngOutcome::kDeclined;
		written += produced;
		ring->Publish(written);
	}
	// The stream's end and Adler-32 may lie past the last row, in the next
	// IDAT chunks; more pixel data than rows is libpng's to judge.
	while (!inflater->Ended()) {
		uint8 scratch[64];
		size_t produced;
		PngOutcome outcome = inflater->Inflate(scratch, sizeof(scratch), &produced);
		if (outcome != PngOutcome::kDone)
			return outcome;
		if (produced > 0)
			return PngOutcome::kDeclined;
	}
	return inflater->HasUnusedInput() ? PngOutcome::kDeclined : PngOutcome::kDone;
}

PngOutcome decode_image(PngChunkReader& chunks, const Picture& picture,
                        const PngFastPathOptions& options, BBitmap** outBitmap, bool* opaque)
{
	const PngHeader& header = picture.header;
	size_t stride = picture.rowBytes + 1;
	uint64 expected = uint64(header.height) * stride;
	PngInflater inflater(&chunks, expected);
	if (inflater.InitCheck() != B_OK)
		return PngOutcome::kDeclined;

	if (3 * stride > kMaxRingBytes)
		return PngOutcome::kDeclined;
	bool threaded = expected >= options.threadBelow;
	uint32 slots = threaded ? uint32(options.ringBytes / stride) : header.height;
	if (slots > header.height)
		slots = header.height;
	PngRowRing ring(stride, header.height, slots);
	std::unique_ptr<uint8[]> zeros(new (std::nothrow) uint8[picture.rowBytes]());
	// A failed allocation is left to libpng, which may find the memory.
	if (ring.InitCheck() != B_OK || !zeros)
		return PngOutcome::kDeclined;
	std::unique_ptr<BBitmap> bitmap(new (std::nothrow)
	                                    BBitmap(BRect(0, 0, header.width - 1, header.height - 1),
	                                            picture.format.alpha ? B_RGBA32 : B_RGB32));
	if (!bitmap || bitmap->InitCheck() != B_OK)
		return PngOutcome::kDeclined;
	uint8* bits = static_cast<uint8*>(bitmap->Bits());
	int32 bytesPerRow = bitmap->BytesPerRow();

	RowsResult rows;
	// The unfiltering thread is the slower of the two; the inflating one
	// waits for it part of the time, which its core can spend mapping the
	// bitmap's pages in ahead of it.
	BitmapPrefault prefault(threaded ? bitmap.get() : NULL);
	std::thread consumer;
	if (threaded) {
		try {
			consumer = std::thread(unfilter_rows, &ring, &picture, zeros.get(), bits, bytesPerRow,
			                       &prefault, &rows);
		} catch (const std::system_error&) {
			return PngOutcome::kDeclined;
		}
	}
	PngOutcome outcome = inflate_rows(&inflater, &ring, expected);
	if (outcome == PngOutcome::kDone && !ring.IsCancelled())
		outcome = read_chunks_after_image(chunks, picture);
	if (threaded) {
		if (outcome != PngOutcome::kDone)
			ring.Cancel();
		consumer.join();
	} else if (outcome == PngOutcome::kDone) {
		unfilter_rows(&ring, &picture, zeros.get(), bits, bytesPerRow, &prefault, &rows);
	}
	// libpng meets a bad filter type before anything the inflating side
	// found later in the stream.
	if (rows.badFilter)
		return PngOutcome::kRejected;
	if (outcome != PngOutcome::kDone)
		return outcome;
	if (!rows.complete)
		return PngOutcome::kDeclined;
	*opaque = rows.alpha == 0xff;
	*outBitmap = bitmap.release();
	return PngOutcome::kDone;
}

} // namespace

PngOutcome png_fast_decode(BPositionIO* stream, off_t start, BBitmap** bitmap, bool* opaque,
                           const PngFastPathOptions& options)
{
	PngChunkReader chunks(stream, start);
	Picture picture;
	PngOutcome outcome = chunks.ReadSignature();
	if (outcome == PngOutcome::kDone)
		outcome = read_header(chunks, &picture);
	if (outcome == PngOutcome::kDone)
		outcome = read_chunks_before_image(chunks, &picture);
	if (outcome != PngOutcome::kDone)
		return outcome;
	return decode_image(chunks, picture, options, bitmap, opaque);
}

} // namespace BPrivate
