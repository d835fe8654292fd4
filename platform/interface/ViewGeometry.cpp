// BView geometry: frame and bounds, moving, resizing, resizing modes,
// scrolling and coordinate conversion.

#include <View.h>

#include <AppDefs.h>
#include <Message.h>
#include <OS.h>
#include <Region.h>
#include <Window.h>

#include <math.h>

#include "interface/ViewPrivate.h"
#include "interface/WindowPrivate.h"

BRect BView::Bounds() const
{
	return BRect(fScrollOrigin.x, fScrollOrigin.y, fScrollOrigin.x + fFrame.Width(),
	             fScrollOrigin.y + fFrame.Height());
}

BRect BView::Frame() const
{
	return fFrame;
}

void BView::MoveBy(float dx, float dy)
{
	MoveTo(fFrame.left + dx, fFrame.top + dy);
}

void BView::MoveTo(BPoint where)
{
	MoveTo(where.x, where.y);
}

void BView::MoveTo(float x, float y)
{
	x = roundf(x);
	y = roundf(y);
	if (x == fFrame.left && y == fFrame.top)
		return;
	BRect old = fFrame;
	fFrame.OffsetTo(x, y);
	_FrameChanged(old);
}

void BView::ResizeBy(float dx, float dy)
{
	ResizeTo(fFrame.Width() + dx, fFrame.Height() + dy);
}

void BView::ResizeTo(float width, float height)
{
	width = roundf(width);
	height = roundf(height);
	// A view is at least one pixel; negative sizes would invert the frame.
	if (width < 0)
		width = 0;
	if (height < 0)
		height = 0;
	if (width == fFrame.Width() && height == fFrame.Height())
		return;
	BRect old = fFrame;
	fFrame.right = fFrame.left + width;
	fFrame.bottom = fFrame.top + height;
	_FrameChanged(old);
}

// Applies a new frame: the children follow their resizing modes, the
// uncovered and new areas are invalidated, and views that asked for frame
// events get B_VIEW_MOVED / B_VIEW_RESIZED queued behind what is already in
// the window's queue, as the display server would send them.
void BView::_FrameChanged(BRect old)
{
	float dw = fFrame.Width() - old.Width();
	float dh = fFrame.Height() - old.Height();
	bool moved = fFrame.LeftTop() != old.LeftTop();
	bool resized = dw != 0 || dh != 0;

	if (resized) {
		for (BView* child = fFirstChild; child != NULL; child = child->fNextSibling)
			child->_ParentResizedBy(dw, dh);
	}

	if (fOwner == NULL)
		return;

	if (!IsHidden() && fParent != NULL) {
		if (moved || (Flags() & B_FULL_UPDATE_ON_RESIZE) != 0) {
			_InvalidateInParent(old);
			_InvalidateInParent(fFrame);
		} else {
			// Only what is new, and what the view no longer covers.
			BRegion changed(fFrame);
			BRegion oldArea(old);
			changed.ExclusiveInclude(&oldArea);
			for (int32 i = 0; i < changed.CountRects(); i++)
				_InvalidateInParent(changed.RectAt(i));
		}
	}

	if ((Flags() & B_FRAME_EVENTS) == 0 || fTopLevel)
		return;
	if (moved) {
		BMessage message(B_VIEW_MOVED);
		message.AddInt64("when", system_time());
		message.AddPoint("where", fFrame.LeftTop());
		fOwner->PostMessage(&message, this);
	}
	if (resized) {
		BMessage message(B_VIEW_RESIZED);
		message.AddInt64("when", system_time());
		message.AddInt32("width", static_cast<int32>(fFrame.Width()));
		message.AddInt32("height", static_cast<int32>(fFrame.Height()));
		fOwner->PostMessage(&message, this);
	}
}

// An edge that follows the parent's far edge moves by the whole change, one
// that follows its centre by half; anything else stays.
static float follow_edge(uint32 rule, uint32 farRule, float edge, float delta)
{
	if (rule == farRule)
		return edge + delta;
	if (rule == _VIEW_CENTER_)
		return edge + delta / 2;
	return edge;
}

