#include "state/PLControlReplicantState.h"

#include <Window.h>

#include "view/PLControlView.h"

static const float kZoomStep = 1.2599210739135742f;

PLControlReplicantState* PLControlReplicantState::Instance()
{
	static PLControlReplicantState* instance = new PLControlReplicantState;
	return instance;
}

void PLControlReplicantState::KeyDown(PLControlView* view, const char* bytes, int32 numBytes)
{
	if (numBytes != 1)
		return;

	float magnification;
	switch (bytes[0]) {
		case '+':
			magnification = view->fMagnification * kZoomStep;
			break;
		case '-':
			magnification = view->fMagnification / kZoomStep;
			break;
		case '/':
			magnification = 1.0f;
			break;
		default:
			return;
	}
	view->ChangeMagnification(magnification);
	view->InscribedToFrame();
	view->Invalidate();
}

void PLControlReplicantState::MouseDown(PLControlView* view, BPoint where)
{
	PLControlState::MouseDown(view, where);
	// The host window comes forward and takes the keyboard.
	if (view->Window() != NULL)
		view->Window()->Activate(true);
}

void PLControlReplicantState::MouseUp(PLControlView* view, BPoint where)
{
	PLControlState::MouseUp(view, where);
	view->MakeFocus(true);
}
