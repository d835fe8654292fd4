#ifndef _VIEW_PRIVATE_H
#define _VIEW_PRIVATE_H

#include <Font.h>
#include <GraphicsDefs.h>
#include <Point.h>
#include <Region.h>

class BView;

namespace BPrivate {

// What a view draws with. Guarded by the view's window lock while attached;
// owned by the view.
struct ViewState {
	rgb_color high = {0, 0, 0, 255};
	rgb_color low = {255, 255, 255, 255};
	rgb_color view = {255, 255, 255, 255};
	drawing_mode mode = B_OP_COPY;
	float penSize = 1.0f;
	BPoint penLocation;
	BFont font;

	// SetEventMask(); kept while detached, in force while attached.
	uint32 eventMask = 0;
	uint32 eventOptions = 0;

	// ConstrainClippingRegion(), in the view's coordinates.
	BRegion constraint;
	bool hasConstraint = false;
};

// A view colour of B_TRANSPARENT_COLOR means "never erase".
bool is_transparent_view_color(rgb_color color);

// Pixel rectangle of a view rectangle: floor of left/top, ceil of right/bottom.
BRect snapped_rect(BRect rect);

} // namespace BPrivate

#endif
