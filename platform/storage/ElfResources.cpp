#include "storage/ElfResources.h"

#include <elf.h>
#include <string.h>

#include "storage/ResourceFormat.h"

namespace BPrivate {

namespace {

// Section header tables larger than this are not from a real executable.
const uint64 kMaxSectionCount = 1 << 20;
const uint64 kMaxStringTableSize = 16 * 1024 * 1024;

uint64 read_le(const uint8* p, int bytes)
{
	uint64 value = 0;
	for (int i = bytes - 1; i >= 0; i--)
		value = value << 8 | p[i];
	return value;
}

// The fields of an ELF header or section header that matter here, read at
// the offsets of either class.
struct ElfLayout {
	bool is64;
	size_t headerSize;
	size_t sectionHeaderSize;

	uint64 SectionTableOffset(const uint8* h) const
	{
		return is64 ? read_le(h + 0x28, 8) : read_le(h + 0x20, 4);
	}
	uint64 SectionEntrySize(const uint8* h) const { return read_le(h + (is64 ? 0x3a : 0x2e), 2); }
	uint64 SectionCount(const uint8* h) const { return read_le(h + (is64 ? 0x3c : 0x30), 2); }
	uint64 StringTableIndex(const uint8* h) const { return read_le(h + (is64 ? 0x3e : 0x32), 2); }

