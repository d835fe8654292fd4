#ifndef _DRAG_PRIVATE_H
#define _DRAG_PRIVATE_H

#include <GraphicsDefs.h>
#include <Message.h>
#include <Messenger.h>
#include <Rect.h>

class BBitmap;
class BWindow;

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

// Carries drags out of the window instead of the display's drag and drop:
// a test. Without one the display carries the drag (start_display_drag).
class DragSink {
public:
	virtual ~DragSink() {}
	// Called in the source window's thread with the window locked; takes
	// the request.
	virtual void StartDrag(DragRequest* request) = 0;
};

// Installs |sink| for the whole process; returns the previous one.
DragSink* set_drag_sink(DragSink* sink);

// Hands |request| to the display: the pointer becomes the drag's and the
// message goes to the view it is released over, in this process or another.
// Window thread, window locked.
status_t start_display_drag(BWindow* window, const DragRequest& request);

// A drop that nobody took: the drag ended over the bare desktop (the root
// window) or over no window that takes drops. |drop| is the dragged message,
// marked dropped at |screenWhere|; it belongs to the caller and lives for the
// call. Called from the display's thread: the handler must not block (post
// a copy somewhere). By default the drop goes to the desktop application
// through the roster (app/DesktopHandoff.h), on a thread of its own.
typedef void (*unclaimed_drop_handler)(BMessage* drop, BPoint screenWhere);
// Installs |handler| for the whole process (NULL: such drops change nothing);
// returns the previous one.
unclaimed_drop_handler set_unclaimed_drop_handler(unclaimed_drop_handler handler);

} // namespace BPrivate

#endif
