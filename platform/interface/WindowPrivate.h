#ifndef _WINDOW_PRIVATE_H
#define _WINDOW_PRIVATE_H

#include <Region.h>
#include <Window.h>

#include <atomic>
#include <string>

#include "display/DisplayBackend.h"
#include "include/private/interface/WindowFeelPrivate.h"
#include "interface/WindowDispatcher.h"
#include "interface/WindowEventSink.h"
#include "interface/WindowUpdater.h"

namespace BPrivate {

// Private codes the window posts to itself.
enum {
	// One pending repaint of the window's damaged region.
	kMsgWindowUpdate = '_UPD'
};

// A field the window adds to the B_WINDOW_RESIZED / B_WINDOW_MOVED it queues
// for its own ResizeTo()/MoveTo(), so that handling it only runs the hook.
extern const char* const kOwnFrameChangeField;

// Everything a BWindow holds besides its top view.
struct WindowData {
	WindowData(BWindow* window);
	~WindowData();

	// A view leaves the window: no pointer to it may stay behind.
	void ForgetView(BView* view);

	BWindow* const window;

	// Guarded by the window lock.
	std::string title;
	window_look look;
	window_feel feel;
	uint32 flags;
	BRect frame; // content area, screen coordinates
	float minWidth;
	float maxWidth;
	float minHeight;
	float maxHeight;
	BView* focus;
	bool running;        // the first Show() started the thread
	bool pointerGrabbed; // for a view's mouse event mask

	// Readable from any thread.
	std::atomic<int32> showLevel; // > 0: hidden
	std::atomic<bool> active;
	std::atomic<uint32> workspaces;

	WindowUpdater updater;
	WindowDispatcher dispatcher;

	// The display side of the window; fixed after construction. NULL when
	// there is no display.
	DisplaySurface* surface;
	WindowEventSink sink;
};

// For the other kits and the tests.
class WindowAccess {
public:
	static DisplaySurface* Surface(const BWindow* window) { return window->fData->surface; }
	static WindowData* Data(const BWindow* window) { return window->fData; }
};

} // namespace BPrivate

#endif
