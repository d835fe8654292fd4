#include <DataIO.h>

#include <stdio.h>
#include <string.h>

#include <gtest/gtest.h>

TEST(MallocIO, WritesGrowReadsStopAtEnd)
{
	BMallocIO io;
	io.SetBlockSize(3);
	ASSERT_EQ(io.Write("hello", 5), 5);
	ASSERT_EQ(io.WriteAt(8, "!", 1), 1); // leaves a zero-filled gap
	EXPECT_EQ(io.BufferLength(), 9u);
	const char* data = static_cast<const char*>(io.Buffer());
	EXPECT_EQ(memcmp(data, "hello\0\0\0!", 9), 0);

	char buffer[16];
	EXPECT_EQ(io.ReadAt(7, buffer, sizeof(buffer)), 2);
	EXPECT_EQ(io.ReadAt(9, buffer, sizeof(buffer)), 0);
	EXPECT_EQ(io.ReadAt(-1, buffer, 1), B_BAD_VALUE);

	off_t size = 0;
	ASSERT_EQ(io.GetSize(&size), B_OK);
	EXPECT_EQ(size, 9);
	EXPECT_EQ(io.Position(), 5); // GetSize leaves the position alone
}

TEST(MallocIO, SeekRejectsNegativeAndOverflowingTargets)
{
	BMallocIO io;
	io.Write("abc", 3);
	EXPECT_EQ(io.Seek(-1, SEEK_END), 2);
	EXPECT_LT(io.Seek(-10, SEEK_CUR), 0);
	EXPECT_EQ(io.Position(), 2);
	EXPECT_LT(io.Seek(INT64_MAX, SEEK_END), 0);
	EXPECT_LT(io.WriteAt(INT64_MAX - 1, "xy", 2), 0);
}

TEST(MemoryIO, ConstMemoryIsReadOnlyAndBounded)
{
	const char text[] = "0123456789";
	BMemoryIO io(text, 10);
	char buffer[4];
	size_t got = 0;
	EXPECT_EQ(io.ReadAtExactly(8, buffer, 4, &got), B_PARTIAL_READ);
	EXPECT_EQ(got, 2u);
	EXPECT_EQ(io.WriteAt(0, "x", 1), B_NOT_ALLOWED);

	char writable[4] = {};
	BMemoryIO out(writable, sizeof(writable));
	EXPECT_EQ(out.WriteAt(2, "xyz", 3), 2); // never past the caller's buffer
	EXPECT_EQ(out.WriteAtExactly(3, "ab", 2), B_PARTIAL_WRITE);
}
