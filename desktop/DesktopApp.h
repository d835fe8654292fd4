#ifndef _DESKTOP_APP_H
#define _DESKTOP_APP_H

#include <Application.h>

class DesktopWindow;

// The desktop application: one per display (exclusive launch), with one
// window that hosts the replicants the user keeps on the desktop.
class DesktopApp : public BApplication {
public:
	DesktopApp();

	void ArgvReceived(int32 argc, char** argv) override;
	void MessageReceived(BMessage* message) override;
	void AboutRequested() override;

private:
	DesktopWindow* fWindow; // owned by itself (a looper)
};

extern const char* const kDesktopSignature;

#endif
