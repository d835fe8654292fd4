// This executable is built with pl_embed_resources(resources/Pelivant.rdef)
// and reads its own resources back.

#include <AppFileInfo.h>
#include <Message.h>

#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "storage/ElfResources.h"
#include "storage/ResourceFormat.h"

namespace {

const char* kSelf = "/proc/self/exe";

std::string read_all(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	EXPECT_TRUE(in.good()) << path;
	std::ostringstream contents;
	contents << in.rdbuf();
	return contents.str();
}

std::string source_dir()
{
	const char* dir = getenv("PL_SOURCE_DIR");
	return dir != NULL ? dir : "";
}

// SetTo() on a file holding |bytes|.
status_t info_status(const TempDir& dir, const std::string& bytes)
{
	std::string path = dir.Write("exe", bytes.data(), bytes.size());
	BFile file(path.c_str(), B_READ_ONLY);
	EXPECT_EQ(file.InitCheck(), B_OK);
	BAppFileInfo info(&file);
	status_t status = info.InitCheck();
	if (status == B_OK) {
		// Whatever survived must still read safely.
		char signature[B_MIME_TYPE_LENGTH];
		version_info version;
		uint32 flags;
		BMessage types;
		info.GetSignature(signature);
		info.GetVersionInfo(&version, B_APP_VERSION_KIND);
		info.GetAppFlags(&flags);
		info.GetSupportedTypes(&types);
	}
	return status;
}

void put64(std::string* bytes, size_t offset, uint64_t value)
{
	for (int i = 0; i < 8; i++)
		(*bytes)[offset + i] = char(value >> (8 * i));
}

void put16(std::string* bytes, size_t offset, uint16_t value)
{
	(*bytes)[offset] = char(value);
	(*bytes)[offset + 1] = char(value >> 8);
}

uint64_t get64(const std::string& bytes, size_t offset)
{
	uint64_t value = 0;
	for (int i = 7; i >= 0; i--)
		value = value << 8 | uint8_t(bytes[offset + i]);
	return value;
}

// The file offset of the section |name| in the ELF64 image |bytes|.
size_t section_offset(const std::string& bytes, const char* name)
{
	uint64_t table = get64(bytes, 0x28);
	uint16_t count = uint16_t(uint8_t(bytes[0x3c]) | uint8_t(bytes[0x3d]) << 8);
	uint16_t strings = uint16_t(uint8_t(bytes[0x3e]) | uint8_t(bytes[0x3f]) << 8);
	uint64_t names = get64(bytes, size_t(table + 64 * strings + 24));
	for (uint16_t i = 1; i < count; i++) {
		size_t header = size_t(table + 64 * i);
		uint32_t nameOffset =
		    uint32_t(uint8_t(bytes[header]) | uint8_t(bytes[header + 1]) << 8 |
		             uint8_t(bytes[header + 2]) << 16 | uint32_t(uint8_t(bytes[header + 3])) << 24);
		if (strcmp(bytes.c_str() + names + nameOffset, name) == 0)
			return size_t(get64(bytes, header + 24));
	}
	return std::string::npos;
}

} // namespace

