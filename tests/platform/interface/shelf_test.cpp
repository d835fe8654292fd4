// BShelf on the offscreen display: replicants added, dropped from another
// window by their handle, moved within the shelf, removed by the handle's
// menu, and kept in a file that survives interrupted saves, damage and
// archives of applications that are not installed.

#include <Dragger.h>
#include <Entry.h>
#include <MenuItem.h>
#include <Message.h>
#include <PopUpMenu.h>
#include <Shelf.h>
#include <View.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "display/offscreen/OffscreenControl.h"
#include "interface/ShelfFile.h"
#include "platform/interface/InterfaceTestSupport.h"
#include "storage/AtomicFile.h"
#include "support/ClassRegistry.h"

// A replicable picture: a colour of its own and its handle at the top left.
class ShelfPicture : public BView {
public:
	ShelfPicture(BRect frame, int32 color) : BView(frame, "Picture", B_FOLLOW_NONE, B_WILL_DRAW),
	                                          fColor(color)
	{
		AddChild(new BDragger(BRect(0, 0, 7, 7), this));
	}
	ShelfPicture(BMessage* archive) : BView(archive), fColor(archive->GetInt32("test:color", -1)) {}

	static BArchivable* Instantiate(BMessage* archive)
	{
		if (!validate_instantiation(archive, "ShelfPicture"))
			return NULL;
		return new ShelfPicture(archive);
	}
	status_t Archive(BMessage* archive, bool deep) const override
	{
		status_t status = BView::Archive(archive, deep);
		if (status == B_OK)
			status = archive->AddInt32("test:color", fColor);
		return status;
	}
	void AttachedToWindow() override
	{
		attachedInThread = find_thread(NULL);
	}
	// A key or a click changes what the picture keeps, as a zoom or a scroll
	// does; the shelf is not told.
	void KeyDown(const char* /*bytes*/, int32 /*numBytes*/) override { fColor++; }
	void MouseDown(BPoint /*where*/) override { fColor += 100; }

	int32 fColor;
	std::atomic<thread_id> attachedInThread{-1};
};

static BPrivate::InstantiationRegistrar sShelfPicture("ShelfPicture", &ShelfPicture::Instantiate);

namespace {

// Records the hooks' calls; can refuse views wider than a limit.
class TestShelf : public BShelf {
public:
	TestShelf(const entry_ref* ref, BView* view) : BShelf(ref, view) {}

	bool CanAcceptReplicantView(BRect frame, BView*, BMessage*) const override
	{
		return frame.Width() < maxWidth;
	}
	void ReplicantDeleted(int32 index, const BMessage* archive, const BView* replicant) override
	{
		deleted.push_back(index);
		deletedHadParent = replicant->Parent() != NULL;
		deletedArchiveColor = archive->GetInt32("test:color", -1);
	}

