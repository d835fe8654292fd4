#ifndef _WINDOW_UPDATER_H
#define _WINDOW_UPDATER_H

#include <Point.h>
#include <Region.h>

class BView;
class BWindow;

namespace BPrivate {

class Painter;

// The window's update model. Invalidate() only marks damage (window
// coordinates) and posts one update message while none is pending; Update()
// draws the damage view by view, clipped, and presents it once. Drawing
// outside an update is clipped to the view's visible region and presented at
// the end of the view transaction, or at once when there is none.
// Everything here runs with the window locked.
class WindowUpdater {
public:
	WindowUpdater(BWindow* window);
	~WindowUpdater();

	void Invalidate(const BRegion& region);
	void InvalidateAll();
	// Handles the update message: draws and presents what is damaged.
	void Update();
	bool UpdatePending() const { return fUpdatePending; }

	void BeginTransaction();
	void EndTransaction();

	// The pixels a view may draw on, window coordinates: its visible region
	// (bounds, minus the children unless it draws on them, minus the siblings
	// above it, within its ancestors), within its constraint, and within the
	// update region while an update runs.
	void GetClipping(const BView* view, BRegion* clip) const;
	static void GetVisibleRegion(const BView* view, BRegion* region);

	// Drawing by a view: BeginDrawing() returns the window's painter clipped
	// for the view, or NULL when nothing of it can show; EndDrawing() gets the
	// view-coordinate area the operation may have changed.
	Painter* BeginDrawing(const BView* view);
	void EndDrawing(BRect touched);

	// The display lost these pixels (window coordinates): show them again.
	void Expose(const BRegion& region);

	// The window's surface changed size; its pixels are new.
	void SurfaceResized();
	// The surface is about to go.
	void DetachSurface();

private:
	void _DrawView(BView* view, const BRegion& region);
	void _Present(const BRegion& region);
	void _RedrawSeeThroughViews(const BView* drawn, const BRegion& changed);
	static bool _CoversBeneath(const BView* view);
	static BView* _NextInDrawingOrder(BView* view, bool skipChildren);
	bool _CanShow();
	bool _AttachPainter();

	BWindow* fWindow;
	Painter* fPainter;    // on the surface's framebuffer; NULL while there is none
	bool fSurfaceChanged; // the painter waits for the resized surface's framebuffer
	BRegion fDirty;       // damage waiting for the update message
	bool fUpdatePending;  // that message is queued
	bool fInUpdate;
	BRegion fUpdateRegion; // what the running update repaints
	int32 fTransactionDepth;
	BRegion fUnpresented;      // drawn but not yet shown
	BRegion fClip;             // of the drawing in progress
	BPoint fOrigin;            // of the view drawing, in the window
	const BView* fDrawingView; // the view drawing outside an update, or NULL
};

} // namespace BPrivate

#endif
