#include "display/x11/X11Window.h"

#include <errno.h>
#include <math.h>

#include "display/x11/BeDefs.h"
#include "display/x11/X11Connection.h"
#include "display/x11/X11Workspaces.h"
#include "interface/RegionPrivate.h"
#include "interface/WindowPrivate.h"

namespace BPrivate {

namespace {

// Whole pixels of a frame: left-top rounded, at least one pixel each way.
void frame_pixels(BRect frame, int32* x, int32* y, int32* width, int32* height)
{
	*x = (int32) lroundf(frame.left);
	*y = (int32) lroundf(frame.top);
	int32 right = (int32) lroundf(frame.right);
	int32 bottom = (int32) lroundf(frame.bottom);
	*width = right >= *x ? right - *x + 1 : 1;
	*height = bottom >= *y ? bottom - *y + 1 : 1;
	if (*width > 32767)
		*width = 32767;
	if (*height > 32767)
		*height = 32767;
}

BRect frame_rect(int32 x, int32 y, int32 width, int32 height)
{
	return BRect(x, y, x + width - 1, y + height - 1);
}

X11WindowRole role_for(const SurfaceSettings& settings)
{
	if (settings.type == kPopUpSurface)
		return X11WindowRole::kPopUp;
	if (settings.feel == kDesktopWindowFeel)
		return X11WindowRole::kDesktop;
	if (settings.look == B_MODAL_WINDOW_LOOK || settings.feel == B_MODAL_APP_WINDOW_FEEL ||
	    settings.feel == B_MODAL_SUBSET_WINDOW_FEEL || settings.feel == B_MODAL_ALL_WINDOW_FEEL) {
		return X11WindowRole::kDialog;
	}
	if (settings.look == B_NO_BORDER_WINDOW_LOOK || settings.look == B_BORDERED_WINDOW_LOOK)
		return X11WindowRole::kBorderless;
	return X11WindowRole::kNormal;
}

} // namespace

X11Window::X11Window(X11Connection& connection, X11Workspaces& workspaces, DisplayEventSink* sink)
    : fConnection(connection), fWorkspaces(workspaces), fWindow(XCB_WINDOW_NONE),
      fRole(X11WindowRole::kNormal), fFlags(0), fBufferWidth(0), fBufferHeight(0),
      fPendingFrame(false), fPendingSequence(0), fMapped(false), fShown(false),
      fAwaitingFirstPresent(false), fHasBackground(false), fActive(false), fMinWidth(0),
      fMaxWidth(0), fMinHeight(0), fMaxHeight(0), fWorkspaceMask(0), fSink(sink)
{
}

X11Window::~X11Window()
{
	Detach();
	fSurface.reset();
	if (fWindow != XCB_WINDOW_NONE) {
		xcb_destroy_window(fConnection.Connection(), fWindow);
		xcb_flush(fConnection.Connection());
	}
}

status_t X11Window::Init(const SurfaceSettings& settings)
{
	xcb_connection_t* c = fConnection.Connection();
	fRole = role_for(settings);
	fFlags = settings.flags;
	fMinWidth = settings.minWidth;
	fMaxWidth = settings.maxWidth;
	fMinHeight = settings.minHeight;
	fMaxHeight = settings.maxHeight;
	fWorkspaceMask = settings.workspaces;

	int32 x, y, width, height;
	frame_pixels(settings.frame, &x, &y, &width, &height);
	fFrame = frame_rect(x, y, width, height);
	fCreatedFrame = fFrame;
	fBufferWidth = width;
	fBufferHeight = height;

	fWindow = xcb_generate_id(c);
	uint32 eventMask =
	    XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_KEY_PRESS |
	    XCB_EVENT_MASK_KEY_RELEASE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
	    XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW |
	    XCB_EVENT_MASK_FOCUS_CHANGE | XCB_EVENT_MASK_KEYMAP_STATE;
	// Drops arrive in properties of the window, in pieces when large.
	if (fRole != X11WindowRole::kPopUp)
		eventMask |= XCB_EVENT_MASK_PROPERTY_CHANGE;
	xcb_colormap_t colormap = fConnection.Colormap() != 0 ? fConnection.Colormap()
	                                                      : fConnection.Screen()->default_colormap;
	// In the order of the value mask bits. No background: the server leaves
	// the old pixels until we present, which avoids a flash of colour on
	// every resize; the content stays at the top left.
	uint32 values[] = {
	    XCB_BACK_PIXMAP_NONE,
	    0, // border pixel
	    XCB_GRAVITY_NORTH_WEST,
	    fRole == X11WindowRole::kPopUp ? 1u : 0u,
	    eventMask,
	    colormap,
	};
	uint32 valueMask = XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_BIT_GRAVITY |
	                   XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK | XCB_CW_COLORMAP;
	if (!fConnection.Check(xcb_create_window_checked(
	        c, fConnection.Depth(), fWindow, fConnection.Root(), (int16) x, (int16) y,
	        (uint16) width, (uint16) height, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, fConnection.Visual(),
	        valueMask, values))) {
		fWindow = XCB_WINDOW_NONE;
		return B_ERROR;
	}

	// Its framebuffer is made when the window first draws (Buffer()), at the
	// size it has by then.
	fSurface.reset(new (std::nothrow) X11Surface(fConnection, fWindow));
	if (!fSurface)
		return B_NO_MEMORY;

	x11_set_title(fConnection, fWindow, settings.title);
	x11_set_identity(fConnection, fWindow, program_invocation_short_name, fRole, XCB_WINDOW_NONE);
	if (fRole != X11WindowRole::kPopUp) {
		_UpdateSizeHints();
		// Every window but a menu takes drops, XDND version 5.
		uint32 version = 5;
		xcb_change_property(c, XCB_PROP_MODE_REPLACE, fWindow, fConnection.Atoms().xdndAware,
		                    XCB_ATOM_ATOM, 32, 1, &version);
	}
	xcb_flush(c);
	return B_OK;
}

BRect X11Window::Frame() const
{
	std::lock_guard<std::mutex> guard(fLock);
	return fFrame;
}

Framebuffer X11Window::Buffer()
{
	Framebuffer buffer = {};
	// SetSize() keeps a buffer that already has the size.
	if (!fSurface || fSurface->SetSize(fBufferWidth, fBufferHeight) != B_OK)
		return buffer;
	buffer.bits = (uint32*) fSurface->Bits();
	buffer.width = fSurface->Width();
	buffer.height = fSurface->Height();
	buffer.bytesPerRow = fSurface->BytesPerRow();
	return buffer;
}

status_t X11Window::SetFrame(BRect frame)
{
	int32 x, y, width, height;
	frame_pixels(frame, &x, &y, &width, &height);
	fBufferWidth = width;
	fBufferHeight = height;

	BRect rect = frame_rect(x, y, width, height);
	std::lock_guard<std::mutex> guard(fLock);
	if (rect == fFrame)
		return B_OK;
	BRect previous = fFrame;
	fFrame = rect;
	// A window not yet shown is placed and sized once, when it is: a window
	// manager handles every configure request of an unmapped window itself,
	// and a new window is typically moved and fitted several times before
	// it shows.
	if (fShown)
		_SendFrame(previous);
	if (fRole != X11WindowRole::kPopUp)
		_UpdateSizeHints();
	xcb_flush(fConnection.Connection());
	return B_OK;
}

void X11Window::_SendFrame(BRect current)
{
	// fLock held.
	fRequests.Requested(current, fFrame, system_time());
	int32 x = (int32) fFrame.left;
	int32 y = (int32) fFrame.top;
	uint32 values[] = {(uint32) x, (uint32) y, (uint32) fFrame.IntegerWidth() + 1,
	                   (uint32) fFrame.IntegerHeight() + 1};
	xcb_void_cookie_t cookie =
	    xcb_configure_window(fConnection.Connection(), fWindow,
	                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
	                             XCB_CONFIG_WINDOW_HEIGHT,
	                         values);
	fPendingFrame = true;
	fPendingSequence = cookie.sequence;
}

void X11Window::SetTitle(const char* title)
{
	x11_set_title(fConnection, fWindow, title);
	xcb_flush(fConnection.Connection());
}

void X11Window::SetSizeLimits(float minWidth, float maxWidth, float minHeight, float maxHeight)
{
	std::lock_guard<std::mutex> guard(fLock);
	fMinWidth = minWidth;
	fMaxWidth = maxWidth;
	fMinHeight = minHeight;
	fMaxHeight = maxHeight;
	if (fRole != X11WindowRole::kPopUp)
		_UpdateSizeHints();
	xcb_flush(fConnection.Connection());
}

int32 X11Window::_Limit(float limit, int32 fallback)
{
	// BRect units (pixels - 1); anything beyond what X can hold means none.
	if (!(limit >= 0) || limit >= 32766)
		return fallback;
	return (int32) lroundf(limit) + 1;
}

void X11Window::_UpdateSizeHints()
{
	// fLock held, or not yet shared (Init).
	X11SizeHints hints = {};
	hints.x = (int32) fFrame.left;
	hints.y = (int32) fFrame.top;
	hints.width = fFrame.IntegerWidth() + 1;
	hints.height = fFrame.IntegerHeight() + 1;
	hints.minWidth = _Limit(fMinWidth, 0);
	hints.maxWidth = _Limit(fMaxWidth, 0);
	hints.minHeight = _Limit(fMinHeight, 0);
	hints.maxHeight = _Limit(fMaxHeight, 0);
	if ((fFlags & (B_NOT_RESIZABLE | B_NOT_H_RESIZABLE)) != 0)
		hints.minWidth = hints.maxWidth = hints.width;
	if ((fFlags & (B_NOT_RESIZABLE | B_NOT_V_RESIZABLE)) != 0)
		hints.minHeight = hints.maxHeight = hints.height;
	x11_set_size_hints(fConnection, fWindow, hints);
}

void X11Window::SetWorkspaces(uint32 workspaces)
{
	std::lock_guard<std::mutex> guard(fLock);
	fWorkspaceMask = workspaces;
	if (fShown && fRole != X11WindowRole::kPopUp)
		_ApplyWorkspaces(fMapped);
}

void X11Window::_ApplyWorkspaces(bool mapped)
{
	fWorkspaces.PlaceWindow(fWindow, fWorkspaceMask, mapped);
}

void X11Window::Show()
{
	{
		std::lock_guard<std::mutex> guard(fLock);
		// The window manager reads the desktop when it first manages us.
		if (!fShown && fRole != X11WindowRole::kPopUp)
			_ApplyWorkspaces(false);
		if (!fShown && fFrame != fCreatedFrame)
			_SendFrame(fCreatedFrame);
		fShown = true;
		fAwaitingFirstPresent = true;
	}
	xcb_map_window(fConnection.Connection(), fWindow);
	if (fRole == X11WindowRole::kPopUp) {
		uint32 above = XCB_STACK_MODE_ABOVE;
		xcb_configure_window(fConnection.Connection(), fWindow, XCB_CONFIG_WINDOW_STACK_MODE,
		                     &above);
	}
	xcb_flush(fConnection.Connection());
}

void X11Window::Hide()
{
	xcb_unmap_window(fConnection.Connection(), fWindow);
	xcb_flush(fConnection.Connection());
}

bool X11Window::IsMapped() const
{
	std::lock_guard<std::mutex> guard(fLock);
	return fMapped;
}

void X11Window::Activate()
{
	xcb_connection_t* c = fConnection.Connection();
	if (fRole == X11WindowRole::kPopUp)
		return;
	if (fWorkspaces.HasWindowManager()) {
		// Source 1: a normal application; the window manager decides.
		x11_request_active_window(fConnection, fWindow, fConnection.LastEventTime());
	} else {
		// Nobody manages focus: raise and focus it ourselves.
		uint32 above = XCB_STACK_MODE_ABOVE;
		xcb_configure_window(c, fWindow, XCB_CONFIG_WINDOW_STACK_MODE, &above);
		xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, fWindow, fConnection.LastEventTime());
	}
	xcb_flush(c);
}

