#include "state/PLControlApplicationState.h"

#include <AppDefs.h>
#include <Application.h>
#include <Bitmap.h>
#include <InterfaceDefs.h>
#include <Message.h>
#include <Screen.h>
#include <Window.h>

#include <cmath>

#include "view/Commands.h"
#include "view/PLControlView.h"
#include "view/PLPopUpMenu.h"

// The cube root of two: three steps double or halve the magnification.
static const float kZoomStep = 1.2599210739135742f;

PLControlApplicationState* PLControlApplicationState::Instance()
{
	static PLControlApplicationState* instance = new PLControlApplicationState;
	return instance;
}

void PLControlApplicationState::AllAttached(PLControlView* view)
{
	PLControlState::AllAttached(view);
	view->MakeFocus(true);
	view->FitToScreen();
	view->InscribedToFrame();
	view->SetTitle();
}

void PLControlApplicationState::FrameResized(PLControlView* view, float width, float height)
{
	// The resize we asked for ourselves ('Minr') keeps the magnification.
	if (view->fIgnoreNextResize) {
		view->fIgnoreNextResize = false;
		return;
	}

	// A resize by the user rescales the picture to fit, unless Control is
	// held: then it only crops or centres again.
	if ((modifiers() & B_CONTROL_KEY) == 0)
		view->ChangeMagnification(_FitRatio(view, width, height));
	view->InscribedToFrame();
	view->Invalidate();
}

void PLControlApplicationState::KeyDown(PLControlView* view, const char* bytes, int32 numBytes)
{
	if (numBytes != 1)
		return;

	int32 modifierKeys = 0;
	BLooper* looper = view->Looper();
	if (looper != NULL && looper->CurrentMessage() != NULL)
		looper->CurrentMessage()->FindInt32("modifiers", &modifierKeys);

	char key = bytes[0];
	switch (key) {
		case B_ENTER:
		case 'n':
			NextWindow(view);
			break;
		case '.':
		case 'p':
			PreviousWindow(view);
			break;
		case '+':
			ZoomIn(view, modifierKeys);
			break;
		case '-':
			ZoomOut(view, modifierKeys);
			break;
		case '*':
			FitToScreen(view);
			break;
		case '/':
			Normalize(view);
			break;
		case 'q':
			CloseWindow(view);
			break;
		default:
			if (key >= '0' && key <= '9')
				ActivateWindow(view, key - '0');
			break;
	}
}

void PLControlApplicationState::MouseDown(PLControlView* view, BPoint where)
{
	int32 buttons = 0;
	BLooper* looper = view->Looper();
	if (looper != NULL && looper->CurrentMessage() != NULL)
		looper->CurrentMessage()->FindInt32("buttons", &buttons);

	// The secondary button wins over the primary: the menu, not a drag.
	if ((buttons & B_SECONDARY_MOUSE_BUTTON) == 0) {
		PLControlState::MouseDown(view, where);
		return;
	}

	BPoint point = view->ConvertToScreen(where);
	// Released within this box the menu stays open for a click.
	BRect box(-5.0, -5.0, 5.0, 5.0);
	box.OffsetBy(point);
	PLPopUpMenu* menu = new PLPopUpMenu(view);
	menu->SetAsyncAutoDestruct(true);
	menu->Go(point, true, false, box, true);
}

void PLControlApplicationState::MessageReceived(PLControlView* view, BMessage* message)
{
	switch (message->what) {
		case kMsgZoomIn:
			ZoomIn(view, 0);
			break;
		case kMsgZoomInKeepWindow:
			ZoomIn(view, kZoomKeepWindow);
			break;
		case kMsgZoomOut:
			ZoomOut(view, 0);
			break;
		case kMsgZoomOutKeepWindow:
			ZoomOut(view, kZoomKeepWindow);
			break;
		case kMsgNormalSize:
			Normalize(view);
			break;
		case kMsgFitToScreen:
			FitToScreen(view);
			break;
		case kMsgPreviousWindow:
			PreviousWindow(view);
			break;
		case kMsgNextWindow:
			NextWindow(view);
			break;
		case kMsgActivateWindow:
			ActivateWindow(view, message->GetInt32("index", 0));
			break;
		case kMsgCloseWindow:
			CloseWindow(view);
			break;
		case kMsgQuitApplication:
			QuitApplication(view);
			break;
		case B_SIMPLE_DATA:
			if (!OpenDroppedFiles(message))
				PLControlState::MessageReceived(view, message);
			break;
		default:
			PLControlState::MessageReceived(view, message);
			break;
	}
}

