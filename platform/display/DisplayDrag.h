#ifndef _DISPLAY_DRAG_H
#define _DISPLAY_DRAG_H

// Drag and drop across the display seam. The interface kit hands the backend
// a drag as data in one or more MIME types (never a BMessage: the backend
// only carries bytes, to another window of this process or through XDND to
// another program); targets hear of it through DisplayEventSink::DragEvent
// and turn the bytes back into a message (interface/DropData.h).

#include <Messenger.h>
#include <Point.h>
#include <Rect.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace BPrivate {

// The platform's own type: a flattened BMessage (app/MessageFormat.h). It is
// the only type besides text/uri-list that the platform's windows take.
extern const char kDragMessageType[]; // "application/x-vnd.pl-platform-message"
// RFC 2483: one URI a line, CRLF; what file managers drag.
extern const char kUriListType[]; // "text/uri-list"

// Nothing larger is taken from a drop, whatever the sender announces.
const size_t kMaxDropSize = 64 * 1024 * 1024;

// What a drag carries, fixed when it starts and shared read-only by the
// source and every target of the process.
struct DragPayload {
	struct Offer {
		std::string type;
		std::string data;
	};
	std::vector<Offer> offers; // in the source's order of preference
	// Where a drop's replies go; only meaningful within the source's process
	// (invalid for data that came from another program).
	BMessenger replyTo;

	const Offer* Find(const char* type) const;
};

typedef std::shared_ptr<const DragPayload> DragPayloadRef;

// A drag the interface kit starts (BView::DragMessage).
struct DisplayDragStart {
	DragPayloadRef payload;
	BRect frame;   // the dragged rectangle, screen coordinates
	BPoint offset; // of the pointer from frame's left top
	// What follows the pointer: B_RGBA32 pixels of frame's size, or empty
	// for the rectangle's outline.
	std::vector<uint32> image;
	int32 imageWidth = 0;
	int32 imageHeight = 0;
	// Called once, from the backend's thread, when the drag ends over the
	// bare desktop or over no window that takes drops.
	std::function<void(BPoint screenWhere)> unclaimed;
};

enum drag_phase {
	kDragMoved,   // the pointer entered or moved over the surface
	kDragExited,  // it left, or the drag was cancelled over it
	kDragDropped  // released over the surface after it said it takes the drop
};

struct DisplayDragEvent {
	drag_phase phase;
	bigtime_t when;
	BPoint where;       // window coordinates
	BPoint screenWhere; // screen coordinates
	BPoint offset;      // of the pointer in the dragged rectangle
	uint32 buttons;
	uint32 modifiers;
	bool sourceRemote; // the drag comes from another process
	// The data; NULL while a drag from another program has not delivered it
	// yet (moves only).
	DragPayloadRef payload;
};

} // namespace BPrivate

#endif