void X11Window::Raise()
{
	uint32 above = XCB_STACK_MODE_ABOVE;
	xcb_configure_window(fConnection.Connection(), fWindow, XCB_CONFIG_WINDOW_STACK_MODE, &above);
	xcb_flush(fConnection.Connection());
}

status_t X11Window::Present(const BRegion& damage)
{
	if (!fSurface || fSurface->Bits() == nullptr)
		return B_NO_INIT;
	int count = 0;
	const pixman_box32_t* boxes = pixman_region32_rectangles(
	    const_cast<pixman_region32_t*>(RegionPrivate::Pixman(damage)), &count);
	bool throughBackground = false;
	{
		std::lock_guard<std::mutex> guard(fLock);
		throughBackground = fAwaitingFirstPresent && !fMapped && fRole != X11WindowRole::kPopUp;
		fAwaitingFirstPresent = false;
	}
	fSurface->Present(boxes, count);
	if (throughBackground)
		_ShowThroughBackground();
	else
		_DropBackground();
	// The kit draws again once this returns.
	fSurface->WaitIdle();
	return B_OK;
}

// A window that is shown waits for the window manager to frame and map it,
// and whatever is presented before then is lost: the picture would only come
// after the Expose that follows the map, one more round trip through the
// window manager and the window's thread. Made the window's background
// instead, the first pixels are painted by the server the moment it maps
// the window.
void X11Window::_ShowThroughBackground()
{
	int32 width = fSurface->Width();
	int32 height = fSurface->Height();
	if (width <= 0 || height <= 0)
		return;
	xcb_connection_t* c = fConnection.Connection();
	xcb_pixmap_t pixmap = xcb_generate_id(c);
	xcb_create_pixmap(c, fConnection.Depth(), pixmap, fWindow, (uint16) width, (uint16) height);
	pixman_box32_t whole = {0, 0, width, height};
	fSurface->Present(&whole, 1, pixmap);
	xcb_change_window_attributes(c, fWindow, XCB_CW_BACK_PIXMAP, &pixmap);
	// The window manager may have mapped the window between the present
	// above and the new background, which the server then never paints by
	// itself; on a window still unmapped this does nothing.
	xcb_clear_area(c, 0, fWindow, 0, 0, 0, 0);
	// The window holds the pixmap as long as it is its background.
	xcb_free_pixmap(c, pixmap);
	bool mapped;
	{
		std::lock_guard<std::mutex> guard(fLock);
		fHasBackground = true;
		mapped = fMapped;
	}
	// Mapped meanwhile: the background came too late to be of use.
	if (mapped)
		_DropBackground();
	xcb_flush(c);
}

