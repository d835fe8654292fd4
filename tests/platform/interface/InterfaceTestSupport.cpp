#include "platform/interface/InterfaceTestSupport.h"

#include <Handler.h>
#include <Message.h>
#include <OS.h>
#include <View.h>
#include <Window.h>

#include <atomic>

#include "display/offscreen/OffscreenControl.h"
#include "interface/WindowPrivate.h"

using BPrivate::OffscreenControl;

static OffscreenControl* control()
{
	OffscreenControl* control = OffscreenControl::Get();
	if (control == NULL)
		abort(); // another display is open: these tests need the offscreen one
	return control;
}

InterfaceTestApp::InterfaceTestApp() : fApp(NULL)
{
	control();
	if (be_app == NULL)
		fApp = new BApplication("application/x-vnd.test-interface");
}

InterfaceTestApp::~InterfaceTestApp()
{
	if (fApp != NULL) {
		fApp->Lock();
		delete fApp;
	}
}

bool wait_for(const std::function<bool()>& condition, bigtime_t timeout)
{
	bigtime_t deadline = system_time() + timeout;
	while (!condition()) {
		if (system_time() > deadline)
			return false;
		snooze(1000);
	}
	return true;
}

namespace {

class SyncHandler : public BHandler {
public:
	SyncHandler() : BHandler("sync") {}
	void MessageReceived(BMessage*) override { done = true; }
	std::atomic<bool> done{false};
};

} // namespace

bool sync_window(BWindow* window)
{
	SyncHandler* handler = new SyncHandler;
	if (!window->Lock()) {
		delete handler;
		return false;
	}
	window->AddHandler(handler);
	window->PostMessage('Sync', handler);
	window->Unlock();
	bool done = wait_for([&] { return handler->done.load(); });
	if (window->Lock()) {
		window->RemoveHandler(handler);
		window->Unlock();
		delete handler;
	}
	// A handler the window could not give back is leaked rather than freed
	// under a message that may still name it.
	return done;
}

static BPrivate::DisplaySurface* surface_of(BWindow* window)
{
	return BPrivate::WindowAccess::Surface(window);
}

rgb_color window_pixel(BWindow* window, int32 x, int32 y)
{
	rgb_color color = {0, 0, 0, 0};
	if (!window->Lock())
		return color;
	BPrivate::OffscreenImage image = control()->ReadSurface(surface_of(window));
	window->Unlock();
	uint32 pixel = image.At(x, y);
	return make_color((pixel >> 16) & 0xff, (pixel >> 8) & 0xff, pixel & 0xff);
}

bool window_find_pixel(BWindow* window, BRect rect,
                       const std::function<bool(int32 x, int32 y, rgb_color pixel)>& visit)
{
	if (!window->Lock())
		return false;
	BPrivate::OffscreenImage image = control()->ReadSurface(surface_of(window));
	window->Unlock();
	for (int32 x = int32(rect.left); x <= int32(rect.right); x++) {
		for (int32 y = int32(rect.top); y <= int32(rect.bottom); y++) {
			uint32 pixel = image.At(x, y);
			if (visit(x, y, make_color((pixel >> 16) & 0xff, (pixel >> 8) & 0xff, pixel & 0xff)))
				return true;
		}
	}
	return false;
}

int32 window_present_count(BWindow* window)
{
	return control()->PresentCount(surface_of(window));
}

bool window_is_mapped(BWindow* window)
{
	return control()->IsShown(surface_of(window));
}

void inject_mouse_moved(BPoint screenWhere, uint32 /*buttons*/)
{
	control()->MoveMouse(screenWhere);
}

void inject_mouse_pressed(uint32 button, uint32 modifiers)
{
	control()->SetModifiers(modifiers);
	control()->PressButtons(button);
	control()->SetModifiers(0);
}

void inject_mouse_released(uint32 button)
{
	control()->ReleaseButtons(button);
}

void inject_mouse_released_all()
{
	control()->ReleaseButtons(B_PRIMARY_MOUSE_BUTTON | B_SECONDARY_MOUSE_BUTTON |
	                          B_TERTIARY_MOUSE_BUTTON);
}

void inject_wheel(float deltaX, float deltaY)
{
	control()->Wheel(deltaX, deltaY);
}

void inject_key_down(const char* bytes, int32 key, uint32 modifiers)
{
	control()->SetModifiers(modifiers);
	control()->KeyDown(key, bytes, static_cast<uint8>(bytes[0]));
}

std::vector<BRect> popup_frames()
{
	std::vector<BRect> frames;
	for (BPrivate::DisplaySurface* surface : control()->Surfaces()) {
		if (control()->TypeOf(surface) == BPrivate::kPopUpSurface && control()->IsShown(surface))
			frames.insert(frames.begin(), control()->FrameOf(surface));
	}
	return frames;
}

bool wait_for_popups(size_t count)
{
	return wait_for([count] {
		bool grabbed = control()->PointerGrab() != NULL;
		return popup_frames().size() == count && grabbed == (count > 0);
	});
}

bool settle_window(BWindow* window)
{
	return sync_window(window) && sync_window(window);
}

void inject_key_up(const char* bytes, int32 key, uint32 modifiers)
{
	control()->SetModifiers(modifiers);
	control()->KeyUp(key, bytes, static_cast<uint8>(bytes[0]));
	control()->SetModifiers(0);
}

void offscreen_resize_window(BWindow* window, int32 width, int32 height)
{
	control()->SystemResize(surface_of(window), width, height);
}

void offscreen_request_close(BWindow* window)
{
	control()->RequestClose(surface_of(window));
}

void offscreen_set_workspaces(int32 count, int32 current)
{
	control()->SetWorkspaceCount(count);
	BPrivate::display_backend()->ActivateWorkspace(current);
}

void offscreen_switch_workspace(int32 workspace)
{
	BPrivate::display_backend()->ActivateWorkspace(workspace);
}
