#include "state/PLControlState.h"

#include <AppDefs.h>
#include <Bitmap.h>
#include <Looper.h>
#include <MessageQueue.h>
#include <Region.h>

#include <cmath>

#include "view/PLControlView.h"

void PLControlState::AllAttached(PLControlView* view)
{
	view->PLReplicantableView::AllAttached();
}

void PLControlState::AllDetached(PLControlView* view)
{
	view->PLReplicantableView::AllDetached();
}

void PLControlState::FrameResized(PLControlView*, float, float) {}

void PLControlState::Draw(PLControlView* view, BRect updateRect)
{
	BRegion background;
	background.Set(view->Bounds());

	BBitmap* bitmap = view->fBitmap;
	BRect destination;
	if (bitmap != NULL) {
		BRect bounds = bitmap->Bounds();
		double magnification = view->fMagnification;
		destination = BRect(0, 0, std::trunc(bounds.Width() * magnification),
		                    std::trunc(bounds.Height() * magnification));
		destination.OffsetBy(view->fOffset);
		background.Exclude(destination);
	}

	view->SetHighColor(0, 0, 0, 255);
	view->FillRegion(&background, B_SOLID_HIGH);
	if (bitmap != NULL)
		view->DrawBitmap(bitmap, destination);

	view->PLReplicantableView::Draw(updateRect);
}

void PLControlState::KeyDown(PLControlView* view, const char* bytes, int32 numBytes)
{
	view->BView::KeyDown(bytes, numBytes);
}

void PLControlState::MouseDown(PLControlView* view, BPoint where)
{
	// Pointer events keep coming while the button is down, even outside.
	view->SetMouseEventMask(B_POINTER_EVENTS, 0);
	view->fDragging = true;
	view->fDragPoint = where;
}

void PLControlState::MouseMoved(PLControlView* view, BPoint where, uint32, const BMessage*)
{
	if (!view->fDragging)
		return;

	// Replaying a backlog of stale positions would make the picture lag
	// behind the pointer: drop them and read where the pointer is now.
	BLooper* looper = view->Looper();
	if (looper != NULL) {
		BMessageQueue* queue = looper->MessageQueue();
		queue->Lock();
		while (BMessage* stale = queue->FindMessage(B_MOUSE_MOVED, 0)) {
			queue->RemoveMessage(stale);
			delete stale;
		}
		queue->Unlock();
	}
	uint32 buttons;
	view->GetMouse(&where, &buttons, false);

	view->fOffset += where - view->fDragPoint;
	view->fDragPoint = where;
	view->InscribedToFrame();
	view->Invalidate();
}

void PLControlState::MouseUp(PLControlView* view, BPoint)
{
	view->fDragging = false;
}

void PLControlState::MessageReceived(PLControlView* view, BMessage* message)
{
	view->PLReplicantableView::MessageReceived(message);
}
