// The desktop on the offscreen display: its window lies under the others and
// covers the screen, replicants handed to it are shelved at their drop point
// and come back with a new desktop, and its menu switches the handles.

#include <Bitmap.h>
#include <Dragger.h>
#include <Menu.h>
#include <MenuItem.h>
#include <Message.h>
#include <PopUpMenu.h>
#include <Shelf.h>
#include <View.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/MessagePrivate.h"
#include "desktop/DesktopFolder.h"
#include "desktop/DesktopView.h"
#include "desktop/DesktopWindow.h"
#include "desktop/IconTheme.h"
#include "desktop/ShelfLocation.h"
#include "display/offscreen/OffscreenControl.h"
#include "platform/interface/InterfaceTestSupport.h"
#include "support/ClassRegistry.h"

namespace {

// A replicable square with its handle at the top left.
class Keepsake : public BView {
public:
	Keepsake(BRect frame, int32 tag) : BView(frame, "Keepsake", B_FOLLOW_NONE, B_WILL_DRAW), fTag(tag)
	{
		AddChild(new BDragger(BRect(0, 0, 7, 7), this));
	}
	explicit Keepsake(BMessage* archive) : BView(archive), fTag(archive->GetInt32("test:tag", -1))
	{
	}
	static BArchivable* Instantiate(BMessage* archive)
	{
		if (!validate_instantiation(archive, "Keepsake"))
			return NULL;
		return new Keepsake(archive);
	}
	status_t Archive(BMessage* archive, bool deep) const override
	{
		status_t status = BView::Archive(archive, deep);
		if (status == B_OK)
			status = archive->AddInt32("test:tag", fTag);
		return status;
	}

	int32 fTag;
};

BPrivate::InstantiationRegistrar sKeepsake("Keepsake", &Keepsake::Instantiate);

BPrivate::OffscreenControl* control()
{
	return BPrivate::OffscreenControl::Get();
}

// The archive as the roster hands a drop over the bare screen to the
// desktop: dropped at |screenWhere|, held at |offset| from its top left.
BMessage dropped_archive(int32 tag, BPoint screenWhere, BPoint offset)
{
	Keepsake keepsake(BRect(0, 0, 39, 29), tag);
	BMessage archive(B_ARCHIVED_OBJECT);
	EXPECT_EQ(keepsake.Archive(&archive, true), B_OK);
	BPrivate::MessageDelivery* delivery = BMessage::Private(archive).Delivery();
	delivery->wasDropped = true;
	delivery->sourceRemote = true;
	delivery->dropPoint = screenWhere;
	delivery->dropOffset = offset;
	return archive;
}

class DesktopTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		ASSERT_NE(control(), nullptr);
		control()->SetScreenSize(800, 600);
		char folder[] = "/tmp/desktop_test_XXXXXX";
		ASSERT_NE(mkdtemp(folder), nullptr);
		dir = folder;
		shelfPath = dir + "/shelf";
	}

	void TearDown() override
	{
		inject_mouse_released_all();
		Close(&other);
		Close(&desktop);
		std::string command = "rm -rf '" + dir + "'";
		EXPECT_EQ(system(command.c_str()), 0);
	}

	void Open(const std::string& folder = "")
	{
		desktop = new DesktopWindow(shelfPath, folder);
		desktop->Show();
		ASSERT_TRUE(sync_window(desktop));
	}

	template <class Window>
	static void Close(Window** window)
	{
		if (*window != NULL && (*window)->Lock())
			(*window)->Quit();
		*window = NULL;
	}

	BPrivate::DisplaySurface* DesktopSurface() { return control()->FindSurface("Desktop"); }

	// The shelved keepsakes' tags and frames in the desktop view.
	std::vector<std::pair<int32, BRect>> Shelved()
	{
		std::vector<std::pair<int32, BRect>> shelved;
		desktop->Lock();
		BView* view = NULL;
		BShelf* shelf = desktop->View()->Shelf();
		for (int32 i = 0; shelf->ReplicantAt(i, &view) != NULL; i++) {
			if (Keepsake* keepsake = dynamic_cast<Keepsake*>(view))
				shelved.push_back({keepsake->fTag, keepsake->Frame()});
		}
		desktop->Unlock();
		return shelved;
	}

	InterfaceTestApp app;
	std::string dir;
	std::string shelfPath;
	DesktopWindow* desktop = NULL;
	BWindow* other = NULL;
};

} // namespace

