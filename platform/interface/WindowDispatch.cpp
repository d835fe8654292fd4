// BWindow::DispatchMessage: the window's own messages (updates, frame and
// activation events, workspaces) and the input it hands to its dispatcher.

#include <Window.h>

#include <AppDefs.h>
#include <Message.h>
#include <Region.h>
#include <View.h>

#include "interface/ViewPrivate.h"
#include "interface/WindowPrivate.h"

void BWindow::DispatchMessage(BMessage* message, BHandler* target)
{
	if (message == NULL)
		return;

	switch (message->what) {
		case BPrivate::kMsgWindowUpdate:
			fData->updater.Update();
			return;

		case B_MOUSE_DOWN:
		case B_MOUSE_UP:
		case B_MOUSE_MOVED:
		case B_MOUSE_WHEEL_CHANGED:
		case B_KEY_DOWN:
		case B_KEY_UP:
		case B_UNMAPPED_KEY_DOWN:
		case B_UNMAPPED_KEY_UP:
		case B_MODIFIERS_CHANGED:
			// Raw input from the display comes to the top view (or to the window
			// when posted by hand) in window coordinates; the dispatcher finds the
			// view, runs its filters and calls its hook.
			if (target == fTopView || target == this) {
				fData->dispatcher.DispatchInput(message);
				return;
			}
			break;

		case B_VIEW_RESIZED:
			if (BView* view = dynamic_cast<BView*>(target)) {
				int32 width = 0;
				int32 height = 0;
				message->FindInt32("width", &width);
				message->FindInt32("height", &height);
				view->FrameResized(width, height);
				return;
			}
			break;

		case B_VIEW_MOVED:
			if (BView* view = dynamic_cast<BView*>(target)) {
				BPoint where;
				message->FindPoint("where", &where);
				view->FrameMoved(where);
				return;
			}
			break;

		case B_WINDOW_RESIZED:
			if (target == this) {
				int32 width = 0;
				int32 height = 0;
				message->FindInt32("width", &width);
				message->FindInt32("height", &height);
				if (message->GetBool(BPrivate::kOwnFrameChangeField, false)) {
					// Views and frame changed when ResizeTo() ran.
					FrameResized(width, height);
					return;
				}
				// The display's word: a user resize, unless the size is already
				// ours.
				if (width == fData->frame.Width() && height == fData->frame.Height())
					return;
				_ApplyResize(width, height, false);
				FrameResized(width, height);
				return;
			}
			break;

		case B_WINDOW_MOVED:
			if (target == this) {
				BPoint where;
				message->FindPoint("where", &where);
				if (message->GetBool(BPrivate::kOwnFrameChangeField, false)) {
					FrameMoved(where);
					return;
				}
				if (where == fData->frame.LeftTop())
					return;
				_ApplyMove(where.x, where.y, false);
				// The display keeps the size; tell the surface where it is.
				if (fData->surface != NULL)
					fData->surface->SetFrame(fData->frame);
				FrameMoved(where);
				return;
			}
			break;

		case BPrivate::kMsgWindowDrag:
			if (target == this) {
				fData->dispatcher.DispatchDrag(message);
				return;
			}
			break;

		case BPrivate::kMsgWindowExposed:
			if (target == this) {
				BRegion lost;
				BRect rect;
				for (int32 i = 0; message->FindRect("rect", i, &rect) == B_OK; i++)
					lost.Include(rect);
				fData->updater.Expose(lost);
				return;
			}
			break;

		case B_WINDOW_ACTIVATED:
			if (target == this) {
				_SetActive(message->GetBool("active", false));
				return;
			}
			break;

		case B_WORKSPACE_ACTIVATED:
			if (target == this) {
				int32 workspace = 0;
				message->FindInt32("workspace", &workspace);
				WorkspaceActivated(workspace, message->GetBool("active", false));
				return;
			}
			break;

		case B_WORKSPACES_CHANGED:
			if (target == this) {
				int32 oldWorkspaces = 0;
				int32 newWorkspaces = 0;
				message->FindInt32("old", &oldWorkspaces);
				message->FindInt32("new", &newWorkspaces);
				WorkspacesChanged(oldWorkspaces, newWorkspaces);
				return;
			}
			break;

		case B_ZOOM:
			if (target == this) {
				// As large as the screen and the size limits allow.
				BRect screen = fData->frame;
				if (BPrivate::DisplayBackend* backend = BPrivate::display_backend())
					screen = backend->ScreenFrame();
				float width = min_c(screen.Width(), fData->maxWidth);
				float height = min_c(screen.Height(), fData->maxHeight);
				Zoom(screen.LeftTop(), width, height);
				return;
			}
			break;

		case B_MINIMIZE:
			if (target == this) {
				Minimize(message->GetBool("minimize", true));
				return;
			}
			break;

		default:
			break;
	}
	BLooper::DispatchMessage(message, target);
}

void BWindow::MessageReceived(BMessage* message)
{
	BLooper::MessageReceived(message);
}
