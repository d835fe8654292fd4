#include "display/offscreen/OffscreenBackend.h"

#include <OS.h>

#include <algorithm>
#include <new>
#include <stdio.h>
#include <stdlib.h>

namespace BPrivate {

static const uint32 kAvoidFocus = 0x2000; // B_AVOID_FOCUS

// PL_OFFSCREEN_SCREEN=WIDTHxHEIGHT and PL_OFFSCREEN_WORKSPACES=N set the
// display a program starts with (tests change them through OffscreenControl).
static void read_configuration(int32* width, int32* height, int32* workspaces)
{
	const char* screen = getenv("PL_OFFSCREEN_SCREEN");
	int w, h;
	if (screen != NULL && sscanf(screen, "%dx%d", &w, &h) == 2 && w > 0 && h > 0 && w <= 16384 &&
	    h <= 16384) {
		*width = w;
		*height = h;
	}
	const char* count = getenv("PL_OFFSCREEN_WORKSPACES");
	int n;
	if (count != NULL && sscanf(count, "%d", &n) == 1 && n >= 1 && n <= 32)
		*workspaces = n;
}

OffscreenBackend::OffscreenBackend()
    : fScreenWidth(1024), fScreenHeight(768), fWorkspaceCount(4), fCurrentWorkspace(0),
      fActive(NULL), fGrab(NULL), fGrabKeyboard(false), fImplicitGrab(NULL), fUnderPointer(NULL),
      fPointer(0, 0), fButtons(0), fModifiers(0), fCursorObscured(false), fClockOffset(0)
{
	read_configuration(&fScreenWidth, &fScreenHeight, &fWorkspaceCount);
	capabilities.name = "offscreen";
	capabilities.workspaces = true;
	capabilities.warpPointer = true;
	capabilities.grabPointer = true;
	capabilities.focusFollowsMouse = false;
	capabilities.screenSpace = B_RGB32;
}

OffscreenBackend::~OffscreenBackend()
{
	for (OffscreenSurface* surface : fStack)
		delete surface;
}

DisplayBackend* create_offscreen_display_backend(status_t* status)
{
	OffscreenBackend* backend = new (std::nothrow) OffscreenBackend;
	*status = backend != NULL ? B_OK : B_NO_MEMORY;
	return backend;
}

bigtime_t OffscreenBackend::_Now() const
{
	return system_time() + fClockOffset;
}

status_t OffscreenBackend::CreateSurface(const SurfaceSettings& settings, DisplayEventSink* sink,
                                         DisplaySurface** _surface)
{
	if (sink == NULL || _surface == NULL)
		return B_BAD_VALUE;
	OffscreenSurface* surface = new (std::nothrow) OffscreenSurface(this, settings, sink);
	if (surface == NULL)
		return B_NO_MEMORY;
	if (surface->InitCheck() != B_OK || !surface->fFrame.IsValid()) {
		status_t status = surface->fFrame.IsValid() ? surface->InitCheck() : B_BAD_VALUE;
		delete surface;
		return status;
	}
	std::lock_guard<std::mutex> lock(fLock);
	if (surface->fWorkspaces == 0)
		surface->fWorkspaces = 1u << fCurrentWorkspace;
	// Hidden surfaces go behind the shown ones until Show() raises them.
	fStack.push_back(surface);
	*_surface = surface;
	return B_OK;
}

void OffscreenBackend::DestroySurface(DisplaySurface* _surface)
{
	OffscreenSurface* surface = static_cast<OffscreenSurface*>(_surface);
	if (surface == NULL)
		return;
	Deliveries deliveries;
	std::lock_guard<std::mutex> delivering(fDeliveryLock);
	{
		std::lock_guard<std::mutex> lock(fLock);
		auto found = std::find(fStack.begin(), fStack.end(), surface);
		if (found == fStack.end())
			return;
		fStack.erase(found);
		if (fGrab == surface)
			fGrab = NULL;
		if (fImplicitGrab == surface)
			fImplicitGrab = NULL;
		if (fUnderPointer == surface)
			fUnderPointer = NULL;
		if (fDrag != nullptr && fDrag->target == surface) {
			fDrag->target = NULL;
			fDrag->accepted = false;
		}
		if (fActive == surface) {
			fActive = NULL;
			_ActivateTopmost(&deliveries);
		}
	}
	delete surface;
	_Deliver(deliveries);
}

BRect OffscreenBackend::ScreenFrame()
{
	std::lock_guard<std::mutex> lock(fLock);
	return BRect(0, 0, fScreenWidth - 1, fScreenHeight - 1);
}

int32 OffscreenBackend::CountWorkspaces()
{
	std::lock_guard<std::mutex> lock(fLock);
	return fWorkspaceCount;
}

int32 OffscreenBackend::CurrentWorkspace()
{
	std::lock_guard<std::mutex> lock(fLock);
	return fCurrentWorkspace;
}

void OffscreenBackend::ActivateWorkspace(int32 workspace)
{
	Deliveries deliveries;
	std::lock_guard<std::mutex> delivering(fDeliveryLock);
	{
		std::lock_guard<std::mutex> lock(fLock);
		if (workspace < 0 || workspace >= fWorkspaceCount || workspace == fCurrentWorkspace)
			return;
		int32 previous = fCurrentWorkspace;
		fCurrentWorkspace = workspace;
		for (OffscreenSurface* surface : fStack) {
			DisplayEventSink* sink = surface->fSink;
			deliveries.push_back(
			    [sink, previous, workspace] { sink->WorkspaceChanged(previous, workspace); });
		}
		if (fGrab != NULL && !_IsShown(fGrab))
			fGrab = NULL;
		if (fImplicitGrab != NULL && !_IsShown(fImplicitGrab))
			fImplicitGrab = NULL;
		if (fUnderPointer != NULL && !_IsShown(fUnderPointer))
			fUnderPointer = NULL;
		// The focus moves to the front window of the new workspace.
		if (fActive == NULL || !_IsShown(fActive))
			_ActivateTopmost(&deliveries);
	}
	_Deliver(deliveries);
}

void OffscreenBackend::GetPointer(BPoint* where, uint32* buttons, uint32* modifiers)
{
	std::lock_guard<std::mutex> lock(fLock);
	if (where != NULL)
		*where = fPointer;
	if (buttons != NULL)
		*buttons = fButtons;
	if (modifiers != NULL)
		*modifiers = fModifiers;
}

void OffscreenBackend::WarpPointer(BPoint where)
{
	Deliveries deliveries;
	std::lock_guard<std::mutex> delivering(fDeliveryLock);
	{
		std::lock_guard<std::mutex> lock(fLock);
		_Pointer(where, fButtons, false, false, &deliveries);
	}
	_Deliver(deliveries);
}

status_t OffscreenBackend::GrabPointer(DisplaySurface* surface, bool keyboard)
{
	std::lock_guard<std::mutex> lock(fLock);
	OffscreenSurface* target = static_cast<OffscreenSurface*>(surface);
	if (target == NULL || std::find(fStack.begin(), fStack.end(), target) == fStack.end())
		return B_BAD_VALUE;
	if (!_IsShown(target))
		return B_NOT_ALLOWED;
	fGrab = target;
	fGrabKeyboard = keyboard;
	return B_OK;
}

void OffscreenBackend::UngrabPointer()
{
	std::lock_guard<std::mutex> lock(fLock);
	fGrab = NULL;
	fGrabKeyboard = false;
}

void OffscreenBackend::ObscureCursor()
{
	std::lock_guard<std::mutex> lock(fLock);
	fCursorObscured = true;
}

// #pragma mark - state, with fLock held

bool OffscreenBackend::_IsShown(const OffscreenSurface* surface) const
{
	return surface->fVisible && (surface->fWorkspaces & (1u << fCurrentWorkspace)) != 0;
}

OffscreenSurface* OffscreenBackend::_SurfaceAt(BPoint where) const
{
	for (OffscreenSurface* surface : fStack) {
		const BRect& frame = surface->fFrame;
		if (_IsShown(surface) && where.x >= frame.left && where.x < frame.right + 1 &&
		    where.y >= frame.top && where.y < frame.bottom + 1)
			return surface;
	}
	return NULL;
}

OffscreenSurface* OffscreenBackend::_PointerTarget() const
{
	if (fGrab != NULL)
		return fGrab;
	if (fImplicitGrab != NULL)
		return fImplicitGrab;
	return _SurfaceAt(fPointer);
}

void OffscreenBackend::_Restack(OffscreenSurface* surface)
{
	// Pop-ups stay above every window, the desktop's window below them all.
	fStack.erase(std::find(fStack.begin(), fStack.end(), surface));
	auto position = fStack.begin();
	if (surface->fBelow) {
		position = fStack.end();
	} else if (surface->fType == kTopLevelSurface) {
		while (position != fStack.end() && (*position)->fType == kPopUpSurface)
			++position;
	}
	fStack.insert(position, surface);
}

void OffscreenBackend::_SetActive(OffscreenSurface* surface, Deliveries* out)
{
	if (surface == fActive)
		return;
	OffscreenSurface* previous = fActive;
	fActive = surface;
	if (previous != NULL) {
		DisplayEventSink* sink = previous->fSink;
		out->push_back([sink] { sink->ActivationChanged(false); });
	}
	if (surface != NULL) {
		_Restack(surface);
		DisplayEventSink* sink = surface->fSink;
		out->push_back([sink] { sink->ActivationChanged(true); });
	}
}

void OffscreenBackend::_ActivateTopmost(Deliveries* out)
{
	for (OffscreenSurface* surface : fStack) {
		if (surface != fActive && surface->fType == kTopLevelSurface && _IsShown(surface) &&
		    (surface->fFlags & kAvoidFocus) == 0) {
			_SetActive(surface, out);
			return;
		}
	}
	_SetActive(NULL, out);
}

void OffscreenBackend::_MouseEvent(OffscreenSurface* target, mouse_event_type type, int32 clicks,
                                   Deliveries* out)
{
	DisplayMouseEvent event;
	event.type = type;
	event.when = _Now();
	event.screenWhere = fPointer;
	event.where = fPointer - target->fFrame.LeftTop();
	event.buttons = fButtons;
	event.modifiers = fModifiers;
	event.clicks = clicks;
	DisplayEventSink* sink = target->fSink;
	out->push_back([sink, event] { sink->MouseEvent(event); });
}

void OffscreenBackend::_Pointer(BPoint where, uint32 buttons, bool pressed, bool released,
                                Deliveries* out)
{
	bool moved = where != fPointer;
	fPointer = where;
	if (fDrag != nullptr) {
		if (moved) {
			fCursorObscured = false;
			_DragMoved(out);
		}
		fButtons = buttons;
		if (released && fButtons == 0) {
			_EndDrag(false, out);
			// The source still hears of the release, as the button went down
			// in it.
			if (fImplicitGrab != NULL)
				_MouseEvent(fImplicitGrab, kMouseUp, 0, out);
			fImplicitGrab = NULL;
			fUnderPointer = NULL;
		}
		return;
	}
	if (moved) {
		fCursorObscured = false;
		OffscreenSurface* target = _PointerTarget();
		// The window the pointer left hears of it once, with a position outside.
		if (fUnderPointer != NULL && fUnderPointer != target)
			_MouseEvent(fUnderPointer, kMouseMoved, 0, out);
		if (target != NULL)
			_MouseEvent(target, kMouseMoved, 0, out);
		fUnderPointer = target;
	}
	if (pressed) {
		uint32 added = buttons & ~fButtons;
		fButtons = buttons;
		int32 clicks = fClicks.Press(_Now(), fPointer, added);
		OffscreenSurface* target = _PointerTarget();
		if (target != NULL) {
			// Click to focus, as a window manager does.
			if (fGrab == NULL && target->fType == kTopLevelSurface &&
			    (target->fFlags & kAvoidFocus) == 0)
				_SetActive(target, out);
			if (fImplicitGrab == NULL)
				fImplicitGrab = target;
			_MouseEvent(target, kMouseDown, clicks, out);
		}
		fUnderPointer = target;
	}
	if (released) {
		fButtons = buttons;
		OffscreenSurface* target = _PointerTarget();
		if (target != NULL)
			_MouseEvent(target, kMouseUp, 0, out);
		if (fButtons == 0)
			fImplicitGrab = NULL;
	}
}

void OffscreenBackend::_Deliver(Deliveries& deliveries)
{
	// fDeliveryLock held, fLock not.
	for (auto& delivery : deliveries)
		delivery();
	deliveries.clear();
}

// #pragma mark - drag and drop

status_t OffscreenBackend::StartDrag(DisplaySurface* source, const DisplayDragStart& drag)
{
	if (drag.payload == nullptr)
		return B_BAD_VALUE;
	Deliveries deliveries;
	std::lock_guard<std::mutex> delivering(fDeliveryLock);
	{
		std::lock_guard<std::mutex> lock(fLock);
		if (std::find(fStack.begin(), fStack.end(), source) == fStack.end())
			return B_BAD_VALUE;
		// A drag lives while a button is held: one that starts after the
		// release (or during another drag) has nowhere to go.
		if (fButtons == 0 || fDrag != nullptr)
			return B_NOT_ALLOWED;
		fDrag = std::make_shared<Drag>();
		fDrag->start = drag;
		_DragMoved(&deliveries);
	}
	_Deliver(deliveries);
	return B_OK;
}

DisplayDragEvent OffscreenBackend::_DragEventFor(const Drag& drag, OffscreenSurface* target,
                                                 drag_phase phase) const
{
	DisplayDragEvent event;
	event.phase = phase;
	event.when = _Now();
	event.screenWhere = fPointer;
	event.where = fPointer - target->fFrame.LeftTop();
	event.offset = drag.start.offset;
	event.buttons = fButtons;
	event.modifiers = fModifiers;
	event.sourceRemote = false;
	event.payload = drag.start.payload;
	return event;
}

void OffscreenBackend::_DragMoved(Deliveries* out)
{
	std::shared_ptr<Drag> drag = fDrag;
	OffscreenSurface* target = _SurfaceAt(fPointer);
	if (drag->target != NULL && drag->target != target) {
		DisplayDragEvent event = _DragEventFor(*drag, drag->target, kDragExited);
		DisplayEventSink* sink = drag->target->fSink;
		out->push_back([sink, event] { sink->DragEvent(event); });
	}
	drag->target = target;
	drag->accepted = false;
	if (target == NULL)
		return;
	DisplayDragEvent event = _DragEventFor(*drag, target, kDragMoved);
	DisplayEventSink* sink = target->fSink;
	out->push_back([drag, sink, target, event] {
		// Still the target: a later move may have left it before this ran.
		bool accepted = sink->DragEvent(event);
		if (drag->target == target)
			drag->accepted = accepted;
	});
}

void OffscreenBackend::_EndDrag(bool cancel, Deliveries* out)
{
	std::shared_ptr<Drag> drag = fDrag;
	fDrag.reset();
	OffscreenSurface* target = drag->target;
	BPoint where = fPointer;
	if (cancel) {
		if (target != NULL) {
			DisplayDragEvent event = _DragEventFor(*drag, target, kDragExited);
			DisplayEventSink* sink = target->fSink;
			out->push_back([sink, event] { sink->DragEvent(event); });
		}
		return;
	}
	if (target == NULL) {
		// Released over the bare screen.
		if (drag->start.unclaimed)
			out->push_back([drag, where] { drag->start.unclaimed(where); });
		return;
	}
	DisplayDragEvent dropped = _DragEventFor(*drag, target, kDragDropped);
	DisplayDragEvent exited = _DragEventFor(*drag, target, kDragExited);
	DisplayEventSink* sink = target->fSink;
	// The target's answer to the last move decides, when it has come; a
	// refusing target hears only that the drag left.
	out->push_back([drag, sink, dropped, exited] {
		if (!drag->accepted || !sink->DragEvent(dropped))
			sink->DragEvent(exited);
	});
}

} // namespace BPrivate
