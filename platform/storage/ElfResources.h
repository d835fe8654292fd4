#ifndef PLATFORM_STORAGE_ELF_RESOURCES_H
#define PLATFORM_STORAGE_ELF_RESOURCES_H

#include <string>
#include <vector>

#include <DataIO.h>
#include <SupportDefs.h>

namespace BPrivate {

struct Resource {
	type_code type;
	int32 id;
	std::string name;
	std::vector<uint8> data;
};

// Parses a resource blob (see storage/ResourceFormat.h). B_BAD_DATA for
// anything malformed; never reads outside [data, data + size).
status_t parse_resources(const uint8* data, size_t size, std::vector<Resource>* resources);

// Reads the resources an executable carries in its ".pl_resources" section,
// through |file| (ReadAt only, so the position is untouched). A file that is
// not ELF, or an ELF file without the section, has none (B_OK, empty list);
// an ELF file whose headers or section are corrupt or truncated is B_BAD_DATA.
status_t read_elf_resources(BPositionIO* file, std::vector<Resource>* resources);

} // namespace BPrivate

#endif
