#include <Message.h>

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <DataIO.h>
#include <Entry.h>
#include <gtest/gtest.h>

#include "app/MessageFormat.h"
#include "app/MessagePrivate.h"
#include "storage/EntryRefPath.h"

namespace {

std::vector<char> flatten(const BMessage& message)
{
	ssize_t size = message.FlattenedSize();
	EXPECT_GT(size, 0);
	std::vector<char> flat(size > 0 ? size : 0);
	EXPECT_EQ(message.Flatten(flat.data(), size), B_OK);
	return flat;
}

status_t unflatten(BMessage* message, const std::vector<char>& flat)
{
	return BMessage::Private(message).Unflatten(flat.data(), flat.size());
}

// A menu-like archive: |levels| messages, each holding the next under "_sub".
BMessage nested_archive(int levels)
{
	BMessage innermost('lvl0');
	innermost.AddString("_label", "level 0");
	for (int i = 1; i < levels; i++) {
		BMessage outer('lvl0' + i);
		outer.AddString("_label", ("level " + std::to_string(i)).c_str());
		outer.AddInt32("_level", i);
		outer.AddMessage("_sub", &innermost);
		innermost = outer;
	}
	return innermost;
}

BMessage every_type()
{
	BMessage message('ever');
	message.AddBool("bool", true);
	message.AddInt8("int8", -3);
	message.AddUInt8("uint8", 200);
	message.AddInt16("int16", -300);
	message.AddUInt16("uint16", 60000);
	message.AddInt32("int32", -70000);
	message.AddUInt32("uint32", 3000000000u);
	message.AddInt64("int64", -(int64(1) << 50));
	message.AddUInt64("uint64", uint64(1) << 63);
	message.AddFloat("float", 0.25f);
	message.AddDouble("double", 1e300);
	message.AddString("string", "text");
	message.AddString("string", "");
	message.AddPoint("point", BPoint(-1.5f, 2));
	message.AddRect("rect", BRect(10, 20, 30, 40));
	message.AddPointer("pointer", &message);
	entry_ref ref(5, 6, "name with spaces");
	message.AddRef("ref", &ref);
	const char raw[] = {0, 1, 2, 3, 4};
	message.AddData("raw", 'RAWX', raw, sizeof(raw), false);
	message.AddData("raw", 'RAWX', raw, 2, false);
	message.AddData("fixed raw", 'FIXD', raw, 2, true);
	message.AddData("fixed raw", 'FIXD', raw + 2, 2, true);
	BMessage archive = nested_archive(4);
	message.AddMessage("archive", &archive);
	return message;
}

void expect_every_type(const BMessage& message)
{
	EXPECT_EQ(message.what, uint32('ever'));
	EXPECT_TRUE(message.GetBool("bool"));
	int8 i8;
	message.FindInt8("int8", &i8);
	EXPECT_EQ(i8, -3);
	uint8 u8;
	message.FindUInt8("uint8", &u8);
	EXPECT_EQ(u8, 200);
	int16 i16;
	message.FindInt16("int16", &i16);
	EXPECT_EQ(i16, -300);
	uint16 u16;
	message.FindUInt16("uint16", &u16);
	EXPECT_EQ(u16, 60000);
	EXPECT_EQ(message.GetInt32("int32", 0), -70000);
	uint32 u32;
	message.FindUInt32("uint32", &u32);
	EXPECT_EQ(u32, 3000000000u);
	EXPECT_EQ(message.GetInt64("int64", 0), -(int64(1) << 50));
	uint64 u64;
	message.FindUInt64("uint64", &u64);
	EXPECT_EQ(u64, uint64(1) << 63);
	EXPECT_EQ(message.GetFloat("float", 0), 0.25f);
	double d;
	message.FindDouble("double", &d);
	EXPECT_EQ(d, 1e300);
	EXPECT_STREQ(message.GetString("string", 0, NULL), "text");
	EXPECT_STREQ(message.GetString("string", 1, NULL), "");
	EXPECT_EQ(message.GetPoint("point", BPoint()), BPoint(-1.5f, 2));
	EXPECT_EQ(message.GetRect("rect", BRect()), BRect(10, 20, 30, 40));
	void* pointer;
	message.FindPointer("pointer", &pointer);
	EXPECT_NE(pointer, nullptr);
	entry_ref ref;
	ASSERT_EQ(message.FindRef("ref", &ref), B_OK);
	EXPECT_EQ(ref, entry_ref(5, 6, "name with spaces"));
	const void* data;
	ssize_t size;
	ASSERT_EQ(message.FindData("raw", 'RAWX', 1, &data, &size), B_OK);
	EXPECT_EQ(size, 2);
	bool fixedSize;
	int32 count;
	ASSERT_EQ(message.GetInfo("fixed raw", NULL, &count, &fixedSize), B_OK);
	EXPECT_TRUE(fixedSize);
	EXPECT_EQ(count, 2);
	ASSERT_EQ(message.FindData("fixed raw", 'FIXD', 1, &data, &size), B_OK);
	EXPECT_EQ(memcmp(data, "\2\3", 2), 0);

	BMessage level;
	ASSERT_EQ(message.FindMessage("archive", &level), B_OK);
	for (int i = 3; i > 0; i--) {
		EXPECT_EQ(level.what, uint32('lvl0' + i));
		EXPECT_EQ(level.GetInt32("_level", -1), i);
		BMessage sub;
		ASSERT_EQ(level.FindMessage("_sub", &sub), B_OK) << "level " << i;
		level = sub;
	}
	EXPECT_STREQ(level.GetString("_label"), "level 0");
}

} // namespace

