#ifndef _WINDOW_H
#define _WINDOW_H

#include <InterfaceDefs.h>
#include <Looper.h>
#include <Point.h>
#include <Rect.h>

class BMessage;
class BView;

namespace BPrivate {
struct WindowData;
class WindowAccess;
class WindowUpdater;
class WindowDispatcher;
} // namespace BPrivate

enum window_type {
	B_UNTYPED_WINDOW = 0,
	B_TITLED_WINDOW = 1,
	B_MODAL_WINDOW = 3,
	B_DOCUMENT_WINDOW = 11,
	B_BORDERED_WINDOW = 20,
	B_FLOATING_WINDOW = 21
};

enum window_look {
	B_BORDERED_WINDOW_LOOK = 20,
	B_NO_BORDER_WINDOW_LOOK = 19,
	B_TITLED_WINDOW_LOOK = 1,
	B_DOCUMENT_WINDOW_LOOK = 11,
	B_MODAL_WINDOW_LOOK = 3,
	B_FLOATING_WINDOW_LOOK = 7
};

// A fixed underlying type: the platform has private feels beyond these (its
// menu windows), and they must be valid values of the type.
enum window_feel : int32 {
	B_NORMAL_WINDOW_FEEL = 0,
	B_MODAL_SUBSET_WINDOW_FEEL = 2,
	B_MODAL_APP_WINDOW_FEEL = 1,
	B_MODAL_ALL_WINDOW_FEEL = 3,
	B_FLOATING_SUBSET_WINDOW_FEEL = 5,
	B_FLOATING_APP_WINDOW_FEEL = 4,
	B_FLOATING_ALL_WINDOW_FEEL = 6
};

// Window flags. 0 gives a movable, closable, zoomable, resizable and
// minimizable window.
enum {
	B_NOT_MOVABLE = 0x00000001,
	B_NOT_CLOSABLE = 0x00000020,
	B_NOT_ZOOMABLE = 0x00000040,
	B_NOT_MINIMIZABLE = 0x00004000,
	B_NOT_RESIZABLE = 0x00000002,
	B_NOT_H_RESIZABLE = 0x00000004,
	B_NOT_V_RESIZABLE = 0x00000008,
	B_AVOID_FRONT = 0x00000080,
	B_AVOID_FOCUS = 0x00002000,
	B_WILL_ACCEPT_FIRST_CLICK = 0x00000010,
	B_OUTLINE_RESIZE = 0x00001000,
	B_NO_WORKSPACE_ACTIVATION = 0x00000100,
	B_NOT_ANCHORED_ON_ACTIVATE = 0x00020000,
	B_ASYNCHRONOUS_CONTROLS = 0x00080000,
	B_QUIT_ON_WINDOW_CLOSE = 0x00100000
};

#define B_CURRENT_WORKSPACE 0
#define B_ALL_WORKSPACES 0xffffffff

// A window is a looper with its own thread (started by the first Show()) and
// the views below it are its handlers. Frame() is the content area in screen
// coordinates; the border and tab the window manager adds lie outside it.
class BWindow : public BLooper {
public:
	BWindow(BRect frame, const char* title, window_type type, uint32 flags,
	        uint32 workspace = B_CURRENT_WORKSPACE);
	BWindow(BRect frame, const char* title, window_look look, window_feel feel, uint32 flags,
	        uint32 workspace = B_CURRENT_WORKSPACE);
	virtual ~BWindow();

	// Hides the window, detaches and deletes its views and deletes the
	// window. Call it with the window locked; never delete a window.
	virtual void Quit();
	void Close() { Quit(); }

	// Hooks.
	virtual void DispatchMessage(BMessage* message, BHandler* handler);
	virtual void MessageReceived(BMessage* message);
	virtual bool QuitRequested();
	virtual void FrameMoved(BPoint newPosition);
	virtual void FrameResized(float newWidth, float newHeight);
	virtual void WorkspacesChanged(uint32 oldWorkspaces, uint32 newWorkspaces);
	virtual void WorkspaceActivated(int32 workspace, bool state);
	virtual void WindowActivated(bool active);
	virtual void Zoom(BPoint origin, float width, float height);
	virtual void Minimize(bool minimize);
	virtual void Show();
	virtual void Hide();

	// Views.
	void AddChild(BView* child, BView* before = NULL);
	bool RemoveChild(BView* child);
	int32 CountChildren() const;
	BView* ChildAt(int32 index) const;
	BView* FindView(const char* viewName) const;
	BView* FindView(BPoint point) const;
	BView* CurrentFocus() const;
	BView* LastMouseMovedView() const;

	// Drawing.
	void BeginViewTransaction();
	void EndViewTransaction();
	void UpdateIfNeeded();
	void Flush() const;
	void Sync() const;

	// Geometry, in screen coordinates.
	BRect Bounds() const;
	BRect Frame() const;
	void MoveBy(float dx, float dy);
	void MoveTo(BPoint where);
	void MoveTo(float x, float y);
	void ResizeBy(float dx, float dy);
	void ResizeTo(float width, float height);
	void SetSizeLimits(float minWidth, float maxWidth, float minHeight, float maxHeight);
	void GetSizeLimits(float* minWidth, float* maxWidth, float* minHeight, float* maxHeight) const;
	void ConvertToScreen(BPoint* point) const;
	BPoint ConvertToScreen(BPoint point) const;
	void ConvertFromScreen(BPoint* point) const;
	BPoint ConvertFromScreen(BPoint point) const;
	void ConvertToScreen(BRect* rect) const;
	BRect ConvertToScreen(BRect rect) const;
	void ConvertFromScreen(BRect* rect) const;
	BRect ConvertFromScreen(BRect rect) const;

	// State. IsActive() and Activate() are safe from any thread without the
	// window's lock: Activate() only asks the display, and IsActive() changes
	// when the window handles B_WINDOW_ACTIVATED.
	const char* Title() const;
	void SetTitle(const char* title);
	bool IsActive() const;
	void Activate(bool active = true);
	bool IsHidden() const;
	bool IsMinimized() const;
	bool IsFront() const;
	uint32 Workspaces() const;
	void SetWorkspaces(uint32 workspaces);
	window_type Type() const;
	window_look Look() const;
	window_feel Feel() const;
	uint32 Flags() const;
	status_t SetFlags(uint32 flags);

private:
	friend class BView;
	friend class BPrivate::WindowAccess;
	friend class BPrivate::WindowUpdater;
	friend class BPrivate::WindowDispatcher;

	void _CreateSurface();
	void _InitData(BRect frame, const char* title, window_look look, window_feel feel, uint32 flags,
	               uint32 workspaces);
	void _ApplyResize(float width, float height, bool queueHook);
	void _ApplyMove(float x, float y, bool queueHook);
	void _SetActive(bool active);

	BPrivate::WindowData* fData; // everything else; see interface/WindowPrivate.h
	BView* fTopView;             // hidden root of the view tree; fixed after construction
};

#endif
