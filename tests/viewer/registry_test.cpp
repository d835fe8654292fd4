// The registry of open windows: cycling with wrap-around, activation by
// index, closing, quitting after the last window, and safety against windows
// that have gone and against lock-order deadlocks.

#include <Message.h>
#include <Window.h>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "ThreadTestUtils.h"
#include "view/Commands.h"

using namespace shell_test;

namespace {

// Three windows X, Y, Z, opened in that order.
class RegistryTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		for (const char* leaf : {"x.bmp", "y.bmp", "z.bmp"})
			fDir.Picture(leaf, 64, 48);
		fRunner.reset(new AppRunner);
		ASSERT_TRUE(fRunner->InApp([&] {
			for (const char* leaf : {"x.bmp", "y.bmp", "z.bmp"})
				fRunner->App()->OpenWindow(fDir.Ref(leaf));
		}));
		fWindows = fRunner->Windows();
		ASSERT_EQ(fWindows.size(), 3u);
	}

	void TearDown() override { fRunner.reset(); }

	void Post(uint32 what, int32 index = -2)
	{
		BMessage message(what);
		if (index != -2)
			message.AddInt32("index", index);
		ASSERT_TRUE(fRunner->Deliver(&message));
	}

	// Makes |i| the active window and waits until it says so.
	void Activate(int i)
	{
		ASSERT_TRUE(fRunner->InApp([&] { fRunner->App()->ActivateWindow(i); }));
		ASSERT_TRUE(fRunner->WaitActive(fWindows[i])) << "window " << i;
	}

	// The index ActiveWindow() reports once |i| has become active.
	void ExpectActive(int i)
	{
		EXPECT_TRUE(fRunner->WaitActive(fWindows[i])) << "window " << i;
		EXPECT_TRUE(test::eventually([&] { return fRunner->App()->ActiveWindow() == i; }))
		    << "window " << i;
	}

	SampleDir fDir;
	std::unique_ptr<AppRunner> fRunner;
	std::vector<BMessenger> fWindows;
};

} // namespace

TEST_F(RegistryTest, NextAndPreviousWrapAround)
{
	Activate(1);
	Post(kMsgNextWindow);
	ExpectActive(2);
	Post(kMsgNextWindow);
	ExpectActive(0);
	Post(kMsgPreviousWindow);
	ExpectActive(2);
	Post(kMsgPreviousWindow);
	ExpectActive(1);
	Post(kMsgPreviousWindow);
	ExpectActive(0);
}

TEST_F(RegistryTest, WithoutAnActiveWindowTheFirstCountsAsCurrent)
{
	{
		ForeignWindow front;
		EXPECT_EQ(fRunner->App()->ActiveWindow(), 0);
		Post(kMsgNextWindow);
		ExpectActive(1);
	}
	{
		ForeignWindow front;
		ASSERT_TRUE(test::eventually([&] { return !window_is_active(fWindows[1]); }));
		Post(kMsgPreviousWindow);
		ExpectActive(2);
	}
}

TEST_F(RegistryTest, ActivatesByIndexWithinTheList)
{
	Activate(2);
	Post(kMsgActivateWindow, 0);
	ExpectActive(0);
	Post(kMsgActivateWindow, 3);
	Post(kMsgActivateWindow, -1);
	Post(kMsgActivateWindow, 1);
	ExpectActive(1);
	// A missing "index" reads as 0.
	Post(kMsgActivateWindow);
	ExpectActive(0);
}

TEST_F(RegistryTest, ClosingAWindowMovesTheLaterOnesDown)
{
	close_window(fWindows[1]);
	ASSERT_TRUE(test::eventually([&] { return fRunner->Windows().size() == 2; }));
	std::vector<BMessenger> left = fRunner->Windows();
	EXPECT_EQ(left[0], fWindows[0]);
	EXPECT_EQ(left[1], fWindows[2]);

	Activate(0);
	Post(kMsgActivateWindow, 2);
	Post(kMsgActivateWindow, 1);
	EXPECT_TRUE(fRunner->WaitActive(fWindows[2]));
	EXPECT_FALSE(fRunner->Ended(100000));
}

TEST_F(RegistryTest, ClosingTheLastWindowQuitsTheApplication)
{
	close_window(fWindows[0]);
	close_window(fWindows[2]);
	ASSERT_TRUE(test::eventually([&] { return fRunner->Windows().size() == 1; }));
	EXPECT_FALSE(fRunner->Ended(100000));
	close_window(fWindows[1]);
	EXPECT_TRUE(fRunner->Ended());
}

