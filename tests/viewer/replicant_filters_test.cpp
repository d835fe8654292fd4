// The two filters of a replicant: the forward filter that tells a replicant
// of its host window's workspace switches, and the input filter that hands a
// locked desktop replicant's input to the desktop (in the desktop's
// coordinates) or drops it in any other host.

#include <AppDefs.h>
#include <Application.h>
#include <Handler.h>
#include <List.h>
#include <Message.h>
#include <View.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "platform/interface/InterfaceTestSupport.h"
#include "replicant/PLForwardFilter.h"
#include "replicant/PLReplicantInputFilter.h"
#include "replicant/PLReplicantableView.h"
#include "view/Commands.h"

namespace {

const uint32 kOtherCode = 'Toth';

// Counts what reaches it: the window's own hook and the other messages.
class CountingWindow : public BWindow {
public:
	CountingWindow()
	    : BWindow(BRect(100, 100, 199, 199), "counting", B_TITLED_WINDOW, 0)
	{
	}
	void WorkspaceActivated(int32, bool) override { activated++; }
	void MessageReceived(BMessage* message) override
	{
		if (message->what == kOtherCode)
			others++;
		else
			BWindow::MessageReceived(message);
	}
	std::atomic<int32> activated{0};
	std::atomic<int32> others{0};
};

class CountingHandler : public BHandler {
public:
	CountingHandler() : BHandler("target") {}
	void MessageReceived(BMessage* message) override
	{
		if (message->what == B_WORKSPACE_ACTIVATED)
			copies++;
		else
			strays++;
	}
	std::atomic<int32> copies{0};
	std::atomic<int32> strays{0};
};

class CountingForwardFilter : public PLForwardFilter {
public:
	CountingForwardFilter(BHandler* target) : PLForwardFilter(B_WORKSPACE_ACTIVATED, target) {}
	filter_result Filter(BMessage* message, BHandler** target) override
	{
		calls++;
		return PLForwardFilter::Filter(message, target);
	}
	std::atomic<int32> calls{0};
};

} // namespace

TEST(ForwardFilter, TheWindowKeepsEachMessageAndTheTargetGetsOneCopy)
{
	InterfaceTestApp app;
	CountingWindow* window = new CountingWindow;
	CountingHandler* target = new CountingHandler;
	CountingForwardFilter* filter = new CountingForwardFilter(target);
	ASSERT_TRUE(window->Lock());
	window->AddHandler(target);
	window->AddFilter(filter);
	window->Unlock();
	window->Show();

	for (int i = 0; i < 3; i++) {
		BMessage activated(B_WORKSPACE_ACTIVATED);
		activated.AddInt32("workspace", i);
		activated.AddBool("active", true);
		window->PostMessage(&activated);
		window->PostMessage(kOtherCode);
	}
	ASSERT_TRUE(settle_window(window));
	ASSERT_TRUE(sync_window(window));
	EXPECT_EQ(window->activated.load(), 3);
	EXPECT_EQ(window->others.load(), 3);
	EXPECT_EQ(target->copies.load(), 3);
	EXPECT_EQ(target->strays.load(), 0);
	// Only its own code reaches the filter; the copies go to the target, not
	// through the window's filters again.
	EXPECT_EQ(filter->calls.load(), 3);

	ASSERT_TRUE(window->Lock());
	window->RemoveFilter(filter);
	window->RemoveHandler(target);
	window->Quit();
	delete filter;
	delete target;

	// The second form filters on its command and only keeps the code.
	PLForwardFilter coded(B_WORKSPACE_ACTIVATED, kOtherCode, NULL);
	EXPECT_EQ(coded.Command(), uint32(B_WORKSPACE_ACTIVATED));
	EXPECT_FALSE(coded.FiltersAnyCommand());
	EXPECT_EQ(coded.Code(), kOtherCode);
	PLForwardFilter plain(B_WORKSPACE_ACTIVATED, NULL);
	EXPECT_EQ(plain.Code(), uint32(B_WORKSPACE_ACTIVATED));
}

namespace {

// A replicant restored under an application of the given signature, inside
// a 400 x 300 parent at whose (100, 50) it sits.
struct Placed {
	std::unique_ptr<BView> parent;
	PLReplicantableView* view = NULL;
	PLReplicantInputFilter* filter = NULL;
};

Placed place_replicant(const char* hostSignature, bool locked)
{
	Placed placed;
	BMessage archive;
	{
		PLReplicantableView original(BRect(0, 0, 99, 99), "picture", B_FOLLOW_NONE,
		                             B_WILL_DRAW);
		if (!locked) {
			BMessage toggle(kMsgToggleLock);
			original.MessageReceived(&toggle);
		}
		EXPECT_EQ(original.Archive(&archive, true), B_OK);
	}
	BApplication* host = new BApplication(hostSignature);
	placed.view = new PLReplicantableView(&archive);
	host->Lock();
	delete host;

	placed.parent.reset(new BView(BRect(0, 0, 399, 299), "desktop", B_FOLLOW_NONE, 0));
	placed.view->MoveTo(100, 50);
	placed.parent->AddChild(placed.view);
	BList* filters = placed.view->FilterList();
	EXPECT_NE(filters, (BList*) NULL);
	if (filters != NULL && filters->CountItems() == 1)
		placed.filter = static_cast<PLReplicantInputFilter*>(filters->ItemAt(0));
	EXPECT_NE(placed.filter, (PLReplicantInputFilter*) NULL);
	return placed;
}

BMessage pointer_message(uint32 what)
{
	BMessage message(what);
	message.AddPoint("where", BPoint(10, 20));
	message.AddPoint("be:view_where", BPoint(10, 20));
	return message;
}

BPoint point_of(const BMessage& message, const char* name)
{
	BPoint point(-1, -1);
	message.FindPoint(name, &point);
	return point;
}

} // namespace

