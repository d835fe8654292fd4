// How server reports of a window's frame are told apart from the kit's own
// changes while a window manager carries those out in steps.

#include <gtest/gtest.h>

#include "display/x11/X11FrameRequests.h"

using BPrivate::X11FrameRequests;

namespace {

const bigtime_t kStart = 1000000;

} // namespace

// Openbox's order for a window moved and resized at once: the new place with
// the old size, then the new size. Neither step is the user's.
TEST(X11FrameRequests, AMoveAndResizeCarriedOutInStepsIsOurs)
{
	X11FrameRequests requests;
	BRect before(100, 100, 399, 299);
	BRect moved(50, 60, 349, 259);
	BRect resized(50, 60, 474, 315);
	requests.Requested(before, moved, kStart);
	requests.Requested(moved, resized, kStart + 10);

	EXPECT_EQ(requests.Judge(BRect(50, 60, 349, 259), kStart + 20), X11FrameRequests::kOwnStep);
	EXPECT_EQ(requests.Judge(resized, kStart + 30), X11FrameRequests::kOwnFrame);
	EXPECT_TRUE(requests.IsEmpty());
	// Done: what comes after is the server's.
	EXPECT_EQ(requests.Judge(BRect(50, 60, 600, 400), kStart + 40), X11FrameRequests::kServerFrame);
}

// The other order, and a report still showing the frame from before.
TEST(X11FrameRequests, StepsInAnyOrderAreOurs)
{
	X11FrameRequests requests;
	BRect before(100, 100, 399, 299);
	BRect moved(50, 60, 349, 259);
	BRect resized(50, 60, 474, 315);
	requests.Requested(before, moved, kStart);
	requests.Requested(moved, resized, kStart);

	EXPECT_EQ(requests.Judge(BRect(100, 100, 524, 355), kStart), X11FrameRequests::kOwnStep);
	EXPECT_EQ(requests.Judge(before, kStart), X11FrameRequests::kOwnStep);
	EXPECT_EQ(requests.Judge(resized, kStart), X11FrameRequests::kOwnFrame);
}

// A window manager that puts our size elsewhere moved the window; one that
// gives it a size we never asked for resized it.
TEST(X11FrameRequests, TheServersOwnPlaceOrSizeIsItsWord)
{
	X11FrameRequests requests;
	BRect before(100, 100, 399, 299);
	BRect resized(100, 100, 474, 315);
	requests.Requested(before, resized, kStart);
	EXPECT_EQ(requests.Judge(BRect(0, 20, 374, 235), kStart), X11FrameRequests::kMovedElsewhere);
	EXPECT_FALSE(requests.IsEmpty());
	EXPECT_EQ(requests.Judge(BRect(100, 100, 449, 290), kStart), X11FrameRequests::kServerFrame);
	EXPECT_TRUE(requests.IsEmpty());
}

// Requests the server never carries out stop speaking for it after a while,
// and a long burst keeps its first and latest frames.
TEST(X11FrameRequests, OldRequestsLapse)
{
	X11FrameRequests requests;
	BRect before(100, 100, 399, 299);
	requests.Requested(before, BRect(100, 100, 474, 315), kStart);
	EXPECT_EQ(requests.Judge(before, kStart + 10000000), X11FrameRequests::kServerFrame);

	BRect frame = before;
	for (int i = 1; i <= 40; i++) {
		BRect next = frame.OffsetByCopy(1, 0);
		requests.Requested(frame, next, kStart + i);
		frame = next;
	}
	EXPECT_EQ(requests.Judge(before, kStart + 50), X11FrameRequests::kOwnStep);
	EXPECT_EQ(requests.Judge(frame, kStart + 50), X11FrameRequests::kOwnFrame);
}