TEST_F(RegistryTest, TheWindowListIsACopy)
{
	std::vector<BMessenger> copy = fRunner->Windows();
	close_window(fWindows[0]);
	ASSERT_TRUE(test::eventually([&] { return fRunner->Windows().size() == 2; }));
	fDir.Picture("later.bmp", 64, 48);
	ASSERT_TRUE(fRunner->InApp([&] { fRunner->App()->OpenWindow(fDir.Ref("later.bmp")); }));
	EXPECT_EQ(copy.size(), 3u);
	EXPECT_EQ(copy[0], fWindows[0]);
	EXPECT_FALSE(copy[0].IsValid());
	EXPECT_EQ(fRunner->Windows().size(), 3u);
}

TEST_F(RegistryTest, StaleOrForeignClosingNoticesAreIgnored)
{
	// A notice for a window that is still open (a forged one, or an old one
	// for an earlier window of the same file) leaves it registered.
	BMessage forged(kMsgWindowClosed);
	entry_ref y = fDir.Ref("y.bmp");
	forged.AddRef("refs", &y);
	ASSERT_TRUE(fRunner->Deliver(&forged));
	EXPECT_EQ(fRunner->Windows().size(), 3u);

	BMessage unknown(kMsgWindowClosed);
	entry_ref other = fDir.Ref("never-opened.bmp");
	unknown.AddRef("refs", &other);
	ASSERT_TRUE(fRunner->Deliver(&unknown));
	EXPECT_EQ(fRunner->Windows().size(), 3u);
	EXPECT_FALSE(fRunner->Ended(100000));
}

TEST_F(RegistryTest, WindowsThatHaveQuitAreNeverTouched)
{
	// Y quits while the application is busy, so its closing notice waits in
	// the queue behind the commands that the application runs meanwhile.
	ASSERT_TRUE(fRunner->InApp([&] {
		close_window(fWindows[1]);
		ASSERT_TRUE(test::eventually([&] { return !fWindows[1].IsValid(); }));

		PLApplication* app = fRunner->App();
		std::vector<BMessenger> listed;
		app->GetWindowList(listed);
		EXPECT_EQ(listed.size(), 2u);
		app->NextWindow();
		app->PrevWindow();
		app->ActivateWindow(1);
	}));
	// Index 1 now names Z, the window after X that exists.
	EXPECT_TRUE(fRunner->WaitActive(fWindows[2]));

	// Opening Y's file again before its notice is read shows it anew, and the
	// late notice does not take the new window away.
	ASSERT_TRUE(fRunner->InApp([&] {
		close_window(fWindows[0]);
		ASSERT_TRUE(test::eventually([&] { return !fWindows[0].IsValid(); }));
		fRunner->App()->OpenWindow(fDir.Ref("x.bmp"));
	}));
	ASSERT_TRUE(fRunner->InApp([] {}));
	std::vector<BMessenger> now = fRunner->Windows();
	ASSERT_EQ(now.size(), 2u);
	EXPECT_EQ(now[0], fWindows[2]);
	EXPECT_EQ(window_title(now[1]), "x.bmp   100%");
}

TEST_F(RegistryTest, WindowThreadsReadTheListWhileTheApplicationIsBusy)
{
	// The application's thread holds its looper lock for as long as it
	// handles a message (an about box, for instance); a window thread that
	// builds its menu meanwhile must not wait for it.
	std::atomic<bool> release(false);
	std::atomic<bool> busyNow(false);
	std::thread busy([&] {
		fRunner->InApp(
		    [&] {
			    busyNow = true;
			    test::eventually([&] { return release.load(); }, 20000000);
		    },
		    30000000);
	});
	ASSERT_TRUE(test::eventually([&] { return busyNow.load(); }));
	test::must_return_within("reading the window list from a window thread", [&] {
		with_window(fWindows[0], [&](BWindow*) {
			std::vector<BMessenger> list;
			fRunner->App()->GetWindowList(list);
			EXPECT_EQ(list.size(), 3u);
			fRunner->App()->ActiveWindow();
		});
	});
	release = true;
	busy.join();
}

TEST_F(RegistryTest, TheApplicationCyclesWhileAWindowIsLocked)
{
	// The opposite order: a window thread holds its own lock while the
	// application, holding its looper lock, cycles through the windows.
	std::atomic<bool> release(false);
	std::atomic<bool> holding(false);
	std::thread holder([&] {
		with_window(fWindows[1], [&](BWindow*) {
			holding = true;
			test::eventually([&] { return release.load(); }, 20000000);
		});
	});
	ASSERT_TRUE(test::eventually([&] { return holding.load(); }));
	test::must_return_within("cycling while a window is locked", [&] {
		EXPECT_TRUE(fRunner->InApp([&] {
			fRunner->App()->NextWindow();
			fRunner->App()->PrevWindow();
			fRunner->App()->ActivateWindow(2);
		}));
	});
	release = true;
	holder.join();
}
