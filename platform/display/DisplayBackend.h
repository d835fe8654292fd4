#ifndef _DISPLAY_BACKEND_H
#define _DISPLAY_BACKEND_H

#include <GraphicsDefs.h>
#include <Rect.h>
#include <Region.h>

#include "display/DisplayDrag.h"

// The one seam between the interface kit and a display. A backend gives the
// kit window surfaces, each owning a B_RGB32 framebuffer that the kit draws
// into with the shared painter and presents by damaged region; input and
// window-manager changes come back through an event sink. Two backends exist:
// x11/ (what users run) and offscreen/ (in memory, for the tests).
//
// Which one: PL_DISPLAY_BACKEND=offscreen or =x11 forces one; otherwise X11
// when DISPLAY is set (and the X11 backend is built in), offscreen when not.
//
// Threads: backend calls may come from any thread. A surface's own calls
// come from the thread of the window that owns it, with the window locked.

namespace BPrivate {

enum surface_type {
	kTopLevelSurface, // a window: decorated, can be activated
	kPopUpSurface     // a menu: undecorated (override-redirect), above the windows, never focused
};

// What a window asks for when its surface is made; everything but |type| can
// change later.
struct SurfaceSettings {
	surface_type type;
	const char* title; // UTF-8, copied; NULL is ""
	// The content area in screen coordinates (no border or tab), whole pixels.
	BRect frame;
	// BWindow::SetSizeLimits units (BRect widths: pixels - 1).
	float minWidth;
	float maxWidth;
	float minHeight;
	float maxHeight;
	// Workspace bit mask: 0 (B_CURRENT_WORKSPACE) is the current workspace,
	// 0xffffffff (B_ALL_WORKSPACES) every one.
	uint32 workspaces;
	// window_look, window_feel and the BWindow flags (B_NOT_RESIZABLE,
	// B_AVOID_FOCUS, ...), passed on as hints to the window manager.
	uint32 look;
	uint32 feel;
	uint32 flags;
};

// A surface's pixels: x8r8g8b8, that is B_RGB32 memory order (B, G, R, unused).
struct Framebuffer {
	uint32* bits;
	int32 width;
	int32 height;
	int32 bytesPerRow;
};

enum mouse_event_type { kMouseDown, kMouseUp, kMouseMoved };

struct DisplayMouseEvent {
	mouse_event_type type;
	bigtime_t when;
	BPoint where;       // window (content) coordinates; outside the window when it left
	BPoint screenWhere; // screen coordinates
	uint32 buttons;     // B_PRIMARY_MOUSE_BUTTON ...: the buttons down after the event
	uint32 modifiers;   // B_SHIFT_KEY ...
	int32 clicks;       // mouse down: 1, 2, 3 ... for quick repeated presses
};

struct DisplayWheelEvent {
	bigtime_t when;
	BPoint where;
	float deltaX; // notches: positive is right
	float deltaY; // positive is down (towards the user)
	uint32 modifiers;
};

struct DisplayKeyEvent {
	bool down;
	bool repeat; // auto-repeat of a held key
	bigtime_t when;
	int32 key;        // physical key code
	char bytes[8];    // UTF-8 after keymap and modifiers, NUL-terminated
	int32 rawChar;    // the modifier-free character
	uint32 modifiers; // after the event
};

// Called by the backend from its event thread (X11) or from the thread that
// injects input (offscreen). It must not block and must not call back into
// DestroySurface: the interface kit turns each call into a message posted to
// the window's looper. After DestroySurface returns, the sink is never
// called again.
class DisplayEventSink {
public:
	virtual ~DisplayEventSink() {}

	virtual void MouseEvent(const DisplayMouseEvent& event) = 0;
	virtual void WheelEvent(const DisplayWheelEvent& event) = 0;
	virtual void KeyEvent(const DisplayKeyEvent& event) = 0;
	// The window manager or the user moved or resized the window: the new
	// content frame. A frame the kit set with SetFrame() is not reported back.
	virtual void FrameChanged(BRect frame, bool moved, bool resized) = 0;
	virtual void ActivationChanged(bool active) = 0;
	virtual void CloseRequested() = 0;
	// Pixels the system lost and the kit must draw again (window coordinates).
	virtual void Exposed(const BRegion& region) = 0;
	// Sent to every surface when the current workspace changes.
	virtual void WorkspaceChanged(int32 previous, int32 current) = 0;
	// Sent to every surface when the screen changed its size or its monitors
	// (RandR): |frame| is the new ScreenFrame().
	virtual void ScreenChanged(BRect /*frame*/) {}
	// A drag passing over the surface. For kDragMoved: whether the surface
	// would take a drop of this data here; for kDragDropped: whether it took
	// it. Quick: it may convert the data but never waits for the window.
	virtual bool DragEvent(const DisplayDragEvent& /*event*/) { return false; }
};

class DisplaySurface {
public:
	virtual ~DisplaySurface() {}