	uint32 NameOffset(const uint8* s) const { return uint32(read_le(s, 4)); }
	uint32 Type(const uint8* s) const { return uint32(read_le(s + 4, 4)); }
	uint64 Offset(const uint8* s) const { return is64 ? read_le(s + 24, 8) : read_le(s + 16, 4); }
	uint64 Size(const uint8* s) const { return is64 ? read_le(s + 32, 8) : read_le(s + 20, 4); }
	uint32 Link(const uint8* s) const { return uint32(read_le(s + (is64 ? 40 : 24), 4)); }
};

status_t read_exactly(BPositionIO* file, uint64 offset, void* buffer, size_t size)
{
	if (size == 0)
		return B_OK;
	if (file->ReadAtExactly(off_t(offset), buffer, size) != B_OK)
		return B_BAD_DATA;
	return B_OK;
}

// Whether [offset, offset + size) lies within a file of |fileSize| bytes.
bool within(uint64 offset, uint64 size, uint64 fileSize)
{
	return offset <= fileSize && size <= fileSize - offset;
}

} // namespace

status_t parse_resources(const uint8* data, size_t size, std::vector<Resource>* resources)
{
	resources->clear();
	if (size < kResourceHeaderSize || read_le32(data) != kResourceMagic ||
	    read_le32(data + 4) != kResourceFormatVersion)
		return B_BAD_DATA;
	uint32 count = read_le32(data + 8);
	uint32 total = read_le32(data + 12);
	// The section may be padded after the blob, never shorter than it.
	if (total < kResourceHeaderSize || total > size)
		return B_BAD_DATA;
	if (count > (total - kResourceHeaderSize) / kResourceEntryHeaderSize)
		return B_BAD_DATA;

	size_t position = kResourceHeaderSize;
	for (uint32 i = 0; i < count; i++) {
		if (total - position < kResourceEntryHeaderSize)
			return B_BAD_DATA;
		const uint8* entry = data + position;
		uint32 nameLength = read_le32(entry + 8);
		uint32 dataLength = read_le32(entry + 12);
		position += kResourceEntryHeaderSize;
		if (nameLength > total - position || dataLength > total - position - nameLength)
			return B_BAD_DATA;
		Resource resource;
		resource.type = read_le32(entry);
		resource.id = int32(read_le32(entry + 4));
		resource.name.assign(reinterpret_cast<const char*>(data + position), nameLength);
		position += nameLength;
		resource.data.assign(data + position, data + position + dataLength);
		position += dataLength;
		size_t padding = (4 - position % 4) % 4;
		position = total - position < padding ? total : position + padding;
		resources->push_back(std::move(resource));
	}
	return B_OK;
}

status_t read_elf_resources(BPositionIO* file, std::vector<Resource>* resources)
{
	resources->clear();
	if (file == NULL)
		return B_BAD_VALUE;
	off_t signedSize;
	status_t status = file->GetSize(&signedSize);
	if (status != B_OK)
		return status;
	uint64 fileSize = uint64(signedSize);

	uint8 header[64] = {};
	if (fileSize < EI_NIDENT || read_exactly(file, 0, header, EI_NIDENT) != B_OK ||
	    memcmp(header, ELFMAG, SELFMAG) != 0)
		return B_OK; // not an executable: no resources

	ElfLayout layout;
	if (header[EI_CLASS] == ELFCLASS64)
		layout = {true, sizeof(Elf64_Ehdr), sizeof(Elf64_Shdr)};
	else if (header[EI_CLASS] == ELFCLASS32)
		layout = {false, sizeof(Elf32_Ehdr), sizeof(Elf32_Shdr)};
	else
		return B_BAD_DATA;
	if (header[EI_DATA] != ELFDATA2LSB)
		return B_BAD_DATA; // the blob is little-endian, and so is every host we run on
	if (fileSize < layout.headerSize || read_exactly(file, 0, header, layout.headerSize) != B_OK)
		return B_BAD_DATA;

	uint64 tableOffset = layout.SectionTableOffset(header);
	uint64 entrySize = layout.SectionEntrySize(header);
	uint64 count = layout.SectionCount(header);
	uint64 stringIndex = layout.StringTableIndex(header);
	if (tableOffset == 0)
		return B_OK; // no section headers at all (stripped to the bone)
	if (entrySize < layout.sectionHeaderSize || !within(tableOffset, entrySize, fileSize))
		return B_BAD_DATA;

	// Section 0 carries the real count and string table index when they do
	// not fit the header's 16-bit fields.
	uint8 first[sizeof(Elf64_Shdr)];
	if (read_exactly(file, tableOffset, first, layout.sectionHeaderSize) != B_OK)
		return B_BAD_DATA;
	if (count == 0)
		count = layout.Size(first);
	if (stringIndex == SHN_XINDEX)
		stringIndex = layout.Link(first);
	if (count == 0 || count > kMaxSectionCount ||
	    !within(tableOffset, count * entrySize, fileSize) || stringIndex >= count)
		return B_BAD_DATA;

	std::vector<uint8> table(static_cast<size_t>(count * entrySize));
	if (read_exactly(file, tableOffset, table.data(), table.size()) != B_OK)
		return B_BAD_DATA;
	auto section = [&](uint64 index) { return table.data() + index * entrySize; };

	const uint8* strings = section(stringIndex);
	uint64 stringsOffset = layout.Offset(strings);
	uint64 stringsSize = layout.Size(strings);
	if (layout.Type(strings) != SHT_STRTAB || stringsSize > kMaxStringTableSize ||
	    !within(stringsOffset, stringsSize, fileSize))
		return B_BAD_DATA;
	std::vector<char> names(static_cast<size_t>(stringsSize));
	if (read_exactly(file, stringsOffset, names.data(), names.size()) != B_OK)
		return B_BAD_DATA;

	const size_t wantedLength = sizeof(kResourceSectionName); // with the terminator
	for (uint64 i = 1; i < count; i++) {
		const uint8* candidate = section(i);
		uint32 nameOffset = layout.NameOffset(candidate);
		if (nameOffset >= names.size())
			return B_BAD_DATA;
		if (names.size() - nameOffset < wantedLength ||
		    memcmp(names.data() + nameOffset, kResourceSectionName, wantedLength) != 0)
			continue;

		uint64 offset = layout.Offset(candidate);
		uint64 size = layout.Size(candidate);
		if (layout.Type(candidate) == SHT_NOBITS || size > kResourceMaxSize ||
		    !within(offset, size, fileSize))
			return B_BAD_DATA;
		std::vector<uint8> blob(static_cast<size_t>(size));
		if (read_exactly(file, offset, blob.data(), blob.size()) != B_OK)
			return B_BAD_DATA;
		return parse_resources(blob.data(), blob.size(), resources);
	}
	return B_OK;
}

} // namespace BPrivate
