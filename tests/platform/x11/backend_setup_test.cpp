// The X11 backend sets itself up on a thread of its own after Init(): calls
// made at once, from any thread, wait for it; ending it at once is clean.
// The key map comes last, with the libraries it needs, once a window shows
// or something needs it.
#include <atomic>
#include <thread>
#include <vector>

#include <InterfaceDefs.h>

#include "LoadedLibraries.h"
#include "X11BackendTest.h"
#include "display/x11/X11Connection.h"
#include "display/x11/X11Keyboard.h"

using namespace BPrivate;

namespace {

class BackendSetUpTest : public XvfbTest {};

} // namespace

// First in this process: no backend has compiled a key map before.
TEST_F(BackendSetUpTest, KeyMapLibrariesComeWithTheKeyMap)
{
	const char* stems[] = {"libxkbcommon.so", "libxkbcommon-x11.so", "libxcb-xkb.so"};
	for (const char* stem : stems)
		EXPECT_FALSE(is_loaded(stem)) << stem << " loaded at start-up";
	X11Backend backend;
	ASSERT_EQ(backend.Init(Server()->Display().c_str()), B_OK);
	// A window can be made and drawn before the key map exists.
	EXPECT_GT(backend.ScreenFrame().Width(), 0);
	// Input needs it; asking for input compiles it at once.
	ASSERT_EQ(backend.Ready(), B_OK);
	for (const char* stem : stems)
		EXPECT_TRUE(is_loaded(stem)) << stem;
	uint32 modifiers = ~0u;
	backend.GetPointer(NULL, NULL, &modifiers);
	EXPECT_EQ(modifiers & (B_SHIFT_KEY | B_CONTROL_KEY), 0u);
}

TEST_F(BackendSetUpTest, KeyMapLoadsOnceForWhicheverNeedsItFirst)
{
	X11Connection connection;
	ASSERT_EQ(connection.Connect(Server()->Display().c_str()), B_OK);
	ASSERT_EQ(connection.Prepare(), B_OK);
	X11Keyboard keyboard(connection);
	// Pointer events without modifiers, the first ones, need no key map.
	EXPECT_EQ(keyboard.EventModifiers(0), 0u);
	EXPECT_EQ(keyboard.XkbEventBase(), 0);

	// The set-up thread's wait ends early once something else has loaded it
	// and it is wanted; it does not load it again.
	std::thread setUp([&] { EXPECT_EQ(keyboard.LoadWhenWanted(600000000), B_OK); });
	std::atomic<int> shifted{0};
	std::vector<std::thread> needers;
	for (int i = 0; i < 4; i++) {
		needers.emplace_back([&] {
			if ((keyboard.EventModifiers(XCB_MOD_MASK_SHIFT) & B_SHIFT_KEY) != 0)
				shifted++;
		});
	}
	for (std::thread& thread : needers)
		thread.join();
	EXPECT_EQ(shifted.load(), 4);
	EXPECT_NE(keyboard.XkbEventBase(), 0);
	keyboard.Want();
	setUp.join();
	EXPECT_EQ(keyboard.Load(), B_OK);
}

TEST_F(BackendSetUpTest, AnUnreachableDisplayFailsInitAtOnce)
{
	X11Backend backend;
	EXPECT_EQ(backend.Init(":1999"), B_ERROR);
}

TEST_F(BackendSetUpTest, FirstCallsFromSeveralThreadsWaitForTheSetUp)
{
	for (int round = 0; round < 5; round++) {
		X11Backend backend;
		ASSERT_EQ(backend.Init(Server()->Display().c_str()), B_OK);
		std::atomic<int> usable{0};
		std::vector<DisplaySurface*> surfaces(4, nullptr);
		std::vector<std::thread> threads;
		RecordingSink sinks[4];
		for (int t = 0; t < 4; t++) {
			threads.emplace_back([&, t] {
				BRect screen = backend.ScreenFrame();
				bool ok = screen.IsValid() && screen.Width() > 0 &&
				          backend.CountWorkspaces() >= 1 && backend.CurrentWorkspace() >= 0;
				SurfaceSettings settings = {};
				settings.type = kTopLevelSurface;
				settings.title = "setup";
				settings.frame = BRect(10 * t, 10, 10 * t + 99, 109);
				settings.maxWidth = 32768;
				settings.maxHeight = 32768;
				settings.look = 1;
				ok = ok && backend.CreateSurface(settings, &sinks[t], &surfaces[t]) == B_OK &&
				     surfaces[t] != nullptr && surfaces[t]->Buffer().bits != nullptr;
				if (ok)
					usable++;
			});
		}
		for (std::thread& thread : threads)
			thread.join();
		EXPECT_EQ(usable.load(), 4) << "round " << round;
		for (DisplaySurface* surface : surfaces)
			backend.DestroySurface(surface);
	}
}

TEST_F(BackendSetUpTest, ABackendEndedRightAfterInitEndsCleanly)
{
	for (int round = 0; round < 10; round++) {
		std::unique_ptr<X11Backend> backend(new X11Backend);
		ASSERT_EQ(backend->Init(Server()->Display().c_str()), B_OK);
		backend.reset();
	}
	// The server is still fine for the next backend.
	X11Backend backend;
	ASSERT_EQ(backend.Init(Server()->Display().c_str()), B_OK);
	EXPECT_EQ(backend.Ready(), B_OK);
	EXPECT_GT(backend.ScreenFrame().Width(), 0);
}

TEST_F(BackendSetUpTest, AnswersAskedAheadGiveWayToChangesMadeSince)
{
	// The screen frame and the replicant switch are asked for while the
	// backend sets itself up; a switch this program sets after that must
	// still read back as set, and every later read asks the server again.
	for (bool first : {true, false}) {
		X11Backend backend;
		ASSERT_EQ(backend.Init(Server()->Display().c_str()), B_OK);
		backend.SetDraggersDrawn(first);
		bool drawn = !first;
		ASSERT_TRUE(backend.GetDraggersDrawn(&drawn));
		EXPECT_EQ(drawn, first);
		backend.SetDraggersDrawn(!first);
		ASSERT_TRUE(backend.GetDraggersDrawn(&drawn));
		EXPECT_EQ(drawn, !first);
		BRect screen = backend.ScreenFrame();
		EXPECT_EQ(screen, backend.ScreenFrame());
		EXPECT_GT(screen.Width(), 0);
	}
}
