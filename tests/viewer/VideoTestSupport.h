#ifndef TESTS_VIEWER_VIDEO_TEST_SUPPORT_H
#define TESTS_VIEWER_VIDEO_TEST_SUPPORT_H

// A video view that records what it draws, and the clips it plays.

#include <Entry.h>
#include <GraphicsDefs.h>
#include <OS.h>
#include <Rect.h>

#include <mutex>
#include <string>
#include <vector>

#include "content/PLVideoView.h"

class BWindow;

namespace test {

// Path of a file under samples/.
std::string sample_path(const char* name);
entry_ref sample_ref(const char* name);
entry_ref ref_for(const std::string& path);

// clip-colours.mp4: 64x48, 8 frames at 10 fps; frame N is flat in the colour
// whose red, green and blue are bits 0, 1 and 2 of N (a grey block top left).
const int kColourFrames = 8;
// The frame number a pixel of that clip shows, or -1 for a colour that is
// none of the eight.
int colour_frame(rgb_color pixel);

// One call of the view's Draw.
struct DrawRecord {
	thread_id thread;
	bigtime_t when;
	BRect update;
	BRect clipping;      // the frame of the clipping region
	rgb_color probe;     // the picture's pixel at the probe point
	rgb_color lastPixel; // its bottom-right pixel
};

// Records each Draw and then draws as any video view does.
class RecordingVideoView : public PLVideoView {
public:
	RecordingVideoView(const entry_ref& ref, BPoint probe = BPoint(40, 30));

	virtual void Draw(BRect update);

	std::vector<DrawRecord> Records() const;
	// The draws made by |thread| (or by every thread but |thread| when
	// |except| is true).
	std::vector<DrawRecord> DrawsBy(thread_id thread, bool except = false) const;
	void ClearRecords();

private:
	BPoint fProbe;
	mutable std::mutex fLock;
	std::vector<DrawRecord> fRecords; // guarded by fLock
};

// A plain window around |view| at the view's size, shown.
BWindow* show_in_window(BView* view);
// Quits |window|; its views are detached and deleted with it.
void quit_window(BWindow* window);

// The playback thread of the view showing the file |name|, or a negative
// error when there is none.
thread_id playback_thread(const char* name);

// Thread CPU time (user and system), in µs.
bigtime_t cpu_time(thread_id thread);

} // namespace test

#endif
