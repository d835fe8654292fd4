// The update model: damage, coalesced repaints, clipping and presentation.

#include "interface/WindowUpdater.h"

#include <View.h>
#include <Window.h>

#include "interface/Painter.h"
#include "interface/ViewPrivate.h"
#include "interface/WindowPrivate.h"

namespace BPrivate {

// A shown view hides what lies beneath it unless it lets it show through.
bool WindowUpdater::_CoversBeneath(const BView* view)
{
	return view->fShowLevel <= 0 && (view->Flags() & B_TRANSPARENT_BACKGROUND) == 0;
}

// The next view after |view| in drawing order (parents before children,
// earlier siblings first), skipping |view|'s children when |skipChildren|.
BView* WindowUpdater::_NextInDrawingOrder(BView* view, bool skipChildren)
{
	if (!skipChildren && view->fFirstChild != NULL)
		return view->fFirstChild;
	while (view != NULL && view->fNextSibling == NULL)
		view = view->fParent;
	return view != NULL ? view->fNextSibling : NULL;
}

WindowUpdater::WindowUpdater(BWindow* window)
    : fWindow(window), fPainter(new Painter), fSurfaceChanged(false), fUpdatePending(false),
      fInUpdate(false), fTransactionDepth(0), fDrawingView(NULL)
{
}

WindowUpdater::~WindowUpdater()
{
	delete fPainter;
}

void WindowUpdater::Invalidate(const BRegion& region)
{
	BRegion bounds(fWindow->Bounds());
	fDirty.Include(&region);
	fDirty.IntersectWith(&bounds);
	if (fDirty.CountRects() == 0 || fUpdatePending)
		return;
	fUpdatePending = true;
	fWindow->PostMessage(kMsgWindowUpdate, fWindow);
}

void WindowUpdater::InvalidateAll()
{
	Invalidate(BRegion(fWindow->Bounds()));
}

bool WindowUpdater::_CanShow()
{
	return fWindow->fData->running && !fWindow->IsHidden() && _AttachPainter();
}

bool WindowUpdater::_AttachPainter()
{
	// A window is typically resized several times (fitted to its contents,
	// placed on the screen) before it first draws, and a framebuffer is
	// costly to make: a shared memory segment the display attaches, with a
	// round trip. So only a window that draws asks its surface for one.
	if (fSurfaceChanged) {
		fSurfaceChanged = false;
		DisplaySurface* surface = fWindow->fData->surface;
		Framebuffer buffer = surface != NULL ? surface->Buffer() : Framebuffer();
		if (buffer.bits != NULL)
			fPainter->Attach(buffer.bits, buffer.width, buffer.height, buffer.bytesPerRow);
	}
	return fPainter->IsAttached();
}

void WindowUpdater::Update()
{
	fUpdatePending = false;
	// A hidden window keeps its damage for the Show() that repaints it all.
	if (!_CanShow())
		return;
	BRegion region = fDirty;
	fDirty.MakeEmpty();
	if (region.CountRects() == 0)
		return;

	fInUpdate = true;
	fUpdateRegion = region;
	_DrawView(fWindow->fTopView, region);
	fInUpdate = false;
	fUpdateRegion.MakeEmpty();

	fUnpresented.Include(&region);
	if (fTransactionDepth == 0) {
		_Present(fUnpresented);
		fUnpresented.MakeEmpty();
	}
}

void WindowUpdater::_DrawView(BView* view, const BRegion& region)
{
	if (view->fShowLevel > 0)
		return;
	BPoint offset = view->_WindowOffset();
	if (!region.Intersects(view->Bounds().OffsetByCopy(offset)))
		return;

	// A constraint set during an update lasts for that update only.
	view->fState->hasConstraint = false;
	BRegion clip;
	GetClipping(view, &clip);
	bool visible = clip.CountRects() > 0;
	BRect updateRect;
	if (visible) {
		if (!is_transparent_view_color(view->fState->view)) {
			fPainter->SetOrigin(BPoint(0, 0));
			fPainter->SetDrawingMode(B_OP_COPY);
			fPainter->SetClipping(&clip);
			fPainter->FillRegion(clip, view->fState->view);
		}
		updateRect = clip.Frame().OffsetByCopy(-offset.x, -offset.y);
		if ((view->Flags() & B_WILL_DRAW) != 0 && !view->fTopLevel)
			view->Draw(updateRect);
	}

	BView* child = view->fFirstChild;
	while (child != NULL) {
		BView* next = child->fNextSibling;
		_DrawView(child, region);
		child = next;
	}

	if (visible &&
	    (view->Flags() & (B_WILL_DRAW | B_DRAW_ON_CHILDREN)) == (B_WILL_DRAW | B_DRAW_ON_CHILDREN))
		view->DrawAfterChildren(updateRect);
	view->fState->hasConstraint = false;
}

void WindowUpdater::GetVisibleRegion(const BView* view, BRegion* region)
{
	region->MakeEmpty();
	if (view->fShowLevel > 0)
		return;
	region->Set(view->Bounds().OffsetByCopy(view->_WindowOffset()));

	for (const BView* v = view; v->fParent != NULL; v = v->fParent) {
		const BView* parent = v->fParent;
		if (parent->fShowLevel > 0) {
			region->MakeEmpty();
			return;
		}
		BPoint parentOffset = parent->_WindowOffset();
		BRegion parentArea(parent->Bounds().OffsetByCopy(parentOffset));
		region->IntersectWith(&parentArea);
		// Later siblings are drawn over this one.
		for (const BView* sibling = v->fNextSibling; sibling != NULL;
		     sibling = sibling->fNextSibling) {
			if (_CoversBeneath(sibling))
				region->Exclude(sibling->fFrame.OffsetByCopy(parentOffset));
		}
	}

	if ((view->Flags() & B_DRAW_ON_CHILDREN) == 0) {
		BPoint offset = view->_WindowOffset();
		for (const BView* child = view->fFirstChild; child != NULL; child = child->fNextSibling) {
			if (_CoversBeneath(child))
				region->Exclude(child->fFrame.OffsetByCopy(offset));
		}
	}
}

void WindowUpdater::GetClipping(const BView* view, BRegion* clip) const
{
	if (view->fShowLevel > 0) {
		clip->MakeEmpty();
		return;
	}
	GetVisibleRegion(view, clip);
	// The view's own constraint and those of its ancestors.
	for (const BView* v = view; v != NULL; v = v->fParent) {
		if (!v->fState->hasConstraint)
			continue;
		BRegion constraint = v->fState->constraint;
		BPoint offset = v->_WindowOffset();
		constraint.OffsetBy(static_cast<int32>(offset.x), static_cast<int32>(offset.y));
		clip->IntersectWith(&constraint);
	}
	if (fInUpdate)
		clip->IntersectWith(&fUpdateRegion);
}

Painter* WindowUpdater::BeginDrawing(const BView* view)
{
	if (view->fOwner != fWindow || !_AttachPainter())
		return NULL;
	GetClipping(view, &fClip);
	if (fClip.CountRects() == 0)
		return NULL;
	fOrigin = view->_WindowOffset();
	fDrawingView = view;
	fPainter->SetOrigin(fOrigin);
	fPainter->SetDrawingMode(view->fState->mode);
	fPainter->SetClipping(&fClip);
	return fPainter;
}

void WindowUpdater::EndDrawing(BRect touched)
{
	// Antialiased edges may reach one pixel beyond the rectangle.
	touched.InsetBy(-1, -1);
	BRegion changed(touched.OffsetByCopy(fOrigin));
	changed.IntersectWith(&fClip);
	if (changed.CountRects() == 0)
		return;
	// An update presents its whole region when it ends.
	if (fInUpdate)
		return;
	_RedrawSeeThroughViews(fDrawingView, changed);
	fUnpresented.Include(&changed);
	if (fTransactionDepth == 0) {
		_Present(fUnpresented);
		fUnpresented.MakeEmpty();
	}
}

// Drawing outside an update goes under the views that let it show through
// (a dragger's handle over a playing video): they are drawn again on top, in
// their drawing order, as a small update of the changed pixels.
void WindowUpdater::_RedrawSeeThroughViews(const BView* drawn, const BRegion& changed)
{
	if (drawn == NULL)
		return;
	BView* view = _NextInDrawingOrder(const_cast<BView*>(drawn), false);
	while (view != NULL) {
		bool seeThrough = view->fShowLevel <= 0 &&
		                  (view->Flags() & B_TRANSPARENT_BACKGROUND) != 0 &&
		                  changed.Intersects(view->Bounds().OffsetByCopy(view->_WindowOffset()));
		if (seeThrough) {
			fInUpdate = true;
			fUpdateRegion = changed;
			_DrawView(view, changed);
			fInUpdate = false;
			fUpdateRegion.MakeEmpty();
		}
		view = _NextInDrawingOrder(view, seeThrough || view->fShowLevel > 0);
	}
}

void WindowUpdater::BeginTransaction()
{
	fTransactionDepth++;
}

void WindowUpdater::EndTransaction()
{
	if (fTransactionDepth == 0)
		return;
	if (--fTransactionDepth > 0)
		return;
	_Present(fUnpresented);
	fUnpresented.MakeEmpty();
}

void WindowUpdater::_Present(const BRegion& region)
{
	if (region.CountRects() == 0 || !_CanShow())
		return;
	BRegion shown(region);
	BRegion bounds(fWindow->Bounds());
	shown.IntersectWith(&bounds);
	fWindow->fData->surface->Present(shown);
}

void WindowUpdater::Expose(const BRegion& region)
{
	// The framebuffer still holds every pixel; what is damaged waits for the
	// update already queued.
	BRegion lost(region);
	lost.Exclude(&fDirty);
	_Present(lost);
}

void WindowUpdater::DetachSurface()
{
	fPainter->Detach();
	fSurfaceChanged = false;
}

void WindowUpdater::SurfaceResized()
{
	fPainter->Detach();
	fSurfaceChanged = true;
	InvalidateAll();
}

} // namespace BPrivate
