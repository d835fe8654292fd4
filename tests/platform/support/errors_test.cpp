#include <Errors.h>

#include <errno.h>

#include <gtest/gtest.h>

// The values are fixed by the Be API; stored archives and peers rely on them.
TEST(Errors, CodesHaveTheBeValues)
{
	EXPECT_EQ(B_NO_MEMORY, INT32_MIN);
	EXPECT_EQ(B_BAD_VALUE, INT32_MIN + 5);
	EXPECT_EQ(B_NAME_NOT_FOUND, INT32_MIN + 7);
	EXPECT_EQ(B_BAD_THREAD_ID, INT32_MIN + 0x1100);
	EXPECT_EQ(B_BAD_HANDLER, INT32_MIN + 0x2003);
	EXPECT_EQ(B_LAST_BUFFER_ERROR, INT32_MIN + 0x4007);
	EXPECT_EQ(B_ENTRY_NOT_FOUND, INT32_MIN + 0x6003);
	EXPECT_EQ(B_NOT_A_DIRECTORY, INT32_MIN + 0x6005);
	EXPECT_EQ(B_ERROR, -1);
	EXPECT_LT(B_ERRORS_END, 0);
}

TEST(Errors, ErrnoMapsToStatus)
{
	EXPECT_EQ(errno_to_status(0), B_OK);
	EXPECT_EQ(errno_to_status(ENOENT), B_ENTRY_NOT_FOUND);
	EXPECT_EQ(errno_to_status(EACCES), B_PERMISSION_DENIED);
	EXPECT_EQ(errno_to_status(ENOMEM), B_NO_MEMORY);
	EXPECT_EQ(errno_to_status(EINVAL), B_BAD_VALUE);
	EXPECT_LT(errno_to_status(12345), 0);
}
