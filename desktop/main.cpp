#include <stdio.h>
#include <string.h>

#include <Errors.h>

#include "desktop/DesktopApp.h"

static const char kUsage[] =
    "Usage: pelivant-desktop [--help | --version]\n"
    "\n"
    "The desktop of the Pelivant platform: a window under every other window,\n"
    "on every workspace, that shows the desktop background and keeps the\n"
    "replicants dropped on it (pictures dragged out of Pelivant by their handle)\n"
    "across sessions. One runs per display; a second start does nothing.\n"
    "\n"
    "Run it at session start, in place of your file manager's desktop, e.g.\n"
    "  - through the autostart entry installed switched off: copy\n"
    "        /etc/xdg/autostart/pelivant-desktop.desktop to ~/.config/autostart/\n"
    "    and delete its Hidden=true line\n"
    "  - in ~/.xsession or ~/.xinitrc, before the window manager:\n"
    "        pelivant-desktop &\n"
    "  - with openbox, in ~/.config/openbox/autostart:  pelivant-desktop &\n"
    "  - elsewhere, as an autostart entry (~/.config/autostart/*.desktop) with\n"
    "        Exec=pelivant-desktop\n"
    "Turn off the other desktop first (e.g. for PCManFM: pcmanfm --desktop-off).\n"
    "\n"
    "Replicants are kept in $XDG_DATA_HOME/pl-platform/desktop/shelf.\n"
    "See pelivant-desktop(1).\n"
    "\n"
    "  --help     show this text and exit\n"
    "  --version  show the version and exit\n";

int main(int argc, char** argv)
{
	// Answered before the application starts, so that a desktop already
	// running is not disturbed by a question.
	for (int i = 1; i < argc; i++) {
		if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
			fputs(kUsage, stdout);
			return 0;
		}
		if (strcmp(argv[i], "--version") == 0) {
			puts("pelivant-desktop " PL_DESKTOP_VERSION);
			return 0;
		}
	}
	// The platform hands the other arguments to ArgvReceived().
	DesktopApp application;
	if (application.InitCheck() == B_ALREADY_RUNNING) {
		fputs("pelivant-desktop: a desktop is already running on this display\n", stderr);
		return 0;
	}
	if (application.InitCheck() != B_OK) {
		fprintf(stderr, "pelivant-desktop: cannot start (error %d)\n", (int) application.InitCheck());
		return 1;
	}
	application.Run();
	return 0;
}