	// Valid until the next SetFrame() that changes the size, or destruction.
	virtual Framebuffer Buffer() = 0;
	// Moves and resizes the content area (screen coordinates, rounded to
	// pixels). A new size reallocates the framebuffer, keeping the pixels that
	// overlap, by the next Buffer() at the latest. The kit also calls it to take a size the system reported in
	// FrameChanged; the backend then only resizes the framebuffer.
	virtual status_t SetFrame(BRect frame) = 0;
	virtual void SetTitle(const char* title) = 0;
	virtual void SetSizeLimits(float minWidth, float maxWidth, float minHeight,
	                           float maxHeight) = 0;
	virtual void SetWorkspaces(uint32 workspaces) = 0;
	virtual void Show() = 0;
	virtual void Hide() = 0;
	// Front and keyboard focus; ActivationChanged follows (from the system).
	virtual void Activate() = 0;
	// Front, without focus.
	virtual void Raise() = 0;
	// Shows |damage| (window coordinates) of the framebuffer. The kit does not
	// draw into the framebuffer while a present is in progress; the call
	// returns when the buffer may be drawn into again.
	virtual status_t Present(const BRegion& damage) = 0;
};

// What a backend can do, fixed once it is open.
struct DisplayCapabilities {
	const char* name;        // "x11", "offscreen"
	bool workspaces;         // more than one workspace can exist
	bool warpPointer;        // set_mouse_position works
	bool grabPointer;        // pop-up menus can keep the pointer
	bool focusFollowsMouse;  // the user's focus policy, when known (else false)
	color_space screenSpace; // the screen's pixel format
};

class DisplayBackend {
public:
	virtual ~DisplayBackend() {}

	DisplayCapabilities capabilities;

	// |sink| must stay valid until DestroySurface(); the surface starts hidden.
	virtual status_t CreateSurface(const SurfaceSettings& settings, DisplayEventSink* sink,
	                               DisplaySurface** surface) = 0;
	virtual void DestroySurface(DisplaySurface* surface) = 0;

	// (0, 0, width - 1, height - 1): the main monitor, BScreen's frame.
	virtual BRect ScreenFrame() = 0;
	// Every monitor together, the area a desktop covers; the main screen's
	// where there is only one.
	virtual BRect DisplayFrame() { return ScreenFrame(); }

	virtual int32 CountWorkspaces() = 0;
	virtual int32 CurrentWorkspace() = 0;
	// Switches; every surface's sink hears WorkspaceChanged once it happened.
	virtual void ActivateWorkspace(int32 workspace) = 0;

	// Screen coordinates; any argument may be NULL.
	virtual void GetPointer(BPoint* where, uint32* buttons, uint32* modifiers) = 0;
	virtual void WarpPointer(BPoint where) = 0;
	// Every pointer event (and with |keyboard| every key) goes to |surface|
	// until UngrabPointer(): the mouse event mask and open menus.
	virtual status_t GrabPointer(DisplaySurface* surface, bool keyboard) = 0;
	virtual void UngrabPointer() = 0;
	// Hides the cursor until the pointer next moves.
	virtual void ObscureCursor() = 0;

	// Starts a drag from |source| with a button held: from now on the pointer
	// is the drag's until the buttons are up (a drop, or nothing when the
	// target refuses) or Escape is pressed (cancelled). The source still gets
	// its mouse-up. Called from the source window's thread; never blocks on
	// another window.
	virtual status_t StartDrag(DisplaySurface* /*source*/, const DisplayDragStart& /*drag*/)
	{
		return B_UNSUPPORTED;
	}

	// The user's "show replicants" switch as the display keeps it for every
	// program on it. False when it keeps none (the offscreen display): the
	// switch is then the process's own. A change made by any program reaches
	// the others through draggers_drawn_changed().
	virtual bool GetDraggersDrawn(bool* /*drawn*/) { return false; }
	virtual void SetDraggersDrawn(bool /*drawn*/) {}
};

// The process's display, opened on first use. NULL when the backend chosen
// could not be opened (an unreachable X server); the reason went to stderr.
DisplayBackend* display_backend();

// What happens when the display goes away under a running program: a
// backend calls display_lost() from its event thread, which runs the hook
// the application set (ending the program); without one the loss is only
// reported. The hook is read and called on that thread.
typedef void (*display_lost_hook)();
void set_display_lost_hook(display_lost_hook hook);
void display_lost();

// A program on the display switched the replicants' handles on or off: the
// backend calls draggers_drawn_changed() from its event thread, which passes
// it to the hook the interface kit set. It must not block.
typedef void (*draggers_drawn_hook)(bool drawn);
void set_draggers_drawn_hook(draggers_drawn_hook hook);
void draggers_drawn_changed(bool drawn);

// The X11 backend's factory, present when x11/ is built into the library.
DisplayBackend* create_x11_display_backend(status_t* status) __attribute__((weak));
DisplayBackend* create_offscreen_display_backend(status_t* status);

} // namespace BPrivate

#endif
