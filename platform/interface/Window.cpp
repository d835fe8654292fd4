// BWindow: construction, life, visibility, geometry and state.

#include <Window.h>

#include <AppDefs.h>
#include <Message.h>
#include <OS.h>
#include <View.h>

#include <math.h>
#include <stdio.h>

#include "app/ApplicationPrivate.h"
#include "interface/ViewPrivate.h"
#include "interface/WindowPrivate.h"

using BPrivate::WindowData;

namespace BPrivate {

const char* const kOwnFrameChangeField = "be:own_frame_change";

// Larger than any screen; the default maximum size of a window.
static const float kMaxWindowSize = 32768.0f;

WindowData::WindowData(BWindow* window)
    : window(window), look(B_TITLED_WINDOW_LOOK), feel(B_NORMAL_WINDOW_FEEL), flags(0), minWidth(0),
      maxWidth(kMaxWindowSize), minHeight(0), maxHeight(kMaxWindowSize), focus(NULL),
      running(false), pointerGrabbed(false), showLevel(1), active(false), workspaces(0),
      updater(window), dispatcher(window), surface(NULL)
{
}

WindowData::~WindowData() {}

void WindowData::ForgetView(BView* view)
{
	if (focus == view) {
		focus = NULL;
		window->SetPreferredHandler(NULL);
	}
	dispatcher.ForgetView(view);
}

} // namespace BPrivate

static void look_and_feel_for(window_type type, window_look* look, window_feel* feel)
{
	*feel = B_NORMAL_WINDOW_FEEL;
	switch (type) {
		case B_DOCUMENT_WINDOW:
			*look = B_DOCUMENT_WINDOW_LOOK;
			break;
		case B_MODAL_WINDOW:
			*look = B_MODAL_WINDOW_LOOK;
			*feel = B_MODAL_APP_WINDOW_FEEL;
			break;
		case B_BORDERED_WINDOW:
			*look = B_BORDERED_WINDOW_LOOK;
			break;
		case B_FLOATING_WINDOW:
			*look = B_FLOATING_WINDOW_LOOK;
			*feel = B_FLOATING_APP_WINDOW_FEEL;
			break;
		case B_TITLED_WINDOW:
		case B_UNTYPED_WINDOW:
		default:
			*look = B_TITLED_WINDOW_LOOK;
			break;
	}
}

BWindow::BWindow(BRect frame, const char* title, window_type type, uint32 flags, uint32 workspace)
    : BLooper(title, B_DISPLAY_PRIORITY)
{
	window_look look;
	window_feel feel;
	look_and_feel_for(type, &look, &feel);
	_InitData(frame, title, look, feel, flags, workspace);
}

BWindow::BWindow(BRect frame, const char* title, window_look look, window_feel feel, uint32 flags,
                 uint32 workspace)
    : BLooper(title, B_DISPLAY_PRIORITY)
{
	_InitData(frame, title, look, feel, flags, workspace);
}

void BWindow::_InitData(BRect frame, const char* title, window_look look, window_feel feel,
                        uint32 flags, uint32 workspaces)
{
	fData = new WindowData(this);
	fData->title = title != NULL ? title : "";
	fData->look = look;
	fData->feel = feel;
	fData->flags = flags;
	if ((flags & B_NOT_RESIZABLE) != 0)
		fData->flags |= B_NOT_H_RESIZABLE | B_NOT_V_RESIZABLE;
	if (workspaces == B_CURRENT_WORKSPACE)
		workspaces = 1u << current_workspace();
	fData->workspaces = workspaces;

	float width = roundf(frame.Width());
	float height = roundf(frame.Height());
	if (!(width >= 0))
		width = 0;
	if (!(height >= 0))
		height = 0;
	fData->frame.left = roundf(frame.left);
	fData->frame.top = roundf(frame.top);
	fData->frame.right = fData->frame.left + width;
	fData->frame.bottom = fData->frame.top + height;

	// The looper is locked by its constructor and stays so until Show().
	fTopView = new BView(Bounds(), NULL, B_FOLLOW_ALL_SIDES, 0);
	fTopView->fTopLevel = true;
	fTopView->_Attach(this);

	_CreateSurface();
	BPrivate::register_window(this, this);
}

