#ifndef _DESKTOP_WINDOW_H
#define _DESKTOP_WINDOW_H

#include <Window.h>

#include <string>

class DesktopView;

// The one borderless window of the desktop: the whole screen, under every
// other window, on every workspace, out of task bars and pagers.
class DesktopWindow : public BWindow {
public:
	explicit DesktopWindow(const std::string& shelfPath, const std::string& folder = "");

	void MessageReceived(BMessage* message) override;
	void WorkspaceActivated(int32 workspace, bool active) override;
	bool QuitRequested() override;

	DesktopView* View() const { return fView; }

private:
	// Covers every monitor as they are now (the display tells of changes with
	// B_SCREEN_CHANGED; a check at each workspace switch costs nothing).
	void _FitScreen();

	DesktopView* fView; // owned by the window
};

#endif
