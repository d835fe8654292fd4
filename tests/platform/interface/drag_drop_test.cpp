// Drag and drop between windows on the offscreen display: what the views
// under a drag see, where and how the drop lands, and the drags that must
// change nothing (refused, cancelled, hostile data, the bare desktop).

#include <AppDefs.h>
#include <Bitmap.h>
#include <Message.h>
#include <View.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "display/DisplayBackend.h"
#include "display/offscreen/OffscreenControl.h"
#include "interface/DragPrivate.h"
#include "interface/WindowPrivate.h"
#include "platform/interface/InterfaceTestSupport.h"

using BPrivate::OffscreenControl;

namespace {

const uint32 kDragWhat = 'tDRG';
const uint32 kReplyWhat = 'tRPL';

struct Seen {
	std::string view;
	uint32 what;
	uint32 transit;
	bool hasDrag;
	uint32 dragWhat;
	BMessage message; // drops: what arrived
};

class Log {
public:
	void Add(const Seen& seen)
	{
		std::lock_guard<std::mutex> lock(fLock);
		fSeen.push_back(seen);
	}
	std::vector<Seen> Take()
	{
		std::lock_guard<std::mutex> lock(fLock);
		std::vector<Seen> seen;
		seen.swap(fSeen);
		return seen;
	}

private:
	std::mutex fLock;
	std::vector<Seen> fSeen;
};

// Logs pointer hooks and every message; a drop is answered with a reply.
class LogView : public BView {
public:
	LogView(BRect frame, const char* name, Log* log)
	    : BView(frame, name, B_FOLLOW_NONE, B_WILL_DRAW), fLog(log)
	{
	}

	void MouseMoved(BPoint, uint32 transit, const BMessage* drag) override
	{
		fLog->Add({Name(), B_MOUSE_MOVED, transit, drag != NULL, drag != NULL ? drag->what : 0,
		           BMessage()});
	}
	void MouseUp(BPoint) override { fLog->Add({Name(), B_MOUSE_UP, 0, false, 0, BMessage()}); }
	void MessageReceived(BMessage* message) override
	{
		fLog->Add({Name(), message->what, 0, false, 0, *message});
		if (message->WasDropped())
			message->SendReply(kReplyWhat);
	}

private:
	Log* fLog;
};

// Starts a drag of |message| on the first move with the button held.
class SourceView : public LogView {
public:
	SourceView(BRect frame, Log* log, const BMessage& message)
	    : LogView(frame, "source", log), fMessage(message)
	{
	}

	void MouseDown(BPoint) override
	{
		fPressed = true;
		SetMouseEventMask(B_POINTER_EVENTS);
	}
	void MouseMoved(BPoint where, uint32 transit, const BMessage* drag) override
	{
		LogView::MouseMoved(where, transit, drag);
		if (!fPressed || drag != NULL)
			return;
		fPressed = false;
		if (bitmapOffset.x >= 0) {
			BBitmap* bitmap = new BBitmap(BRect(0, 0, 19, 19), B_RGBA32);
			DragMessage(&fMessage, bitmap, bitmapOffset);
		} else {
			DragMessage(&fMessage, BRect(10, 10, 59, 59));
		}
	}
	void MouseUp(BPoint where) override
	{
		fPressed = false;
		LogView::MouseUp(where);
	}

	BPoint bitmapOffset = BPoint(-1, -1);

private:
	BMessage fMessage;
	bool fPressed = false;
};

std::vector<Seen> of(const std::vector<Seen>& seen, const char* view, uint32 what)
{
	std::vector<Seen> result;
	for (const Seen& item : seen) {
		if (item.view == view && item.what == what)
			result.push_back(item);
	}
	return result;
}

std::string flat(const BMessage& message)
{
	std::string bytes(message.FlattenedSize(), '\0');
	message.Flatten(bytes.data(), bytes.size());
	return bytes;
}

std::mutex sUnclaimedLock;
std::vector<BMessage> sUnclaimed;

void record_unclaimed(BMessage* drop, BPoint)
{
	std::lock_guard<std::mutex> lock(sUnclaimedLock);
	sUnclaimed.push_back(*drop);
}

class DragDropTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		control = OffscreenControl::Get();
		ASSERT_NE(control, nullptr);
		dragged.what = kDragWhat;
		dragged.AddString("name", "picture");
		dragged.AddInt64("size", 1234567890123LL);
		BMessage nested('nest');
		nested.AddRect("_frame", BRect(1, 2, 3, 4));
		dragged.AddMessage("archive", &nested);