void BWindow::_CreateSurface()
{
	BPrivate::DisplayBackend* backend = BPrivate::display_backend();
	if (backend == NULL)
		return;
	bool menu = fData->feel == BPrivate::kMenuWindowFeel;
	fData->sink.SetTargets(BMessenger(this), BMessenger(fTopView, this), &fData->workspaces, !menu);
	BPrivate::SurfaceSettings settings;
	settings.type = menu ? BPrivate::kPopUpSurface : BPrivate::kTopLevelSurface;
	settings.title = fData->title.c_str();
	settings.frame = fData->frame;
	settings.minWidth = fData->minWidth;
	settings.maxWidth = fData->maxWidth;
	settings.minHeight = fData->minHeight;
	settings.maxHeight = fData->maxHeight;
	settings.workspaces = fData->workspaces;
	settings.look = fData->look;
	settings.feel = fData->feel;
	settings.flags = fData->flags;
	BPrivate::DisplaySurface* surface = NULL;
	if (backend->CreateSurface(settings, &fData->sink, &surface) != B_OK)
		return;
	fData->surface = surface;
	fData->updater.SurfaceResized();
}

BWindow::~BWindow()
{
	// Detach and delete the views; their hooks run in this thread, still
	// attached while they run.
	if (!IsLocked())
		Lock();
	while (BView* child = fTopView->ChildAt(0)) {
		fTopView->RemoveChild(child);
		delete child;
	}
	fTopView->_Detach();
	delete fTopView;
	fTopView = NULL;

	fData->updater.DetachSurface();
	if (fData->surface != NULL) {
		if (fData->pointerGrabbed)
			BPrivate::display_backend()->UngrabPointer();
		BPrivate::display_backend()->DestroySurface(fData->surface);
		fData->surface = NULL;
	}
	delete fData;
	fData = NULL;

	// Only now does the application stop counting the window: until its views
	// are gone (and with them the threads they run), the application's
	// destructor still finds it, and waits for it, so that the process does
	// not end under a window that is quitting on its own.
	BPrivate::unregister_window(this);
}

void BWindow::Quit()
{
	if (!IsLocked()) {
		fprintf(stderr, "BWindow::Quit: the window \"%s\" must be locked\n", Title());
		if (!Lock())
			return;
	}
	while (!IsHidden())
		Hide();
	// Views are detached and deleted by the destructor, in the window's
	// thread (or in this one when the window never ran).
	BLooper::Quit();
}

bool BWindow::QuitRequested()
{
	return BLooper::QuitRequested();
}

// #pragma mark - visibility

void BWindow::Show()
{
	bool start = !fData->running;
	if (--fData->showLevel == 0) {
		if (fData->surface != NULL)
			fData->surface->Show();
		fData->updater.InvalidateAll();
		if ((fData->flags & B_AVOID_FOCUS) == 0 && fData->surface != NULL)
			fData->surface->Activate();
	}
	if (start) {
		fData->running = true;
		Run();
	}
}

void BWindow::Hide()
{
	if (fData->showLevel == 0 && fData->surface != NULL)
		fData->surface->Hide();
	fData->showLevel++;
}

bool BWindow::IsHidden() const
{
	return fData->showLevel > 0;
}

bool BWindow::IsMinimized() const
{
	return false;
}

void BWindow::Minimize(bool /*minimize*/) {}

bool BWindow::IsActive() const
{
	return fData->active;
}

void BWindow::Activate(bool active)
{
	// Only the display is asked: B_WINDOW_ACTIVATED changes IsActive() later.
	// No window lock is taken, so any thread may call this.
	if (!active || IsHidden() || fData->surface == NULL)
		return;
	fData->surface->Activate();
}

bool BWindow::IsFront() const
{
	return IsActive();
}

void BWindow::_SetActive(bool active)
{
	if (fData->active == active)
		return;
	fData->active = active;
	WindowActivated(active);
	// Every attached view hears of it, parents before children.
	BView* view = fTopView->fFirstChild;
	while (view != NULL) {
		view->WindowActivated(active);
		if (view->fFirstChild != NULL) {
			view = view->fFirstChild;
			continue;
		}
		while (view != NULL && view->fNextSibling == NULL) {
			view = view->fParent;
			if (view == fTopView)
				view = NULL;
		}
		if (view != NULL)
			view = view->fNextSibling;
	}
}

// #pragma mark - views

void BWindow::AddChild(BView* child, BView* before)
{
	fTopView->AddChild(child, before);
}

bool BWindow::RemoveChild(BView* child)
{
	return fTopView->RemoveChild(child);
}

int32 BWindow::CountChildren() const
{
	return fTopView->CountChildren();
}

