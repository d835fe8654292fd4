#include "viewer/VideoTestSupport.h"

#include <Bitmap.h>
#include <Region.h>
#include <Window.h>

#include <stdlib.h>

#include <gtest/gtest.h>

namespace test {

std::string sample_path(const char* name)
{
	const char* root = getenv("PL_SOURCE_DIR");
	return std::string(root != NULL ? root : ".") + "/samples/" + name;
}

entry_ref ref_for(const std::string& path)
{
	entry_ref ref;
	EXPECT_EQ(get_ref_for_path(path.c_str(), &ref), B_OK) << path;
	return ref;
}

entry_ref sample_ref(const char* name)
{
	return ref_for(sample_path(name));
}

int colour_frame(rgb_color pixel)
{
	int frame = 0;
	const uint8 channels[3] = {pixel.red, pixel.green, pixel.blue};
	for (int bit = 0; bit < 3; bit++) {
		if (channels[bit] > 224)
			frame |= 1 << bit;
		else if (channels[bit] > 32)
			return -1;
	}
	return frame;
}

static rgb_color bitmap_pixel(const BBitmap* bitmap, BPoint where)
{
	rgb_color colour = {0, 0, 0, 0};
	if (bitmap == NULL || !bitmap->Bounds().Contains(where))
		return colour;
	const uint8* pixel = static_cast<const uint8*>(bitmap->Bits()) +
	                     int32(where.y) * bitmap->BytesPerRow() + int32(where.x) * 4;
	colour.blue = pixel[0];
	colour.green = pixel[1];
	colour.red = pixel[2];
	colour.alpha = pixel[3];
	return colour;
}

RecordingVideoView::RecordingVideoView(const entry_ref& ref, BPoint probe)
    : PLVideoView(ref), fProbe(probe)
{
}

void RecordingVideoView::Draw(BRect update)
{
	DrawRecord record;
	record.thread = find_thread(NULL);
	record.when = system_time();
	record.update = update;
	BRegion clipping;
	GetClippingRegion(&clipping);
	record.clipping = clipping.Frame();
	record.probe = bitmap_pixel(fBitmap, fProbe);
	BPoint last = fBitmap != NULL ? fBitmap->Bounds().RightBottom() : BPoint(0, 0);
	record.lastPixel = bitmap_pixel(fBitmap, last);
	{
		std::lock_guard<std::mutex> lock(fLock);
		fRecords.push_back(record);
	}
	PLVideoView::Draw(update);
}

std::vector<DrawRecord> RecordingVideoView::Records() const
{
	std::lock_guard<std::mutex> lock(fLock);
	return fRecords;
}

std::vector<DrawRecord> RecordingVideoView::DrawsBy(thread_id thread, bool except) const
{
	std::vector<DrawRecord> draws;
	std::lock_guard<std::mutex> lock(fLock);
	for (const DrawRecord& record : fRecords) {
		if ((record.thread == thread) != except)
			draws.push_back(record);
	}
	return draws;
}

void RecordingVideoView::ClearRecords()
{
	std::lock_guard<std::mutex> lock(fLock);
	fRecords.clear();
}

BWindow* show_in_window(BView* view)
{
	BRect frame = view->Bounds().OffsetToCopy(100, 100);
	BWindow* window = new BWindow(frame, "video", B_TITLED_WINDOW, 0);
	window->AddChild(view);
	window->Show();
	return window;
}

void quit_window(BWindow* window)
{
	if (window->Lock())
		window->Quit();
}

thread_id playback_thread(const char* name)
{
	return find_thread(name);
}

bigtime_t cpu_time(thread_id thread)
{
	thread_info info;
	if (get_thread_info(thread, &info) != B_OK)
		return -1;
	return info.user_time + info.kernel_time;
}

} // namespace test