		source = new BWindow(BRect(100, 100, 299, 199), "source", B_TITLED_WINDOW, 0);
		sourceView = new SourceView(BRect(0, 0, 99, 99), &log, dragged);
		source->AddChild(sourceView);
		source->Show();
		target = new BWindow(BRect(400, 100, 599, 299), "target", B_TITLED_WINDOW, 0);
		dropView = new LogView(BRect(0, 0, 99, 99), "drop", &log);
		target->AddChild(dropView);
		target->AddChild(new LogView(BRect(100, 0, 199, 99), "other", &log));
		target->Show();
		ASSERT_TRUE(sync_window(source));
		ASSERT_TRUE(sync_window(target));
		log.Take();
	}

	void TearDown() override
	{
		inject_mouse_released_all();
		BPrivate::set_unclaimed_drop_handler(NULL);
		for (BWindow* window : {source, target}) {
			if (window->Lock())
				window->Quit();
		}
		std::lock_guard<std::mutex> lock(sUnclaimedLock);
		sUnclaimed.clear();
	}

	// Press in the source view at (50, 50) and move: the drag starts.
	void StartDrag()
	{
		inject_mouse_moved(BPoint(150, 150));
		inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
		ASSERT_TRUE(sync_window(source));
		inject_mouse_moved(BPoint(152, 152), B_PRIMARY_MOUSE_BUTTON);
		ASSERT_TRUE(wait_for([&] { return control->IsDragging(); }));
	}

	std::vector<Seen> Settle()
	{
		EXPECT_TRUE(sync_window(source));
		EXPECT_TRUE(sync_window(target));
		// Drops and replies are posted on: once more round.
		EXPECT_TRUE(sync_window(target));
		EXPECT_TRUE(sync_window(source));
		return log.Take();
	}

	InterfaceTestApp app;
	OffscreenControl* control = NULL;
	Log log;
	BMessage dragged;
	BWindow* source = NULL;
	BWindow* target = NULL;
	SourceView* sourceView = NULL;
	LogView* dropView = NULL;
};

} // namespace

