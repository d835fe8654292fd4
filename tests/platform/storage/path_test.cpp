#include <Path.h>

#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "TempDir.h"

namespace {

// Runs the test body in |dir| as the working directory.
class WorkingDirectory {
public:
	explicit WorkingDirectory(const std::string& dir)
	{
		EXPECT_NE(getcwd(fSaved, sizeof(fSaved)), nullptr);
		EXPECT_EQ(chdir(dir.c_str()), 0);
	}
	~WorkingDirectory() { EXPECT_EQ(chdir(fSaved), 0); }

private:
	char fSaved[PATH_MAX];
};

} // namespace

TEST(Path, AbsolutePathsAreKeptAsGivenWithoutNormalisation)
{
	// Nothing has to exist, and symlinks stay, when nothing forces normalising.
	BPath path("/no/such/dir/file.png");
	ASSERT_EQ(path.InitCheck(), B_OK);
	EXPECT_STREQ(path.Path(), "/no/such/dir/file.png");
	EXPECT_STREQ(path.Leaf(), "file.png");

	TempDir dir;
	ASSERT_EQ(mkdir((dir / "real").c_str(), 0755), 0);
	ASSERT_EQ(symlink("real", (dir / "link").c_str()), 0);
	EXPECT_EQ(path.SetTo((dir / "link/x").c_str()), B_OK);
	EXPECT_STREQ(path.Path(), (dir / "link/x").c_str());
	// Forced normalisation resolves the link in the directory part.
	EXPECT_EQ(path.SetTo((dir / "link/x").c_str(), NULL, true), B_OK);
	EXPECT_STREQ(path.Path(), (dir / "real/x").c_str());
	// ...but not a link that is the leaf.
	EXPECT_EQ(path.SetTo((dir / "link").c_str(), NULL, true), B_OK);
	EXPECT_STREQ(path.Path(), (dir / "link").c_str());
}

TEST(Path, NormalisesWhenThePathNeedsIt)
{
	TempDir dir;
	ASSERT_EQ(mkdir((dir / "a").c_str(), 0755), 0);
	ASSERT_EQ(mkdir((dir / "a/b").c_str(), 0755), 0);
	const std::string a = dir / "a";

	struct Case {
		std::string given;
		std::string expected;
	} cases[] = {
	    {dir.Path() + "//a/b", a + "/b"},
	    {dir.Path() + "/a/./b", a + "/b"},
	    {dir.Path() + "/a/b/../b", a + "/b"},
	    {dir.Path() + "/a/b/..", a},
	    {dir.Path() + "/a/.", a},
	    {dir.Path() + "/a/", a},
	    {dir.Path() + "/a/b/new.jpg/", a + "/b/new.jpg"}, // the leaf need not exist
	    {"/", "/"},
	    {"/..", "/"},
	};
	for (const Case& c : cases) {
		BPath path(c.given.c_str());
		EXPECT_EQ(path.InitCheck(), B_OK) << c.given;
		EXPECT_STREQ(path.Path(), c.expected.c_str()) << c.given;
	}

	// A relative path is taken against the working directory.
	WorkingDirectory cwd(a);
	BPath relative("b/c.png");
	ASSERT_EQ(relative.InitCheck(), B_OK);
	EXPECT_STREQ(relative.Path(), (a + "/b/c.png").c_str());
	BPath dot(".");
	EXPECT_STREQ(dot.Path(), a.c_str());
}

TEST(Path, NormalisingThroughAMissingDirectoryFails)
{
	TempDir dir;
	const char* needy[] = {"/missing/../x", "/missing/x/", "/missing//x", "/missing/./x"};
	for (const char* suffix : needy) {
		BPath path((dir.Path() + suffix).c_str());
		EXPECT_EQ(path.InitCheck(), B_ENTRY_NOT_FOUND) << suffix;
		EXPECT_EQ(path.Path(), nullptr) << suffix;
		EXPECT_EQ(path.Leaf(), nullptr) << suffix;
	}
	BPath forced((dir / "missing/x").c_str(), NULL, true);
	EXPECT_EQ(forced.InitCheck(), B_ENTRY_NOT_FOUND);
	// A file used as a directory.
	dir.Write("file", "x");
	BPath throughFile((dir / "file/x/").c_str());
	EXPECT_NE(throughFile.InitCheck(), B_OK);
}

