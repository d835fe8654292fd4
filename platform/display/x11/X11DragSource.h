#ifndef _X11_DRAG_SOURCE_H
#define _X11_DRAG_SOURCE_H

#include <memory>
#include <mutex>

#include <Point.h>
#include <xcb/xcb.h>

#include "display/DisplayDrag.h"
#include "display/x11/X11SelectionWriter.h"

namespace BPrivate {

class X11Connection;
class X11Keyboard;
class X11Pointer;
class X11Window;
class X11WindowRegistry;

// The sending end of a drag: the pointer and keyboard grabbed, a feedback
// window following the pointer (the dragged image or the rectangle's
// outline), the window under it found through the window manager's frames.
// Our own windows get their drag events straight from here; other programs'
// XdndAware windows get XdndEnter/Position/Leave/Drop and the data through
// the XdndSelection. Escape, or a release where the target said no, cancels;
// a release over the bare desktop or a window that takes no drops goes to the
// drag's unclaimed hook.
//
// Start() runs in the source window's thread; everything else on the event
// thread. fLock (a leaf but for the sinks' locks, taken inside it) guards the
// state both touch.
class X11DragSource {
public:
	X11DragSource(X11Connection& connection, X11WindowRegistry& windows, X11Keyboard& keyboard,
	              X11Pointer& pointer);
	~X11DragSource();

	status_t Start(X11Window* source, const DisplayDragStart& drag);

	// True when the event belonged to the drag (input during it, XDND
	// answers, requests for its data).
	bool HandleEvent(const xcb_generic_event_t* event);
	void Tick(bigtime_t now);

private:
	struct Target {
		xcb_window_t topLevel = XCB_WINDOW_NONE; // the root's child it is in
		xcb_window_t window = XCB_WINDOW_NONE;   // XdndAware, or none
		std::shared_ptr<X11Window> local;        // ours
		uint32 version = 0;
		bool accepts = false;
		bool statusPending = false; // a position awaits its XdndStatus
		bool moved = false;         // the pointer moved since that position
	};

	void _Moved(int16 rootX, int16 rootY, xcb_timestamp_t time);
	void _Released(int16 rootX, int16 rootY, xcb_timestamp_t time);
	void _Cancel();
	void _EndGrab();
	void _FindTarget(int16 rootX, int16 rootY, Target* target);
	uint32 _AwareVersion(xcb_window_t window);
	void _Leave();
	void _SendPosition();
	void _SendClientMessage(xcb_window_t to, xcb_atom_t type, uint32 d1, uint32 d2, uint32 d3,
	                        uint32 d4);
	bool _LocalEvent(drag_phase phase);
	void _SourceMouseUp(int16 rootX, int16 rootY);
	xcb_window_t _CreateFeedback(const DisplayDragStart& drag);

	X11Connection& fConnection;
	X11WindowRegistry& fWindows;
	X11Keyboard& fKeyboard;
	X11Pointer& fPointer;

	std::mutex fLock;
	// Guarded by fLock.
	xcb_window_t fOwner; // owns the XdndSelection, source of XDND messages; made once
	bool fActive;        // between Start() and the release or Escape
	DisplayDragStart fDrag;
	xcb_window_t fSourceWindow;
	xcb_window_t fFeedback;
	BPoint fRoot;
	xcb_timestamp_t fTime;
	Target fTarget;
	bool fAwaitingFinish; // XdndDrop sent, the target still reads
	bigtime_t fFinishDeadline;
	X11SelectionWriter fWriter;
};

} // namespace BPrivate

#endif