BView* BWindow::ChildAt(int32 index) const
{
	return fTopView->ChildAt(index);
}

BView* BWindow::FindView(const char* viewName) const
{
	for (BView* child = fTopView->fFirstChild; child != NULL; child = child->fNextSibling) {
		if (BView* found = child->FindView(viewName))
			return found;
	}
	return NULL;
}

BView* BWindow::FindView(BPoint point) const
{
	BView* view = fData->dispatcher.ViewAt(point);
	return view == fTopView ? NULL : view;
}

BView* BWindow::CurrentFocus() const
{
	return fData->focus;
}

BView* BWindow::LastMouseMovedView() const
{
	return fData->dispatcher.LastMouseMovedView();
}

// #pragma mark - drawing

void BWindow::BeginViewTransaction()
{
	fData->updater.BeginTransaction();
}

void BWindow::EndViewTransaction()
{
	fData->updater.EndTransaction();
}

void BWindow::UpdateIfNeeded()
{
	if (find_thread(NULL) != Thread() || !fData->updater.UpdatePending())
		return;
	fData->updater.Update();
}

void BWindow::Flush() const {}

void BWindow::Sync() const {}

// #pragma mark - geometry

BRect BWindow::Bounds() const
{
	return BRect(0, 0, fData->frame.Width(), fData->frame.Height());
}

BRect BWindow::Frame() const
{
	return fData->frame;
}

void BWindow::MoveBy(float dx, float dy)
{
	MoveTo(fData->frame.left + dx, fData->frame.top + dy);
}

void BWindow::MoveTo(BPoint where)
{
	MoveTo(where.x, where.y);
}

void BWindow::MoveTo(float x, float y)
{
	x = roundf(x);
	y = roundf(y);
	if (x == fData->frame.left && y == fData->frame.top)
		return;
	_ApplyMove(x, y, true);
}

void BWindow::_ApplyMove(float x, float y, bool queueHook)
{
	fData->frame.OffsetTo(x, y);
	if (queueHook) {
		if (fData->surface != NULL)
			fData->surface->SetFrame(fData->frame);
		BMessage message(B_WINDOW_MOVED);
		message.AddInt64("when", system_time());
		message.AddPoint("where", BPoint(x, y));
		message.AddBool(BPrivate::kOwnFrameChangeField, true);
		PostMessage(&message, this);
	}
}

void BWindow::ResizeBy(float dx, float dy)
{
	ResizeTo(fData->frame.Width() + dx, fData->frame.Height() + dy);
}

void BWindow::ResizeTo(float width, float height)
{
	width = roundf(max_c(fData->minWidth, min_c(fData->maxWidth, width)));
	height = roundf(max_c(fData->minHeight, min_c(fData->maxHeight, height)));
	if (!(width >= 0) || !(height >= 0))
		return;
	if (width == fData->frame.Width() && height == fData->frame.Height())
		return;
	_ApplyResize(width, height, true);
}

void BWindow::_ApplyResize(float width, float height, bool programmatic)
{
	fData->frame.right = fData->frame.left + width;
	fData->frame.bottom = fData->frame.top + height;
	// For a size the display reported, this only gives the framebuffer the
	// new size.
	if (fData->surface != NULL) {
		fData->surface->SetFrame(fData->frame);
		fData->updater.SurfaceResized();
	}
	// The views follow at once; B_VIEW_RESIZED for each frame-events view
	// goes into the queue behind what is already there.
	fTopView->ResizeTo(width, height);
	if (programmatic) {
		BMessage message(B_WINDOW_RESIZED);
		message.AddInt64("when", system_time());
		message.AddInt32("width", static_cast<int32>(width));
		message.AddInt32("height", static_cast<int32>(height));
		message.AddBool(BPrivate::kOwnFrameChangeField, true);
		PostMessage(&message, this);
	}
}

void BWindow::SetSizeLimits(float minWidth, float maxWidth, float minHeight, float maxHeight)
{
	if (maxWidth < minWidth)
		maxWidth = minWidth;
	if (maxHeight < minHeight)
		maxHeight = minHeight;
	fData->minWidth = roundf(minWidth);
	fData->maxWidth = roundf(maxWidth);
	fData->minHeight = roundf(minHeight);
	fData->maxHeight = roundf(maxHeight);
	if (fData->surface != NULL) {
		fData->surface->SetSizeLimits(fData->minWidth, fData->maxWidth, fData->minHeight,
		                              fData->maxHeight);
	}
	// Limits bind the user and later resizes, not the window as it stands: a
	// window made smaller than its minimum keeps its frame until something
	// resizes it, so that views added meanwhile follow that resize (the Be
	// API's own order; the window manager enforces the limits for the user).
}

