#include "desktop/DesktopWindow.h"

#include <Application.h>
#include <Message.h>
#include <Screen.h>
#include <WindowFeelPrivate.h>

#include "desktop/DesktopView.h"

DesktopWindow::DesktopWindow(const std::string& shelfPath, const std::string& folder)
    : BWindow(BPrivate::desktop_frame(), "Desktop", B_NO_BORDER_WINDOW_LOOK, BPrivate::kDesktopWindowFeel,
              B_NOT_MOVABLE | B_NOT_CLOSABLE | B_NOT_ZOOMABLE | B_NOT_MINIMIZABLE |
                  B_ASYNCHRONOUS_CONTROLS,
              B_ALL_WORKSPACES),
      fView(NULL)
{
	fView = new DesktopView(Bounds(), shelfPath, folder);
	AddChild(fView);
}

void DesktopWindow::MessageReceived(BMessage* message)
{
	switch (message->what) {
		case B_SCREEN_CHANGED:
			_FitScreen();
			break;
		default:
			BWindow::MessageReceived(message);
			break;
	}
}

void DesktopWindow::WorkspaceActivated(int32 workspace, bool active)
{
	BWindow::WorkspaceActivated(workspace, active);
	if (active)
		_FitScreen();
}

bool DesktopWindow::QuitRequested()
{
	// The desktop goes only with its application: asked to close (by the
	// window manager), it takes the application with it.
	be_app->PostMessage(B_QUIT_REQUESTED);
	return true;
}

void DesktopWindow::_FitScreen()
{
	BRect screen = BPrivate::desktop_frame();
	if (!screen.IsValid() || screen == Frame())
		return;
	MoveTo(screen.LeftTop());
	ResizeTo(screen.Width(), screen.Height());
}