void BView::_ParentResizedBy(float dx, float dy)
{
	uint32 mode = ResizingMode();
	uint32 topRule = (mode >> 12) & 0xf;
	uint32 leftRule = (mode >> 8) & 0xf;
	uint32 bottomRule = (mode >> 4) & 0xf;
	uint32 rightRule = mode & 0xf;

	BRect frame = fFrame;
	// B_FOLLOW_NONE and a zero selector keep the edge where it is, as LEFT/TOP do.
	frame.left = roundf(follow_edge(leftRule, _VIEW_RIGHT_, fFrame.left, dx));
	frame.right = roundf(follow_edge(rightRule, _VIEW_RIGHT_, fFrame.right, dx));
	frame.top = roundf(follow_edge(topRule, _VIEW_BOTTOM_, fFrame.top, dy));
	frame.bottom = roundf(follow_edge(bottomRule, _VIEW_BOTTOM_, fFrame.bottom, dy));
	// A selector of 0 on one side and a rule on the other keeps the size.
	if (leftRule == 0 && rightRule != 0)
		frame.left = frame.right - fFrame.Width();
	if (rightRule == 0 && leftRule != 0)
		frame.right = frame.left + fFrame.Width();
	if (topRule == 0 && bottomRule != 0)
		frame.top = frame.bottom - fFrame.Height();
	if (bottomRule == 0 && topRule != 0)
		frame.bottom = frame.top + fFrame.Height();
	if (frame.right < frame.left)
		frame.right = frame.left;
	if (frame.bottom < frame.top)
		frame.bottom = frame.top;

	if (frame == fFrame)
		return;
	BRect old = fFrame;
	fFrame = frame;
	_FrameChanged(old);
}

void BView::ScrollBy(float dx, float dy)
{
	ScrollTo(BPoint(fScrollOrigin.x + dx, fScrollOrigin.y + dy));
}

void BView::ScrollTo(BPoint where)
{
	where.x = roundf(where.x);
	where.y = roundf(where.y);
	if (where == fScrollOrigin)
		return;
	fScrollOrigin = where;
	Invalidate();
}

// #pragma mark - conversion

// Offset of the view's coordinate system from its window's content origin.
BPoint BView::_WindowOffset() const
{
	BPoint offset(0, 0);
	for (const BView* view = this; view != NULL; view = view->fParent)
		offset += view->fFrame.LeftTop() - view->fScrollOrigin;
	return offset;
}

void BView::ConvertToParent(BPoint* point) const
{
	*point += fFrame.LeftTop() - fScrollOrigin;
}

BPoint BView::ConvertToParent(BPoint point) const
{
	ConvertToParent(&point);
	return point;
}

void BView::ConvertFromParent(BPoint* point) const
{
	*point -= fFrame.LeftTop() - fScrollOrigin;
}

BPoint BView::ConvertFromParent(BPoint point) const
{
	ConvertFromParent(&point);
	return point;
}

void BView::ConvertToParent(BRect* rect) const
{
	rect->OffsetBy(fFrame.LeftTop() - fScrollOrigin);
}

BRect BView::ConvertToParent(BRect rect) const
{
	ConvertToParent(&rect);
	return rect;
}

void BView::ConvertFromParent(BRect* rect) const
{
	rect->OffsetBy(fScrollOrigin - fFrame.LeftTop());
}

BRect BView::ConvertFromParent(BRect rect) const
{
	ConvertFromParent(&rect);
	return rect;
}

void BView::ConvertToScreen(BPoint* point) const
{
	*point += _WindowOffset();
	if (fOwner != NULL)
		fOwner->ConvertToScreen(point);
}

BPoint BView::ConvertToScreen(BPoint point) const
{
	ConvertToScreen(&point);
	return point;
}

void BView::ConvertFromScreen(BPoint* point) const
{
	if (fOwner != NULL)
		fOwner->ConvertFromScreen(point);
	*point -= _WindowOffset();
}

BPoint BView::ConvertFromScreen(BPoint point) const
{
	ConvertFromScreen(&point);
	return point;
}

void BView::ConvertToScreen(BRect* rect) const
{
	BPoint leftTop = ConvertToScreen(rect->LeftTop());
	rect->OffsetTo(leftTop);
}

BRect BView::ConvertToScreen(BRect rect) const
{
	ConvertToScreen(&rect);
	return rect;
}

void BView::ConvertFromScreen(BRect* rect) const
{
	BPoint leftTop = ConvertFromScreen(rect->LeftTop());
	rect->OffsetTo(leftTop);
}

BRect BView::ConvertFromScreen(BRect rect) const
{
	ConvertFromScreen(&rect);
	return rect;
}