TEST(AppFileInfo, ReadsItsOwnResources)
{
	BFile file(kSelf, B_READ_ONLY);
	ASSERT_EQ(file.InitCheck(), B_OK);
	BAppFileInfo info(&file);
	ASSERT_EQ(info.InitCheck(), B_OK);

	char signature[B_MIME_TYPE_LENGTH];
	ASSERT_EQ(info.GetSignature(signature), B_OK);
	EXPECT_STREQ(signature, "application/x-vnd.Tarvosk.Pelivant2");

	uint32 flags = 0;
	ASSERT_EQ(info.GetAppFlags(&flags), B_OK);
	EXPECT_EQ(flags, 0x2u); // B_EXCLUSIVE_LAUNCH

	BMessage types;
	ASSERT_EQ(info.GetSupportedTypes(&types), B_OK);
	type_code type;
	int32 count = 0;
	ASSERT_EQ(types.GetInfo("types", &type, &count), B_OK);
	EXPECT_EQ(count, 2);
	const char* first = NULL;
	const char* second = NULL;
	ASSERT_EQ(types.FindString("types", 0, &first), B_OK);
	ASSERT_EQ(types.FindString("types", 1, &second), B_OK);
	EXPECT_STREQ(first, "image");
	EXPECT_STREQ(second, "video");

	version_info version;
	memset(&version, 0x55, sizeof(version));
	ASSERT_EQ(info.GetVersionInfo(&version, B_APP_VERSION_KIND), B_OK);
	EXPECT_EQ(version.major, 1u);
	EXPECT_EQ(version.middle, 0u);
	EXPECT_EQ(version.minor, 4u);
	EXPECT_EQ(version.variety, uint32(B_GOLDEN_MASTER_VERSION));
	EXPECT_EQ(version.variety, 4u);
	EXPECT_EQ(version.internal, 0u);
	EXPECT_STREQ(version.short_info, "yet another wallpeper.");
	EXPECT_STREQ(version.long_info, "Pelivant is a simple image/video viewer,\n"
	                                "and is a yet another wall paper.\n"
	                                "you can shrink image/video to prefered size,\n"
	                                "and replicate it for scrollable wallpaper.\n");

	// Only the application's version is defined: the system one is zero.
	ASSERT_EQ(info.GetVersionInfo(&version, B_SYSTEM_VERSION_KIND), B_OK);
	EXPECT_EQ(version.major, 0u);
	EXPECT_STREQ(version.long_info, "");
	EXPECT_EQ(info.GetVersionInfo(&version, version_kind(2)), B_BAD_VALUE);

	uint8* icon = NULL;
	size_t iconSize = 0;
	ASSERT_EQ(info.GetIcon(&icon, &iconSize), B_OK);
	std::string svg = read_all(source_dir() + "/resources/icons/Pelivant.svg");
	EXPECT_EQ(std::string(reinterpret_cast<char*>(icon), iconSize), svg);
	delete[] icon;

	// Reading does not move the file.
	EXPECT_EQ(file.Position(), 0);
}

TEST(AppFileInfo, RunningExecutableOpenedReadWriteFallsBackToReading)
{
	// What an application does to read its version: open its own file
	// B_READ_WRITE. Linux refuses writing to a running executable (ETXTBSY).
	BFile file(kSelf, B_READ_WRITE);
	ASSERT_EQ(file.InitCheck(), B_OK);
	EXPECT_TRUE(file.IsReadable());
	EXPECT_FALSE(file.IsWritable());
	EXPECT_EQ(file.WriteAt(0, "x", 1), B_PERMISSION_DENIED);
	BAppFileInfo info(&file);
	version_info version;
	ASSERT_EQ(info.GetVersionInfo(&version, B_APP_VERSION_KIND), B_OK);
	EXPECT_EQ(version.minor, 4u);

	// Truncating or appending is never turned into reading.
	BFile erase(kSelf, B_READ_WRITE | B_ERASE_FILE);
	EXPECT_EQ(erase.InitCheck(), B_BUSY);
}

