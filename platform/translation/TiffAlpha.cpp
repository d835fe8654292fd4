#include "translation/TiffAlpha.h"

#include <string.h>

#include <algorithm>

namespace BPrivate {

namespace {

constexpr uint16 kPhotometricTag = 262;
constexpr uint16 kExtraSamplesTag = 338;
constexpr uint16 kMinIsWhite = 0;
constexpr uint16 kMinIsBlack = 1;
constexpr uint16 kUnassociatedAlpha = 2;
// libtiff itself refuses directories far larger than real ones have.
constexpr uint64 kMaxEntries = 4096;

struct Reader {
	BPositionIO* stream;
	off_t start;
	bool bigEndian;

	bool Read(uint64 at, uint8* buffer, size_t size) const
	{
		if (at > uint64(INT64_MAX) - uint64(start) - size)
			return false;
		return stream->ReadAt(start + off_t(at), buffer, size) == ssize_t(size);
	}
	uint64 Value(const uint8* bytes, int size) const
	{
		uint64 value = 0;
		for (int i = 0; i < size; i++)
			value = value << 8 | bytes[bigEndian ? i : size - 1 - i];
		return value;
	}
};

} // namespace

bool tiff_colour_premultiplied(BPositionIO* stream, off_t start)
{
	uint8 header[16];
	Reader reader = {stream, start, false};
	if (!reader.Read(0, header, 8))
		return true;
	if (memcmp(header, "MM", 2) == 0)
		reader.bigEndian = true;
	else if (memcmp(header, "II", 2) != 0)
		return true;
	uint64 magic = reader.Value(header + 2, 2);
	// Classic TIFF (42) has 4-byte offsets and 12-byte entries; BigTIFF (43)
	// 8-byte offsets and 20-byte entries.
	bool big = magic == 43;
	if (!big && magic != 42)
		return true;
	uint64 ifd;
	if (big) {
		if (!reader.Read(8, header + 8, 8))
			return true;
		ifd = reader.Value(header + 8, 8);
	} else
		ifd = reader.Value(header + 4, 4);

	int countSize = big ? 8 : 2;
	int entrySize = big ? 20 : 12;
	int valueOffset = big ? 12 : 8;
	uint8 countBytes[8];
	if (!reader.Read(ifd, countBytes, countSize))
		return true;
	uint64 count = std::min(reader.Value(countBytes, countSize), kMaxEntries);

	uint16 photometric = 2;
	uint16 extra = 0;
	uint8 entry[20];
	for (uint64 i = 0; i < count; i++) {
		if (!reader.Read(ifd + countSize + i * entrySize, entry, entrySize))
			break;
		uint16 tag = uint16(reader.Value(entry, 2));
		uint64 values = reader.Value(entry + 4, big ? 8 : 4);
		if (values == 0)
			continue;
		// Both are SHORTs; the first one sits in the entry unless there are
		// more than the entry holds, which then points at them.
		const uint8* first = entry + valueOffset;
		uint8 outside[2];
		if (values * 2 > uint64(entrySize - valueOffset)) {
			if (!reader.Read(reader.Value(first, big ? 8 : 4), outside, 2))
				continue;
			first = outside;
		}
		if (tag == kPhotometricTag)
			photometric = uint16(reader.Value(first, 2));
		else if (tag == kExtraSamplesTag)
			extra = uint16(reader.Value(first, 2));
	}
	bool grey = photometric == kMinIsWhite || photometric == kMinIsBlack;
	return !(grey && extra == kUnassociatedAlpha);
}

} // namespace BPrivate
