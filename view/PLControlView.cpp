#include "view/PLControlView.h"

#include <AppDefs.h>
#include <Application.h>
#include <Bitmap.h>
#include <InterfaceDefs.h>
#include <Message.h>
#include <NodeMonitor.h>
#include <Screen.h>
#include <Window.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "state/PLControlApplicationState.h"
#include "state/PLControlReplicantState.h"
#include "state/PLControlState.h"
#include "view/Commands.h"

PLControlView::PLControlView(const entry_ref& ref)
    : PLReplicantableView(BRect(0, 0, 7, 7), "", B_FOLLOW_ALL_SIDES,
                          B_FULL_UPDATE_ON_RESIZE | B_WILL_DRAW | B_FRAME_EVENTS | B_NAVIGABLE),
      fRef(ref), fBitmap(NULL), fState(PLControlApplicationState::Instance()), fOffset(0, 0),
      fMagnification(1.0f), fIgnoreNextResize(false), fDragPoint(0, 0), fDragging(false)
{
	// The state's Draw paints every pixel; erasing first would only flicker.
	SetViewColor(B_TRANSPARENT_32_BIT);
}

PLControlView::PLControlView(BMessage* archive)
    : PLReplicantableView(archive), fBitmap(NULL), fState(PLControlReplicantState::Instance()),
      fOffset(0, 0), fMagnification(1.0f), fIgnoreNextResize(false), fDragPoint(0, 0),
      fDragging(false)
{
	SetViewColor(B_TRANSPARENT_32_BIT);

	// Our own archives always carry all three fields. A foreign or damaged
	// one must still give a model the geometry can work with.
	float magnification;
	if (archive->FindFloat("PL:magnification", &magnification) == B_OK &&
	    std::isfinite(magnification) && magnification > 0)
		fMagnification = magnification;
	BPoint offset;
	if (archive->FindPoint("PL:offset", &offset) == B_OK && std::isfinite(offset.x) &&
	    std::isfinite(offset.y))
		fOffset = BPoint(std::trunc(offset.x), std::trunc(offset.y));
	archive->FindRef("PL:ref", &fRef);
}

PLControlView::~PLControlView() {}

status_t PLControlView::Archive(BMessage* data, bool deep) const
{
	if (PLReplicantableView::Archive(data, deep) != B_OK)
		return B_ERROR;

	data->AddFloat("PL:magnification", fMagnification);
	data->AddPoint("PL:offset", fOffset);
	data->AddRef("PL:ref", &fRef);
	return B_OK;
}

void PLControlView::MessageReceived(BMessage* message)
{
	switch (message->what) {
		case kMsgIgnoreNextResize:
			fIgnoreNextResize = true;
			break;
		case B_NODE_MONITOR:
			PursuitNode(message);
			break;
		default:
			fState->MessageReceived(this, message);
			break;
	}
}

void PLControlView::AllAttached()
{
	StartNodeMonitoring();
	fState->AllAttached(this);
}

void PLControlView::AllDetached()
{
	EndNodeMonitoring();
	fState->AllDetached(this);
}

void PLControlView::Draw(BRect updateRect)
{
	fState->Draw(this, updateRect);
}

void PLControlView::MouseDown(BPoint where)
{
	fState->MouseDown(this, where);
}

void PLControlView::MouseUp(BPoint where)
{
	fState->MouseUp(this, where);
}

void PLControlView::MouseMoved(BPoint where, uint32 transit, const BMessage* dragMessage)
{
	fState->MouseMoved(this, where, transit, dragMessage);
}

void PLControlView::KeyDown(const char* bytes, int32 numBytes)
{
	fState->KeyDown(this, bytes, numBytes);
}

void PLControlView::FrameResized(float width, float height)
{
	fState->FrameResized(this, width, height);
}

const char* PLControlView::FileName() const
{
	return fRef.name != NULL ? fRef.name : "";
}

// The geometry works in double precision on BRect spans (one less than the
// pixel count) and keeps every offset a whole number.

// Beyond this span (2^24) a float no longer holds every whole offset, and
// not far beyond it the spans and offsets overflow to infinity.
static const double kMaxPictureSpan = 16777216.0;

void PLControlView::ChangeMagnification(float magnification)
{
	// Zooming out far enough underflows to 0, and an offset divided by that
	// is no number at all; zooming in without end overflows.
	if (!std::isfinite(magnification) || !(magnification > 0))
		return;
	if (fBitmap != NULL) {
		BRect picture = fBitmap->Bounds();
		double span = picture.Width() > picture.Height() ? picture.Width() : picture.Height();
		if (span * magnification > kMaxPictureSpan)
			return;
	}

	BRect bounds = Bounds();
	double width = bounds.Width();
	double height = bounds.Height();
	double old = fMagnification;
	fOffset.x = std::trunc((fOffset.x - width * 0.5) * magnification / old + width * 0.5);
	fOffset.y = std::trunc((fOffset.y - height * 0.5) * magnification / old + height * 0.5);
	fMagnification = magnification;
	SetTitle();
}