TEST(AppFileInfo, FilesWithoutResources)
{
	TempDir dir;
	EXPECT_EQ(info_status(dir, "just some text\n"), B_OK);
	EXPECT_EQ(info_status(dir, ""), B_OK);

	std::string text = dir.Write("text", "plain");
	BFile file(text.c_str(), B_READ_ONLY);
	BAppFileInfo info(&file);
	ASSERT_EQ(info.InitCheck(), B_OK);
	char signature[B_MIME_TYPE_LENGTH];
	EXPECT_EQ(info.GetSignature(signature), B_ENTRY_NOT_FOUND);
	version_info version;
	EXPECT_EQ(info.GetVersionInfo(&version, B_APP_VERSION_KIND), B_ENTRY_NOT_FOUND);

	// An executable of ours built without resources.
	const char* binaries = getenv("PL_BINARY_DIR");
	ASSERT_NE(binaries, nullptr);
	BFile plain((std::string(binaries) + "/bin/storage_file_test").c_str(), B_READ_ONLY);
	ASSERT_EQ(info.SetTo(&plain), B_OK);
	EXPECT_EQ(info.GetSignature(signature), B_ENTRY_NOT_FOUND);

	BAppFileInfo unset;
	EXPECT_EQ(unset.GetSignature(signature), B_NO_INIT);
	EXPECT_EQ(unset.SetTo(NULL), B_BAD_VALUE);
	BFile writeOnly((dir / "w").c_str(), B_WRITE_ONLY | B_CREATE_FILE);
	EXPECT_EQ(unset.SetTo(&writeOnly), B_PERMISSION_DENIED);
}

TEST(AppFileInfo, CorruptExecutablesGiveErrors)
{
	TempDir dir;
	const std::string self = read_all(kSelf);
	ASSERT_GT(self.size(), 4096u);
	ASSERT_EQ(info_status(dir, self), B_OK);

	// Section headers sit at the end: every truncation loses them.
	for (size_t cut : {size_t(64), size_t(200), self.size() / 3, self.size() / 2, self.size() - 1})
		EXPECT_EQ(info_status(dir, self.substr(0, cut)), B_BAD_DATA) << "cut at " << cut;

	// ELF64 header fields: e_shoff at 0x28, e_shentsize 0x3a, e_shnum 0x3c,
	// e_shstrndx 0x3e.
	std::string bad = self;
	put64(&bad, 0x28, uint64_t(1) << 62);
	EXPECT_EQ(info_status(dir, bad), B_BAD_DATA);
	bad = self;
	put64(&bad, 0x28, self.size() - 8);
	EXPECT_EQ(info_status(dir, bad), B_BAD_DATA);
	bad = self;
	put16(&bad, 0x3a, 8); // entries too small to be section headers
	EXPECT_EQ(info_status(dir, bad), B_BAD_DATA);
	bad = self;
	put16(&bad, 0x3c, 0xffff);
	EXPECT_EQ(info_status(dir, bad), B_BAD_DATA);
	bad = self;
	put16(&bad, 0x3e, 0xfff0);
	EXPECT_EQ(info_status(dir, bad), B_BAD_DATA);
	bad = self;
	bad[4] = 7; // no such ELF class
	EXPECT_EQ(info_status(dir, bad), B_BAD_DATA);

	// Every section's size made huge, one at a time.
	uint64_t tableOffset = get64(self, 0x28);
	uint16_t count = uint16_t(uint8_t(self[0x3c]) | uint8_t(self[0x3d]) << 8);
	int broken = 0;
	for (uint16_t i = 1; i < count; i++) {
		bad = self;
		put64(&bad, size_t(tableOffset + 64 * i + 32), self.size() * 2);
		if (info_status(dir, bad) != B_OK)
			broken++;
	}
	// At least the string table and the resource section matter.
	EXPECT_GE(broken, 2);
}

TEST(AppFileInfo, CorruptResourceBlobsGiveErrors)
{
	TempDir dir;
	const std::string self = read_all(kSelf);
	size_t at = section_offset(self, ".pl_resources");
	ASSERT_NE(at, std::string::npos);
	ASSERT_EQ(self.compare(at, 4, "SRLP"), 0); // 'PLRS', little-endian

	auto patch32 = [&](size_t offset, uint32_t value) {
		std::string bad = self;
		BPrivate::write_le32(reinterpret_cast<unsigned char*>(&bad[at + offset]), value);
		return bad;
	};
	EXPECT_EQ(info_status(dir, patch32(0, 0)), B_BAD_DATA);                // magic
	EXPECT_EQ(info_status(dir, patch32(4, 2)), B_BAD_DATA);                // format version
	EXPECT_EQ(info_status(dir, patch32(8, 0x7fffffff)), B_BAD_DATA);       // count
	EXPECT_EQ(info_status(dir, patch32(12, 0xfffffff0)), B_BAD_DATA);      // total size
	EXPECT_EQ(info_status(dir, patch32(16 + 8, 0xfffffffc)), B_BAD_DATA);  // first name length
	EXPECT_EQ(info_status(dir, patch32(16 + 12, 0xfffffff0)), B_BAD_DATA); // first data length
}