TEST(MessageFlatten, EveryTypeRoundTrips)
{
	BMessage original = every_type();
	std::vector<char> flat = flatten(original);

	BMessage copy;
	ASSERT_EQ(copy.Unflatten(flat.data()), B_OK);
	expect_every_type(copy);
	EXPECT_EQ(copy.CountNames(B_ANY_TYPE), original.CountNames(B_ANY_TYPE));
	// Field order survives, so flattening again gives the same bytes.
	EXPECT_EQ(flatten(copy), flat);

	BMallocIO stream;
	ssize_t written;
	ASSERT_EQ(original.Flatten(&stream, &written), B_OK);
	EXPECT_EQ(written, static_cast<ssize_t>(flat.size()));
	ASSERT_EQ(original.Flatten(&stream), B_OK); // a second one right behind it
	stream.Seek(0, SEEK_SET);
	BMessage first, second;
	ASSERT_EQ(first.Unflatten(&stream), B_OK);
	ASSERT_EQ(second.Unflatten(&stream), B_OK);
	expect_every_type(first);
	expect_every_type(second);
	BMessage third;
	EXPECT_NE(third.Unflatten(&stream), B_OK);
}

TEST(MessageFlatten, EmptyAndLargeMessagesRoundTrip)
{
	BMessage empty('empt');
	BMessage copy('full');
	copy.AddInt32("x", 1);
	ASSERT_EQ(unflatten(&copy, flatten(empty)), B_OK);
	EXPECT_EQ(copy.what, uint32('empt'));
	EXPECT_TRUE(copy.IsEmpty());

	BMessage many;
	for (int i = 0; i < 20000; i++)
		many.AddInt32("ints", i);
	for (int i = 0; i < 2000; i++)
		many.AddString("strings", std::string(i % 50, 'a' + i % 26).c_str());
	ASSERT_EQ(unflatten(&copy, flatten(many)), B_OK);
	int32 count;
	copy.GetInfo("ints", NULL, &count);
	EXPECT_EQ(count, 20000);
	EXPECT_EQ(copy.GetInt32("ints", 19999, -1), 19999);
	// Larger than the chunks the stream form reads in.
	BMallocIO stream;
	ASSERT_EQ(many.Flatten(&stream), B_OK);
	ASSERT_GT(stream.BufferLength(), 64u * 1024);
	stream.Seek(0, SEEK_SET);
	BMessage streamed;
	ASSERT_EQ(streamed.Unflatten(&stream), B_OK);
	EXPECT_EQ(streamed.GetInt32("ints", 12345, -1), 12345);
	copy.GetInfo("strings", NULL, &count);
	EXPECT_EQ(count, 2000);
	EXPECT_EQ(std::string(copy.GetString("strings", 1999, "")),
	          std::string(1999 % 50, 'a' + 1999 % 26));
}

