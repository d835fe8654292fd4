#include <File.h>
#include <NodeInfo.h>

#include <sys/xattr.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "TempDir.h"

namespace {

const unsigned char kJpeg[] = {0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 'J',  'F',  'I',  'F',  0x00,
                               0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0xff, 0xd9};
const unsigned char kPng[] = {0x89, 'P',  'N',  'G',  '\r', '\n', 0x1a, '\n', 0x00, 0x00, 0x00,
                              0x0d, 'I',  'H',  'D',  'R',  0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
                              0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1f, 0x15, 0xc4, 0x89};

std::string type_of(const std::string& path)
{
	BNode node(path.c_str());
	BNodeInfo info(&node);
	EXPECT_EQ(info.InitCheck(), B_OK);
	char type[B_MIME_TYPE_LENGTH];
	status_t status = info.GetType(type);
	return status == B_OK ? std::string(type) : "error " + std::to_string(status);
}

ssize_t xattr_count(const std::string& path)
{
	char names[256];
	return listxattr(path.c_str(), names, sizeof(names));
}

} // namespace

TEST(NodeInfo, StoredTypeWinsOverContent)
{
	TempDir dir;
	std::string path = dir.Write("clip", kPng, sizeof(kPng));
	ASSERT_EQ(setxattr(path.c_str(), "user.mime_type", "video/mp4", 9, 0), 0);
	EXPECT_EQ(type_of(path), "video/mp4");

	// Some tools store the terminator too.
	ASSERT_EQ(setxattr(path.c_str(), "user.mime_type", "image/x-test\0", 13, 0), 0);
	EXPECT_EQ(type_of(path), "image/x-test");

	// A longest possible type, and one byte too long (then the content decides).
	std::string longest = "image/" + std::string(B_MIME_TYPE_LENGTH - 7, 'x');
	ASSERT_EQ(setxattr(path.c_str(), "user.mime_type", longest.data(), longest.size(), 0), 0);
	EXPECT_EQ(type_of(path), longest);
	std::string tooLong = longest + "y";
	ASSERT_EQ(setxattr(path.c_str(), "user.mime_type", tooLong.data(), tooLong.size(), 0), 0);
	EXPECT_EQ(type_of(path), "image/png");
	ASSERT_EQ(setxattr(path.c_str(), "user.mime_type", "", 0, 0), 0);
	EXPECT_EQ(type_of(path), "image/png");
}

TEST(NodeInfo, ContentIsSniffedWhenNoTypeIsStored)
{
	TempDir dir;
	// The names lie; only the content counts.
	std::string jpeg = dir.Write("picture.png", kJpeg, sizeof(kJpeg));
	std::string png = dir.Write("picture.jpg", kPng, sizeof(kPng));
	std::string text = dir.Write("notes.jpg", "Just a few words of plain text.\n");
	std::string empty = dir.Write("empty.png", "");
	EXPECT_EQ(type_of(jpeg), "image/jpeg");
	EXPECT_EQ(type_of(png), "image/png");
	EXPECT_EQ(type_of(text), "text/plain");
	EXPECT_EQ(type_of(empty), "application/x-empty");

	// Sniffing never writes the attribute, and never moves the file position.
	EXPECT_EQ(xattr_count(jpeg), 0);
	BFile file(jpeg.c_str(), B_READ_ONLY);
	ASSERT_EQ(file.Seek(3, SEEK_SET), 3);
	BNodeInfo info(&file);
	char type[B_MIME_TYPE_LENGTH];
	ASSERT_EQ(info.GetType(type), B_OK);
	EXPECT_STREQ(type, "image/jpeg");
	EXPECT_EQ(file.Position(), 3);
}

TEST(NodeInfo, SetTypeStoresWithoutTerminator)
{
	TempDir dir;
	std::string path = dir.Write("f", kJpeg, sizeof(kJpeg));
	BNode node(path.c_str());
	BNodeInfo info(&node);
	ASSERT_EQ(info.SetType("image/x-custom"), B_OK);
	char raw[64];
	ASSERT_EQ(getxattr(path.c_str(), "user.mime_type", raw, sizeof(raw)), 14);
	EXPECT_EQ(std::string(raw, 14), "image/x-custom");
	EXPECT_EQ(type_of(path), "image/x-custom");

	EXPECT_EQ(info.SetType(""), B_BAD_VALUE);
	EXPECT_EQ(info.SetType(std::string(B_MIME_TYPE_LENGTH, 'a').c_str()), B_BAD_VALUE);
	EXPECT_EQ(info.SetType(NULL), B_OK);
	EXPECT_EQ(xattr_count(path), 0);
	EXPECT_EQ(type_of(path), "image/jpeg");
}

TEST(NodeInfo, NeedsAnOpenNode)
{
	BNodeInfo none;
	EXPECT_EQ(none.InitCheck(), B_NO_INIT);
	char type[B_MIME_TYPE_LENGTH];
	EXPECT_EQ(none.GetType(type), B_NO_INIT);
	BNode missing("/no/such/file");
	BNodeInfo info(&missing);
	EXPECT_EQ(info.InitCheck(), B_ENTRY_NOT_FOUND);
	EXPECT_EQ(BNodeInfo(NULL).InitCheck(), B_BAD_VALUE);
}

TEST(NodeInfo, SniffsFromManyThreadsAtOnce)
{
	TempDir dir;
	std::string jpeg = dir.Write("a", kJpeg, sizeof(kJpeg));
	std::string png = dir.Write("b", kPng, sizeof(kPng));
	std::vector<std::thread> threads;
	std::vector<int> wrong(4, 0);
	for (int t = 0; t < 4; t++) {
		threads.emplace_back([&, t] {
			for (int i = 0; i < 50; i++) {
				bool odd = (i + t) % 2 == 1;
				if (type_of(odd ? jpeg : png) != (odd ? "image/jpeg" : "image/png"))
					wrong[t]++;
			}
		});
	}
	for (std::thread& thread : threads)
		thread.join();
	for (int t = 0; t < 4; t++)
		EXPECT_EQ(wrong[t], 0);
}
