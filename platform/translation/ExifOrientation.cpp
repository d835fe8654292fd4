#include "translation/ExifOrientation.h"

#include <string.h>

namespace BPrivate {

namespace {

constexpr uint16 kOrientationTag = 0x0112;
constexpr uint16 kTypeShort = 3;

struct TiffReader {
	const uint8* data;
	size_t length;
	bool bigEndian;

	bool Read16(size_t at, uint16* value) const
	{
		if (at > length || length - at < 2)
			return false;
		*value =
		    bigEndian ? uint16(data[at] << 8 | data[at + 1]) : uint16(data[at + 1] << 8 | data[at]);
		return true;
	}
	bool Read32(size_t at, uint32* value) const
	{
		uint16 a, b;
		if (!Read16(at, &a) || !Read16(at + 2, &b))
			return false;
		*value = bigEndian ? (uint32(a) << 16 | b) : (uint32(b) << 16 | a);
		return true;
	}
};

int tiff_orientation(const uint8* tiff, size_t length)
{
	if (length < 8)
		return 1;
	TiffReader reader = {tiff, length, false};
	if (memcmp(tiff, "MM", 2) == 0)
		reader.bigEndian = true;
	else if (memcmp(tiff, "II", 2) != 0)
		return 1;
	uint16 magic;
	uint32 ifd;
	uint16 count;
	if (!reader.Read16(2, &magic) || magic != 42 || !reader.Read32(4, &ifd) ||
	    !reader.Read16(ifd, &count)) {
		return 1;
	}
	for (uint32 i = 0; i < count; i++) {
		size_t entry = size_t(ifd) + 2 + size_t(i) * 12;
		uint16 tag, type, value;
		uint32 valueCount;
		if (!reader.Read16(entry, &tag) || !reader.Read16(entry + 2, &type) ||
		    !reader.Read32(entry + 4, &valueCount) || !reader.Read16(entry + 8, &value)) {
			return 1;
		}
		if (tag == kOrientationTag) {
			if (type != kTypeShort || valueCount != 1 || value < 1 || value > 8)
				return 1;
			return value;
		}
	}
	return 1;
}

} // namespace

int jpeg_exif_orientation(const uint8* data, size_t length)
{
	if (length < 4 || data[0] != 0xff || data[1] != 0xd8)
		return 1;
	size_t at = 2;
	while (at + 4 <= length) {
		if (data[at] != 0xff)
			return 1;
		uint8 marker = data[at + 1];
		if (marker == 0xff) {
			at++; // fill byte
			continue;
		}
		// The scan starts (SOS) or the picture ends: no metadata after this.
		if (marker == 0xda || marker == 0xd9)
			return 1;
		size_t segment = size_t(data[at + 2]) << 8 | data[at + 3];
		if (segment < 2 || segment > length - at - 2)
			return 1;
		const uint8* payload = data + at + 4;
		size_t payloadLength = segment - 2;
		if (marker == 0xe1 && payloadLength >= 6 && memcmp(payload, "Exif\0\0", 6) == 0)
			return tiff_orientation(payload + 6, payloadLength - 6);
		at += 2 + segment;
	}
	return 1;
}

} // namespace BPrivate