TEST(MessageFlatten, FlattenRefusesASmallBuffer)
{
	BMessage message = every_type();
	ssize_t size = message.FlattenedSize();
	std::vector<char> buffer(size);
	EXPECT_EQ(message.Flatten(buffer.data(), size - 1), B_BAD_VALUE);
	EXPECT_EQ(message.Flatten(static_cast<char*>(NULL), size), B_BAD_VALUE);
	EXPECT_EQ(message.Flatten(static_cast<BDataIO*>(NULL)), B_BAD_VALUE);
}

TEST(MessageFlatten, NestingIsCappedOnBothSides)
{
	BMessage deepest = nested_archive(BPrivate::kMaxNesting + 1);
	BMessage holder;
	EXPECT_EQ(holder.AddMessage("too deep", &deepest), B_BAD_VALUE);
	EXPECT_TRUE(holder.IsEmpty());

	BMessage deepEnough = nested_archive(BPrivate::kMaxNesting);
	ASSERT_EQ(holder.AddMessage("deep", &deepEnough), B_OK);
	BMessage copy;
	EXPECT_EQ(unflatten(&copy, flatten(holder)), B_OK);
}

TEST(MessageFlatten, EveryTruncationFailsAndLeavesTheMessageAlone)
{
	std::vector<char> flat = flatten(every_type());
	for (size_t length = 0; length < flat.size(); length++) {
		// A copy of exactly |length| bytes, so ASan sees any read past it.
		std::vector<char> truncated(flat.begin(), flat.begin() + length);
		BMessage message('keep');
		message.AddInt32("kept", 1);
		status_t status =
		    BMessage::Private(message).Unflatten(length > 0 ? truncated.data() : "", length);
		ASSERT_NE(status, B_OK) << "length " << length;
		EXPECT_EQ(message.what, uint32('keep'));
		EXPECT_EQ(message.GetInt32("kept", 0), 1);

		BMemoryIO stream(truncated.data(), length);
		ASSERT_NE(message.Unflatten(&stream), B_OK) << "length " << length;
	}
}

TEST(MessageFlatten, EveryByteFlipIsSurvived)
{
	std::vector<char> flat = flatten(every_type());
	for (size_t i = 0; i < flat.size(); i++) {
		for (char flip : {char(0x01), char(0x80), char(0xff)}) {
			std::vector<char> damaged = flat;
			damaged[i] ^= flip;
			BMessage message;
			if (unflatten(&message, damaged) != B_OK)
				continue;
			// Whatever was accepted must flatten again and read back the same.
			std::vector<char> again = flatten(message);
			BMessage reread;
			ASSERT_EQ(unflatten(&reread, again), B_OK) << "byte " << i;
			EXPECT_EQ(flatten(reread), again);
		}
	}
}

namespace {

void put32(std::vector<char>* flat, size_t at, uint32 value)
{
	memcpy(flat->data() + at, &value, 4);
}

} // namespace