	float maxWidth = 1000;
	std::vector<int32> deleted;
	bool deletedHadParent = true;
	int32 deletedArchiveColor = -1;
};

BMessage archive_of(int32 color, BRect frame = BRect(0, 0, 49, 39))
{
	ShelfPicture picture(frame, color);
	BMessage archive(B_ARCHIVED_OBJECT);
	EXPECT_EQ(picture.Archive(&archive, true), B_OK);
	return archive;
}

std::string read_all(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	std::stringstream bytes;
	bytes << in.rdbuf();
	return bytes.str();
}

void write_all(const std::string& path, const std::string& bytes)
{
	std::ofstream out(path, std::ios::binary | std::ios::trunc);
	out << bytes;
}

std::string flat(const BMessage& message)
{
	std::string bytes(message.FlattenedSize(), '\0');
	message.Flatten(bytes.data(), bytes.size());
	return bytes;
}

// The entries a shelf file holds; B_BAD_DATA if it was not whole.
status_t entries_of(const std::string& path, std::vector<BMessage>* entries)
{
	std::string bytes = read_all(path);
	return BPrivate::read_shelf(bytes.data(), bytes.size(), entries);
}

struct Placed {
	int32 color;
	BRect frame;
};

class ShelfTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		char folder[] = "/tmp/shelf_test_XXXXXX";
		ASSERT_NE(mkdtemp(folder), nullptr);
		dir = folder;
		path = dir + "/replicants";
		desk = new BWindow(BRect(0, 0, 399, 299), "desk", B_TITLED_WINDOW, 0);
		container = new BView(desk->Bounds(), "container", B_FOLLOW_ALL, B_WILL_DRAW);
		desk->AddChild(container);
		desk->Show();
		ASSERT_TRUE(sync_window(desk));
	}

	void TearDown() override
	{
		BPrivate::set_atomic_write_hook(NULL);
		inject_mouse_released_all();
		CloseShelf();
		for (BWindow* window : {desk, source}) {
			if (window != NULL && window->Lock())
				window->Quit();
		}
		std::string command = "rm -rf '" + dir + "'";
		EXPECT_EQ(system(command.c_str()), 0);
	}

	TestShelf* OpenShelf()
	{
		BEntry entry(path.c_str());
		entry_ref ref;
		EXPECT_EQ(entry.GetRef(&ref), B_OK);
		desk->Lock();
		shelf = new TestShelf(&ref, container);
		desk->Unlock();
		return shelf;
	}

	void CloseShelf()
	{
		if (shelf == NULL)
			return;
		desk->Lock();
		delete shelf;
		shelf = NULL;
		desk->Unlock();
	}

	status_t Add(int32 color, BPoint where)
	{
		BMessage archive = archive_of(color);
		desk->Lock();
		status_t status = shelf->AddReplicant(&archive, where);
		desk->Unlock();
		return status;
	}

	std::vector<Placed> Shelved()
	{
		std::vector<Placed> placed;
		desk->Lock();
		BView* view;
		for (int32 i = 0; shelf->ReplicantAt(i, &view) != NULL; i++) {
			ShelfPicture* picture = dynamic_cast<ShelfPicture*>(view);
			EXPECT_NE(picture, nullptr);
			EXPECT_EQ(view->Parent(), container);
			if (picture != NULL)
				placed.push_back({picture->fColor, picture->Frame()});
		}
		desk->Unlock();
		return placed;
	}

	int32 Count()
	{
		desk->Lock();
		int32 count = shelf->CountReplicants();
		desk->Unlock();
		return count;
	}

	InterfaceTestApp app;
	std::string dir;
	std::string path;
	BWindow* desk = NULL;
	BWindow* source = NULL;
	BView* container = NULL;
	TestShelf* shelf = NULL;
};

} // namespace

TEST_F(ShelfTest, AddedReplicantsAreChildrenSavedAtOnceAndComeBackInPlace)
{
	OpenShelf();
	EXPECT_EQ(Count(), 0);
	EXPECT_EQ(Add(1, BPoint(10, 20)), B_OK);
	std::vector<BMessage> entries;
	EXPECT_EQ(entries_of(path, &entries), B_OK) << "saved when added";
	EXPECT_EQ(entries.size(), 1u);
	EXPECT_EQ(Add(2, BPoint(200, 30)), B_OK);
	EXPECT_EQ(Add(3, BPoint(-5, 150)), B_OK);

	// Refused by the hook, or not a view at all: nothing is added.
	shelf->maxWidth = 20;
	EXPECT_NE(Add(4, BPoint(0, 0)), B_OK);
	BMessage notAView(B_ARCHIVED_OBJECT);
	notAView.AddString("class", "BMenuItem");
	notAView.AddString("_label", "Item");
	desk->Lock();
	EXPECT_EQ(shelf->AddReplicant(&notAView, BPoint(0, 0)), B_BAD_TYPE);
	desk->Unlock();

	std::vector<Placed> placed = Shelved();
	ASSERT_EQ(placed.size(), 3u);
	EXPECT_EQ(placed[0].color, 1);
	EXPECT_EQ(placed[0].frame, BRect(10, 20, 59, 59));
	EXPECT_EQ(placed[1].frame, BRect(200, 30, 249, 69));
	EXPECT_EQ(placed[2].frame, BRect(-5, 150, 44, 189));

	desk->Lock();
	BView* view;
	uint32 id;
	status_t error;
	ASSERT_NE(shelf->ReplicantAt(1, &view, &id, &error), nullptr);
	EXPECT_EQ(error, B_OK);
	EXPECT_EQ(shelf->IndexOf(view), 1);
	EXPECT_EQ(shelf->IndexOf(id), 1);
	EXPECT_EQ(shelf->IndexOf(shelf->ReplicantAt(2)), 2);
	EXPECT_EQ(shelf->ReplicantAt(3, &view, &id, &error), nullptr);
	EXPECT_EQ(error, B_BAD_INDEX);
	EXPECT_EQ(view, nullptr);
	// A replicant's state changed since it was added is what is saved.
	dynamic_cast<ShelfPicture*>(container->ChildAt(0))->fColor = 11;
	desk->Unlock();

	CloseShelf();
	desk->Lock();
	EXPECT_EQ(container->CountChildren(), 0) << "the shelf took its replicants with it";
	desk->Unlock();
	OpenShelf();
	placed = Shelved();
	ASSERT_EQ(placed.size(), 3u);
	EXPECT_EQ(placed[0].color, 11);
	EXPECT_EQ(placed[0].frame, BRect(10, 20, 59, 59));
	EXPECT_EQ(placed[1].color, 2);
	EXPECT_EQ(placed[1].frame, BRect(200, 30, 249, 69));
	EXPECT_EQ(placed[2].color, 3);
	EXPECT_EQ(placed[2].frame, BRect(-5, 150, 44, 189));
}