TEST(Path, LeafIsJoinedWithOneSlashAndMustBeRelative)
{
	BPath path("/usr/", "lib");
	EXPECT_STREQ(path.Path(), "/usr/lib");
	path.SetTo("/usr", "lib");
	EXPECT_STREQ(path.Path(), "/usr/lib");
	path.SetTo("/usr", "lib/../bin");
	EXPECT_STREQ(path.Path(), "/usr/bin");

	EXPECT_EQ(path.SetTo("/usr", "/lib"), B_BAD_VALUE);
	EXPECT_EQ(path.Path(), nullptr);
	EXPECT_EQ(path.SetTo((const char*) NULL), B_BAD_VALUE);
	EXPECT_EQ(path.SetTo(""), B_BAD_VALUE);
	std::string huge(B_PATH_NAME_LENGTH, 'x');
	EXPECT_EQ(path.SetTo(("/" + huge).c_str()), B_NAME_TOO_LONG);
	EXPECT_EQ(path.InitCheck(), B_NAME_TOO_LONG);
}

TEST(Path, AppendGetParentAndCompare)
{
	BPath path("/boot/home");
	EXPECT_EQ(path.Append("pics/a.png"), B_OK);
	EXPECT_STREQ(path.Path(), "/boot/home/pics/a.png");
	EXPECT_STREQ(path.Leaf(), "a.png");

	BPath parent;
	EXPECT_EQ(path.GetParent(&parent), B_OK);
	EXPECT_STREQ(parent.Path(), "/boot/home/pics");
	BPath top("/boot");
	EXPECT_EQ(top.GetParent(&parent), B_OK);
	EXPECT_STREQ(parent.Path(), "/");
	BPath root("/");
	EXPECT_STREQ(root.Leaf(), "");
	EXPECT_EQ(root.GetParent(&parent), B_ENTRY_NOT_FOUND);
	EXPECT_EQ(root.GetParent(NULL), B_BAD_VALUE);

	EXPECT_TRUE(path == "/boot/home/pics/a.png");
	EXPECT_TRUE(path == BPath("/boot/home/pics/a.png"));
	EXPECT_TRUE(path != top);
	BPath copy(path);
	EXPECT_TRUE(copy == path);
	EXPECT_NE(copy.Path(), path.Path());

	// An absolute argument, or appending to nothing, leaves an invalid path.
	EXPECT_EQ(path.Append("/etc"), B_BAD_VALUE);
	EXPECT_EQ(path.InitCheck(), B_BAD_VALUE);
	EXPECT_EQ(path.Path(), nullptr);
	BPath empty;
	EXPECT_EQ(empty.InitCheck(), B_NO_INIT);
	EXPECT_EQ(empty.Append("x"), B_BAD_VALUE);
	EXPECT_TRUE(empty == BPath());
	EXPECT_TRUE(empty == (const char*) NULL);
	EXPECT_EQ(empty.GetParent(&parent), B_BAD_VALUE);
}

TEST(Path, RoundTripsThroughRefsAndEntries)
{
	TempDir dir;
	std::string file = dir / "photo.jpg";
	entry_ref ref;
	ASSERT_EQ(get_ref_for_path(file.c_str(), &ref), B_OK);
	BPath fromRef(&ref);
	ASSERT_EQ(fromRef.InitCheck(), B_OK);
	EXPECT_STREQ(fromRef.Path(), file.c_str());

	BEntry entry(file.c_str());
	BPath fromEntry(&entry);
	EXPECT_STREQ(fromEntry.Path(), file.c_str());

	BEntry unset;
	BPath fromUnset(&unset);
	EXPECT_NE(fromUnset.InitCheck(), B_OK);
	entry_ref nowhere(ref.device, 1, "x"); // a directory we never saw
	BPath fromNowhere(&nowhere);
	EXPECT_EQ(fromNowhere.InitCheck(), B_ENTRY_NOT_FOUND);
}