TEST(MessageFlatten, HostileHeadersAndCountsAreRefused)
{
	BMessage message;
	message.AddInt32("n", 7); // field at 24: type, flags, name length 1, "n", count
	std::vector<char> flat = flatten(message);
	const size_t kCount = 24 + 4 + 1 + 1 + 1;
	ASSERT_EQ(flat.size(), kCount + 4 + 4 + 4);

	BMessage target;
	std::vector<char> bad = flat;
	put32(&bad, kCount, 3000000000u);
	EXPECT_EQ(unflatten(&target, bad), B_BAD_DATA);
	put32(&bad, kCount, 0);
	EXPECT_EQ(unflatten(&target, bad), B_BAD_DATA);

	bad = flat;
	bad[24 + 5] = static_cast<char>(200); // name length past the end
	EXPECT_EQ(unflatten(&target, bad), B_BAD_DATA);

	bad = flat;
	put32(&bad, 16, 1000000); // field count far beyond the bytes
	EXPECT_EQ(unflatten(&target, bad), B_BAD_DATA);

	bad = flat;
	put32(&bad, 0, 0x12345678);
	EXPECT_EQ(unflatten(&target, bad), B_NOT_A_MESSAGE);
	EXPECT_EQ(target.Unflatten(bad.data()), B_NOT_A_MESSAGE);

	// A header claiming more than the stream holds, or more than any message may be.
	bad = flat;
	put32(&bad, 8, 50 * 1024 * 1024);
	BMemoryIO shortStream(bad.data(), bad.size());
	EXPECT_EQ(target.Unflatten(&shortStream), B_BAD_DATA);
	put32(&bad, 8, 0xfffffff0u);
	BMemoryIO hugeStream(bad.data(), bad.size());
	EXPECT_EQ(target.Unflatten(&hugeStream), B_BAD_DATA);
	EXPECT_EQ(unflatten(&target, bad), B_BAD_DATA);
	put32(&bad, 8, 4); // smaller than its own header
	BMemoryIO tinyStream(bad.data(), bad.size());
	EXPECT_EQ(target.Unflatten(&tinyStream), B_BAD_DATA);

	// Trailing bytes after the last field.
	bad = flat;
	bad.push_back(0);
	put32(&bad, 8, static_cast<uint32>(bad.size()));
	EXPECT_EQ(unflatten(&target, bad), B_BAD_DATA);

	// The same name twice.
	BMessage twice;
	twice.AddInt32("a", 1);
	twice.AddInt32("b", 2);
	bad = flatten(twice);
	size_t second = bad.size() - (4 + 1 + 1 + 1 + 4 + 4 + 4);
	ASSERT_EQ(bad[second + 6], 'b');
	bad[second + 6] = 'a';
	EXPECT_EQ(unflatten(&target, bad), B_BAD_DATA);
	BMessage holder;
	EXPECT_EQ(holder.AddData("m", B_MESSAGE_TYPE, bad.data(), bad.size(), false), B_BAD_VALUE);

	// An int32 field whose items are not 4 bytes.
	bad = flat;
	put32(&bad, kCount + 4, 2);
	EXPECT_EQ(unflatten(&target, bad), B_BAD_DATA);
	EXPECT_TRUE(target.IsEmpty());
}

TEST(MessageFlatten, RefsCarryTheirPathToAnotherProcess)
{
	char directory[] = "/tmp/pl-message-ref-XXXXXX";
	ASSERT_NE(mkdtemp(directory), nullptr);
	std::string file = std::string(directory) + "/picture.png";
	entry_ref ref;
	ASSERT_EQ(BPrivate::ref_for_path(file.c_str(), &ref), B_OK);

	BMessage message;
	message.AddRef("refs", &ref);
	std::vector<char> flat = flatten(message);
	EXPECT_NE(std::string(flat.begin(), flat.end()).find(file), std::string::npos);

	// A fresh process has never seen the directory; the flattened path teaches it.
	pid_t child = fork();
	ASSERT_GE(child, 0);
	if (child == 0) {
		BMessage received;
		if (unflatten(&received, flat) != B_OK)
			_exit(2);
		entry_ref found;
		if (received.FindRef("refs", &found) != B_OK)
			_exit(3);
		std::string path;
		if (BPrivate::path_for_ref(found, &path) != B_OK || path != file)
			_exit(4);
		_exit(0);
	}
	int status = 0;
	ASSERT_EQ(waitpid(child, &status, 0), child);
	ASSERT_TRUE(WIFEXITED(status));
	EXPECT_EQ(WEXITSTATUS(status), 0);

	// A path that stat() does not confirm is not believed.
	std::vector<char> forged = flat;
	uint64 inode = static_cast<uint64>(ref.directory);
	std::string bytes(forged.begin(), forged.end());
	size_t at = bytes.find(std::string(reinterpret_cast<const char*>(&inode), 8));
	ASSERT_NE(at, std::string::npos);
	uint64 otherInode = inode + 1000000;
	memcpy(forged.data() + at, &otherInode, 8);
	BMessage received;
	ASSERT_EQ(unflatten(&received, forged), B_OK);
	entry_ref found;
	ASSERT_EQ(received.FindRef("refs", &found), B_OK);
	EXPECT_EQ(found.directory, static_cast<ino_t>(otherInode));
	std::string path;
	EXPECT_NE(BPrivate::path_for_ref(found, &path), B_OK);
	rmdir(directory);
}
