#ifndef TESTS_VIEWER_REPLICANT_HOST_H
#define TESTS_VIEWER_REPLICANT_HOST_H

// A small replicant host on the offscreen display: a window whose container
// view takes replicants restored from archives, by class name, as a shelf
// would take them.

#include <Point.h>
#include <Rect.h>

class BMessage;
class BView;
class BWindow;

class ReplicantHost {
public:
	// A shown window of |frame| (screen coordinates) filled by the container.
	explicit ReplicantHost(BRect frame = BRect(100, 100, 499, 399));
	// Quits the window with whatever replicants it still holds.
	~ReplicantHost();

	BWindow* Window() const { return fWindow; }
	BView* Container() const { return fContainer; }

	// Instantiates |archive| by its class name and adds the view at |where|
	// in the container; waits until the attachment was handled. NULL when
	// the archive gives no view.
	BView* Add(BMessage* archive, BPoint where = BPoint(0, 0));
	// Adds a view made elsewhere (or taken out before) at |where|.
	bool Attach(BView* view, BPoint where = BPoint(0, 0));
	// Takes |view| out of the container again (detached, not deleted).
	bool Remove(BView* view);
	// Every message queued so far has been handled, twice over.
	bool Settle();

private:
	BWindow* fWindow;
	BView* fContainer;
};

#endif
