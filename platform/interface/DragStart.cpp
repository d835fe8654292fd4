// The display's side of BView::DragMessage: the message becomes bytes the
// display can carry (to this process's windows or through XDND to another
// program), and a drop nobody takes goes to the unclaimed-drop handler.

#include <Bitmap.h>
#include <Window.h>

#include <string.h>

#include <atomic>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "app/DesktopHandoff.h"
#include "display/DisplayBackend.h"
#include "interface/DragPrivate.h"
#include "interface/DropData.h"
#include "interface/WindowPrivate.h"

namespace BPrivate {

// Handing a drop to the desktop may start it and wait for it to listen,
// which the display's thread must not wait for: a thread of its own does.
static void hand_to_desktop_aside(BMessage* drop, BPoint screenWhere)
{
	BMessage* copy = new (std::nothrow) BMessage(*drop);
	if (copy == NULL)
		return;
	try {
		std::thread([copy, screenWhere] {
			hand_unclaimed_drop_to_desktop(copy, screenWhere);
			delete copy;
		}).detach();
	} catch (const std::system_error&) {
		delete copy;
	}
}

// A picture dragged onto the bare desktop goes to the desktop application.
static std::atomic<unclaimed_drop_handler> sUnclaimedHandler{hand_to_desktop_aside};

unclaimed_drop_handler set_unclaimed_drop_handler(unclaimed_drop_handler handler)
{
	return sUnclaimedHandler.exchange(handler);
}

// B_RGBA32 pixels of |bitmap|, or false for a format shown as an outline.
static bool copy_image(const BBitmap* bitmap, DisplayDragStart* start)
{
	color_space space = bitmap->ColorSpace();
	if (bitmap->Bits() == NULL || (space != B_RGB32 && space != B_RGBA32))
		return false;
	BRect bounds = bitmap->Bounds();
	int32 width = bounds.IntegerWidth() + 1;
	int32 height = bounds.IntegerHeight() + 1;
	if (width <= 0 || height <= 0 || width > 4096 || height > 4096)
		return false;
	start->image.resize(size_t(width) * height);
	const uint8* row = static_cast<const uint8*>(bitmap->Bits());
	for (int32 y = 0; y < height; y++, row += bitmap->BytesPerRow()) {
		uint32* out = &start->image[size_t(y) * width];
		memcpy(out, row, size_t(width) * 4);
		if (space == B_RGB32) {
			for (int32 x = 0; x < width; x++)
				out[x] |= 0xff000000;
		}
	}
	start->imageWidth = width;
	start->imageHeight = height;
	return true;
}

status_t start_display_drag(BWindow* window, const DragRequest& request)
{
	DisplayBackend* backend = display_backend();
	DisplaySurface* surface = WindowAccess::Surface(window);
	if (backend == NULL || surface == NULL)
		return B_NO_INIT;

	BPoint offset = request.bitmap != NULL ? request.offset
	                                       : request.screenWhere - request.frame.LeftTop();
	// XDND carries no offset: the message takes it along, so that a program
	// on the other side places what it takes as it was held.
	BMessage carried(request.message);
	carried.RemoveName("_drop_offset_");
	carried.AddPoint("_drop_offset_", offset);
	auto payload = std::make_shared<DragPayload>();
	status_t status = drag_payload_for_message(carried, payload.get());
	if (status != B_OK)
		return status;
	payload->replyTo = request.replyTo;

	DisplayDragStart start;
	start.payload = payload;
	start.frame = request.frame;
	start.offset = offset;
	if (request.bitmap != NULL)
		copy_image(request.bitmap, &start);

	// The drop as the desktop would get it; made when it happens.
	auto message = std::make_shared<BMessage>(request.message);
	start.unclaimed = [message, offset](BPoint screenWhere) {
		unclaimed_drop_handler handler = sUnclaimedHandler.load();
		if (handler == NULL)
			return;
		BMessage drop(*message);
		mark_dropped(&drop, screenWhere, offset, false);
		handler(&drop, screenWhere);
	};
	return backend->StartDrag(surface, start);
}

} // namespace BPrivate