bool PLControlApplicationState::OpenDroppedFiles(BMessage* message)
{
	// Files dropped from a file manager open as if named on the command
	// line: the application's own intake gives each its window, or brings
	// forward the one that shows it already.
	BMessage refs(B_REFS_RECEIVED);
	entry_ref ref;
	for (int32 i = 0; message->FindRef("refs", i, &ref) == B_OK; i++)
		refs.AddRef("refs", &ref);
	if (!refs.HasRef("refs") || be_app == NULL)
		return false;
	be_app->PostMessage(&refs);
	return true;
}

void PLControlApplicationState::FitToScreen(PLControlView* view)
{
	BRect screen = BScreen(B_MAIN_SCREEN_ID).Frame().InsetByCopy(1.0, 1.0);
	view->ChangeMagnification(_FitRatio(view, screen.Width(), screen.Height()));
	view->FitToScreen();
	view->InscribedToFrame();
	// A window that only moved, or kept its frame, brings no redraw of its
	// own for the new magnification.
	view->Invalidate();
}

void PLControlApplicationState::QuitApplication(PLControlView*)
{
	if (be_app != NULL)
		be_app->PostMessage(B_QUIT_REQUESTED);
}

void PLControlApplicationState::CloseWindow(PLControlView* view)
{
	if (view->Looper() != NULL)
		view->Looper()->PostMessage(B_QUIT_REQUESTED);
}

void PLControlApplicationState::NextWindow(PLControlView*)
{
	if (be_app != NULL)
		be_app->PostMessage(kMsgNextWindow);
}

void PLControlApplicationState::PreviousWindow(PLControlView*)
{
	if (be_app != NULL)
		be_app->PostMessage(kMsgPreviousWindow);
}

void PLControlApplicationState::ActivateWindow(PLControlView*, int index)
{
	if (be_app == NULL)
		return;
	BMessage message(kMsgActivateWindow);
	message.AddInt32("index", index);
	be_app->PostMessage(&message);
}

void PLControlApplicationState::Normalize(PLControlView* view)
{
	view->ChangeMagnification(1.0f);
	view->FitToScreen();
	view->InscribedToFrame();
	view->Invalidate();
}

void PLControlApplicationState::ZoomOut(PLControlView* view, long flags)
{
	_Zoom(view, view->fMagnification / kZoomStep, flags);
}

void PLControlApplicationState::ZoomIn(PLControlView* view, long flags)
{
	_Zoom(view, view->fMagnification * kZoomStep, flags);
}

void PLControlApplicationState::_Zoom(PLControlView* view, float magnification, long flags)
{
	view->ChangeMagnification(magnification);
	if ((flags & kZoomKeepWindow) == 0)
		view->FitToScreen();
	view->InscribedToFrame();
	view->Invalidate();
}

float PLControlApplicationState::_FitRatio(PLControlView* view, double width, double height)
{
	float current = view->fMagnification;
	if (view->fBitmap == NULL)
		return current;

	// A picture one pixel wide (or high) spans 0 on that axis: dividing by it
	// would give infinity, and a magnification of infinity or NaN.
	BRect picture = view->fBitmap->Bounds();
	double spanX = picture.Width();
	double spanY = picture.Height();
	double ratio;
	if (spanX > 0 && spanY > 0) {
		double sx = width / spanX;
		double sy = height / spanY;
		ratio = sy < sx ? sy : sx;
	} else if (spanX > 0)
		ratio = width / spanX;
	else if (spanY > 0)
		ratio = height / spanY;
	else
		return current;

	float magnification = float(ratio);
	if (!std::isfinite(magnification) || !(magnification > 0))
		return current;
	return magnification;
}
