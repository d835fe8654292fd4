#ifndef PLATFORM_STORAGE_RESOURCE_FORMAT_H
#define PLATFORM_STORAGE_RESOURCE_FORMAT_H

// The application's resources, as the resource compiler (tools/rescomp)
// writes them into an ELF section of the executable and BAppFileInfo reads
// them back. All integers are little-endian.
//
//   header   uint32 magic 'PLRS', uint32 format version (1),
//            uint32 resource count, uint32 total size (header included)
//   entries  count times: uint32 type code, int32 id, uint32 name length,
//            uint32 data length, the name (no terminator), the data,
//            zero padding to a multiple of 4
//
// The content of each resource is what the Be API keeps under that type:
// 'MIMS' a NUL-terminated string, 'APPF' a uint32, 'MSGG' a flattened
// BMessage, 'APPV' one or two version_info records (five uint32, then
// short_info[64] and long_info[256]), 'VICN' the vector icon (SVG here).

#include <stdint.h>

namespace BPrivate {

const char kResourceSectionName[] = ".pl_resources";
const uint32_t kResourceMagic = 'PLRS';
const uint32_t kResourceFormatVersion = 1;
const uint32_t kResourceHeaderSize = 16;
const uint32_t kResourceEntryHeaderSize = 16;
// No application needs more; a larger claim is a corrupt file.
const uint32_t kResourceMaxSize = 16 * 1024 * 1024;

const uint32_t kVersionInfoSize = 5 * 4 + 64 + 256;

inline uint32_t read_le32(const unsigned char* p)
{
	return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void write_le32(unsigned char* p, uint32_t value)
{
	p[0] = uint8_t(value);
	p[1] = uint8_t(value >> 8);
	p[2] = uint8_t(value >> 16);
	p[3] = uint8_t(value >> 24);
}

} // namespace BPrivate

#endif
