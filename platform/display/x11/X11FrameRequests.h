#ifndef _X11_FRAME_REQUESTS_H
#define _X11_FRAME_REQUESTS_H

#include <vector>

#include <OS.h>
#include <Rect.h>

namespace BPrivate {

// The frames the kit asked a window to take that the server has not yet
// shown back. A window manager may carry out one change in steps, and each
// step comes back as a report of its own: openbox reports a window that is
// moved and resized at its new place with its old size first, and only then
// with its new size. A step of the kit's own change is not the user's move or
// resize, and must not reach the kit as one (a resize the kit did not make
// rescales the picture and takes the place of the one it did make).
//
// Not thread-safe; the window guards it with its own lock.
class X11FrameRequests {
public:
	enum verdict {
		kOwnFrame,       // the last frame asked for: the change is complete
		kOwnStep,        // a step on the way there: nothing to report
		kMovedElsewhere, // a size of ours at a place of the server's: a move only
		kServerFrame     // the server's own word (the user, or a limit it applied)
	};

	// The kit asks for |frame| while the window is at |current|.
	void Requested(BRect current, BRect frame, bigtime_t now);
	// What the server's report of |reported| means, given the requests so far.
	verdict Judge(BRect reported, bigtime_t now);
	bool IsEmpty() const { return fFrames.empty(); }

private:
	// A window manager that never carries out a request must not make the
	// window deaf to the user: after this long, reports count as its own.
	static const bigtime_t kPatience = 2000000;
	// Enough for any burst of moves and resizes; older ones are forgotten.
	static const size_t kMaxFrames = 16;

	std::vector<BRect> fFrames; // the frame before the change first, the last request last
	bigtime_t fDeadline = 0;
};

} // namespace BPrivate

#endif
