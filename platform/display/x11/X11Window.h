#ifndef _X11_WINDOW_H
#define _X11_WINDOW_H

#include <memory>
#include <mutex>
#include <string>

#include <Region.h>
#include <xcb/xcb.h>

#include "display/DisplayBackend.h"
#include "display/x11/X11FrameRequests.h"
#include "display/x11/X11Surface.h"
#include "display/x11/X11WindowProperties.h"

namespace BPrivate {

class X11Connection;
class X11Workspaces;

// A window surface: an X window, its framebuffer (X11Surface) and what the
// server last said about its frame. The window's thread makes the
// DisplaySurface calls; the event thread tells it what the server reports
// and reaches the kit through Sink().
class X11Window : public DisplaySurface {
public:
	X11Window(X11Connection& connection, X11Workspaces& workspaces, DisplayEventSink* sink);
	~X11Window() override;

	status_t Init(const SurfaceSettings& settings);

	// DisplaySurface
	Framebuffer Buffer() override;
	status_t SetFrame(BRect frame) override;
	void SetTitle(const char* title) override;
	void SetSizeLimits(float minWidth, float maxWidth, float minHeight, float maxHeight) override;
	void SetWorkspaces(uint32 workspaces) override;
	void Show() override;
	void Hide() override;
	void Activate() override;
	void Raise() override;
	status_t Present(const BRegion& damage) override;

	xcb_window_t Id() const { return fWindow; }
	bool IsPopUp() const { return fRole == X11WindowRole::kPopUp; }
	bool IsMapped() const;
	// The content area in screen coordinates, as the kit last knew it.
	BRect Frame() const;

	// Calls function(sink) unless the window was detached; the call is made
	// under a lock that Detach() takes, so no sink call runs once Detach()
	// has returned.
	template <typename F> void Sink(F function)
	{
		std::lock_guard<std::mutex> guard(fSinkLock);
		if (fSink != nullptr)
			function(*fSink);
	}
	void Detach();

	// Event thread. The server moved, resized, reparented or mapped the
	// window: asks where its content is now and reports a change the kit did
	// not ask for. sequence is the event's full sequence number.
	void ServerConfigured(uint32 sequence);
	void ServerMapped(bool mapped);
	// A button went down in the window while no window manager runs: focus
	// it as a window manager would (not pop-ups, not B_AVOID_FOCUS windows).
	void ClickedWithoutWindowManager();
	// Focus in or out: reports a change of activation.
	void FocusChanged(bool active);
	// Collects exposed rectangles until the last of a series (count 0).
	void Exposed(int32 x, int32 y, int32 width, int32 height, bool last);

private:
	void _ShowThroughBackground();
	void _DropBackground();
	void _UpdateSizeHints();
	// Asks the server for fFrame, the window being at |current|.
	void _SendFrame(BRect current);
	void _ApplyWorkspaces(bool mapped);
	static int32 _Limit(float limit, int32 fallback);

	X11Connection& fConnection;
	X11Workspaces& fWorkspaces;
	xcb_window_t fWindow; // fixed after Init()
	X11WindowRole fRole;  // fixed after Init()
	uint32 fFlags;        // fixed after Init()

	// Window thread only.
	std::unique_ptr<X11Surface> fSurface;
	// The size the kit last gave the window, the framebuffer's once Buffer()
	// is asked for it.
	int32 fBufferWidth;
	int32 fBufferHeight;

	mutable std::mutex fLock; // leaf; guards what follows
	BRect fFrame;             // the frame the kit knows (asked for or told)
	BRect fCreatedFrame;      // the X window's frame until it is first shown
	bool fPendingFrame;       // a SetFrame() request the server has not yet processed
	uint32 fPendingSequence;
	X11FrameRequests fRequests; // what the window manager may still be carrying out
	bool fMapped;
	bool fShown;
	bool fAwaitingFirstPresent; // shown, and nothing presented since
	bool fHasBackground;        // the window's background is a copy of its pixels
	bool fActive;
	float fMinWidth, fMaxWidth, fMinHeight, fMaxHeight;
	uint32 fWorkspaceMask;

	std::mutex fSinkLock;    // leaf
	DisplayEventSink* fSink; // guarded by fSinkLock; NULL once detached

	BRegion fExposed; // event thread only
};

} // namespace BPrivate

#endif