void BWindow::GetSizeLimits(float* minWidth, float* maxWidth, float* minHeight,
                            float* maxHeight) const
{
	if (minWidth != NULL)
		*minWidth = fData->minWidth;
	if (maxWidth != NULL)
		*maxWidth = fData->maxWidth;
	if (minHeight != NULL)
		*minHeight = fData->minHeight;
	if (maxHeight != NULL)
		*maxHeight = fData->maxHeight;
}

void BWindow::ConvertToScreen(BPoint* point) const
{
	*point += fData->frame.LeftTop();
}

BPoint BWindow::ConvertToScreen(BPoint point) const
{
	ConvertToScreen(&point);
	return point;
}

void BWindow::ConvertFromScreen(BPoint* point) const
{
	*point -= fData->frame.LeftTop();
}

BPoint BWindow::ConvertFromScreen(BPoint point) const
{
	ConvertFromScreen(&point);
	return point;
}

void BWindow::ConvertToScreen(BRect* rect) const
{
	rect->OffsetBy(fData->frame.LeftTop());
}

BRect BWindow::ConvertToScreen(BRect rect) const
{
	ConvertToScreen(&rect);
	return rect;
}

void BWindow::ConvertFromScreen(BRect* rect) const
{
	rect->OffsetBy(-fData->frame.left, -fData->frame.top);
}

BRect BWindow::ConvertFromScreen(BRect rect) const
{
	ConvertFromScreen(&rect);
	return rect;
}

// #pragma mark - state

const char* BWindow::Title() const
{
	return fData->title.c_str();
}

void BWindow::SetTitle(const char* title)
{
	fData->title = title != NULL ? title : "";
	SetName(fData->title.c_str());
	if (fData->surface != NULL)
		fData->surface->SetTitle(fData->title.c_str());
}

uint32 BWindow::Workspaces() const
{
	return fData->workspaces;
}

void BWindow::SetWorkspaces(uint32 workspaces)
{
	if (workspaces == B_CURRENT_WORKSPACE)
		workspaces = 1u << current_workspace();
	uint32 old = fData->workspaces.exchange(workspaces);
	if (old == workspaces)
		return;
	if (fData->surface != NULL)
		fData->surface->SetWorkspaces(workspaces);
	BMessage message(B_WORKSPACES_CHANGED);
	message.AddInt64("when", system_time());
	message.AddInt32("old", static_cast<int32>(old));
	message.AddInt32("new", static_cast<int32>(workspaces));
	PostMessage(&message, this);
}

window_type BWindow::Type() const
{
	switch (fData->look) {
		case B_DOCUMENT_WINDOW_LOOK:
			return B_DOCUMENT_WINDOW;
		case B_MODAL_WINDOW_LOOK:
			return B_MODAL_WINDOW;
		case B_BORDERED_WINDOW_LOOK:
			return B_BORDERED_WINDOW;
		case B_FLOATING_WINDOW_LOOK:
			return B_FLOATING_WINDOW;
		case B_TITLED_WINDOW_LOOK:
			return B_TITLED_WINDOW;
		default:
			return B_UNTYPED_WINDOW;
	}
}

window_look BWindow::Look() const
{
	return fData->look;
}

window_feel BWindow::Feel() const
{
	return fData->feel;
}

uint32 BWindow::Flags() const
{
	return fData->flags;
}

status_t BWindow::SetFlags(uint32 flags)
{
	if ((flags & B_NOT_RESIZABLE) != 0)
		flags |= B_NOT_H_RESIZABLE | B_NOT_V_RESIZABLE;
	fData->flags = flags;
	return B_OK;
}

// #pragma mark - hooks

void BWindow::FrameMoved(BPoint /*newPosition*/) {}

void BWindow::FrameResized(float /*newWidth*/, float /*newHeight*/) {}

void BWindow::WorkspacesChanged(uint32 /*oldWorkspaces*/, uint32 /*newWorkspaces*/) {}

void BWindow::WorkspaceActivated(int32 /*workspace*/, bool /*state*/) {}

void BWindow::WindowActivated(bool /*active*/) {}

void BWindow::Zoom(BPoint origin, float width, float height)
{
	MoveTo(origin);
	ResizeTo(width, height);
}
