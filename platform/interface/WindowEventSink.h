#ifndef _WINDOW_EVENT_SINK_H
#define _WINDOW_EVENT_SINK_H

#include <Messenger.h>

#include <atomic>

#include "display/DisplayBackend.h"

class BWindow;

namespace BPrivate {

// A window's ear on the display: turns each backend event into the Be
// message and posts it into the window's queue. It runs in the display's
// event thread and never calls a hook, takes no window lock and never blocks.
class WindowEventSink : public DisplayEventSink {
public:
	WindowEventSink();

	// Window thread, before the surface is created: where messages go.
	// |inputTarget| gets the raw input (the window's top view).
	void SetTargets(const BMessenger& window, const BMessenger& inputTarget,
	                const std::atomic<uint32>* workspaces);

	void MouseEvent(const DisplayMouseEvent& event) override;
	void WheelEvent(const DisplayWheelEvent& event) override;
	void KeyEvent(const DisplayKeyEvent& event) override;
	void FrameChanged(BRect frame, bool moved, bool resized) override;
	void ActivationChanged(bool active) override;
	void CloseRequested() override;
	void Exposed(const BRegion& region) override;
	void WorkspaceChanged(int32 previous, int32 current) override;

private:
	// Fixed before the surface exists, so the event thread only reads them.
	BMessenger fWindow;
	BMessenger fInput;
	const std::atomic<uint32>* fWorkspaces;
};

// A window handles these itself.
enum {
	// Pixels of the window the display lost: "rect" items, window coordinates.
	kMsgWindowExposed = '_EXP'
};

} // namespace BPrivate

#endif
