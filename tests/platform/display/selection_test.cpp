// Which display a process opens. Each case runs in a child process, since a
// process chooses once; the parent never opens a display.
#include <stdlib.h>
#include <string.h>

#include <gtest/gtest.h>

#include "display/DisplayBackend.h"

using namespace BPrivate;

namespace {

// Exit codes: 0 offscreen, 1 x11, 2 none.
[[noreturn]] void open_and_report()
{
	DisplayBackend* backend = display_backend();
	if (backend == NULL)
		exit(2);
	exit(strcmp(backend->capabilities.name, "offscreen") == 0 ? 0 : 1);
}

} // namespace

TEST(DisplaySelection, OffscreenWithoutDisplay)
{
	EXPECT_EXIT(
	    {
		    unsetenv("PL_DISPLAY_BACKEND");
		    unsetenv("DISPLAY");
		    open_and_report();
	    },
	    testing::ExitedWithCode(0), "");
}

TEST(DisplaySelection, ForcedOffscreenEvenWithDisplay)
{
	EXPECT_EXIT(
	    {
		    setenv("DISPLAY", ":4711", 1);
		    setenv("PL_DISPLAY_BACKEND", "offscreen", 1);
		    open_and_report();
	    },
	    testing::ExitedWithCode(0), "");
}

TEST(DisplaySelection, UnreachableXServerIsAnErrorNotASilentFallback)
{
	// With the X11 backend built in, a DISPLAY that cannot be reached gives no
	// display; without it, the offscreen one (and a note on stderr).
	int expected = create_x11_display_backend != NULL ? 2 : 0;
	EXPECT_EXIT(
	    {
		    unsetenv("PL_DISPLAY_BACKEND");
		    setenv("DISPLAY", ":4711", 1);
		    open_and_report();
	    },
	    testing::ExitedWithCode(expected), "display:");
}

TEST(DisplaySelection, FocusFollowsMouseIsConfigured)
{
	EXPECT_EXIT(
	    {
		    setenv("PL_DISPLAY_BACKEND", "offscreen", 1);
		    setenv("PL_FOCUS_FOLLOWS_MOUSE", "1", 1);
		    DisplayBackend* backend = display_backend();
		    exit(backend != NULL && backend->capabilities.focusFollowsMouse ? 0 : 1);
	    },
	    testing::ExitedWithCode(0), "");
}