// Back to no background, so that resizes leave the old pixels until the
// next present rather than tiling a stale picture, and the server does not
// keep a copy of the window's pixels.
void X11Window::_DropBackground()
{
	{
		std::lock_guard<std::mutex> guard(fLock);
		if (!fHasBackground)
			return;
		fHasBackground = false;
	}
	uint32 none = XCB_BACK_PIXMAP_NONE;
	xcb_change_window_attributes(fConnection.Connection(), fWindow, XCB_CW_BACK_PIXMAP, &none);
	xcb_flush(fConnection.Connection());
}

void X11Window::Detach()
{
	std::lock_guard<std::mutex> guard(fSinkLock);
	fSink = nullptr;
}

void X11Window::ServerConfigured(uint32 sequence)
{
	{
		std::lock_guard<std::mutex> guard(fLock);
		// A window manager reparents and places a window before it maps it;
		// only where it ends up matters, and the map reports that.
		if (!fMapped)
			return;
		if (fPendingFrame) {
			// Sent before our own request was processed: the server's frame
			// is about to change again, to what the kit asked for.
			if ((int32) (sequence - fPendingSequence) < 0)
				return;
			fPendingFrame = false;
		}
	}

	int32 x, y, width, height;
	if (!x11_content_frame(fConnection, fWindow, &x, &y, &width, &height))
		return;
	BRect frame = frame_rect(x, y, width, height);
	bool moved, resized;
	{
		std::lock_guard<std::mutex> guard(fLock);
		if (fPendingFrame)
			return;
		switch (fRequests.Judge(frame, system_time())) {
			case X11FrameRequests::kOwnFrame:
			case X11FrameRequests::kOwnStep:
				return;
			case X11FrameRequests::kMovedElsewhere:
				// The window manager placed our size somewhere else: the kit
				// hears of the place only.
				frame = fFrame.OffsetToCopy(frame.LeftTop());
				break;
			case X11FrameRequests::kServerFrame:
				break;
		}
		if (frame == fFrame)
			return;
		moved = frame.LeftTop() != fFrame.LeftTop();
		resized = frame.Width() != fFrame.Width() || frame.Height() != fFrame.Height();
		fFrame = frame;
	}
	Sink([&](DisplayEventSink& sink) { sink.FrameChanged(frame, moved, resized); });
}