TEST_F(DesktopTest, WindowCoversTheScreenUnderEveryOtherOnAllWorkspaces)
{
	Open();
	BPrivate::DisplaySurface* surface = DesktopSurface();
	ASSERT_NE(surface, nullptr);
	EXPECT_EQ(control()->FrameOf(surface), BRect(0, 0, 799, 599));
	EXPECT_EQ(control()->WorkspacesOf(surface), B_ALL_WORKSPACES);

	other = new BWindow(BRect(100, 100, 299, 249), "Other", B_TITLED_WINDOW, 0);
	other->Show();
	ASSERT_TRUE(sync_window(other));
	// Clicked, even activated, the desktop stays under the other window.
	control()->Click(BPoint(600, 500));
	ASSERT_TRUE(sync_window(desktop));
	std::vector<BPrivate::DisplaySurface*> stack = control()->Surfaces();
	ASSERT_FALSE(stack.empty());
	EXPECT_EQ(stack.back(), surface);
	EXPECT_EQ(control()->SurfaceAt(BPoint(150, 150)), control()->FindSurface("Other"));
	EXPECT_EQ(control()->SurfaceAt(BPoint(600, 500)), surface);

	// The background is the view's colour, the whole screen over.
	rgb_color pixel = window_pixel(desktop, 700, 50);
	EXPECT_EQ(pixel.red, DesktopView::kBackground.red);
	EXPECT_EQ(pixel.green, DesktopView::kBackground.green);
	EXPECT_EQ(pixel.blue, DesktopView::kBackground.blue);

	// A new screen size: the display tells the window, which follows it.
	control()->SetScreenSize(1024, 768);
	EXPECT_TRUE(wait_for([&] { return control()->FrameOf(surface) == BRect(0, 0, 1023, 767); }));
	ASSERT_TRUE(settle_window(desktop));
	desktop->Lock();
	EXPECT_EQ(desktop->View()->Bounds(), BRect(0, 0, 1023, 767));
	desktop->Unlock();
}

TEST_F(DesktopTest, HandedReplicantsAreShelvedAtTheDropPointAndComeBack)
{
	Open();
	BMessage first = dropped_archive(7, BPoint(210, 120), BPoint(10, 20));
	BMessage second = dropped_archive(8, BPoint(500, 400), BPoint(0, 0));
	// As the application forwards them.
	desktop->PostMessage(&first, desktop->View());
	desktop->PostMessage(&second, desktop->View());
	ASSERT_TRUE(wait_for([&] { return Shelved().size() == 2; }));
	std::vector<std::pair<int32, BRect>> shelved = Shelved();
	EXPECT_EQ(shelved[0].first, 7);
	EXPECT_EQ(shelved[0].second.LeftTop(), BPoint(200, 100));
	EXPECT_EQ(shelved[1].first, 8);
	EXPECT_EQ(shelved[1].second.LeftTop(), BPoint(500, 400));
	desktop->Lock();
	BView* view = NULL;
	desktop->View()->Shelf()->ReplicantAt(0, &view);
	EXPECT_EQ(view->Parent(), desktop->View());
	desktop->Unlock();

	// A message that was not dropped is no replicant handed over.
	BMessage stray(B_ARCHIVED_OBJECT);
	Keepsake(BRect(0, 0, 9, 9), 9).Archive(&stray, true);
	desktop->PostMessage(&stray, desktop->View());
	ASSERT_TRUE(sync_window(desktop));
	EXPECT_EQ(Shelved().size(), 2u);

	// A new desktop on the same file: both are back in place, before it
	// is shown.
	Close(&desktop);
	desktop = new DesktopWindow(shelfPath);
	std::vector<std::pair<int32, BRect>> back = Shelved();
	ASSERT_EQ(back.size(), 2u);
	EXPECT_EQ(back[0].first, 7);
	EXPECT_EQ(back[0].second, shelved[0].second);
	EXPECT_EQ(back[1].first, 8);
	EXPECT_EQ(back[1].second, shelved[1].second);
	desktop->Show();
	ASSERT_TRUE(sync_window(desktop));
}

