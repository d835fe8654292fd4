#include "desktop/DesktopApp.h"

#include <Alert.h>
#include <Message.h>

#include <stdio.h>

#include "desktop/DesktopFolder.h"
#include "desktop/DesktopView.h"
#include "desktop/DesktopWindow.h"
#include "desktop/ShelfLocation.h"

const char* const kDesktopSignature = "application/x-vnd.Be-TRAK";

DesktopApp::DesktopApp() : BApplication(kDesktopSignature), fWindow(NULL)
{
	// A desktop runs already on this display: it was handed what this one
	// was started with, and this one does nothing.
	if (InitCheck() != B_OK)
		return;
	std::string shelfPath;
	if (desktop_shelf_path(&shelfPath) != B_OK) {
		fprintf(stderr, "pelivant-desktop: no HOME or XDG_DATA_HOME; replicants will not be "
		                "kept\n");
	}
	// The shelf loads every saved replicant as the window is made, so they are
	// in place before it is first shown.
	fWindow = new DesktopWindow(shelfPath, desktop_folder_path());
	fWindow->Show();
}

void DesktopApp::ArgvReceived(int32 argc, char** argv)
{
	// --help and --version were answered before the application started.
	for (int32 i = 1; i < argc; i++) {
		if (argv[i] != NULL)
			fprintf(stderr, "pelivant-desktop: ignoring the argument \"%s\"\n", argv[i]);
	}
}

void DesktopApp::MessageReceived(BMessage* message)
{
	switch (message->what) {
		case B_ARCHIVED_OBJECT:
			// A replicant dropped over the bare screen, handed over by the
			// roster: the shelf takes it at its drop point (the dropped state
			// travels with the message).
			if (message->WasDropped() && fWindow != NULL)
				fWindow->PostMessage(message, fWindow->View());
			break;
		default:
			BApplication::MessageReceived(message);
			break;
	}
}

void DesktopApp::AboutRequested()
{
	BAlert* alert = new BAlert("About",
	                           "Pelivant Desktop " PL_DESKTOP_VERSION "\n\n"
	                           "The desktop that keeps replicants: drag a picture out of a "
	                           "window by its handle and drop it on the desktop to keep it there.",
	                           "OK", NULL, NULL, B_WIDTH_AS_USUAL, B_INFO_ALERT);
	alert->Go(NULL);
}
