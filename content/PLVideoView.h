#ifndef PL_VIDEO_VIEW_H
#define PL_VIDEO_VIEW_H

#include <OS.h>

#include "view/PLControlView.h"

class BArchivable;
class BBitmap;
class BMediaFile;
class BMediaTrack;
class BMessage;
class BMessageRunner;

// The viewing view of a video clip. A playback thread of its own decodes the
// first video track frame after frame and draws each frame at the pace of
// the clip's time stamps, starting again from the first frame at the end.
// The thread runs while the view is attached, and is suspended while the
// view itself is hidden.
//
// Threads: every hook runs in the window's thread with the window locked.
// The playback thread decodes without any lock, into a bitmap nobody else
// reads, and takes the window's lock to put that bitmap on show and draw it.
class PLVideoView : public PLControlView {
public:
	PLVideoView(const entry_ref& ref);
	PLVideoView(BMessage* archive);
	virtual ~PLVideoView();

	static BArchivable* Instantiate(BMessage* archive);
	virtual status_t Archive(BMessage* data, bool deep = true) const;

	// 'Pbnt': a restored view whose clip could not be opened tries again.
	virtual void MessageReceived(BMessage* message);
	virtual void AllAttached();
	virtual void AllDetached();
	virtual void Show();
	virtual void Hide();

	virtual status_t InitCheck() const;

	// Opens the file, takes its first video track and agrees on frames of
	// the track's size in B_RGB32. Sets and returns InitCheck().
	status_t Init();
	// Draws the current frame now, in strips, in one transaction of the
	// window; with the window locked.
	void Update();
	// The body of the playback thread; returns only when the window is gone.
	void PlaybackLoop();
	// With the window locked.
	void Start();
	void Stop();

private:
	static int32 _PlaybackLoop(void* data);

	void _RetryOpen();
	void _StartRetrying();
	void _StopRetrying();

	void _ReleaseMedia();
	void _ReleaseFrameBitmaps();
	status_t _CreateFrameBitmaps(uint32 width, uint32 height);
	void _ShowDecodedFrame();

	// Fixed while the playback thread runs: Init() runs only while there is
	// none.
	status_t fStatus;
	BMediaFile* fMediaFile;   // owned
	BMediaTrack* fVideoTrack; // given back to fMediaFile

	// The frame on show: fBitmap points at it. Guarded by the window's lock.
	BBitmap* fFrameBitmap; // owned
	// The frame being decoded; playback thread only while it runs. The two
	// are exchanged under the window's lock once a frame is decoded, so a
	// redraw never shows a half-decoded frame.
	BBitmap* fDecodeBitmap; // owned

	thread_id fPlaybackThread; // -1 while none; window thread only
	// Sends 'Pbnt' while a restored, attached view waits for its clip; at
	// most one per view, and only while attached. Owned; window thread only.
	BMessageRunner* fRetryRunner;

protected:
	// How far apart the retries of a restored view come (5 s); the tests
	// shorten it before the view is attached.
	bigtime_t fRetryInterval;
};

#endif
