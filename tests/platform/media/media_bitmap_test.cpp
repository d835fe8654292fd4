// Frames decoded straight into a BBitmap's pixels are what the painter draws
// next, also when the bitmap is drawn reduced (from its cached half-size
// levels, which a new frame makes stale).
#include <Bitmap.h>
#include <MediaFile.h>
#include <MediaTrack.h>
#include <View.h>
#include <Window.h>

#include <gtest/gtest.h>

#include "MediaTestUtils.h"
#include "platform/interface/InterfaceTestSupport.h"

namespace {

// Draws the bitmap into a rectangle of the given size at the top left.
class FrameView : public BView {
public:
	FrameView(BRect frame, const BBitmap* bitmap, BRect destination)
	    : BView(frame, "frame", B_FOLLOW_NONE, B_WILL_DRAW), fBitmap(bitmap),
	      fDestination(destination)
	{
	}

	void Draw(BRect) override { DrawBitmap(fBitmap, fDestination); }

private:
	const BBitmap* fBitmap;
	BRect fDestination;
};

bool colour_near(rgb_color colour, int red, int green, int blue)
{
	return abs(colour.red - red) <= 24 && abs(colour.green - green) <= 24 &&
	       abs(colour.blue - blue) <= 24;
}

} // namespace

TEST(MediaIntoBitmap, EveryFrameIsDrawnAtFullAndReducedSize)
{
	InterfaceTestApp app;
	std::unique_ptr<BMediaFile> file = open_media(sample_path("clip-colours.mp4"));
	ASSERT_EQ(file->InitCheck(), B_OK);
	BMediaTrack* track = first_video_track(file.get());
	ASSERT_NE(track, nullptr);
	BBitmap bitmap(BRect(0, 0, 63, 47), B_RGB32);
	ASSERT_EQ(bitmap.InitCheck(), B_OK);

	// Full size on the left, an eighth (a deep pyramid level) on the right.
	BWindow* window = new BWindow(BRect(100, 100, 179, 147), "frames", B_TITLED_WINDOW, 0);
	FrameView* full = new FrameView(BRect(0, 0, 63, 47), &bitmap, BRect(0, 0, 63, 47));
	FrameView* small = new FrameView(BRect(64, 0, 79, 47), &bitmap, BRect(0, 0, 7, 5));
	window->AddChild(full);
	window->AddChild(small);
	window->Show();

	// Frames 1 to 4 are red, green, yellow and blue away from the grey block;
	// frame 0 (black) is skipped so that every frame differs from the window's
	// first contents.
	int64 count;
	ASSERT_EQ(track->ReadFrames(bitmap.Bits(), &count), B_OK);
	for (int n = 1; n <= 4; n++) {
		SCOPED_TRACE("frame " + std::to_string(n));
		ASSERT_TRUE(window->Lock());
		ASSERT_EQ(track->ReadFrames(bitmap.Bits(), &count), B_OK);
		full->Invalidate();
		small->Invalidate();
		window->Unlock();
		ASSERT_TRUE(sync_window(window));
		int red = (n & 1) ? 255 : 0, green = (n & 2) ? 255 : 0, blue = (n & 4) ? 255 : 0;
		EXPECT_TRUE(
		    wait_for([&] { return colour_near(window_pixel(window, 50, 40), red, green, blue); }));
		EXPECT_TRUE(wait_for(
		    [&] { return colour_near(window_pixel(window, 64 + 6, 4), red, green, blue); }));
	}

	if (window->Lock())
		window->Quit();
}
