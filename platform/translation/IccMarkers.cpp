#include "translation/IccMarkers.h"

#include <string.h>

#include "translation/ColorProfile.h"

namespace BPrivate {

namespace {

const char kIccSignature[] = "ICC_PROFILE";              // and its NUL: 12 bytes
constexpr size_t kIccHeader = sizeof(kIccSignature) + 2; // + sequence number, count

struct Chunk {
	const uint8* bytes = NULL;
	size_t length = 0;
};

} // namespace

bool jpeg_icc_profile(const uint8* data, size_t length, std::vector<uint8>* profile)
{
	if (length < 4 || data[0] != 0xff || data[1] != 0xd8)
		return false;
	Chunk chunks[256];
	int count = 0;
	size_t at = 2;
	while (at + 4 <= length) {
		if (data[at] != 0xff)
			return false;
		uint8 marker = data[at + 1];
		// Fill bytes before a marker.
		if (marker == 0xff) {
			at++;
			continue;
		}
		// Markers without a length: TEM and the restart markers, which do
		// not belong before the scan anyway.
		if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) {
			at += 2;
			continue;
		}
		// The scan (or the end of the picture): no header segment follows.
		if (marker == 0xda || marker == 0xd9)
			break;
		size_t segment = size_t(data[at + 2]) << 8 | data[at + 3];
		if (segment < 2 || segment > length - at - 2)
			return false;
		const uint8* payload = data + at + 4;
		size_t payloadLength = segment - 2;
		if (marker == 0xe2 && payloadLength > kIccHeader &&
		    memcmp(payload, kIccSignature, sizeof(kIccSignature)) == 0) {
			int sequence = payload[sizeof(kIccSignature)];
			int total = payload[sizeof(kIccSignature) + 1];
			if (sequence < 1 || total < 1 || sequence > total || (count != 0 && total != count) ||
			    chunks[sequence].bytes != NULL)
				return false;
			count = total;
			chunks[sequence].bytes = payload + kIccHeader;
			chunks[sequence].length = payloadLength - kIccHeader;
		}
		at += 2 + segment;
	}
	if (count == 0)
		return false;
	size_t total = 0;
	for (int i = 1; i <= count; i++) {
		if (chunks[i].bytes == NULL)
			return false;
		total += chunks[i].length;
	}
	profile->clear();
	profile->reserve(total);
	for (int i = 1; i <= count; i++)
		profile->insert(profile->end(), chunks[i].bytes, chunks[i].bytes + chunks[i].length);
	return true;
}

void convert_jpeg_to_srgb(const uint8* data, size_t length, BBitmap* bitmap)
{
	std::vector<uint8> profile;
	if (jpeg_icc_profile(data, length, &profile))
		convert_to_srgb(profile.data(), profile.size(), bitmap);
}

} // namespace BPrivate