TEST_F(ShelfTest, DeletionByEveryKeyAndByTheHandlesMenu)
{
	OpenShelf();
	for (int32 color = 1; color <= 5; color++)
		ASSERT_EQ(Add(color, BPoint(color * 60, 10)), B_OK);

	desk->Lock();
	BView* view;
	uint32 id;
	shelf->ReplicantAt(1, &view, &id);
	EXPECT_EQ(shelf->DeleteReplicant(view), B_OK);
	EXPECT_EQ(shelf->deleted, std::vector<int32>({1}));
	EXPECT_FALSE(shelf->deletedHadParent) << "out of the container before the hook";
	EXPECT_EQ(shelf->deletedArchiveColor, 2);
	EXPECT_EQ(shelf->DeleteReplicant(id), B_BAD_VALUE) << "gone already";
	shelf->ReplicantAt(0, NULL, &id);
	EXPECT_EQ(shelf->DeleteReplicant(id), B_OK);
	EXPECT_EQ(shelf->DeleteReplicant(shelf->ReplicantAt(2)), B_OK);
	EXPECT_EQ(shelf->DeleteReplicant(int32(7)), B_BAD_INDEX);
	EXPECT_EQ(shelf->CountReplicants(), 2);

	// "Remove Replicant" from the handle's menu, as the user picks it.
	shelf->ReplicantAt(0, &view);
	BDragger* dragger = dynamic_cast<BDragger*>(view->FindView("_dragger_"));
	ASSERT_NE(dragger, nullptr);
	BPopUpMenu* menu = dragger->PopUp();
	ASSERT_NE(menu, nullptr);
	BMenuItem* remove = menu->FindItem("Remove Replicant");
	ASSERT_NE(remove, nullptr);
	menu->SetTargetForItems(view);
	EXPECT_EQ(remove->Invoke(), B_OK);
	desk->Unlock();

	ASSERT_TRUE(wait_for([&] { return Count() == 1; }));
	std::vector<Placed> placed = Shelved();
	ASSERT_EQ(placed.size(), 1u);
	EXPECT_EQ(placed[0].color, 4);
	std::vector<BMessage> entries;
	EXPECT_EQ(entries_of(path, &entries), B_OK);
	EXPECT_EQ(entries.size(), 1u) << "saved when removed";
}

