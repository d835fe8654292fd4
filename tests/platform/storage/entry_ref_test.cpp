#include <Entry.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "storage/EntryRefPath.h"

TEST(EntryRef, EqualityAndOrderUseAllThreeParts)
{
	entry_ref a(1, 10, "x.png");
	entry_ref b(1, 10, "x.png");
	entry_ref c(1, 10, "y.png");
	entry_ref d(1, 11, "a.png");
	entry_ref none;
	EXPECT_EQ(a, b);
	EXPECT_NE(a, c);
	EXPECT_TRUE(a < c);
	EXPECT_TRUE(c < d); // directory before name
	EXPECT_FALSE(a < b);
	EXPECT_FALSE(b < a);
	entry_ref nameless(1, 10, NULL);
	EXPECT_TRUE(nameless < a);
	EXPECT_FALSE(a < nameless);
	EXPECT_NE(none, nameless);

	entry_ref copy;
	copy = c;
	EXPECT_EQ(copy, c);
	EXPECT_NE(copy.name, c.name); // owns its own name
}

TEST(EntryRefPath, PathRoundTripsAndLeafNeedNotExist)
{
	char dir[] = "/tmp/pl-ref-XXXXXX";
	ASSERT_NE(mkdtemp(dir), nullptr);

	entry_ref ref;
	std::string leafPath = std::string(dir) + "/missing.jpg";
	ASSERT_EQ(BPrivate::ref_for_path(leafPath.c_str(), &ref), B_OK);
	struct stat st;
	ASSERT_EQ(stat(dir, &st), 0);
	EXPECT_EQ(ref.directory, st.st_ino);
	EXPECT_STREQ(ref.name, "missing.jpg");

	std::string path;
	ASSERT_EQ(BPrivate::path_for_ref(ref, &path), B_OK);
	EXPECT_EQ(path, leafPath);

	std::string nested = std::string(dir) + "/no/such/file";
	EXPECT_EQ(BPrivate::ref_for_path(nested.c_str(), &ref), B_ENTRY_NOT_FOUND);
	EXPECT_EQ(BPrivate::ref_for_path("", &ref), B_ENTRY_NOT_FOUND);

	// A directory that was replaced is no longer trusted.
	entry_ref inside;
	std::string sub = std::string(dir) + "/sub";
	ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
	ASSERT_EQ(BPrivate::ref_for_path((sub + "/f").c_str(), &inside), B_OK);
	std::string moved = std::string(dir) + "/moved";
	ASSERT_EQ(rename(sub.c_str(), moved.c_str()), 0);
	ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
	EXPECT_NE(BPrivate::path_for_ref(inside, &path), B_OK);

	rmdir(sub.c_str());
	rmdir(moved.c_str());
	rmdir(dir);
}
