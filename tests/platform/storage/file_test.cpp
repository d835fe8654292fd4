#include <File.h>
#include <Node.h>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <string>

#include <TypeConstants.h>
#include <gtest/gtest.h>

#include "TempDir.h"

namespace {

std::string contents(const std::string& path)
{
	BFile file(path.c_str(), B_READ_ONLY);
	off_t size = 0;
	EXPECT_EQ(file.GetSize(&size), B_OK);
	std::string data(size_t(size), '\0');
	EXPECT_EQ(file.ReadAt(0, data.data(), data.size()), ssize_t(size));
	return data;
}

} // namespace

TEST(File, OpenModes)
{
	TempDir dir;
	std::string path = dir / "f";

	BFile file(path.c_str(), B_READ_ONLY);
	EXPECT_EQ(file.InitCheck(), B_ENTRY_NOT_FOUND);
	EXPECT_FALSE(file.IsReadable());

	ASSERT_EQ(file.SetTo(path.c_str(), B_WRITE_ONLY | B_CREATE_FILE), B_OK);
	EXPECT_TRUE(file.IsWritable());
	EXPECT_FALSE(file.IsReadable());
	EXPECT_EQ(file.Write("hello", 5), 5);
	char buffer[16];
	EXPECT_EQ(file.Read(buffer, sizeof(buffer)), B_PERMISSION_DENIED);
	file.Unset();
	EXPECT_EQ(file.InitCheck(), B_NO_INIT);
	EXPECT_EQ(file.Write("x", 1), B_NO_INIT);

	EXPECT_EQ(file.SetTo(path.c_str(), B_WRITE_ONLY | B_CREATE_FILE | B_FAIL_IF_EXISTS),
	          B_FILE_EXISTS);

	ASSERT_EQ(file.SetTo(path.c_str(), B_WRITE_ONLY | B_OPEN_AT_END), B_OK);
	EXPECT_EQ(file.Write(" world", 6), 6);
	file.Unset();
	EXPECT_EQ(contents(path), "hello world");

	ASSERT_EQ(file.SetTo(path.c_str(), B_READ_ONLY), B_OK);
	EXPECT_TRUE(file.IsReadable());
	EXPECT_FALSE(file.IsWritable());
	EXPECT_EQ(file.Write("x", 1), B_PERMISSION_DENIED);
	EXPECT_EQ(file.SetSize(0), B_PERMISSION_DENIED);
	EXPECT_EQ(contents(path), "hello world");

	ASSERT_EQ(file.SetTo(path.c_str(), B_READ_WRITE | B_ERASE_FILE), B_OK);
	off_t size = -1;
	EXPECT_EQ(file.GetSize(&size), B_OK);
	EXPECT_EQ(size, 0);

	EXPECT_EQ(file.SetTo(dir.Path().c_str(), B_READ_ONLY), B_IS_A_DIRECTORY);
	EXPECT_EQ(file.SetTo(path.c_str(), 3), B_BAD_VALUE); // no such access mode
	EXPECT_EQ(file.SetTo(path.c_str(), B_READ_ONLY | 0x40000000), B_BAD_VALUE);
	EXPECT_EQ(file.SetTo((const char*) NULL, B_READ_ONLY), B_BAD_VALUE);
	EXPECT_EQ(file.SetTo((dir / "no/f").c_str(), B_READ_WRITE | B_CREATE_FILE), B_ENTRY_NOT_FOUND);

	if (geteuid() != 0) { // root reads everything
		ASSERT_EQ(chmod(path.c_str(), 0200), 0);
		EXPECT_EQ(file.SetTo(path.c_str(), B_READ_ONLY), B_PERMISSION_DENIED);
	}
}

TEST(File, PositionedIo)
{
	TempDir dir;
	entry_ref ref;
	ASSERT_EQ(get_ref_for_path((dir / "io").c_str(), &ref), B_OK);
	BFile file(&ref, B_READ_WRITE | B_CREATE_FILE);
	ASSERT_EQ(file.InitCheck(), B_OK);

	EXPECT_EQ(file.Write("0123456789", 10), 10);
	EXPECT_EQ(file.Position(), 10);
	EXPECT_EQ(file.Seek(2, SEEK_SET), 2);
	char buffer[4] = {};
	EXPECT_EQ(file.Read(buffer, 3), 3);
	EXPECT_STREQ(buffer, "234");
	EXPECT_EQ(file.Seek(-1, SEEK_END), 9);
	EXPECT_EQ(file.Seek(-2, SEEK_CUR), 7);
	EXPECT_EQ(file.Seek(-100, SEEK_SET), B_BAD_VALUE);
	EXPECT_EQ(file.Seek(0, 17), B_BAD_VALUE);
	EXPECT_EQ(file.Position(), 7);

	// ReadAt/WriteAt leave the position alone.
	EXPECT_EQ(file.WriteAt(12, "AB", 2), 2);
	EXPECT_EQ(file.Position(), 7);
	off_t size = 0;
	EXPECT_EQ(file.GetSize(&size), B_OK);
	EXPECT_EQ(size, 14);
	char tail[3] = {};
	EXPECT_EQ(file.ReadAt(12, tail, 2), 2);
	EXPECT_STREQ(tail, "AB");
	EXPECT_EQ(file.ReadAt(100, tail, 2), 0);
	EXPECT_EQ(file.ReadAt(-1, tail, 2), B_BAD_VALUE);

	EXPECT_EQ(file.SetSize(4), B_OK);
	EXPECT_EQ(file.GetSize(&size), B_OK);
	EXPECT_EQ(size, 4);
	EXPECT_EQ(file.SetSize(-1), B_BAD_VALUE);

	// Through BPositionIO, as the decoders use it.
	BPositionIO* io = &file;
	char all[5] = {};
	EXPECT_EQ(io->ReadAtExactly(0, all, 4), B_OK);
	EXPECT_STREQ(all, "0123");
	EXPECT_EQ(io->ReadAtExactly(2, all, 4), B_PARTIAL_READ);
}