// One axis of InscribedToFrame(): |view| and |picture| are spans.
static float inscribed_offset(double view, double picture, double offset)
{
	if (view > picture)
		return std::trunc((view - picture) * 0.5);
	if (offset > 0)
		return 0;
	if (picture + offset < view)
		return view - picture;
	return offset;
}

void PLControlView::InscribedToFrame()
{
	if (fBitmap == NULL)
		return;

	BRect bounds = Bounds();
	BRect picture = fBitmap->Bounds();
	fOffset.x = inscribed_offset(bounds.Width(),
	                             std::trunc(picture.Width() * double(fMagnification)), fOffset.x);
	fOffset.y = inscribed_offset(bounds.Height(),
	                             std::trunc(picture.Height() * double(fMagnification)), fOffset.y);
}

void PLControlView::FitToScreen()
{
	BWindow* window = Window();
	if (window == NULL || fBitmap == NULL)
		return;

	// The window manager's border and tab lie outside the frame and are not
	// accounted for.
	BRect screen = BScreen(B_MAIN_SCREEN_ID).Frame().InsetByCopy(1, 1);
	BRect picture = fBitmap->Bounds();
	double pictureWidth = std::trunc(picture.Width() * double(fMagnification));
	double pictureHeight = std::trunc(picture.Height() * double(fMagnification));

	float minWidth, maxWidth, minHeight, maxHeight;
	window->GetSizeLimits(&minWidth, &maxWidth, &minHeight, &maxHeight);

	double width = screen.Width() < pictureWidth ? screen.Width() : pictureWidth;
	if (!(width > minWidth))
		width = minWidth;
	double height = screen.Height() < pictureHeight ? screen.Height() : pictureHeight;
	if (!(height > minHeight))
		height = minHeight;

	// Centred on the window's old centre, then pushed back onto the screen,
	// each axis tested once from its left (top) edge.
	BRect viewFrame = Frame();
	BRect windowFrame = window->Frame();
	double left = std::trunc((viewFrame.Width() - width) * 0.5 + windowFrame.left);
	double top = std::trunc((viewFrame.Height() - height) * 0.5 + windowFrame.top);
	if (screen.left > left)
		left = screen.left;
	else if (screen.right < left + width)
		left = screen.right - width;
	if (screen.top > top)
		top = screen.top;
	else if (screen.bottom < top + height)
		top = screen.bottom - height;

	BRect frame(left, top, left + width, top + height);
	if (frame == windowFrame) {
		Invalidate();
		return;
	}

	// A narrower window could leave the pointer outside it, and with focus
	// following the mouse the window would lose the focus.
	if (focus_follows_mouse() && viewFrame.Width() > width)
		set_mouse_position(int32(std::trunc(left + width * 0.5)),
		                   int32(std::trunc(top + height * 0.5)));
	if (be_app != NULL)
		be_app->ObscureCursor();

	// Queued ahead of the resize notification that follows, so the state
	// knows this resize is ours and does not rescale the picture for it.
	// Posted for a move alone too: the flag then waits for whatever resize
	// comes next.
	window->PostMessage(kMsgIgnoreNextResize, this);
	window->MoveTo(left, top);
	window->ResizeTo(width, height);
}

void PLControlView::SetTitle()
{
	if (IsReplicant())
		return;
	BWindow* window = Window();
	if (window == NULL)
		return;

	// Truncated, never rounded: three steps out from 100 % read 49 %.
	char percent[64];
	snprintf(percent, sizeof(percent), "%.0f", std::trunc(double(fMagnification) * 100.0));
	std::string title(FileName());
	title += "   ";
	title += percent;
	title += "%";
	window->SetTitle(title.c_str());
}

void PLControlView::StartNodeMonitoring()
{
	BEntry entry(&fRef, false);
	if (entry.InitCheck() != B_OK)
		return;
	node_ref node;
	if (entry.GetNodeRef(&node) != B_OK)
		return;
	watch_node(&node, B_WATCH_NAME | B_WATCH_STAT, this);
}

void PLControlView::EndNodeMonitoring()
{
	stop_watching(this, NULL);
}

void PLControlView::PursuitNode(const BMessage* message)
{
	// Only a move names where the file went. Stat changes and removals carry
	// no "to directory", and must not turn the reference into garbage.
	int64 directory;
	int32 device;
	const char* name;
	if (message->FindInt64("to directory", &directory) != B_OK ||
	    message->FindString("name", 0, &name) != B_OK ||
	    message->FindInt32("device", &device) != B_OK)
		return;
	fRef = entry_ref(device, directory, name);
}
