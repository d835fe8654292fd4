// The about text: built from the executable's name and version resource
// (this test carries the viewer's resources), handed to every view.

#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <Alert.h>
#include <AppFileInfo.h>
#include <Application.h>
#include <InterfaceDefs.h>
#include <Message.h>
#include <Window.h>

#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "ThreadTestUtils.h"
#include "app/AboutContents.h"
#include "display/offscreen/OffscreenControl.h"
#include "view/PLControlView.h"

using namespace shell_test;

namespace {

const char kLongInfo[] = "Pelivant is a simple image/video viewer,\n"
                         "and is a yet another wall paper.\n"
                         "you can shrink image/video to prefered size,\n"
                         "and replicate it for scrollable wallpaper.\n";

version_info make_version(uint32 major, uint32 middle, uint32 minor, uint32 variety,
                          uint32 internal, const char* longInfo)
{
	version_info version;
	memset(&version, 0, sizeof(version));
	version.major = major;
	version.middle = middle;
	version.minor = minor;
	version.variety = variety;
	version.internal = internal;
	strncpy(version.short_info, "not shown", sizeof(version.short_info));
	strncpy(version.long_info, longInfo, sizeof(version.long_info));
	return version;
}

std::string own_path()
{
	char path[PATH_MAX];
	ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
	if (length <= 0)
		return "";
	path[length] = '\0';
	return path;
}

} // namespace

TEST(AboutContents, LeafNameVersionAndLongDescription)
{
	version_info version = make_version(1, 0, 4, B_GOLDEN_MASTER_VERSION, 0, kLongInfo);
	EXPECT_EQ(make_about_contents("Pelivant", &version),
	          std::string("Pelivant1.0.4g0\n") + kLongInfo);

	version = make_version(2, 1, 0, B_FINAL_VERSION, 3, "");
	EXPECT_EQ(make_about_contents("viewer", &version), "viewer2.1.0f3\n");

	const char letters[] = "dabggf";
	for (uint32 variety = 0; variety < 6; variety++) {
		version = make_version(4000000000u, 10, 0, variety, 12, "x");
		EXPECT_EQ(make_about_contents("v", &version),
		          std::string("v4000000000.10.0") + letters[variety] + "12\nx");
	}
}

TEST(AboutContents, OutOfRangeFieldsStayInsideTheirBounds)
{
	// A variety the Be API does not define has no letter of its own.
	version_info version = make_version(1, 0, 4, 6, 0, "");
	EXPECT_EQ(make_about_contents("app", &version), "app1.0.4?0\n");
	version.variety = 0xffffffffu;
	EXPECT_EQ(make_about_contents("app", &version), "app1.0.4?0\n");

	// A long description that fills its field without a NUL ends there.
	memset(version.long_info, 'L', sizeof(version.long_info));
	memset(version.short_info, 'S', sizeof(version.short_info));
	std::string text = make_about_contents("app", &version);
	EXPECT_EQ(text, "app1.0.4?0\n" + std::string(sizeof(version.long_info), 'L'));

	// Nothing readable: the name alone.
	EXPECT_EQ(make_about_contents("app", NULL), "app\n");
	EXPECT_EQ(make_about_contents(NULL, NULL), "\n");
}

TEST(AboutContents, TheApplicationReadsItsOwnFile)
{
	AppRunner runner;
	std::string about;
	ASSERT_TRUE(runner.InApp([&] { about = runner.App()->AboutContents(); }));
	// This executable's own leaf name, then the version of the resources.
	std::string leaf = std::filesystem::path(own_path()).filename();
	EXPECT_EQ(about, leaf + "1.0.4g0\n" + kLongInfo);
}

TEST(AboutContents, RenamingTheExecutableRenamesTheText)
{
	// A copy of this test under another name passes the test above with its
	// own name.
	// The copy finds the libraries as the original does, beside its folder.
	TempDir dir;
	std::filesystem::path ownFolder = std::filesystem::path(own_path()).parent_path();
	std::filesystem::create_directory(dir / "bin");
	std::filesystem::create_directory_symlink(ownFolder.parent_path() / "lib", dir / "lib");
	std::string copy = dir / "bin/Another Viewer";
	std::filesystem::copy_file(own_path(), copy);
	std::string command = "'" + copy +
	                      "' --gtest_filter=AboutContents.TheApplicationReadsItsOwnFile"
	                      " >/dev/null 2>&1";
	int status = system(command.c_str());
	ASSERT_TRUE(WIFEXITED(status));
	EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(AboutContents, EveryViewGetsTheText)
{
	SampleDir dir;
	dir.Picture("p.bmp", 40, 40);
	AppRunner runner;
	ASSERT_TRUE(runner.InApp([&] { runner.App()->OpenWindow(dir.Ref("p.bmp")); }));
	ASSERT_EQ(runner.Windows().size(), 1u);
	BMessage archive;
	ASSERT_TRUE(with_window(runner.Windows()[0], [&](BWindow* window) {
		PLControlView* view = dynamic_cast<PLControlView*>(window->ChildAt(0));
		ASSERT_NE(view, nullptr);
		EXPECT_EQ(view->Archive(&archive, false), B_OK);
	}));
	const char* about = NULL;
	ASSERT_EQ(archive.FindString("PL:about", &about), B_OK);
	EXPECT_EQ(std::string(about), runner.App()->AboutContents());
}

TEST(AboutContents, TheAboutBoxHoldsTheApplicationUntilOk)
{
	AppRunner runner;
	BPrivate::OffscreenControl* display = BPrivate::OffscreenControl::Get();
	ASSERT_NE(display, nullptr);
	ASSERT_EQ(BMessenger(runner.App()).SendMessage(B_ABOUT_REQUESTED), B_OK);
	BPrivate::DisplaySurface* box = NULL;
	ASSERT_TRUE(test::eventually([&] {
		box = display->FindSurface("About");
		return box != NULL && display->IsShown(box) && display->ActiveSurface() == box;
	}));

	// The alert as the application made it: one "Ok" button, the info type.
	bool found = false;
	for (int32 i = 0; BWindow* window = be_app->WindowAt(i); i++) {
		BAlert* alert = dynamic_cast<BAlert*>(window);
		if (alert == NULL)
			continue;
		found = true;
		EXPECT_EQ(alert->CountButtons(), 1);
		EXPECT_EQ(alert->Type(), B_INFO_ALERT);
	}
	EXPECT_TRUE(found);

	// Meanwhile the application handles nothing else.
	EXPECT_FALSE(runner.InApp([] {}, 300000));

	// Enter presses "Ok": the box goes and the application goes on.
	display->KeyDown(0, "\n", B_ENTER);
	display->KeyUp(0, "\n", B_ENTER);
	EXPECT_TRUE(test::eventually([&] { return display->FindSurface("About") == NULL; }));
	EXPECT_TRUE(runner.InApp([] {}));
}