TEST_F(ShelfTest, DropFromAnotherWindowLandsWhereItWasHeldAndMovesWithinTheShelf)
{
	BPrivate::OffscreenControl* control = BPrivate::OffscreenControl::Get();
	ASSERT_NE(control, nullptr);
	OpenShelf();
	source = new BWindow(BRect(500, 100, 699, 299), "source", B_TITLED_WINDOW, 0);
	source->AddChild(new ShelfPicture(BRect(20, 30, 119, 109), 7));
	source->Show();
	ASSERT_TRUE(sync_window(source));

	// Pressed on the handle two pixels in, the drag starts a few pixels on.
	BPoint press(500 + 22, 100 + 32);
	BPoint start = press + BPoint(6, 5);
	BPoint drop(150, 120);
	inject_mouse_moved(press);
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(source));
	inject_mouse_moved(start, B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(wait_for([&] { return control->IsDragging(); }));
	inject_mouse_moved(drop, B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(wait_for([&] { return Count() == 1; }));

	// The picture's top left keeps its distance to the pointer.
	desk->Lock();
	BPoint expected = container->ConvertFromScreen(BPoint(520, 130) + (drop - start));
	desk->Unlock();
	std::vector<Placed> placed = Shelved();
	ASSERT_EQ(placed.size(), 1u);
	EXPECT_EQ(placed[0].color, 7);
	EXPECT_EQ(placed[0].frame.LeftTop(), expected);
	EXPECT_EQ(placed[0].frame.Width(), 99);
	desk->Lock();
	EXPECT_EQ(dynamic_cast<ShelfPicture*>(container->ChildAt(0))->attachedInThread.load(),
	          desk->Thread())
	    << "attached in the host window's thread";
	desk->Unlock();
	std::vector<BMessage> entries;
	ASSERT_EQ(entries_of(path, &entries), B_OK);
	ASSERT_EQ(entries.size(), 1u);
	BMessage saved;
	ASSERT_EQ(entries[0].FindMessage("message", &saved), B_OK);
	EXPECT_FALSE(saved.HasPoint("_drop_point_")) << "the drop's own fields are not the replicant's";

	// Dragged by its handle within the shelf: the same replicant moves.
	desk->Lock();
	BPoint handle = container->ConvertToScreen(placed[0].frame.LeftTop()) + BPoint(2, 2);
	desk->Unlock();
	start = handle + BPoint(6, 5);
	drop = start + BPoint(40, 60);
	inject_mouse_moved(handle);
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(desk));
	inject_mouse_moved(start, B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(wait_for([&] { return control->IsDragging(); }));
	inject_mouse_moved(drop, B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	BPoint moved = placed[0].frame.LeftTop() + BPoint(40, 60);
	ASSERT_TRUE(wait_for([&] {
		std::vector<Placed> now = Shelved();
		return now.size() == 1 && now[0].frame.LeftTop() == moved;
	}));
	EXPECT_EQ(Count(), 1);
	ASSERT_EQ(entries_of(path, &entries), B_OK);
	ASSERT_EQ(entries.size(), 1u);
	EXPECT_EQ(entries[0].GetPoint("position", BPoint()), moved) << "saved when moved";

	// With drags refused, a drop changes nothing.
	desk->Lock();
	shelf->SetAllowsDragging(false);
	EXPECT_FALSE(shelf->AllowsDragging());
	desk->Unlock();
	snooze(600000); // past the double-click time, so the press is a new click
	handle += BPoint(40, 60);
	inject_mouse_moved(handle);
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(desk));
	inject_mouse_moved(handle + BPoint(6, 5), B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(wait_for([&] { return control->IsDragging(); }));
	inject_mouse_moved(BPoint(300, 200), B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(desk));
	ASSERT_TRUE(sync_window(desk));
	std::vector<Placed> now = Shelved();
	ASSERT_EQ(now.size(), 1u);
	EXPECT_EQ(now[0].frame.LeftTop(), moved);
}

TEST_F(ShelfTest, DroppedOnAnotherShelfTheReplicantMovesThere)
{
	BPrivate::OffscreenControl* control = BPrivate::OffscreenControl::Get();
	ASSERT_NE(control, nullptr);
	OpenShelf();
	ASSERT_EQ(Add(8, BPoint(30, 40)), B_OK);

	source = new BWindow(BRect(500, 100, 799, 399), "other desk", B_TITLED_WINDOW, 0);
	BView* otherContainer = new BView(source->Bounds(), "other", B_FOLLOW_ALL, B_WILL_DRAW);
	source->AddChild(otherContainer);
	source->Show();
	ASSERT_TRUE(sync_window(source));
	std::string otherPath = dir + "/other";
	BEntry entry(otherPath.c_str());
	entry_ref ref;
	ASSERT_EQ(entry.GetRef(&ref), B_OK);
	source->Lock();
	BShelf* other = new BShelf(&ref, otherContainer);
	source->Unlock();

	BPoint handle(30 + 2, 40 + 2);
	BPoint start = handle + BPoint(6, 5);
	BPoint drop(600, 200);
	inject_mouse_moved(handle);
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(desk));
	inject_mouse_moved(start, B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(wait_for([&] { return control->IsDragging(); }));
	inject_mouse_moved(drop, B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);

	auto otherCount = [&] {
		source->Lock();
		int32 count = other->CountReplicants();
		source->Unlock();
		return count;
	};
	EXPECT_TRUE(wait_for([&] { return otherCount() == 1 && Count() == 0; }))
	    << otherCount() << " there, " << Count() << " here";
	std::vector<BMessage> entries;
	EXPECT_EQ(entries_of(path, &entries), B_OK);
	EXPECT_TRUE(entries.empty());
	EXPECT_EQ(entries_of(otherPath, &entries), B_OK);
	EXPECT_EQ(entries.size(), 1u);
	source->Lock();
	delete other;
	source->Unlock();
}

// A crash at any step of a save leaves the old file or the new one, whole.
static int sStopAt = -1;
static bool stop_at(BPrivate::atomic_write_step step)
{
	return step != sStopAt;
}

TEST_F(ShelfTest, SaveStoppedAtAnyStepLeavesTheOldOrTheNewFileWhole)
{
	for (int step = BPrivate::ATOMIC_WRITE_CREATE; step <= BPrivate::ATOMIC_WRITE_SYNC_FOLDER;
	     step++) {
		SCOPED_TRACE(step);
		unlink(path.c_str());
		OpenShelf();
		ASSERT_EQ(Add(1, BPoint(10, 10)), B_OK);
		ASSERT_EQ(Add(2, BPoint(70, 10)), B_OK);
		std::string before = read_all(path);

		sStopAt = step;
		BPrivate::set_atomic_write_hook(&stop_at);
		Add(3, BPoint(130, 10));
		BPrivate::set_atomic_write_hook(NULL);

		std::vector<BMessage> entries;
		ASSERT_EQ(entries_of(path, &entries), B_OK);
		if (step <= BPrivate::ATOMIC_WRITE_RENAME) {
			EXPECT_EQ(read_all(path), before);
		} else {
			EXPECT_EQ(entries.size(), 3u);
		}
		// What the shelf shows is saved by the next change.
		desk->Lock();
		EXPECT_EQ(shelf->DeleteReplicant(int32(0)), B_OK);
		desk->Unlock();
		ASSERT_EQ(entries_of(path, &entries), B_OK);
		EXPECT_EQ(entries.size(), 2u);
		CloseShelf();
	}
}

TEST_F(ShelfTest, DamagedFileGivesWhatCanBeReadAndKeepsACopy)
{
	OpenShelf();
	for (int32 color = 1; color <= 3; color++)
		ASSERT_EQ(Add(color, BPoint(color * 100, 50)), B_OK);
	CloseShelf();
	std::string whole = read_all(path);
	std::vector<BMessage> entries;
	ASSERT_EQ(BPrivate::read_shelf(whole.data(), whole.size(), &entries), B_OK);
	ASSERT_EQ(entries.size(), 3u);
	// Where the second entry lies in the file.
	std::string second = flat(entries[1]);
	size_t secondAt = whole.find(second);
	ASSERT_NE(secondAt, std::string::npos);

	struct Damage {
		const char* what;
		std::string bytes;
		std::vector<int32> colors;
	};
	std::string garbled = whole;
	for (size_t i = secondAt; i < secondAt + 8; i++)
		garbled[i] ^= 0x5a; // its magic and version
	std::string cutInThird = whole.substr(0, whole.size() - 10);
	std::string trailing = whole + "trailing bytes";
	std::vector<Damage> damages = {
	    {"truncated in the third", cutInThird, {1, 2}},
	    {"garbled in the second", garbled, {1, 3}},
	    {"bytes after the end", trailing, {1, 2, 3}},
	    {"cut in the header", whole.substr(0, 10), {}},
	    {"not a shelf file", std::string(4000, '\x31'), {}},
	};
	for (const Damage& damage : damages) {
		SCOPED_TRACE(damage.what);
		write_all(path, damage.bytes);
		unlink((path + ".bad").c_str());
		OpenShelf();
		std::vector<Placed> placed = Shelved();
		std::vector<int32> colors;
		for (const Placed& one : placed) {
			colors.push_back(one.color);
			EXPECT_EQ(one.frame.LeftTop(), BPoint(one.color * 100, 50));
		}
		EXPECT_EQ(colors, damage.colors);
		EXPECT_EQ(read_all(path + ".bad"), damage.bytes);
		CloseShelf();
		// Saved again whole, with what could be read.
		ASSERT_EQ(entries_of(path, &entries), B_OK);
		EXPECT_EQ(entries.size(), damage.colors.size());
	}

	// A whole file leaves no copy behind.
	unlink((path + ".bad").c_str());
	OpenShelf();
	EXPECT_EQ(access((path + ".bad").c_str(), F_OK), -1);
}

TEST_F(ShelfTest, ArchiveOfAnApplicationNotInstalledIsKeptUntouched)
{
	BMessage gone(B_ARCHIVED_OBJECT);
	gone.AddString("class", "GonePicture");
	gone.AddString("add_on", "application/x-vnd.test-gone-viewer");
	gone.AddRect("_frame", BRect(0, 0, 9, 9));
	gone.AddString("gone:data", "kept as it was");
	BMessage zombie(BPrivate::kShelfEntryWhat);
	zombie.AddInt32("uniqueid", 40);
	zombie.AddMessage("message", &gone);
	zombie.AddPoint("position", BPoint(33, 44));
	BMessage live(BPrivate::kShelfEntryWhat);
	BMessage archive = archive_of(5);
	live.AddInt32("uniqueid", 41);
	live.AddMessage("message", &archive);
	live.AddPoint("position", BPoint(100, 100));
	std::string bytes;
	ASSERT_EQ(BPrivate::flatten_shelf({zombie, live}, &bytes), B_OK);
	write_all(path, bytes);

	OpenShelf();
	EXPECT_EQ(Count(), 1) << "not shown";
	EXPECT_EQ(shelf->CountZombies(), 1);
	EXPECT_EQ(Add(6, BPoint(200, 10)), B_OK);
	CloseShelf();
	OpenShelf();
	EXPECT_EQ(Count(), 2);
	CloseShelf();

	std::vector<BMessage> entries;
	ASSERT_EQ(entries_of(path, &entries), B_OK);
	ASSERT_EQ(entries.size(), 3u);
	int kept = 0;
	for (const BMessage& entry : entries) {
		if (flat(entry) == flat(zombie))
			kept++;
	}
	EXPECT_EQ(kept, 1);
	EXPECT_EQ(access((path + ".bad").c_str(), F_OK), -1) << "an unknown class is no damage";
}

static std::atomic<int> sSaves{0};
static bool count_saves(BPrivate::atomic_write_step step)
{
	if (step == BPrivate::ATOMIC_WRITE_RENAME)
		sSaves++;
	return true;
}

// The color the file keeps for its first replicant; -1 without one.
static int32 saved_color(const std::string& path)
{
	std::vector<BMessage> entries;
	BMessage archive;
	if (entries_of(path, &entries) != B_OK || entries.empty() ||
	    entries[0].FindMessage("message", &archive) != B_OK)
		return -1;
	return archive.GetInt32("test:color", -1);
}

TEST_F(ShelfTest, InputToAReplicantIsSavedSoonOnceForABurst)
{
	OpenShelf();
	ASSERT_EQ(Add(1, BPoint(100, 100)), B_OK);
	ASSERT_EQ(saved_color(path), 1);
	sSaves = 0;
	BPrivate::set_atomic_write_hook(&count_saves);

	// Keys to the focused replicant, a quick burst of them.
	desk->Lock();
	BView* view = NULL;
	shelf->ReplicantAt(0, &view);
	ASSERT_NE(view, nullptr);
	view->MakeFocus(true);
	desk->Unlock();
	bigtime_t start = system_time();
	for (int i = 0; i < 5; i++) {
		inject_key_down("+", 0x3a, 0);
		inject_key_up("+", 0x3a, 0);
	}
	ASSERT_TRUE(sync_window(desk));
	EXPECT_TRUE(wait_for([&] { return saved_color(path) == 6; }, 3000000))
	    << "saved: " << saved_color(path);
	EXPECT_LT(system_time() - start, 2500000);
	// Nothing more comes of that burst.
	snooze(2000000);
	EXPECT_EQ(sSaves.load(), 1);

	// A click on the replicant; a click beside it is not the replicant's.
	desk->Lock();
	BPoint screen = container->ConvertToScreen(BPoint(300, 250));
	BPoint onPicture = container->ConvertToScreen(BPoint(120, 120));
	desk->Unlock();
	inject_mouse_moved(screen);
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(desk));
	snooze(2000000);
	EXPECT_EQ(sSaves.load(), 1);
	inject_mouse_moved(onPicture);
	inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	EXPECT_TRUE(wait_for([&] { return saved_color(path) == 106; }, 3000000))
	    << "saved: " << saved_color(path);
	EXPECT_EQ(sSaves.load(), 2);

	// Deleted before its timer ran, the shelf still saves what is there.
	inject_key_down("+", 0x3a, 0);
	ASSERT_TRUE(sync_window(desk));
	CloseShelf();
	EXPECT_EQ(saved_color(path), 107);
	BPrivate::set_atomic_write_hook(NULL);
}
