#ifndef VIEWER_TEST_SUPPORT_H
#define VIEWER_TEST_SUPPORT_H

// Helpers for the viewer's tests on the offscreen display: sample files,
// document-like windows, a viewing view with a synthetic picture, and a look
// at a view's state.

#include <Entry.h>
#include <GraphicsDefs.h>
#include <Rect.h>

#include <string>

#include "view/PLControlView.h"

class BBitmap;
class BWindow;
class PLControlState;

// A file of samples/ in the source tree.
std::string sample_path(const char* name);
entry_ref ref_for(const std::string& path);

// A document window with the application's size limits (50 x 50 at least),
// not yet shown.
BWindow* make_document_window(BRect frame, const char* title = "viewer test");
// Adds |view| to the window, shows the window and waits until the
// view's attachment (and any fitting it causes) has been handled.
bool show_with_view(BWindow* window, BView* view);
// Locks the window, quits it (deleting it and its views), as closing does.
void quit_window(BWindow* window);

// A B_RGB32 bitmap with bounds (0, 0, width - 1, height - 1), filled with
// |color|.
BBitmap* make_bitmap(int32 width, int32 height, rgb_color color);

// A viewing view of a picture made in memory, in the application state.
class SyntheticView : public PLControlView {
public:
	SyntheticView(int32 width, int32 height, rgb_color color = make_color(0, 0, 255),
	              const char* name = "synthetic.png");
	virtual ~SyntheticView();
	virtual status_t InitCheck() const { return B_OK; }

	// Four vertical stripes of equal width: red, lime, blue, white.
	void PaintStripes();

	// For setting up a geometry case directly.
	void SetOffset(BPoint offset) { fOffset = offset; }
	void SetMagnificationRaw(float magnification) { fMagnification = magnification; }
	bool IgnoresNextResize() const { return fIgnoreNextResize; }
	bool IsDragging() const { return fDragging; }
};

// The state object a view is in.
PLControlState* state_of(PLControlView* view);

// Whether two rgb_colors are equal within |tolerance| per channel.
bool close_color(rgb_color a, rgb_color b, int tolerance = 8);

#endif