TEST(Node, OpensExistingNodesOnly)
{
	TempDir dir;
	std::string path = dir.Write("n", "x");
	BNode node(path.c_str());
	ASSERT_EQ(node.InitCheck(), B_OK);
	EXPECT_TRUE(node.IsFile());
	BNode same((dir / "n").c_str());
	EXPECT_TRUE(node == same);
	BNode folder(dir.Path().c_str());
	EXPECT_TRUE(folder.IsDirectory());
	EXPECT_TRUE(node != folder);

	BNode missing((dir / "gone").c_str());
	EXPECT_EQ(missing.InitCheck(), B_ENTRY_NOT_FOUND);
	struct stat st;
	EXPECT_EQ(missing.GetStat(&st), B_ENTRY_NOT_FOUND);
	BEntry abstract((dir / "gone").c_str());
	EXPECT_EQ(BNode(&abstract).InitCheck(), B_ENTRY_NOT_FOUND);

	// A node follows symlinks.
	ASSERT_EQ(symlink("n", (dir / "l").c_str()), 0);
	BNode throughLink((dir / "l").c_str());
	EXPECT_TRUE(throughLink == node);
	EXPECT_FALSE(throughLink.IsSymLink());
}

TEST(Node, AttributesAreUserXattrs)
{
	TempDir dir;
	std::string path = dir.Write("a", "x");
	BNode node(path.c_str());
	ASSERT_EQ(node.InitCheck(), B_OK);

	EXPECT_EQ(node.WriteAttr("PL:note", B_STRING_TYPE, 0, "hello", 5), 5);
	char raw[16] = {};
	ASSERT_EQ(getxattr(path.c_str(), "user.PL:note", raw, sizeof(raw)), 5);
	EXPECT_STREQ(raw, "hello");

	attr_info info;
	ASSERT_EQ(node.GetAttrInfo("PL:note", &info), B_OK);
	EXPECT_EQ(info.size, 5);
	EXPECT_EQ(info.type, uint32(B_RAW_TYPE));

	char buffer[16] = {};
	EXPECT_EQ(node.ReadAttr("PL:note", B_STRING_TYPE, 0, buffer, 3), 3); // a short buffer
	EXPECT_STREQ(buffer, "hel");
	memset(buffer, 0, sizeof(buffer));
	EXPECT_EQ(node.ReadAttr("PL:note", B_STRING_TYPE, 3, buffer, sizeof(buffer)), 2);
	EXPECT_STREQ(buffer, "lo");
	EXPECT_EQ(node.ReadAttr("PL:note", B_STRING_TYPE, 9, buffer, sizeof(buffer)), 0);

	// Writing further in splices; at 0 it replaces.
	EXPECT_EQ(node.WriteAttr("PL:note", B_STRING_TYPE, 7, "!!", 2), 2);
	memset(buffer, 0, sizeof(buffer));
	EXPECT_EQ(node.ReadAttr("PL:note", B_STRING_TYPE, 0, buffer, sizeof(buffer)), 9);
	EXPECT_EQ(std::string(buffer, 9), std::string("hello\0\0!!", 9));
	EXPECT_EQ(node.WriteAttr("PL:note", B_STRING_TYPE, 0, "hi", 2), 2);
	EXPECT_EQ(node.ReadAttr("PL:note", B_STRING_TYPE, 0, buffer, sizeof(buffer)), 2);

	EXPECT_EQ(node.WriteAttr("BEOS:TYPE", B_MIME_STRING_TYPE, 0, "image/png", 9), 9);
	ASSERT_EQ(getxattr(path.c_str(), "user.mime_type", raw, sizeof(raw)), 9);
	ASSERT_EQ(node.GetAttrInfo("BEOS:TYPE", &info), B_OK);
	EXPECT_EQ(info.type, uint32(B_MIME_STRING_TYPE));

	EXPECT_EQ(node.RemoveAttr("PL:note"), B_OK);
	EXPECT_EQ(node.RemoveAttr("PL:note"), B_ENTRY_NOT_FOUND);
	EXPECT_EQ(node.ReadAttr("PL:note", B_STRING_TYPE, 0, buffer, sizeof(buffer)),
	          B_ENTRY_NOT_FOUND);
	EXPECT_EQ(node.GetAttrInfo("PL:note", &info), B_ENTRY_NOT_FOUND);
	EXPECT_EQ(node.ReadAttr("", B_STRING_TYPE, 0, buffer, sizeof(buffer)), B_BAD_VALUE);
	EXPECT_EQ(node.ReadAttr(NULL, B_STRING_TYPE, 0, buffer, sizeof(buffer)), B_BAD_VALUE);
	EXPECT_EQ(node.ReadAttr("x", B_STRING_TYPE, -1, buffer, sizeof(buffer)), B_BAD_VALUE);

	BNode unset;
	EXPECT_EQ(unset.WriteAttr("x", B_RAW_TYPE, 0, "y", 1), B_NO_INIT);
}