TEST_F(DesktopTest, ContextMenuSwitchesTheHandles)
{
	Open();
	BDragger::ShowAllDraggers();
	ASSERT_TRUE(wait_for([] { return BDragger::AreDraggersDrawn(); }));

	for (bool drawn : {true, false, true}) {
		// The menu opens on the secondary button, its first item marked
		// while the handles are drawn.
		control()->Click(BPoint(400, 300), B_SECONDARY_MOUSE_BUTTON);
		ASSERT_TRUE(wait_for_popups(1));
		desktop->Lock();
		std::unique_ptr<BPopUpMenu> menu(desktop->View()->MakeContextMenu());
		desktop->Unlock();
		BMenuItem* show = menu->ItemAt(0);
		ASSERT_NE(show, nullptr);
		EXPECT_STREQ(show->Label(), "Show Replicants");
		EXPECT_EQ(show->IsMarked(), drawn);
		ASSERT_NE(menu->FindItem("Open Desktop Folder"), nullptr);
		ASSERT_NE(menu->FindItem("About"), nullptr);
		ASSERT_NE(menu->FindItem("Quit"), nullptr);

		// Choosing it (the first item, at the top of the open menu) flips the
		// switch.
		BRect open = popup_frames()[0];
		control()->Click(BPoint(floorf((open.left + open.right) / 2), open.top + 8));
		ASSERT_TRUE(wait_for_popups(0));
		EXPECT_TRUE(wait_for([&] { return BDragger::AreDraggersDrawn() == !drawn; }));
	}
}

TEST(DesktopShelfLocation, IsAnOwnerOnlyFolderUnderTheDataHome)
{
	char folder[] = "/tmp/desktop_home_XXXXXX";
	ASSERT_NE(mkdtemp(folder), nullptr);
	std::string home = folder;
	const char* oldData = getenv("XDG_DATA_HOME");
	std::string saved = oldData != NULL ? oldData : "";

	setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
	std::string path;
	ASSERT_EQ(desktop_shelf_path(&path), B_OK);
	EXPECT_EQ(path, home + "/data/pl-platform/desktop/shelf");
	struct stat info;
	ASSERT_EQ(stat((home + "/data/pl-platform/desktop").c_str(), &info), 0);
	EXPECT_EQ(info.st_mode & 0777, 0700u);

	// A relative data home is not one: the home's own is used.
	setenv("XDG_DATA_HOME", "relative", 1);
	std::string oldHome = getenv("HOME") != NULL ? getenv("HOME") : "";
	setenv("HOME", home.c_str(), 1);
	ASSERT_EQ(desktop_shelf_path(&path), B_OK);
	EXPECT_EQ(path, home + "/.local/share/pl-platform/desktop/shelf");
	setenv("HOME", oldHome.c_str(), 1);

	if (oldData != NULL)
		setenv("XDG_DATA_HOME", saved.c_str(), 1);
	else
		unsetenv("XDG_DATA_HOME");
	std::string command = "rm -rf '" + home + "'";
	EXPECT_EQ(system(command.c_str()), 0);
}

