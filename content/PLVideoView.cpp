#include "content/PLVideoView.h"

#include <Archivable.h>
#include <Bitmap.h>
#include <MediaFile.h>
#include <MediaTrack.h>
#include <Message.h>
#include <MessageQueue.h>
#include <MessageRunner.h>
#include <Messenger.h>
#include <Region.h>
#include <Window.h>

#include <string.h>

#include <algorithm>
#include <new>
#include <utility>

#include "app/AppSignature.h"
#include "content/ContentFile.h"
#include "state/PLControlNullState.h"
#include "state/PLControlReplicantState.h"
#include "view/Commands.h"

namespace {

// A frame is drawn in bands this many rows high, each under its own clipping.
const float kStripHeight = 200.0f;

// A clip that gives no frame at all after a rewind is tried again this much
// later (µs), rather than at once and forever.
const bigtime_t kUnreadableRetryDelay = 250000;

// The longest a frame stays on show (µs): time stamps that jump further ahead
// are damage, not a still picture.
const bigtime_t kLongestFrame = 10000000;

// A restored view whose clip is missing tries again this often, and gives up
// after this many tries (50 s in all).
const bigtime_t kRetryInterval = 5000000;
const int32 kRetryCount = 10;

} // namespace

PLVideoView::PLVideoView(const entry_ref& ref)
    : PLControlView(ref), fStatus(B_NO_INIT), fMediaFile(NULL), fVideoTrack(NULL),
      fFrameBitmap(NULL), fDecodeBitmap(NULL), fPlaybackThread(-1),
      fRetryRunner(NULL), fRetryInterval(kRetryInterval)
{
	Init();
	if (fStatus == B_OK) {
		BRect bounds = fFrameBitmap->Bounds();
		ResizeTo(bounds.Width(), bounds.Height());
	}
}

PLVideoView::PLVideoView(BMessage* archive)
    : PLControlView(archive), fStatus(B_NO_INIT), fMediaFile(NULL), fVideoTrack(NULL),
      fFrameBitmap(NULL), fDecodeBitmap(NULL), fPlaybackThread(-1),
      fRetryRunner(NULL), fRetryInterval(kRetryInterval)
{
	// The frame restored from the archive is kept either way. Without a
	// clip there is no frame to draw: the view says that its file is missing.
	Init();
	if (fStatus != B_OK)
		fState = PLControlNullState::Instance();
}

PLVideoView::~PLVideoView()
{
	// AllDetached() has stopped the thread and the retries of an attached
	// view.
	Stop();
	_StopRetrying();
	_ReleaseMedia();
}

BArchivable* PLVideoView::Instantiate(BMessage* archive)
{
	if (!validate_instantiation(archive, "PLVideoView"))
		return NULL;
	return new (std::nothrow) PLVideoView(archive);
}

status_t PLVideoView::Archive(BMessage* data, bool deep) const
{
	data->AddString("add_on", kPLAppSignature);
	return PLControlView::Archive(data, deep);
}

void PLVideoView::MessageReceived(BMessage* message)
{
	if (message->what == kMsgRetryOpen)
		_RetryOpen();
	else
		PLControlView::MessageReceived(message);
}

void PLVideoView::AllAttached()
{
	PLControlView::AllAttached();
	if (fStatus == B_OK)
		Start();
	else if (IsReplicant())
		_StartRetrying();
}

void PLVideoView::AllDetached()
{
	Stop();
	// A runner aims at the window the view leaves; the next attachment
	// starts a runner of its own.
	_StopRetrying();
	PLControlView::AllDetached();
}

void PLVideoView::Show()
{
	BView::Show();
	// Only the view's own hiding pauses playback; IsHidden(this) ignores the
	// window's and the parents'.
	if (fPlaybackThread >= 0 && !IsHidden(this))
		resume_thread(fPlaybackThread);
}

void PLVideoView::Hide()
{
	BView::Hide();
	if (fPlaybackThread >= 0)
		suspend_thread(fPlaybackThread);
}

status_t PLVideoView::InitCheck() const
{
	return fStatus;
}

