// BView::DragMessage: hands a drag to whatever carries drags out of the
// window (interface/DragPrivate.h), the display unless a test took it.

#include <View.h>

#include <Bitmap.h>
#include <Message.h>
#include <Window.h>

#include <atomic>

#include "display/DisplayBackend.h"
#include "interface/DragPrivate.h"

namespace BPrivate {

static std::atomic<DragSink*> sDragSink{NULL};

DragRequest::~DragRequest()
{
	delete bitmap;
}

DragSink* set_drag_sink(DragSink* sink)
{
	return sDragSink.exchange(sink);
}

} // namespace BPrivate

using BPrivate::DragRequest;

// The message is copied; a bitmap given here belongs to the drag from now on,
// whatever happens to the drag, as in the Be API.
static void start_drag(BView* view, BMessage* message, BRect frame, BBitmap* bitmap,
                       drawing_mode mode, BPoint offset, BHandler* replyTo)
{
	BWindow* window = view->Window();
	if (message == NULL || window == NULL || !window->IsLocked()) {
		delete bitmap;
		return;
	}
	DragRequest* request = new DragRequest;
	request->message = *message;
	request->bitmap = bitmap;
	request->mode = mode;
	request->offset = offset;
	request->frame = view->ConvertToScreen(frame);
	if (replyTo == NULL)
		replyTo = view;
	if (replyTo->Looper() != NULL)
		request->replyTo = BMessenger(replyTo);

	uint32 buttons = 0;
	BPoint where;
	if (BPrivate::DisplayBackend* backend = BPrivate::display_backend())
		backend->GetPointer(&where, &buttons, NULL);
	request->screenWhere = where;
	if (!request->message.HasInt32("buttons")) {
		int32 current = 0;
		BMessage* event = window->CurrentMessage();
		if (event != NULL && event->FindInt32("buttons", &current) == B_OK)
			buttons = static_cast<uint32>(current);
		request->message.AddInt32("buttons", static_cast<int32>(buttons));
	}

	BPrivate::DragSink* sink = BPrivate::sDragSink.load();
	if (sink == NULL) {
		BPrivate::start_display_drag(window, *request);
		delete request;
		return;
	}
	sink->StartDrag(request);
}

void BView::DragMessage(BMessage* message, BRect dragRect, BHandler* replyTo)
{
	start_drag(this, message, dragRect, NULL, B_OP_COPY, BPoint(0, 0), replyTo);
}

void BView::DragMessage(BMessage* message, BBitmap* image, BPoint offset, BHandler* replyTo)
{
	DragMessage(message, image, B_OP_COPY, offset, replyTo);
}

void BView::DragMessage(BMessage* message, BBitmap* image, drawing_mode dragMode, BPoint offset,
                        BHandler* replyTo)
{
	if (image == NULL)
		return;
	BRect frame = image->Bounds().OffsetToCopy(BPoint(0, 0));
	// The bitmap's frame, placed so that |offset| lies under the pointer.
	BPoint pointer = ConvertFromScreen(BPoint(0, 0));
	uint32 buttons = 0;
	BPoint screen;
	if (BPrivate::DisplayBackend* backend = BPrivate::display_backend()) {
		backend->GetPointer(&screen, &buttons, NULL);
		pointer = ConvertFromScreen(screen);
	}
	frame.OffsetTo(pointer - offset);
	start_drag(this, message, frame, image, dragMode, offset, replyTo);
}
