// A restored video view whose clip is missing: it says so, retries on a
// runner of its own, starts playing at the first retry that finds the clip,
// and never runs two runners or two playback threads. The runner's interval
// is shortened here (the product's is 5 s); what is tested is counted in
// pulses, not in seconds.

#include <AppDefs.h>
#include <Dragger.h>
#include <Looper.h>
#include <MenuItem.h>
#include <PopUpMenu.h>
#include <Message.h>
#include <OS.h>
#include <View.h>
#include <Window.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "content/PLVideoView.h"
#include "platform/interface/InterfaceTestSupport.h"
#include "platform/storage/TempDir.h"
#include "replicant/PLWorkspaceMenu.h"
#include "state/PLControlNullState.h"
#include "state/PLControlReplicantState.h"
#include "view/Commands.h"
#include "viewer/ReplicantHost.h"
#include "viewer/ViewerTestSupport.h"

namespace {

// Counts the pulses it handles and the frames it draws.
class PulsedVideoView : public PLVideoView {
public:
	PulsedVideoView(BMessage* archive, bigtime_t interval) : PLVideoView(archive)
	{
		fRetryInterval = interval;
	}
	void MessageReceived(BMessage* message) override
	{
		bool waiting = InitCheck() != B_OK;
		PLVideoView::MessageReceived(message);
		if (message->what != kMsgRetryOpen)
			return;
		pulses++;
		if (waiting && InitCheck() == B_OK)
			openedAtPulse = pulses.load();
	}
	void Draw(BRect update) override
	{
		if (find_thread(NULL) != Looper()->Thread())
			frames++;
		PLVideoView::Draw(update);
	}
	std::atomic<int32> pulses{0};
	std::atomic<int32> openedAtPulse{0};
	std::atomic<int32> frames{0};
};

// The archive of a clip view whose clip, under |leaf| in |dir|, is then
// taken away.
BMessage archive_of_missing_clip(const TempDir& dir, const std::string& leaf,
                                 int32 workspace = -1)
{
	std::string path = dir / leaf;
	std::string clip = std::filesystem::absolute(sample_path("clip-colours.mp4"));
	EXPECT_EQ(link(clip.c_str(), path.c_str()), 0);
	BMessage archive;
	{
		PLVideoView view(ref_for(path));
		EXPECT_EQ(view.InitCheck(), B_OK);
		BView* dragger = view.FindView("_dragger_");
		BMessage unlock(kMsgToggleLock);
		view.PLReplicantableView::MessageReceived(&unlock);
		if (workspace != -1 && dragger != NULL)
			if (BMenuItem* item = static_cast<BDragger*>(dragger)->PopUp()->FindItem("Workspaces"))
				static_cast<PLWorkspaceMenu*>(item->Submenu())->SetWorkspace(workspace);
		EXPECT_EQ(view.Archive(&archive, true), B_OK);
	}
	unlink(path.c_str());
	return archive;
}

void put_back(const TempDir& dir, const std::string& leaf)
{
	std::string clip = std::filesystem::absolute(sample_path("clip-colours.mp4"));
	ASSERT_EQ(link(clip.c_str(), (dir / leaf).c_str()), 0);
}

bool locked_state_is(BWindow* window, PLVideoView* view, PLControlState* state)
{
	if (!window->Lock())
		return false;
	bool is = state_of(view) == state;
	window->Unlock();
	return is;
}

} // namespace

TEST(VideoRetry, AClipThatComesBackPlaysFromTheNextPulse)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	TempDir dir;
	BMessage archive = archive_of_missing_clip(dir, "late-clip.mp4");
	const bigtime_t interval = 300000;
	PulsedVideoView* view = new PulsedVideoView(&archive, interval);
	ASSERT_NE(view->InitCheck(), B_OK);
	ReplicantHost host(BRect(100, 100, 299, 249));
	bigtime_t attached = system_time();
	ASSERT_TRUE(host.Attach(view));
	ASSERT_TRUE(locked_state_is(host.Window(), view, PLControlNullState::Instance()));
	EXPECT_TRUE(close_color(window_pixel(host.Window(), 2, 40), make_color(255, 255, 255)));

	// The clip is back between the second and the third pulse, as a clip
	// put back 12 s after attachment is with pulses 5 s apart.
	ASSERT_TRUE(wait_for([&] { return view->pulses.load() >= 2; }));
	ASSERT_EQ(view->pulses.load(), 2);
	put_back(dir, "late-clip.mp4");
	ASSERT_TRUE(wait_for([&] { return view->openedAtPulse.load() != 0; }));
	EXPECT_EQ(view->openedAtPulse.load(), 3);
	EXPECT_GE(system_time() - attached, 3 * interval);
	EXPECT_TRUE(locked_state_is(host.Window(), view, PLControlReplicantState::Instance()));

	// It plays: frames come from its thread, and the clip's colours show.
	EXPECT_GT(find_thread("late-clip.mp4"), 0);
	ASSERT_TRUE(wait_for([&] { return view->frames.load() > 3; }));
	EXPECT_FALSE(close_color(window_pixel(host.Window(), 40, 40), make_color(255, 255, 255), 30));
	// The runner is gone.
	snooze(3 * interval);
	EXPECT_EQ(view->pulses.load(), 3);
}

