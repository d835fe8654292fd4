#include "display/x11/X11FrameRequests.h"

namespace BPrivate {

static bool same_size(BRect a, BRect b)
{
	return a.Width() == b.Width() && a.Height() == b.Height();
}

void X11FrameRequests::Requested(BRect current, BRect frame, bigtime_t now)
{
	if (now > fDeadline)
		fFrames.clear();
	if (fFrames.empty())
		fFrames.push_back(current);
	if (fFrames.size() >= kMaxFrames)
		fFrames.erase(fFrames.begin() + 1);
	fFrames.push_back(frame);
	fDeadline = now + kPatience;
}

X11FrameRequests::verdict X11FrameRequests::Judge(BRect reported, bigtime_t now)
{
	if (fFrames.empty())
		return kServerFrame;
	if (now > fDeadline) {
		fFrames.clear();
		return kServerFrame;
	}
	if (reported == fFrames.back()) {
		fFrames.clear();
		return kOwnFrame;
	}
	bool ownSize = false;
	bool ownPlace = false;
	for (const BRect& frame : fFrames) {
		ownSize = ownSize || same_size(frame, reported);
		ownPlace = ownPlace || frame.LeftTop() == reported.LeftTop();
	}
	if (ownSize)
		return ownPlace ? kOwnStep : kMovedElsewhere;
	fFrames.clear();
	return kServerFrame;
}

} // namespace BPrivate