status_t PLVideoView::Init()
{
	_ReleaseMedia();

	fStatus = check_content_file(fRef);
	if (fStatus != B_OK)
		return fStatus;
	fMediaFile = new (std::nothrow) BMediaFile(&fRef);
	if (fMediaFile == NULL)
		return fStatus = B_NO_MEMORY;
	fStatus = fMediaFile->InitCheck();
	if (fStatus != B_OK)
		return fStatus;

	// The first video track; the tracks before it are given back.
	media_format format;
	for (int32 i = 0; i < fMediaFile->CountTracks(); i++) {
		BMediaTrack* track = fMediaFile->TrackAt(i);
		if (track == NULL)
			continue;
		if (track->EncodedFormat(&format) == B_OK && format.type == B_MEDIA_ENCODED_VIDEO) {
			fVideoTrack = track;
			break;
		}
		fMediaFile->ReleaseTrack(track);
	}
	if (fVideoTrack == NULL)
		return fStatus = B_ERROR;

	const media_raw_video_format& native = format.u.encoded_video.output;
	fStatus = _CreateFrameBitmaps(native.display.line_width, native.display.line_count);
	if (fStatus != B_OK)
		return fStatus;

	// The whole frame, row for row into the bitmap. The aspect is the
	// track's own; the platform never rescales for it anyway.
	media_format request;
	media_raw_video_format& video = request.u.raw_video;
	video.last_active = native.display.line_count - 1;
	video.orientation = B_VIDEO_TOP_LEFT_RIGHT;
	video.pixel_width_aspect = native.pixel_width_aspect;
	video.pixel_height_aspect = native.pixel_height_aspect;
	video.display.format = fFrameBitmap->ColorSpace();
	video.display.line_width = native.display.line_width;
	video.display.line_count = native.display.line_count;
	video.display.bytes_per_row = fFrameBitmap->BytesPerRow();
	fStatus = fVideoTrack->DecodedFormat(&request);
	if (fStatus != B_OK) {
		_ReleaseFrameBitmaps();
		return fStatus;
	}

	fBitmap = fFrameBitmap;
	return fStatus = B_OK;
}

void PLVideoView::Update()
{
	BWindow* window = Window();
	if (window == NULL)
		return;

	window->BeginViewTransaction();
	BRect bounds = Bounds();
	for (float top = bounds.top; top <= bounds.bottom; top += kStripHeight) {
		BRect strip(bounds.left, top, bounds.right,
		            std::min(top + kStripHeight - 1.0f, bounds.bottom));
		BRegion clipping(strip);
		ConstrainClippingRegion(&clipping);
		Draw(strip);
	}
	ConstrainClippingRegion(NULL);
	window->EndViewTransaction();
}

void PLVideoView::PlaybackLoop()
{
	bigtime_t wake = system_time();
	bigtime_t last = 0; // track time at the previous frame
	bool readSinceRewind = true;

	for (;;) {
		int64 count;
		if (fVideoTrack->ReadFrames(fDecodeBitmap->Bits(), &count, NULL) != B_OK) {
			// The end of the clip, or a frame that cannot be read: the clip
			// starts again. When not even the first frame came, waiting a
			// little keeps a clip that never gives one from busying the
			// processor; the snooze is also where a kill or suspension lands.
			if (!readSinceRewind)
				snooze(kUnreadableRetryDelay);
			readSinceRewind = false;
			int64 frame = 0;
			fVideoTrack->SeekToFrame(&frame, 0);
			last = 0;
			continue;
		}
		readSinceRewind = true;

		// A suspension cuts the wait short; after it the frame still waits
		// for its time.
		while (snooze_until(wake, B_SYSTEM_TIMEBASE) == B_INTERRUPTED)
			;
		// Lateness is not made up: the next frame is timed from this wake.
		bigtime_t now = system_time();
		bigtime_t current = fVideoTrack->CurrentTime();
		bigtime_t advance = std::clamp(current - last, bigtime_t(0), kLongestFrame);
		wake = now + advance;
		last = current;

		// A window that is gone cannot be drawn into, and never without
		// its lock.
		if (!LockLooper())
			return;
		_ShowDecodedFrame();
		Update();
		UnlockLooper();
	}
}

void PLVideoView::Start()
{
	if (fPlaybackThread >= 0 || fStatus != B_OK)
		return;
	thread_id thread = spawn_thread(_PlaybackLoop, FileName(), B_LOW_PRIORITY, this);
	if (thread < 0)
		return;
	fPlaybackThread = thread;
	// A thread that is never resumed stays suspended: a view hidden at
	// attachment starts playing when it is shown.
	if (!IsHidden(this))
		resume_thread(fPlaybackThread);
}

