#include <Entry.h>
#include <Path.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "TempDir.h"

TEST(GetRefForPath, LeafNeedNotExistButDirectoriesMust)
{
	TempDir dir;
	struct stat dirStat;
	ASSERT_EQ(stat(dir.Path().c_str(), &dirStat), 0);

	entry_ref ref;
	ASSERT_EQ(get_ref_for_path((dir / "not-yet.png").c_str(), &ref), B_OK);
	EXPECT_EQ(ref.device, dirStat.st_dev);
	EXPECT_EQ(ref.directory, dirStat.st_ino);
	EXPECT_STREQ(ref.name, "not-yet.png");

	EXPECT_EQ(get_ref_for_path((dir / "gone/x.png").c_str(), &ref), B_ENTRY_NOT_FOUND);
	EXPECT_EQ(get_ref_for_path("", &ref), B_ENTRY_NOT_FOUND);
	EXPECT_EQ(get_ref_for_path(dir.Path().c_str(), NULL), B_BAD_VALUE);

	// A symlink as the leaf is the link's own entry.
	ASSERT_EQ(symlink("target", (dir / "link").c_str()), 0);
	ASSERT_EQ(get_ref_for_path((dir / "link").c_str(), &ref), B_OK);
	EXPECT_STREQ(ref.name, "link");

	// A directory's ref names it inside its parent, and what it holds
	// resolves through it afterwards.
	ASSERT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
	ASSERT_EQ(get_ref_for_path((dir / "sub").c_str(), &ref), B_OK);
	EXPECT_EQ(ref.directory, dirStat.st_ino);
	EXPECT_STREQ(ref.name, "sub");
	struct stat subStat;
	ASSERT_EQ(stat((dir / "sub").c_str(), &subStat), 0);
	entry_ref inside(subStat.st_dev, subStat.st_ino, "inner.jpg");
	BPath insidePath(&inside);
	EXPECT_STREQ(insidePath.Path(), (dir / "sub/inner.jpg").c_str());

	ASSERT_EQ(get_ref_for_path("/", &ref), B_OK);
	EXPECT_STREQ(BPath(&ref).Path(), "/");
}

TEST(Entry, AbstractEntryOutlivesItsFile)
{
	TempDir dir;
	std::string file = dir.Write("pic.png", "data");
	BEntry entry(file.c_str());
	ASSERT_EQ(entry.InitCheck(), B_OK);
	EXPECT_TRUE(entry.Exists());
	EXPECT_TRUE(entry.IsFile());
	node_ref node;
	ASSERT_EQ(entry.GetNodeRef(&node), B_OK);
	struct stat st;
	ASSERT_EQ(stat(file.c_str(), &st), 0);
	EXPECT_EQ(node, node_ref(st.st_dev, st.st_ino));

	ASSERT_EQ(unlink(file.c_str()), 0);
	EXPECT_EQ(entry.InitCheck(), B_OK);
	EXPECT_FALSE(entry.Exists());
	EXPECT_FALSE(entry.IsFile());
	EXPECT_EQ(entry.GetNodeRef(&node), B_ENTRY_NOT_FOUND);
	BPath path;
	ASSERT_EQ(entry.GetPath(&path), B_OK);
	EXPECT_STREQ(path.Path(), file.c_str());
	char name[B_FILE_NAME_LENGTH];
	ASSERT_EQ(entry.GetName(name), B_OK);
	EXPECT_STREQ(name, "pic.png");

	// Never existed, by ref as well as by path.
	entry_ref ref;
	ASSERT_EQ(get_ref_for_path((dir / "new").c_str(), &ref), B_OK);
	BEntry byRef(&ref);
	EXPECT_EQ(byRef.InitCheck(), B_OK);
	EXPECT_FALSE(byRef.Exists());
	entry_ref back;
	ASSERT_EQ(byRef.GetRef(&back), B_OK);
	EXPECT_EQ(back, ref);

	BEntry orphan((dir / "no-dir/file").c_str());
	EXPECT_EQ(orphan.InitCheck(), B_ENTRY_NOT_FOUND);
	EXPECT_FALSE(orphan.Exists());
	EXPECT_EQ(orphan.GetPath(&path), B_ENTRY_NOT_FOUND);
	BEntry unset;
	EXPECT_EQ(unset.InitCheck(), B_NO_INIT);
	EXPECT_EQ(unset.GetRef(&back), B_NO_INIT);
	EXPECT_EQ(BEntry((const char*) NULL).InitCheck(), B_BAD_VALUE);
	EXPECT_EQ(BEntry((const entry_ref*) NULL).InitCheck(), B_BAD_VALUE);
}

TEST(Entry, TraverseFollowsLinkChains)
{
	TempDir dir;
	std::string target = dir.Write("target.jpg", "x");
	ASSERT_EQ(mkdir((dir / "links").c_str(), 0755), 0);
	ASSERT_EQ(symlink("../target.jpg", (dir / "links/one").c_str()), 0);
	ASSERT_EQ(symlink((dir / "links/one").c_str(), (dir / "two").c_str()), 0);
	ASSERT_EQ(symlink("missing.jpg", (dir / "dangling").c_str()), 0);
	ASSERT_EQ(symlink("loop-b", (dir / "loop-a").c_str()), 0);
	ASSERT_EQ(symlink("loop-a", (dir / "loop-b").c_str()), 0);

	BEntry link((dir / "two").c_str(), false);
	EXPECT_TRUE(link.IsSymLink());
	BEntry followed((dir / "two").c_str(), true);
	ASSERT_EQ(followed.InitCheck(), B_OK);
	EXPECT_TRUE(followed.IsFile());
	BPath path(&followed);
	EXPECT_STREQ(path.Path(), target.c_str());

	entry_ref ref;
	ASSERT_EQ(link.GetRef(&ref), B_OK);
	BEntry followedRef(&ref, true);
	EXPECT_EQ(followedRef, followed);
	EXPECT_NE(followedRef, link);

	BEntry dangling((dir / "dangling").c_str(), true);
	ASSERT_EQ(dangling.InitCheck(), B_OK);
	EXPECT_FALSE(dangling.Exists());
	EXPECT_STREQ(BPath(&dangling).Path(), (dir / "missing.jpg").c_str());

	BEntry loop((dir / "loop-a").c_str(), true);
	EXPECT_EQ(loop.InitCheck(), B_LINK_LIMIT);
}

TEST(Entry, ParentsUpToTheRoot)
{
	TempDir dir;
	BEntry entry((dir / "file").c_str());
	BEntry parent;
	ASSERT_EQ(entry.GetParent(&parent), B_OK);
	EXPECT_TRUE(parent.IsDirectory());
	EXPECT_STREQ(BPath(&parent).Path(), dir.Path().c_str());

	BEntry current = parent;
	int steps = 0;
	while (current.GetParent(&parent) == B_OK && steps < 64) {
		current = parent;
		steps++;
	}
	EXPECT_STREQ(BPath(&current).Path(), "/");
	EXPECT_EQ(current.GetParent(&parent), B_ENTRY_NOT_FOUND);
	EXPECT_EQ(entry.GetParent(NULL), B_BAD_VALUE);
}
