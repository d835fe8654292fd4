// Executables of any shape through the resource reader: must never crash,
// hang or read outside the input.
#include <DataIO.h>

#include <stddef.h>
#include <stdint.h>

#include "storage/ElfResources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	BMemoryIO file(data, size);
	std::vector<BPrivate::Resource> resources;
	BPrivate::read_elf_resources(&file, &resources);
	BPrivate::parse_resources(data, size, &resources);
	return 0;
}