TEST_F(DragDropTest, DropOnAnotherWindowArrivesIntactWithPointAndOffset)
{
	StartDrag();
	inject_mouse_moved(BPoint(450, 150), B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_moved(BPoint(460, 160), B_PRIMARY_MOUSE_BUTTON);
	std::vector<Seen> seen = Settle();
	std::vector<Seen> moved = of(seen, "drop", B_MOUSE_MOVED);
	ASSERT_EQ(moved.size(), 2u);
	EXPECT_EQ(moved[0].transit, (uint32) B_ENTERED_VIEW);
	EXPECT_EQ(moved[1].transit, (uint32) B_INSIDE_VIEW);
	for (const Seen& item : moved) {
		EXPECT_TRUE(item.hasDrag);
		EXPECT_EQ(item.dragWhat, kDragWhat);
	}

	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	EXPECT_FALSE(control->IsDragging());
	seen = Settle();
	std::vector<Seen> drops = of(seen, "drop", kDragWhat);
	ASSERT_EQ(drops.size(), 1u);
	BMessage& drop = drops[0].message;
	EXPECT_TRUE(drop.WasDropped());
	EXPECT_FALSE(drop.IsSourceRemote());
	BPoint offset;
	EXPECT_EQ(drop.DropPoint(&offset), BPoint(460, 160));
	// Pressed at (50, 50) of the view, 2 pixels moved; the rectangle's
	// corner was at (10, 10).
	EXPECT_EQ(offset, BPoint(42, 42));
	EXPECT_EQ(drop.GetPoint("_drop_point_", BPoint()), BPoint(460, 160));
	EXPECT_EQ(drop.GetPoint("_drop_offset_", BPoint()), BPoint(42, 42));

	BMessage expected(dragged);
	expected.AddInt32("buttons", B_PRIMARY_MOUSE_BUTTON);
	drop.RemoveName("_drop_point_");
	drop.RemoveName("_drop_offset_");
	EXPECT_EQ(flat(drop), flat(expected));

	// The source hears of the release, and the reply comes back to it.
	EXPECT_EQ(of(seen, "source", B_MOUSE_UP).size(), 1u);
	EXPECT_EQ(of(seen, "source", kReplyWhat).size(), 1u);
	EXPECT_TRUE(of(seen, "other", kDragWhat).empty());

	// The pointer is the user's again: plain moves, no drag message.
	inject_mouse_moved(BPoint(470, 170));
	moved = of(Settle(), "drop", B_MOUSE_MOVED);
	ASSERT_FALSE(moved.empty());
	EXPECT_FALSE(moved.back().hasDrag);
}

TEST_F(DragDropTest, ViewsAPassingDragLeavesSeeItExitAndOnlyTheLastOneGetsTheDrop)
{
	StartDrag();
	inject_mouse_moved(BPoint(450, 150), B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_moved(BPoint(550, 150), B_PRIMARY_MOUSE_BUTTON);
	std::vector<Seen> seen = Settle();
	std::vector<Seen> moved = of(seen, "drop", B_MOUSE_MOVED);
	ASSERT_EQ(moved.size(), 2u);
	EXPECT_EQ(moved[1].transit, (uint32) B_EXITED_VIEW);
	EXPECT_TRUE(moved[1].hasDrag);
	moved = of(seen, "other", B_MOUSE_MOVED);
	ASSERT_EQ(moved.size(), 1u);
	EXPECT_EQ(moved[0].transit, (uint32) B_ENTERED_VIEW);

	// Out of the window altogether: the view it was over hears it leave.
	inject_mouse_moved(BPoint(700, 150), B_PRIMARY_MOUSE_BUTTON);
	moved = of(Settle(), "other", B_MOUSE_MOVED);
	ASSERT_EQ(moved.size(), 1u);
	EXPECT_EQ(moved[0].transit, (uint32) B_EXITED_VIEW);

	inject_mouse_moved(BPoint(560, 160), B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	seen = Settle();
	EXPECT_EQ(of(seen, "other", kDragWhat).size(), 1u);
	EXPECT_TRUE(of(seen, "drop", kDragWhat).empty());
}

TEST_F(DragDropTest, BitmapDragGivesTheOffsetItWasHeldAt)
{
	sourceView->bitmapOffset = BPoint(5, 7);
	StartDrag();
	inject_mouse_moved(BPoint(420, 130), B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	std::vector<Seen> drops = of(Settle(), "drop", kDragWhat);
	ASSERT_EQ(drops.size(), 1u);
	BPoint offset;
	EXPECT_EQ(drops[0].message.DropPoint(&offset), BPoint(420, 130));
	EXPECT_EQ(offset, BPoint(5, 7));
}

TEST_F(DragDropTest, EscapeCancelsAndTheReleaseDropsNothing)
{
	BPrivate::set_unclaimed_drop_handler(record_unclaimed);
	StartDrag();
	inject_mouse_moved(BPoint(450, 150), B_PRIMARY_MOUSE_BUTTON);
	Settle();
	inject_key_down("\x1b", 1, 0);
	EXPECT_FALSE(control->IsDragging());
	std::vector<Seen> moved = of(Settle(), "drop", B_MOUSE_MOVED);
	ASSERT_EQ(moved.size(), 1u);
	EXPECT_EQ(moved[0].transit, (uint32) B_EXITED_VIEW);

	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	std::vector<Seen> seen = Settle();
	EXPECT_TRUE(of(seen, "drop", kDragWhat).empty());
	// No drag, so the source window gets the release as usual.
	EXPECT_EQ(of(seen, "source", B_MOUSE_UP).size(), 1u);
	std::lock_guard<std::mutex> lock(sUnclaimedLock);
	EXPECT_TRUE(sUnclaimed.empty());
}

TEST_F(DragDropTest, DropOverTheBareScreenGoesToTheUnclaimedHandlerOrNowhere)
{
	// No handler: the drag just ends.
	StartDrag();
	inject_mouse_moved(BPoint(800, 600), B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	EXPECT_FALSE(control->IsDragging());
	std::vector<Seen> seen = Settle();
	EXPECT_TRUE(of(seen, "drop", kDragWhat).empty());
	EXPECT_TRUE(of(seen, "source", kDragWhat).empty());

	BPrivate::set_unclaimed_drop_handler(record_unclaimed);
	StartDrag();
	inject_mouse_moved(BPoint(800, 600), B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	std::lock_guard<std::mutex> lock(sUnclaimedLock);
	ASSERT_EQ(sUnclaimed.size(), 1u);
	EXPECT_EQ(sUnclaimed[0].what, kDragWhat);
	EXPECT_TRUE(sUnclaimed[0].WasDropped());
	BPoint offset;
	EXPECT_EQ(sUnclaimed[0].DropPoint(&offset), BPoint(800, 600));
	EXPECT_EQ(offset, BPoint(42, 42));
	EXPECT_STREQ(sUnclaimed[0].GetString("name", ""), "picture");
}

TEST_F(DragDropTest, MenuWindowsRefuseDropsAndTheirViewsSeeNoDrag)
{
	BPrivate::set_unclaimed_drop_handler(record_unclaimed);
	BWindow* menu = new BWindow(BRect(700, 400, 799, 499), "menu", B_BORDERED_WINDOW_LOOK,
	                            BPrivate::kMenuWindowFeel, 0);
	menu->AddChild(new LogView(menu->Bounds(), "menu", &log));
	menu->Show();
	ASSERT_TRUE(sync_window(menu));
	log.Take();

	StartDrag();
	inject_mouse_moved(BPoint(750, 450), B_PRIMARY_MOUSE_BUTTON);
	inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
	ASSERT_TRUE(sync_window(menu));
	ASSERT_TRUE(sync_window(menu));
	std::vector<Seen> seen = log.Take();
	EXPECT_TRUE(of(seen, "menu", B_MOUSE_MOVED).empty());
	EXPECT_TRUE(of(seen, "menu", kDragWhat).empty());
	{
		// A window that says no is not the bare desktop.
		std::lock_guard<std::mutex> lock(sUnclaimedLock);
		EXPECT_TRUE(sUnclaimed.empty());
	}
	if (menu->Lock())
		menu->Quit();
}

TEST_F(DragDropTest, HostileDragDataIsRefusedByEveryWindow)
{
	BPrivate::DisplayBackend* backend = BPrivate::display_backend();
	BPrivate::DisplaySurface* surface = BPrivate::WindowAccess::Surface(source);
	std::string good = flat(dragged);
	const std::vector<std::pair<const char*, std::string>> hostile = {
	    {BPrivate::kDragMessageType, good.substr(0, good.size() / 2)},
	    {BPrivate::kDragMessageType, std::string(64, '\xff')},
	    {BPrivate::kDragMessageType, ""},
	    {BPrivate::kUriListType, "http://example.com/a.jpg\r\nfile:///no/such/file\r\n"},
	    {"text/plain", "file:///etc/hostname"},
	};
	for (const auto& [type, data] : hostile) {
		SCOPED_TRACE(type);
		inject_mouse_moved(BPoint(150, 150));
		inject_mouse_pressed(B_PRIMARY_MOUSE_BUTTON);
		auto payload = std::make_shared<BPrivate::DragPayload>();
		payload->offers.push_back({type, data});
		BPrivate::DisplayDragStart start;
		start.payload = payload;
		start.frame = BRect(140, 140, 159, 159);
		ASSERT_EQ(backend->StartDrag(surface, start), B_OK);
		inject_mouse_moved(BPoint(450, 150), B_PRIMARY_MOUSE_BUTTON);
		inject_mouse_moved(BPoint(460, 150), B_PRIMARY_MOUSE_BUTTON);
		inject_mouse_released(B_PRIMARY_MOUSE_BUTTON);
		std::vector<Seen> seen = Settle();
		for (const Seen& item : of(seen, "drop", B_MOUSE_MOVED))
			EXPECT_FALSE(item.hasDrag);
		for (const Seen& item : seen)
			EXPECT_FALSE(item.message.WasDropped()) << item.view;
	}
}