void X11Window::ServerMapped(bool mapped)
{
	{
		std::lock_guard<std::mutex> guard(fLock);
		fMapped = mapped;
	}
	// The server painted the background when it mapped the window.
	if (mapped)
		_DropBackground();
}

void X11Window::ClickedWithoutWindowManager()
{
	if (fRole == X11WindowRole::kPopUp || (fFlags & B_AVOID_FOCUS) != 0)
		return;
	uint32 above = XCB_STACK_MODE_ABOVE;
	xcb_configure_window(fConnection.Connection(), fWindow, XCB_CONFIG_WINDOW_STACK_MODE, &above);
	xcb_set_input_focus(fConnection.Connection(), XCB_INPUT_FOCUS_POINTER_ROOT, fWindow,
	                    fConnection.LastEventTime());
	xcb_flush(fConnection.Connection());
}

void X11Window::FocusChanged(bool active)
{
	{
		std::lock_guard<std::mutex> guard(fLock);
		if (active == fActive)
			return;
		fActive = active;
	}
	Sink([&](DisplayEventSink& sink) { sink.ActivationChanged(active); });
}

void X11Window::Exposed(int32 x, int32 y, int32 width, int32 height, bool last)
{
	if (width > 0 && height > 0)
		fExposed.Include(clipping_rect{x, y, x + width - 1, y + height - 1});
	if (!last || fExposed.CountRects() == 0)
		return;
	BRegion region(fExposed);
	fExposed.MakeEmpty();
	Sink([&](DisplayEventSink& sink) { sink.Exposed(region); });
}

} // namespace BPrivate