void PLVideoView::Stop()
{
	if (fPlaybackThread < 0)
		return;
	// The thread is decoding, sleeping or waiting for the window's lock that
	// the caller holds; it never ends inside a drawing.
	kill_thread(fPlaybackThread);
	fPlaybackThread = -1;
}

void PLVideoView::_RetryOpen()
{
	// A pulse still queued when the clip was opened, or sent to a view that
	// never needed one, must neither open the clip again under a running
	// thread nor start a second thread.
	if (fStatus == B_OK) {
		_StopRetrying();
		return;
	}
	if (Init() != B_OK)
		return;

	_StopRetrying();
	if (BLooper* looper = Looper()) {
		BMessageQueue* queue = looper->MessageQueue();
		queue->Lock();
		while (BMessage* pending = queue->FindMessage(kMsgRetryOpen, 0)) {
			queue->RemoveMessage(pending);
			delete pending;
		}
		queue->Unlock();
	}
	fState = PLControlReplicantState::Instance();
	// The thread draws the first frame at once.
	if (Window() != NULL)
		Start();
}

void PLVideoView::_StartRetrying()
{
	if (fRetryRunner != NULL)
		return;
	BMessage pulse(kMsgRetryOpen);
	fRetryRunner =
	    new (std::nothrow) BMessageRunner(BMessenger(this), &pulse, fRetryInterval, kRetryCount);
}

void PLVideoView::_StopRetrying()
{
	delete fRetryRunner;
	fRetryRunner = NULL;
}

int32 PLVideoView::_PlaybackLoop(void* data)
{
	static_cast<PLVideoView*>(data)->PlaybackLoop();
	return 0;
}

void PLVideoView::_ReleaseMedia()
{
	fBitmap = NULL;
	_ReleaseFrameBitmaps();
	if (fVideoTrack != NULL)
		fMediaFile->ReleaseTrack(fVideoTrack);
	fVideoTrack = NULL;
	delete fMediaFile;
	fMediaFile = NULL;
}

void PLVideoView::_ReleaseFrameBitmaps()
{
	delete fFrameBitmap;
	fFrameBitmap = NULL;
	delete fDecodeBitmap;
	fDecodeBitmap = NULL;
}

status_t PLVideoView::_CreateFrameBitmaps(uint32 width, uint32 height)
{
	if (width == 0 || height == 0)
		return B_BAD_VALUE;
	// Rows as the track would lay them out itself: frames are decoded in
	// place only into rows the decoder can write whole.
	int32 bytesPerRow = B_ANY_BYTES_PER_ROW;
	media_format preferred;
	if (fVideoTrack->DecodedFormat(&preferred) == B_OK)
		bytesPerRow = int32(preferred.u.raw_video.display.bytes_per_row);
	BRect bounds(0, 0, float(width) - 1.0f, float(height) - 1.0f);
	fFrameBitmap = new (std::nothrow) BBitmap(bounds, 0, B_RGB32, bytesPerRow);
	fDecodeBitmap = new (std::nothrow) BBitmap(bounds, 0, B_RGB32, bytesPerRow);
	status_t status = B_OK;
	if (fFrameBitmap == NULL || fDecodeBitmap == NULL)
		status = B_NO_MEMORY;
	else if (fFrameBitmap->InitCheck() != B_OK)
		status = fFrameBitmap->InitCheck();
	else if (fDecodeBitmap->InitCheck() != B_OK)
		status = fDecodeBitmap->InitCheck();
	else if (fFrameBitmap->BytesPerRow() != fDecodeBitmap->BytesPerRow())
		status = B_ERROR;
	if (status != B_OK) {
		_ReleaseFrameBitmaps();
		return status;
	}
	// Black until the first frame is decoded, rather than whatever the
	// memory held.
	memset(fFrameBitmap->Bits(), 0, fFrameBitmap->BitsLength());
	return B_OK;
}

void PLVideoView::_ShowDecodedFrame()
{
	std::swap(fFrameBitmap, fDecodeBitmap);
	fBitmap = fFrameBitmap;
}
