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
	// Follows the screen's size, which may have changed while nobody looked.
	void _FitScreen();

	DesktopView* fView; // owned by the window
};

#endif