TEST(ResourceBlob, ParsesOnlyWhatFits)
{
	std::vector<BPrivate::Resource> resources;
	std::vector<uint8> blob(16 + 16 + 4 + 4, 0);
	BPrivate::write_le32(&blob[0], BPrivate::kResourceMagic);
	BPrivate::write_le32(&blob[4], 1);
	BPrivate::write_le32(&blob[8], 1);
	BPrivate::write_le32(&blob[12], uint32(blob.size()));
	BPrivate::write_le32(&blob[16], 'APPF');
	BPrivate::write_le32(&blob[20], 1);
	BPrivate::write_le32(&blob[24], 4);
	BPrivate::write_le32(&blob[28], 4);
	memcpy(&blob[32], "FLAG", 4);
	BPrivate::write_le32(&blob[36], 2);
	ASSERT_EQ(BPrivate::parse_resources(blob.data(), blob.size(), &resources), B_OK);
	ASSERT_EQ(resources.size(), 1u);
	EXPECT_EQ(resources[0].type, uint32('APPF'));
	EXPECT_EQ(resources[0].name, "FLAG");
	EXPECT_EQ(resources[0].data, std::vector<uint8>({2, 0, 0, 0}));

	// Every shorter view of it is refused.
	for (size_t size = 0; size < blob.size(); size++)
		EXPECT_EQ(BPrivate::parse_resources(blob.data(), size, &resources), B_BAD_DATA) << size;
}

TEST(ResourceCompiler, RejectsBadDefinitions)
{
	const char* binaries = getenv("PL_BINARY_DIR");
	ASSERT_NE(binaries, nullptr);
	std::string compiler = std::string(binaries) + "/bin/pl_rescomp";
	TempDir dir;
	auto compile = [&](const std::string& definition) {
		std::string input = dir.Write("test.rdef", definition);
		std::string command = compiler + " " + input + " " + (dir / "out.cpp") + " 2>/dev/null";
		int status = system(command.c_str());
		return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
	};
	EXPECT_EQ(compile("signature \"application/x-vnd.test\";\napp_flags B_SINGLE_LAUNCH | 0x4;\n"
	                  "app_version { major 2; variety B_FINAL_VERSION; long_info \"a\" \"b\"; }\n"
	                  "system_version { major 5; }\n"),
	          0);
	std::string generated = read_all(dir / "out.cpp");
	EXPECT_NE(generated.find(".pl_resources"), std::string::npos);

	EXPECT_EQ(compile("signatur \"x\";"), 1);
	EXPECT_EQ(compile("signature \"x\""), 1); // no ';'
	EXPECT_EQ(compile("signature \"x\"; signature \"y\";"), 1);
	EXPECT_EQ(compile("signature \"unterminated;"), 1);
	EXPECT_EQ(compile("app_flags B_NO_SUCH_FLAG;"), 1);
	EXPECT_EQ(compile("app_flags 0x100000000;"), 1);
	EXPECT_EQ(compile("app_version { short_info \"" + std::string(64, 'x') + "\"; }"), 1);
	EXPECT_EQ(compile("app_version { long_info \"" + std::string(256, 'x') + "\"; }"), 1);
	EXPECT_EQ(compile("app_version { colour 3; }"), 1);
	EXPECT_EQ(compile("system_version { major 1; }"), 1);
	EXPECT_EQ(compile("vector_icon \"no-such-file.svg\";"), 1);
}