TEST(VideoRetry, AClipThatNeverComesGivesUpAfterTenPulses)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	TempDir dir;
	BMessage archive = archive_of_missing_clip(dir, "never.mp4");
	const bigtime_t interval = 40000;
	PulsedVideoView* view = new PulsedVideoView(&archive, interval);
	ReplicantHost host;
	ASSERT_TRUE(host.Attach(view));
	ASSERT_TRUE(wait_for([&] { return view->pulses.load() >= 10; }));
	snooze(8 * interval);
	EXPECT_EQ(view->pulses.load(), 10);
	EXPECT_TRUE(locked_state_is(host.Window(), view, PLControlNullState::Instance()));
	EXPECT_LT(find_thread("never.mp4"), 0);
}

TEST(VideoRetry, DetachedAndAttachedAgainItStillHasOneRunner)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	TempDir dir;
	BMessage archive = archive_of_missing_clip(dir, "moved-about.mp4");
	const bigtime_t interval = 40000;
	PulsedVideoView* view = new PulsedVideoView(&archive, interval);
	ReplicantHost host;
	ASSERT_TRUE(host.Attach(view));
	ASSERT_TRUE(wait_for([&] { return view->pulses.load() >= 2; }));

	// No pulses while it is out of any window.
	ASSERT_TRUE(host.Remove(view));
	int32 before = view->pulses.load();
	snooze(5 * interval);
	EXPECT_EQ(view->pulses.load(), before);

	// Back in: one runner of ten pulses, not a second one beside the first.
	ASSERT_TRUE(host.Attach(view, BPoint(10, 10)));
	ASSERT_TRUE(wait_for([&] { return view->pulses.load() >= before + 10; }));
	snooze(8 * interval);
	EXPECT_EQ(view->pulses.load(), before + 10);

	// Destroyed while waiting: the runner goes with it (the sanitizer runs
	// see nothing leak or reach a deleted view).
	ASSERT_TRUE(host.Remove(view));
	ASSERT_TRUE(host.Attach(view));
	ASSERT_TRUE(host.Remove(view));
	delete view;
}

TEST(VideoRetry, APulseAfterPlaybackStartedStartsNoSecondThread)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	TempDir dir;
	BMessage archive = archive_of_missing_clip(dir, "twice.mp4");
	put_back(dir, "twice.mp4");
	PulsedVideoView* view = new PulsedVideoView(&archive, 40000);
	ASSERT_EQ(view->InitCheck(), B_OK);
	ReplicantHost host;
	ASSERT_TRUE(host.Attach(view));
	thread_id playing = find_thread("twice.mp4");
	ASSERT_GT(playing, 0);
	ASSERT_TRUE(wait_for([&] { return view->frames.load() > 0; }));

	for (int i = 0; i < 3; i++)
		host.Window()->PostMessage(kMsgRetryOpen, view);
	ASSERT_TRUE(host.Settle());
	EXPECT_EQ(view->pulses.load(), 3);
	EXPECT_EQ(view->openedAtPulse.load(), 0);
	EXPECT_EQ(find_thread("twice.mp4"), playing);
	EXPECT_EQ(view->InitCheck(), B_OK);
	// Still the one thread drawing.
	int32 frames = view->frames.load();
	EXPECT_TRUE(wait_for([&] { return view->frames.load() > frames + 2; }));
}

TEST(VideoRetry, AClipOnAnotherWorkspaceWaitsPausedUntilItsWorkspaceShows)
{
	InterfaceTestApp app;
	offscreen_set_workspaces(4, 0);
	TempDir dir;
	BMessage archive = archive_of_missing_clip(dir, "elsewhere.mp4", 2);
	put_back(dir, "elsewhere.mp4");
	PulsedVideoView* view = new PulsedVideoView(&archive, 40000);
	ASSERT_EQ(view->InitCheck(), B_OK);
	ReplicantHost host;
	ASSERT_TRUE(host.Attach(view));
	ASSERT_TRUE(host.Window()->Lock());
	EXPECT_TRUE(view->IsHidden(view));
	host.Window()->Unlock();
	// Hidden by its rule from the start: no frame is decoded or drawn.
	snooze(300000);
	EXPECT_EQ(view->frames.load(), 0);

	offscreen_switch_workspace(2);
	BMessage activated(B_WORKSPACE_ACTIVATED);
	activated.AddInt32("workspace", 2);
	activated.AddBool("active", true);
	host.Window()->PostMessage(&activated);
	EXPECT_TRUE(wait_for([&] { return view->frames.load() > 2; }));

	// Away again: paused.
	offscreen_switch_workspace(0);
	activated.ReplaceInt32("workspace", 0);
	host.Window()->PostMessage(&activated);
	ASSERT_TRUE(host.Settle());
	snooze(100000);
	int32 frames = view->frames.load();
	snooze(300000);
	EXPECT_LE(view->frames.load(), frames + 1);
}