TEST(ReplicantInputFilter, ALockedDesktopReplicantHandsItsInputToTheDesktop)
{
	Placed placed = place_replicant("application/x-vnd.Be-TRAK", true);
	ASSERT_NE(placed.filter, (PLReplicantInputFilter*) NULL);
	ASSERT_TRUE(placed.view->IsOnTracker());
	BView* desktop = placed.parent.get();

	for (uint32 what : {uint32(B_MOUSE_DOWN), uint32(B_MOUSE_UP)}) {
		BMessage message = pointer_message(what);
		BHandler* target = placed.view;
		EXPECT_EQ(placed.filter->Filter(&message, &target), B_DISPATCH_MESSAGE);
		EXPECT_EQ(target, desktop);
		EXPECT_EQ(point_of(message, "where"), BPoint(110, 70));
		EXPECT_EQ(point_of(message, "be:view_where"), BPoint(110, 70));
	}

	// A move keeps its "where"; the desktop reads the view's point.
	BMessage moved = pointer_message(B_MOUSE_MOVED);
	BHandler* target = placed.view;
	EXPECT_EQ(placed.filter->Filter(&moved, &target), B_DISPATCH_MESSAGE);
	EXPECT_EQ(target, desktop);
	EXPECT_EQ(point_of(moved, "where"), BPoint(10, 20));
	EXPECT_EQ(point_of(moved, "be:view_where"), BPoint(110, 70));

	// A key press goes to the desktop as it is; its release stays.
	BMessage key(B_KEY_DOWN);
	key.AddString("bytes", "+");
	target = placed.view;
	EXPECT_EQ(placed.filter->Filter(&key, &target), B_DISPATCH_MESSAGE);
	EXPECT_EQ(target, desktop);
	EXPECT_STREQ(key.GetString("bytes", ""), "+");
	EXPECT_EQ(key.CountNames(B_ANY_TYPE), 1);
	BMessage release(B_KEY_UP);
	target = placed.view;
	EXPECT_EQ(placed.filter->Filter(&release, &target), B_DISPATCH_MESSAGE);
	EXPECT_EQ(target, placed.view);

	// A message without the points goes to the desktop all the same.
	BMessage bare(B_MOUSE_DOWN);
	target = placed.view;
	EXPECT_EQ(placed.filter->Filter(&bare, &target), B_DISPATCH_MESSAGE);
	EXPECT_EQ(target, desktop);
	EXPECT_FALSE(bare.HasPoint("where"));
}

TEST(ReplicantInputFilter, ALockedReplicantElsewhereDropsItsInput)
{
	Placed placed = place_replicant("application/x-vnd.test-host", true);
	ASSERT_NE(placed.filter, (PLReplicantInputFilter*) NULL);
	ASSERT_FALSE(placed.view->IsOnTracker());

	for (uint32 what : {uint32(B_MOUSE_DOWN), uint32(B_MOUSE_MOVED), uint32(B_MOUSE_UP),
	                    uint32(B_KEY_DOWN)}) {
		BMessage message = pointer_message(what);
		BHandler* target = placed.view;
		EXPECT_EQ(placed.filter->Filter(&message, &target), B_SKIP_MESSAGE) << what;
	}
	for (uint32 what : {uint32(B_KEY_UP), uint32(B_MOUSE_WHEEL_CHANGED), uint32(kMsgToggleLock),
	                    uint32(B_ABOUT_REQUESTED)}) {
		BMessage message = pointer_message(what);
		BHandler* target = placed.view;
		EXPECT_EQ(placed.filter->Filter(&message, &target), B_DISPATCH_MESSAGE) << what;
		EXPECT_EQ(target, placed.view);
		EXPECT_EQ(point_of(message, "where"), BPoint(10, 20));
	}
}

TEST(ReplicantInputFilter, AnUnlockedReplicantTakesEverything)
{
	for (const char* host : {"application/x-vnd.Be-TRAK", "application/x-vnd.test-host"}) {
		Placed placed = place_replicant(host, false);
		ASSERT_NE(placed.filter, (PLReplicantInputFilter*) NULL);
		ASSERT_FALSE(placed.view->IsLocked());
		for (uint32 what : {uint32(B_MOUSE_DOWN), uint32(B_MOUSE_MOVED), uint32(B_MOUSE_UP),
		                    uint32(B_KEY_DOWN)}) {
			BMessage message = pointer_message(what);
			BHandler* target = placed.view;
			EXPECT_EQ(placed.filter->Filter(&message, &target), B_DISPATCH_MESSAGE);
			EXPECT_EQ(target, placed.view);
			EXPECT_EQ(point_of(message, "where"), BPoint(10, 20));
			EXPECT_EQ(point_of(message, "be:view_where"), BPoint(10, 20));
		}
	}
}

TEST(ReplicantInputFilter, OnlyReplicantsCarryIt)
{
	PLReplicantableView view(BRect(0, 0, 99, 99), "picture", B_FOLLOW_NONE, B_WILL_DRAW);
	BList* filters = view.FilterList();
	EXPECT_TRUE(filters == NULL || filters->IsEmpty());
}
