#include "storage/LinkedLibraries.h"

#include <elf.h>
#include <link.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <functional>
#include <new>

namespace BPrivate {

namespace {

// glibc relocates the address entries of a loaded object's dynamic section;
// the vDSO's are left as offsets.
const char* dynamic_address(const dl_phdr_info* info, ElfW(Addr) value)
{
	return reinterpret_cast<const char*>(value < info->dlpi_addr ? info->dlpi_addr + value : value);
}

bool needs(const dl_phdr_info* info, const char* soname)
{
	const ElfW(Dyn)* dynamic = NULL;
	for (int i = 0; i < info->dlpi_phnum; i++) {
		if (info->dlpi_phdr[i].p_type == PT_DYNAMIC)
			dynamic =
			    reinterpret_cast<const ElfW(Dyn)*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
	}
	if (dynamic == NULL)
		return false;
	const char* strings = NULL;
	ElfW(Xword) stringsSize = 0;
	for (const ElfW(Dyn)* entry = dynamic; entry->d_tag != DT_NULL; entry++) {
		if (entry->d_tag == DT_STRTAB)
			strings = dynamic_address(info, entry->d_un.d_ptr);
		else if (entry->d_tag == DT_STRSZ)
			stringsSize = entry->d_un.d_val;
	}
	if (strings == NULL)
		return false;
	size_t length = strlen(soname);
	for (const ElfW(Dyn)* entry = dynamic; entry->d_tag != DT_NULL; entry++) {
		if (entry->d_tag != DT_NEEDED || entry->d_un.d_val + length >= stringsSize)
			continue;
		if (strncmp(strings + entry->d_un.d_val, soname, length + 1) == 0)
			return true;
	}
	return false;
}

bool holds(const dl_phdr_info* info, const void* address)
{
	uintptr_t at = reinterpret_cast<uintptr_t>(address);
	for (int i = 0; i < info->dlpi_phnum; i++) {
		const ElfW(Phdr)& segment = info->dlpi_phdr[i];
		if (segment.p_type != PT_LOAD)
			continue;
		uintptr_t start = info->dlpi_addr + segment.p_vaddr;
		if (at >= start && at - start < segment.p_memsz)
			return true;
	}
	return false;
}

struct Selection {
	std::function<bool(const dl_phdr_info*)> wanted;
	std::vector<std::string> found;
};

int visit(dl_phdr_info* info, size_t, void* data)
{
	Selection* selection = static_cast<Selection*>(data);
	// The executable comes first, with an empty name.
	if (info->dlpi_name == NULL || info->dlpi_name[0] != '/')
		return 0;
	// No exception may cross the C library's frames.
	try {
		if (selection->wanted(info))
			selection->found.push_back(info->dlpi_name);
	} catch (const std::bad_alloc&) {
		return 1;
	}
	return 0;
}

// The files of the loaded libraries (not the executable) that |wanted|.
std::vector<std::string> loaded_libraries_where(std::function<bool(const dl_phdr_info*)> wanted)
{
	Selection selection{std::move(wanted), {}};
	dl_iterate_phdr(visit, &selection);
	return selection.found;
}

} // namespace

std::vector<std::string> loaded_libraries_holding(const std::vector<const void*>& addresses)
{
	return loaded_libraries_where([&](const dl_phdr_info* info) {
		return std::any_of(addresses.begin(), addresses.end(),
		                   [&](const void* address) { return holds(info, address); });
	});
}

std::vector<std::string> loaded_libraries_needing(const char* soname)
{
	return loaded_libraries_where([&](const dl_phdr_info* info) { return needs(info, soname); });
}

} // namespace BPrivate
