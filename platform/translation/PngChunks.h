#ifndef PLATFORM_TRANSLATION_PNG_CHUNKS_H
#define PLATFORM_TRANSLATION_PNG_CHUNKS_H

#include <DataIO.h>

#include "translation/StreamReader.h"

namespace BPrivate {

// How a step of the PNG fast path ended. kDeclined hands the file to libpng,
// which may accept what the fast path does not take; kRejected is only for
// faults libpng refuses as well (a file cut short, a damaged critical chunk),
// so that both paths reject the same files.
enum class PngOutcome { kDone, kDeclined, kRejected };

constexpr uint32 png_chunk_type(const char (&name)[5])
{
	return uint32(uint8(name[0])) << 24 | uint32(uint8(name[1])) << 16 |
	       uint32(uint8(name[2])) << 8 | uint32(uint8(name[3]));
}

constexpr uint32 kPngIHDR = png_chunk_type("IHDR");
constexpr uint32 kPngPLTE = png_chunk_type("PLTE");
constexpr uint32 kPngIDAT = png_chunk_type("IDAT");
constexpr uint32 kPngIEND = png_chunk_type("IEND");
constexpr uint32 kPngtRNS = png_chunk_type("tRNS");
constexpr uint32 kPngiCCP = png_chunk_type("iCCP");

// Bit 5 of the first letter: lower case marks a chunk a decoder may skip.
constexpr bool png_chunk_is_critical(uint32 type)
{
	return (type & 0x20000000u) == 0;
}

// Reads a PNG's chunks in order from a stream, checking each one's CRC as its
// data is read. A chunk is opened by Next(), read with Read() or Skip(), and
// closed by Finish().
class PngChunkReader {
public:
	PngChunkReader(BPositionIO* stream, off_t start) : fReader(stream, start) {}

	PngOutcome ReadSignature();

	// Opens the next chunk. Lengths and names libpng refuses are declined:
	// which of them libpng treats as fatal is its business.
	PngOutcome Next();
	uint32 Type() const { return fType; }
	uint32 Length() const { return fLength; }
	// Bytes of the open chunk's data not yet read.
	uint32 Remaining() const { return fRemaining; }

	// Exactly |size| bytes of the open chunk, |size| <= Remaining().
	PngOutcome Read(void* buffer, uint32 size);
	PngOutcome Skip(uint32 size);
	// Reads what is left of the data and the CRC. A damaged critical chunk is
	// rejected (libpng stops there), a damaged ancillary one declined (libpng
	// drops it and goes on, perhaps to other pixels).
	PngOutcome Finish();

private:
	StreamReader fReader;
	uint32 fType = 0;
	uint32 fLength = 0;
	uint32 fRemaining = 0;
	uint32 fCrc = 0;
};

// The fields of IHDR.
struct PngHeader {
	uint32 width;
	uint32 height;
	uint8 depth;
	uint8 colorType;
	uint8 compression;
	uint8 filter;
	uint8 interlace;
};

void parse_png_header(const uint8 data[13], PngHeader* header);

// The CRC-32 of PNG (and gzip), continued from |crc| (0 to start).
uint32 png_crc(uint32 crc, const void* data, size_t length);

inline uint32 png_get_be32(const uint8* at)
{
	return uint32(at[0]) << 24 | uint32(at[1]) << 16 | uint32(at[2]) << 8 | uint32(at[3]);
}

} // namespace BPrivate

#endif
