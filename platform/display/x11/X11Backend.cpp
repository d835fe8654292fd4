#include "display/x11/X11Backend.h"

#include <math.h>
#include <stdio.h>

#include <xcb/randr.h>

#include "display/x11/X11DragSource.h"
#include "display/x11/X11DropTarget.h"
#include "display/x11/X11EventDispatcher.h"
#include "display/x11/X11EventThread.h"
#include "display/x11/X11Keyboard.h"
#include "display/x11/X11Pointer.h"
#include "display/x11/X11ReplicantSwitch.h"
#include "display/x11/X11Screen.h"
#include "display/x11/X11Window.h"
#include "display/x11/X11Workspaces.h"

namespace BPrivate {

namespace {

// How long the key map waits for a window to show before it is compiled
// anyway (a program still decoding a big picture, or showing none).
const bigtime_t kKeyMapWait = 250000;

} // namespace

X11Backend::X11Backend()
{
	capabilities.name = "x11";
	capabilities.workspaces = true;
	capabilities.warpPointer = true;
	capabilities.grabPointer = true;
	// No portable X source tells the user's focus policy.
	capabilities.focusFollowsMouse = false;
	capabilities.screenSpace = B_RGB32;
}

X11Backend::~X11Backend()
{
	// The set-up thread may still be waiting for a reason to load the key map.
	fKeyboard.Want();
	if (fPreparation.joinable())
		fPreparation.join();
	// No event may reach a window after this point.
	if (fEventThread)
		fEventThread->Stop();
}

status_t X11Backend::Init(const char* displayName)
{
	status_t status = fConnection.Connect(displayName);
	if (status != B_OK)
		return status;
	// The rest takes round trips and compiles the key map; the program goes
	// on (decoding its first picture, say) until it first needs the display.
	try {
		fPreparation = std::thread([this] { _Prepare(); });
	} catch (...) {
		_Prepare();
	}
	return B_OK;
}

status_t X11Backend::Ready()
{
	fKeyboard.Want();
	return _WaitFor(kSetUpDone);
}

status_t X11Backend::_WaitFor(SetUpStage stage)
{
	std::unique_lock<std::mutex> lock(fSetUpLock);
	fSetUpChanged.wait(lock, [&] { return fSetUpStage >= stage; });
	status_t status = fSetUpStatus;
	if (status == B_OK || fFailureReported)
		return status;
	fFailureReported = true;
	lock.unlock();
	// As good as a display lost at once: the program cannot show a window.
	fprintf(stderr, "display: cannot set up the X display (error 0x%x)\n", unsigned(status));
	display_lost();
	return status;
}

bool X11Backend::_InputReady()
{
	std::lock_guard<std::mutex> lock(fSetUpLock);
	return fSetUpStage == kSetUpDone && fSetUpStatus == B_OK;
}

void X11Backend::_Advance(SetUpStage stage, status_t status)
{
	std::lock_guard<std::mutex> lock(fSetUpLock);
	fSetUpStage = status == B_OK ? stage : kSetUpDone;
	fSetUpStatus = status;
	fSetUpChanged.notify_all();
}

void X11Backend::_Prepare()
{
	status_t status = _PrepareConnection();
	_Advance(kConnectionKnown, status);
	if (status != B_OK)
		return;
	status = _PrepareInput();
	// The key map is compiled once a window is on screen, not beside the
	// first picture: it takes the X server's time and a processor for some
	// milliseconds. Until then whatever needs it loads it itself.
	if (status == B_OK)
		status = fKeyboard.LoadWhenWanted(kKeyMapWait);
	_Advance(kSetUpDone, status);
	// Windows do not wait for the input part, so no one else may ever ask
	// how it went: a failure must still end the program, not leave it
	// showing windows that never get an event.
	_WaitFor(kSetUpDone);
}

status_t X11Backend::_PrepareConnection()
{
	status_t status = fConnection.Prepare();
	if (status != B_OK)
		return status;
	fFirstAnswers.Ask();
	fPointer.reset(new (std::nothrow) X11Pointer(fConnection));
	fWorkspaces.reset(new (std::nothrow) X11Workspaces(fConnection));
	return fPointer && fWorkspaces ? B_OK : B_NO_MEMORY;
}

status_t X11Backend::_PrepareInput()
{
	fDispatcher.reset(new (std::nothrow) X11EventDispatcher(fConnection, fWindows, fKeyboard,
	                                                        *fPointer, *fWorkspaces));
	if (!fDispatcher)
		return B_NO_MEMORY;
	fDragSource.reset(new (std::nothrow)
	                      X11DragSource(fConnection, fWindows, fKeyboard, *fPointer));
	fDropTarget.reset(new (std::nothrow) X11DropTarget(fConnection, fWindows));
	if (!fDragSource || !fDropTarget)
		return B_NO_MEMORY;
	fDispatcher->SetDragAndDrop(fDragSource.get(), fDropTarget.get());
	// Monitors added, removed or resized (RandR) change the screen under
	// every window.
	if (fConnection.RandrEventBase() != 0) {
		xcb_randr_select_input(fConnection.Connection(), fConnection.Root(),
		                       XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE);
	}
	fEventThread.reset(new (std::nothrow) X11EventThread(fConnection, *fDispatcher));
	if (!fEventThread)
		return B_NO_MEMORY;
	xcb_flush(fConnection.Connection());
	return fEventThread->Start();
}

status_t X11Backend::CreateSurface(const SurfaceSettings& settings, DisplayEventSink* sink,
                                   DisplaySurface** surface)
{
	if (surface == nullptr)
		return B_BAD_VALUE;
	*surface = nullptr;
	// A window needs the connection, its atoms and the workspaces, not the
	// key map: that is compiled once the first window is on screen. Its
	// events wait in the connection for the event thread, which starts
	// right after the connection part.
	if (status_t ready = _WaitFor(kConnectionKnown); ready != B_OK)
		return ready;
	std::shared_ptr<X11Window> window(new (std::nothrow)
	                                      X11Window(fConnection, *fWorkspaces, sink));
	if (!window)
		return B_NO_MEMORY;
	status_t status = window->Init(settings);
	if (status != B_OK)
		return status;
	fWindows.Add(window);
	*surface = window.get();
	return B_OK;
}

void X11Backend::DestroySurface(DisplaySurface* surface)
{
	// Only a surface made once the connection was prepared can exist.
	if (surface == nullptr)
		return;
	X11Window* window = static_cast<X11Window*>(surface);
	std::shared_ptr<X11Window> removed = fWindows.Remove(window);
	// The sink is not called once this returns, even if the event thread
	// still holds the window.
	window->Detach();
	// A grab on a destroyed window ends with it; the server does that itself.
}

xcb_window_t X11Backend::WindowOf(DisplaySurface* surface)
{
	return surface != nullptr ? static_cast<X11Window*>(surface)->Id()
	                          : (xcb_window_t) XCB_WINDOW_NONE;
}

BRect X11Backend::ScreenFrame()
{
	if (_WaitFor(kConnectionKnown) != B_OK)
		return BRect(0, 0, -1, -1);
	ScreenRect frame = fFirstAnswers.ScreenFrame();
	return BRect(0, 0, frame.width - 1, frame.height - 1);
}

BRect X11Backend::DisplayFrame()
{
	ScreenRect frame = x11_root_frame(fConnection);
	return BRect(0, 0, frame.width - 1, frame.height - 1);
}

int32 X11Backend::CountWorkspaces()
{
	if (_WaitFor(kConnectionKnown) != B_OK)
		return 1;
	return fWorkspaces->Count();
}

int32 X11Backend::CurrentWorkspace()
{
	if (_WaitFor(kConnectionKnown) != B_OK)
		return 0;
	return fWorkspaces->Current();
}

void X11Backend::ActivateWorkspace(int32 workspace)
{
	if (_WaitFor(kConnectionKnown) != B_OK)
		return;
	fWorkspaces->Activate(workspace);
}

void X11Backend::GetPointer(BPoint* where, uint32* buttons, uint32* modifiers)
{
	int32 x = 0, y = 0;
	uint32 pressed = 0;
	bool ready = Ready() == B_OK;
	if (ready)
		fPointer->Query(&x, &y, &pressed);
	if (where != nullptr)
		*where = BPoint(x, y);
	if (buttons != nullptr)
		*buttons = pressed;
	if (modifiers != nullptr)
		*modifiers = ready ? fKeyboard.Modifiers() : 0;
}

void X11Backend::WarpPointer(BPoint where)
{
	if (_WaitFor(kConnectionKnown) != B_OK)
		return;
	fPointer->Warp((int32) lroundf(where.x), (int32) lroundf(where.y));
}

status_t X11Backend::GrabPointer(DisplaySurface* surface, bool keyboard)
{
	if (surface == nullptr || Ready() != B_OK)
		return B_BAD_VALUE;
	// Every event to the grabbing window, in its coordinates, wherever the
	// pointer is: not even our other windows see them.
	return fPointer->Grab(WindowOf(surface), false, keyboard);
}

void X11Backend::UngrabPointer()
{
	if (Ready() != B_OK)
		return;
	fPointer->Ungrab();
}

void X11Backend::ObscureCursor()
{
	// A new window fits itself (and hides the cursor) before the key map is
	// ready; until the dispatcher runs no pointer window is known yet.
	if (_WaitFor(kConnectionKnown) != B_OK)
		return;
	fPointer->Obscure(_InputReady() ? fDispatcher->PointerWindow()
	                                : (xcb_window_t) XCB_WINDOW_NONE);
}

status_t X11Backend::StartDrag(DisplaySurface* source, const DisplayDragStart& drag)
{
	if (Ready() != B_OK)
		return B_ERROR;
	return fDragSource->Start(static_cast<X11Window*>(source), drag);
}

bool X11Backend::GetDraggersDrawn(bool* drawn)
{
	// The switch's atom is learnt while the connection is prepared.
	if (_WaitFor(kConnectionKnown) != B_OK)
		return false;
	return fFirstAnswers.DraggersDrawn(drawn);
}

void X11Backend::SetDraggersDrawn(bool drawn)
{
	if (_WaitFor(kConnectionKnown) != B_OK)
		return;
	// An answer asked before this change would undo it for its reader.
	fFirstAnswers.ForgetDraggersDrawn();
	write_draggers_drawn(fConnection, drawn);
}

DisplayBackend* create_x11_display_backend(status_t* status)
{
	X11Backend* backend = new (std::nothrow) X11Backend;
	status_t result = backend != nullptr ? backend->Init(nullptr) : B_NO_MEMORY;
	if (result != B_OK) {
		delete backend;
		backend = nullptr;
	}
	if (status != nullptr)
		*status = result;
	return backend;
}

} // namespace BPrivate