TEST_F(DesktopTest, FolderFilesShowAsIconsInAGridAndAClickSelectsOne)
{
	std::string folder = dir + "/Desktop";
	ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
	for (const char* name : {"beta.txt", "alpha.png", ".hidden"})
		ASSERT_EQ(system(("touch '" + folder + "/" + name + "'").c_str()), 0);
	Open(folder);

	desktop->Lock();
	DesktopView* view = desktop->View();
	ASSERT_EQ(view->CountIcons(), 2);
	EXPECT_EQ(view->IconName(0), "alpha.png");
	EXPECT_EQ(view->IconName(1), "beta.txt");
	BRect first = view->IconCell(0);
	BRect second = view->IconCell(1);
	desktop->Unlock();
	// From the top left, down the first column.
	EXPECT_LT(first.left, 20);
	EXPECT_LT(first.top, 20);
	EXPECT_EQ(second.left, first.left);
	EXPECT_GT(second.top, first.bottom);

	// Each icon is drawn over the background, with its name under it; the
	// space beside the column is bare background.
	auto differs = [&](BRect rect) {
		return window_find_pixel(desktop, rect, [](int32, int32, rgb_color pixel) {
			return pixel.red != DesktopView::kBackground.red ||
			       pixel.green != DesktopView::kBackground.green ||
			       pixel.blue != DesktopView::kBackground.blue;
		});
	};
	BRect firstIcon(first.left, first.top, first.right, first.top + first.Height() / 2);
	BRect firstName(first.left, first.top + first.Height() / 2 + 4, first.right, first.bottom);
	EXPECT_TRUE(differs(firstIcon));
	EXPECT_TRUE(differs(firstName));
	EXPECT_TRUE(differs(second));
	EXPECT_FALSE(differs(BRect(first.right + 10, 0, 700, 500)));

	// A click on an icon selects it, on no icon clears the selection.
	BPoint center((second.left + second.right) / 2, second.top + 16);
	control()->Click(center);
	ASSERT_TRUE(sync_window(desktop));
	desktop->Lock();
	EXPECT_EQ(desktop->View()->Selection(), 1);
	desktop->Unlock();
	control()->AdvanceClock(2000000);
	control()->Click(BPoint(600, 400));
	ASSERT_TRUE(sync_window(desktop));
	desktop->Lock();
	EXPECT_EQ(desktop->View()->Selection(), -1);
	desktop->Unlock();
}

TEST(DesktopFolderPath, ComesFromTheUserDirsElseTheHome)
{
	char folder[] = "/tmp/desktop_dirs_XXXXXX";
	ASSERT_NE(mkdtemp(folder), nullptr);
	std::string home = folder;
	std::string oldHome = getenv("HOME") != NULL ? getenv("HOME") : "";
	const char* oldConfig = getenv("XDG_CONFIG_HOME");
	std::string savedConfig = oldConfig != NULL ? oldConfig : "";
	setenv("HOME", home.c_str(), 1);
	unsetenv("XDG_CONFIG_HOME");

	EXPECT_EQ(desktop_folder_path(), home + "/Desktop");
	ASSERT_EQ(mkdir((home + "/.config").c_str(), 0700), 0);
	std::ofstream((home + "/.config/user-dirs.dirs").c_str())
	    << "# written by xdg-user-dirs-update\n"
	    << "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
	    << "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n";
	EXPECT_EQ(desktop_folder_path(), home + "/Schreibtisch");
	// The home itself is no desktop folder.
	std::ofstream((home + "/.config/user-dirs.dirs").c_str()) << "XDG_DESKTOP_DIR=\"$HOME/\"\n";
	EXPECT_EQ(desktop_folder_path(), home + "/Desktop");

	setenv("HOME", oldHome.c_str(), 1);
	if (oldConfig != NULL)
		setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
	EXPECT_EQ(system(("rm -rf '" + home + "'").c_str()), 0);
}

TEST_F(DesktopTest, IconsFollowTheFolderAsFilesComeGoAndChangeName)
{
	std::string folder = dir + "/Desktop";
	ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
	std::ofstream((folder + "/b.txt").c_str()) << "b";
	Open(folder);
	auto names = [&] {
		std::vector<std::string> shown;
		desktop->Lock();
		for (int32 i = 0; i < desktop->View()->CountIcons(); i++)
			shown.push_back(desktop->View()->IconName(i));
		desktop->Unlock();
		return shown;
	};
	ASSERT_EQ(names(), std::vector<std::string>({"b.txt"}));
	// Selected, it stays selected while others come and go.
	desktop->Lock();
	BRect cell = desktop->View()->IconCell(0);
	desktop->Unlock();
	control()->Click(BPoint((cell.left + cell.right) / 2, cell.top + 16));
	ASSERT_TRUE(sync_window(desktop));

	std::ofstream((folder + "/a.png").c_str()) << "a";
	EXPECT_TRUE(wait_for([&] { return names() == std::vector<std::string>({"a.png", "b.txt"}); }));
	desktop->Lock();
	EXPECT_EQ(desktop->View()->Selection(), 1);
	desktop->Unlock();
	ASSERT_EQ(rename((folder + "/a.png").c_str(), (folder + "/c.png").c_str()), 0);
	EXPECT_TRUE(wait_for([&] { return names() == std::vector<std::string>({"b.txt", "c.png"}); }));
	ASSERT_EQ(unlink((folder + "/b.txt").c_str()), 0);
	EXPECT_TRUE(wait_for([&] { return names() == std::vector<std::string>({"c.png"}); }));
	desktop->Lock();
	EXPECT_EQ(desktop->View()->Selection(), -1) << "the selected file went";
	desktop->Unlock();

	// The folder gone: nothing is left to show; made again, with files, it
	// is shown again.
	ASSERT_EQ(system(("rm -rf '" + folder + "'").c_str()), 0);
	EXPECT_TRUE(wait_for([&] { return names().empty(); }));
	std::ofstream((dir + "/beside.txt").c_str()) << "not on the desktop";
	ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
	std::ofstream((folder + "/again.txt").c_str()) << "again";
	EXPECT_TRUE(wait_for([&] { return names() == std::vector<std::string>({"again.txt"}); }));
	std::ofstream((folder + "/more.txt").c_str()) << "more";
	EXPECT_TRUE(
	    wait_for([&] { return names() == std::vector<std::string>({"again.txt", "more.txt"}); }));
}

