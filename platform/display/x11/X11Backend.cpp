#include "display/x11/X11Backend.h"

#include <math.h>

#include <xcb/randr.h>
#include <stdio.h>

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
	// No event may reach a window after this point.
	if (fEventThread)
		fEventThread->Stop();
}

status_t X11Backend::Init(const char* displayName)
{
	status_t status = fConnection.Open(displayName);
	if (status != B_OK)
		return status;
	fKeyboard.reset(new (std::nothrow) X11Keyboard(fConnection));
	fPointer.reset(new (std::nothrow) X11Pointer(fConnection));
	fWorkspaces.reset(new (std::nothrow) X11Workspaces(fConnection));
	if (!fKeyboard || !fPointer || !fWorkspaces)
		return B_NO_MEMORY;
	status = fKeyboard->Init();
	if (status != B_OK)
		return status;
	fDispatcher.reset(new (std::nothrow) X11EventDispatcher(fConnection, fWindows, *fKeyboard,
	                                                        *fPointer, *fWorkspaces));
	if (!fDispatcher)
		return B_NO_MEMORY;
	fDragSource.reset(new (std::nothrow)
	                      X11DragSource(fConnection, fWindows, *fKeyboard, *fPointer));
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
	ScreenRect frame = x11_screen_frame(fConnection);
	return BRect(0, 0, frame.width - 1, frame.height - 1);
}

BRect X11Backend::DisplayFrame()
{
	ScreenRect frame = x11_root_frame(fConnection);
	return BRect(0, 0, frame.width - 1, frame.height - 1);
}

int32 X11Backend::CountWorkspaces()
{
	return fWorkspaces->Count();
}

int32 X11Backend::CurrentWorkspace()
{
	return fWorkspaces->Current();
}

void X11Backend::ActivateWorkspace(int32 workspace)
{
	fWorkspaces->Activate(workspace);
}

void X11Backend::GetPointer(BPoint* where, uint32* buttons, uint32* modifiers)
{
	int32 x = 0, y = 0;
	uint32 pressed = 0;
	fPointer->Query(&x, &y, &pressed);
	if (where != nullptr)
		*where = BPoint(x, y);
	if (buttons != nullptr)
		*buttons = pressed;
	if (modifiers != nullptr)
		*modifiers = fKeyboard->Modifiers();
}

void X11Backend::WarpPointer(BPoint where)
{
	fPointer->Warp((int32) lroundf(where.x), (int32) lroundf(where.y));
}

status_t X11Backend::GrabPointer(DisplaySurface* surface, bool keyboard)
{
	if (surface == nullptr)
		return B_BAD_VALUE;
	// Every event to the grabbing window, in its coordinates, wherever the
	// pointer is: not even our other windows see them.
	return fPointer->Grab(WindowOf(surface), false, keyboard);
}

void X11Backend::UngrabPointer()
{
	fPointer->Ungrab();
}

void X11Backend::ObscureCursor()
{
	fPointer->Obscure(fDispatcher->PointerWindow());
}

status_t X11Backend::StartDrag(DisplaySurface* source, const DisplayDragStart& drag)
{
	return fDragSource->Start(static_cast<X11Window*>(source), drag);
}

bool X11Backend::GetDraggersDrawn(bool* drawn)
{
	return read_draggers_drawn(fConnection, drawn);
}

void X11Backend::SetDraggersDrawn(bool drawn)
{
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
