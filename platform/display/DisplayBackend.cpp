#include "display/DisplayBackend.h"

#include <atomic>
#include <mutex>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "display/DisplayBackendPrivate.h"

namespace BPrivate {

static std::mutex sOpenLock;
static std::atomic<DisplayBackend*> sBackend{NULL};
static bool sOpened = false; // guarded by sOpenLock
static std::atomic<display_lost_hook> sLostHook{NULL};
static std::atomic<draggers_drawn_hook> sDraggersHook{NULL};

static bool wants_offscreen()
{
	const char* forced = getenv("PL_DISPLAY_BACKEND");
	if (forced != NULL && strcmp(forced, "offscreen") == 0)
		return true;
	if (forced != NULL && strcmp(forced, "x11") == 0)
		return false;
	const char* display = getenv("DISPLAY");
	return display == NULL || display[0] == '\0';
}

static DisplayBackend* open_backend(bool forceOffscreen)
{
	std::lock_guard<std::mutex> lock(sOpenLock);
	if (sOpened)
		return sBackend.load();
	sOpened = true;
	status_t status = B_OK;
	DisplayBackend* backend = NULL;
	if (forceOffscreen || wants_offscreen()) {
		backend = create_offscreen_display_backend(&status);
	} else if (create_x11_display_backend == NULL) {
		fprintf(stderr, "display: this build has no X11 backend; DISPLAY is ignored\n");
		backend = create_offscreen_display_backend(&status);
	} else {
		backend = create_x11_display_backend(&status);
		if (backend == NULL || status != B_OK) {
			fprintf(stderr, "display: cannot open the X display \"%s\" (error 0x%x)\n",
			        getenv("DISPLAY") != NULL ? getenv("DISPLAY") : "", unsigned(status));
			delete backend;
			backend = NULL;
		}
	}
	if (backend != NULL) {
		// PL_FOCUS_FOLLOWS_MOUSE=1 states the user's policy where the system
		// cannot tell it.
		const char* focus = getenv("PL_FOCUS_FOLLOWS_MOUSE");
		if (focus != NULL && strcmp(focus, "1") == 0)
			backend->capabilities.focusFollowsMouse = true;
	}
	// Never deleted: windows may outlive every other object at exit.
	sBackend.store(backend);
	return backend;
}

void set_display_lost_hook(display_lost_hook hook)
{
	sLostHook.store(hook);
}

void display_lost()
{
	const char* display = getenv("DISPLAY");
	fprintf(stderr, "display: the connection to the X display \"%s\" was lost\n",
	        display != NULL ? display : "");
	if (display_lost_hook hook = sLostHook.load())
		hook();
}

void set_draggers_drawn_hook(draggers_drawn_hook hook)
{
	sDraggersHook.store(hook);
}

void draggers_drawn_changed(bool drawn)
{
	if (draggers_drawn_hook hook = sDraggersHook.load())
		hook(drawn);
}

DisplayBackend* display_backend()
{
	DisplayBackend* backend = sBackend.load(std::memory_order_acquire);
	if (backend != NULL)
		return backend;
	return open_backend(false);
}

DisplayBackend* display_backend_preferring_offscreen()
{
	DisplayBackend* backend = sBackend.load(std::memory_order_acquire);
	if (backend != NULL)
		return backend;
	return open_backend(true);
}

} // namespace BPrivate