TEST(DesktopIconTheme, FindsTheTypesIconThenItsGenericOnesOnceEach)
{
	char folder[] = "/tmp/desktop_icons_XXXXXX";
	ASSERT_NE(mkdtemp(folder), nullptr);
	std::string root = folder;
	std::string samples = std::string(getenv("PL_SOURCE_DIR") != NULL ? getenv("PL_SOURCE_DIR")
	                                                                   : ".") +
	                      "/samples/";
	auto put = [&](const std::string& path, const std::string& sample) {
		std::string dir = root + "/" + path.substr(0, path.rfind('/'));
		EXPECT_EQ(system(("mkdir -p '" + dir + "'").c_str()), 0);
		EXPECT_EQ(system(("cp '" + samples + sample + "' '" + root + "/" + path + "'").c_str()), 0);
	};
	// 64 x 48, 320 x 240 and 1 x 50 pictures tell the icons apart.
	put("icons/hicolor/32x32/mimetypes/image-png.png", "quadrants.png");
	put("icons/hicolor/48x48/mimetypes/image-x-generic.png", "a.png");
	put("icons/hicolor/32x32/mimetypes/text-x-generic.png", "column.png");
	put("icons/hicolor/24x24/places/folder.png", "quadrants.png");
	// A damaged icon in the theme that comes first is passed over.
	put("icons/Adwaita/32x32/mimetypes/text-plain.png", "notes.txt");
	ASSERT_EQ(mkdir((root + "/mime").c_str(), 0700), 0);
	std::ofstream(root + "/mime/generic-icons") << "application/x-special:image-x-generic\n"
	                                              << "no colon here\n"
	                                              << "application/x-path:../../a\n";

	IconTheme theme(32, {root + "/icons"});
	auto width = [&](const char* type) {
		const BBitmap* icon = theme.IconFor(type);
		return icon != NULL ? (int32) icon->Bounds().Width() + 1 : -1;
	};
	EXPECT_EQ(width("image/png"), 64);
	EXPECT_EQ(width("image/jpeg"), 320) << "the generic icon of its supertype";
	EXPECT_EQ(width("text/plain"), 1);
	EXPECT_EQ(width("application/x-special"), 320) << "shared-mime-info's generic icon";
	EXPECT_EQ(width("inode/directory"), 64);
	EXPECT_EQ(width("application/x-path"), -1) << "an icon name is never a path";
	EXPECT_EQ(width("application/x-unknown"), -1);
	EXPECT_EQ(theme.IconNames("image/png"),
	          std::vector<std::string>({"image-png", "image-x-generic", "application-x-generic"}));

	// Looked up once: what was found stays, what was not stays missing.
	const BBitmap* png = theme.IconFor("image/png");
	put("icons/hicolor/32x32/mimetypes/application-x-generic.png", "a.png");
	EXPECT_EQ(system(("rm -rf '" + root + "/icons/hicolor/32x32'").c_str()), 0);
	EXPECT_EQ(theme.IconFor("image/png"), png);
	EXPECT_EQ(width("application/x-unknown"), -1);
	EXPECT_EQ(system(("rm -rf '" + root + "'").c_str()), 0);
}
