#ifndef _DRAG_PRIVATE_H
#define _DRAG_PRIVATE_H

#include <GraphicsDefs.h>
#include <Message.h>
#include <Messenger.h>
#include <Rect.h>

class BBitmap;

namespace BPrivate {

// A drag that BView::DragMessage() started: what it carries and how it is
// shown. The request owns its copy of the message and the bitmap.
struct DragRequest {
	DragRequest() : bitmap(NULL), mode(B_OP_COPY) {}
	~DragRequest();

	BMessage message;   // with "buttons" as the Be API adds it
	BMessenger replyTo; // where the drop's reply goes
	BRect frame;        // the outline, screen coordinates (no bitmap)
	BBitmap* bitmap;    // the picture under the pointer, or NULL
	BPoint offset;      // of the pointer in |bitmap|
	drawing_mode mode;  // how |bitmap| is drawn
	BPoint screenWhere; // the pointer when the drag began
};

// Carries drags out of the window: the display's drag and drop (XDND) once
// it exists, or a test. Without one a drag has nowhere to go and the request
// is dropped.
class DragSink {
public:
	virtual ~DragSink() {}
	// Called in the source window's thread with the window locked; takes
	// the request.
	virtual void StartDrag(DragRequest* request) = 0;
};

// Installs |sink| for the whole process; returns the previous one.
DragSink* set_drag_sink(DragSink* sink);

} // namespace BPrivate

#endif
