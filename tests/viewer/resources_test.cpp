// This executable carries the viewer's resources (pl_embed_resources of
// resources/Pelivant.rdef) and checks the classic bitmap icons among them.

#include <stdlib.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include <File.h>

#include <gtest/gtest.h>

#include "platform/storage/TempDir.h"
#include "storage/ElfResources.h"

namespace {

const uint8 kTransparent = 255; // B_TRANSPARENT_MAGIC_CMAP8

std::vector<BPrivate::Resource> own_resources()
{
	BFile self("/proc/self/exe", B_READ_ONLY);
	std::vector<BPrivate::Resource> resources;
	EXPECT_EQ(BPrivate::read_elf_resources(&self, &resources), B_OK);
	return resources;
}

const BPrivate::Resource* find(const std::vector<BPrivate::Resource>& resources, type_code type,
                               int32 id)
{
	for (const BPrivate::Resource& resource : resources) {
		if (resource.type == type && resource.id == id)
			return &resource;
	}
	return NULL;
}

std::string source_dir()
{
	const char* dir = getenv("PL_SOURCE_DIR");
	return dir != NULL ? dir : "";
}

int compile(const TempDir& dir, const std::string& definition)
{
	std::string compiler = std::string(getenv("PL_BINARY_DIR")) + "/bin/pl_rescomp";
	std::string input = dir.Write("test.rdef", definition);
	std::string command = compiler + " " + input + " " + (dir / "out.cpp") + " 2>/dev/null";
	int status = system(command.c_str());
	return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(ViewerResources, BitmapIconsAreColourMappedAtTheirSizes)
{
	std::vector<BPrivate::Resource> resources = own_resources();
	struct {
		type_code type;
		const char* name;
		int size;
	} icons[] = {{'ICON', "BEOS:L:STD_ICON", 32}, {'MICN', "BEOS:M:STD_ICON", 16}};
	for (const auto& expected : icons) {
		const BPrivate::Resource* icon = find(resources, expected.type, 101);
		ASSERT_NE(icon, nullptr) << expected.name;
		EXPECT_EQ(icon->name, expected.name);
		ASSERT_EQ(icon->data.size(), size_t(expected.size * expected.size)) << expected.name;

		// The drawing leaves its top-left corner empty and fills its middle.
		int size = expected.size;
		EXPECT_EQ(icon->data[0], kTransparent) << expected.name;
		EXPECT_NE(icon->data[size_t(size / 2 * size + size / 2)], kTransparent) << expected.name;
		int opaque = 0;
		std::vector<bool> used(256, false);
		for (uint8 index : icon->data) {
			opaque += index != kTransparent;
			used[index] = true;
		}
		EXPECT_GT(opaque, size * size / 3) << expected.name;
		int colours = 0;
		for (int i = 0; i < 255; i++)
			colours += used[i];
		EXPECT_GE(colours, 6) << expected.name << ": a picture, not a silhouette";
	}
}

TEST(ViewerResources, IconPicturesMustFitTheirSize)
{
	TempDir dir;
	std::string icons = source_dir() + "/resources/icons/";
	EXPECT_EQ(compile(dir, "large_icon \"" + icons +
	                           "Pelivant-32.png\";\n"
	                           "mini_icon \"" +
	                           icons + "Pelivant-16.png\";\n"),
	          0);
	EXPECT_EQ(compile(dir, "large_icon \"" + icons + "Pelivant-16.png\";\n"), 1);
	EXPECT_EQ(compile(dir, "mini_icon \"" + icons + "Pelivant-64.png\";\n"), 1);
	EXPECT_EQ(compile(dir, "mini_icon \"no-such-picture.png\";\n"), 1);
	dir.Write("broken.png", "\x89PNG\r\n\x1a\n", 8);
	EXPECT_EQ(compile(dir, "mini_icon \"broken.png\";\n"), 1);
	EXPECT_EQ(compile(dir, "large_icon \"" + icons +
	                           "Pelivant-32.png\";\n"
	                           "large_icon \"" +
	                           icons + "Pelivant-32.png\";\n"),
	          1);
}
