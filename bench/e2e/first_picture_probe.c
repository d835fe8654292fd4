// first_picture_probe: launches a viewer and reports how long it takes until
// its picture is on the X screen.
//
//   first_picture_probe [--timeout MS] -- command [args...]
//
// The clock starts just before fork(). The probe watches the root window for
// top-level windows being mapped (a window manager's frames included) and
// polls, every couple of milliseconds, a small patch of screen pixels at the
// centre of the part of each such window that lies on the screen. The picture
// counts as shown when every pixel of the patch is magenta-ish (red and blue
// high, green low): the bench pictures are magenta-tinted throughout, so the
// patch matches whatever part of the picture a viewer's fit puts there, while
// black, white and grey backgrounds never do.
//
// Prints "map_ms=<first map> picture_ms=<picture shown> private_kb=<the
// viewer's private dirty memory when the picture was found>" and exits 0, or
// prints the reason and exits 1. The viewer's process group is ended either
// way.

#define _GNU_SOURCE

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdbool.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <xcb/xcb.h>

enum {
	kMaxWindows = 64,
	kPatch = 3, // the patch is kPatch x kPatch pixels
	kPollMs = 2,
};

typedef struct {
	xcb_window_t id;
	int x, y, width, height;
} TopLevel;

typedef struct {
	xcb_connection_t* connection;
	xcb_screen_t* screen;
	int redShift, greenShift, blueShift;
	TopLevel windows[kMaxWindows];
	int windowCount;
} Probe;

static double NowMs(void)
{
	struct timespec now;
	clock_gettime(CLOCK_MONOTONIC, &now);
	return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

static int MaskShift(uint32_t mask)
{
	int shift = 0;
	while (mask != 0 && (mask & 1) == 0) {
		mask >>= 1;
		shift++;
	}
	return shift;
}

static bool FindRootVisualMasks(Probe* probe)
{
	xcb_depth_iterator_t depths = xcb_screen_allowed_depths_iterator(probe->screen);
	for (; depths.rem > 0; xcb_depth_next(&depths)) {
		xcb_visualtype_iterator_t visuals = xcb_depth_visuals_iterator(depths.data);
		for (; visuals.rem > 0; xcb_visualtype_next(&visuals)) {
			if (visuals.data->visual_id != probe->screen->root_visual)
				continue;
			if (depths.data->depth < 24 || visuals.data->_class != XCB_VISUAL_CLASS_TRUE_COLOR)
				return false;
			probe->redShift = MaskShift(visuals.data->red_mask);
			probe->greenShift = MaskShift(visuals.data->green_mask);
			probe->blueShift = MaskShift(visuals.data->blue_mask);
			return true;
		}
	}
	return false;
}

static TopLevel* FindWindow(Probe* probe, xcb_window_t id)
{
	for (int i = 0; i < probe->windowCount; i++) {
		if (probe->windows[i].id == id)
			return &probe->windows[i];
	}
	return NULL;
}

static void ForgetWindow(Probe* probe, xcb_window_t id)
{
	TopLevel* window = FindWindow(probe, id);
	if (window != NULL)
		*window = probe->windows[--probe->windowCount];
}

static void AddWindow(Probe* probe, xcb_window_t id)
{
	if (FindWindow(probe, id) != NULL || probe->windowCount == kMaxWindows)
		return;
	xcb_get_geometry_reply_t* geometry =
	    xcb_get_geometry_reply(probe->connection, xcb_get_geometry(probe->connection, id), NULL);
	// Gone again before the question arrived: nothing to watch.
	if (geometry == NULL)
		return;
	TopLevel* window = &probe->windows[probe->windowCount++];
	window->id = id;
	window->x = geometry->x;
	window->y = geometry->y;
	window->width = geometry->width;
	window->height = geometry->height;
	free(geometry);
}

// Returns false when the connection to the X server is lost.
static bool HandleEvents(Probe* probe, double* firstMap, double start)
{
	xcb_generic_event_t* event;
	while ((event = xcb_poll_for_event(probe->connection)) != NULL) {
		switch (event->response_type & ~0x80) {
			case XCB_MAP_NOTIFY: {
				xcb_map_notify_event_t* map = (xcb_map_notify_event_t*) event;
				// Pop-ups and tooltips are not where a viewer shows its picture.
				if (!map->override_redirect) {
					AddWindow(probe, map->window);
					if (*firstMap < 0)
						*firstMap = NowMs() - start;
				}
				break;
			}
			case XCB_CONFIGURE_NOTIFY: {
				xcb_configure_notify_event_t* configure = (xcb_configure_notify_event_t*) event;
				TopLevel* window = FindWindow(probe, configure->window);
				if (window != NULL) {
					window->x = configure->x;
					window->y = configure->y;
					window->width = configure->width;
					window->height = configure->height;
				}
				break;
			}
			case XCB_UNMAP_NOTIFY:
				ForgetWindow(probe, ((xcb_unmap_notify_event_t*) event)->window);
				break;
			case XCB_DESTROY_NOTIFY:
				ForgetWindow(probe, ((xcb_destroy_notify_event_t*) event)->window);
				break;
		}
		free(event);
	}
	return xcb_connection_has_error(probe->connection) == 0;
}

static bool IsMagentaish(const Probe* probe, uint32_t pixel)
{
	unsigned red = (pixel >> probe->redShift) & 0xff;
	unsigned green = (pixel >> probe->greenShift) & 0xff;
	unsigned blue = (pixel >> probe->blueShift) & 0xff;
	return red >= 160 && blue >= 160 && green <= 96;
}

static bool ShowsPicture(Probe* probe, const TopLevel* window)
{
	int screenWidth = probe->screen->width_in_pixels;
	int screenHeight = probe->screen->height_in_pixels;
	int left = window->x > 0 ? window->x : 0;
	int top = window->y > 0 ? window->y : 0;
	int right = window->x + window->width < screenWidth ? window->x + window->width : screenWidth;
	int bottom =
	    window->y + window->height < screenHeight ? window->y + window->height : screenHeight;
	if (right - left < kPatch || bottom - top < kPatch)
		return false;

	int x = (left + right) / 2 - kPatch / 2;
	int y = (top + bottom) / 2 - kPatch / 2;
	xcb_get_image_reply_t* image =
	    xcb_get_image_reply(probe->connection,
	                        xcb_get_image(probe->connection, XCB_IMAGE_FORMAT_Z_PIXMAP,
	                                      probe->screen->root, x, y, kPatch, kPatch, UINT32_MAX),
	                        NULL);
	if (image == NULL)
		return false;
	bool shown = xcb_get_image_data_length(image) >= kPatch * kPatch * 4;
	const uint8_t* data = xcb_get_image_data(image);
	// Depth 24 comes as 32 bits a pixel; the padded rows of a 3-pixel-wide
	// image are exactly 12 bytes.
	for (int i = 0; shown && i < kPatch * kPatch; i++) {
		uint32_t pixel;
		memcpy(&pixel, data + 4 * i, sizeof pixel);
		shown = IsMagentaish(probe, pixel);
	}
	free(image);
	return shown;
}

// Private_Dirty of the viewer's process, in KiB: its own memory, what a copy
// of the decoded picture adds to; -1 when it cannot be read.
static long PrivateDirtyKb(pid_t child)
{
	char path[64];
	snprintf(path, sizeof path, "/proc/%d/smaps_rollup", (int) child);
	FILE* file = fopen(path, "r");
	if (file == NULL)
		return -1;
	char line[256];
	long kb = -1;
	while (fgets(line, sizeof line, file) != NULL) {
		if (sscanf(line, "Private_Dirty: %ld kB", &kb) == 1)
			break;
	}
	fclose(file);
	return kb;
}

static void EndViewer(pid_t child)
{
	kill(-child, SIGTERM);
	kill(child, SIGTERM);
	for (int i = 0; i < 100; i++) {
		if (waitpid(child, NULL, WNOHANG) == child) {
			// Helpers the viewer started may still be in its group.
			kill(-child, SIGKILL);
			return;
		}
		usleep(10 * 1000);
	}
	kill(-child, SIGKILL);
	kill(child, SIGKILL);
	waitpid(child, NULL, 0);
}

static int Usage(void)
{
	fprintf(stderr, "usage: first_picture_probe [--timeout MS] -- command [args...]\n");
	return 2;
}

int main(int argc, char** argv)
{
	double timeoutMs = 20000;
	int first = 1;
	for (; first < argc; first++) {
		if (strcmp(argv[first], "--") == 0) {
			first++;
			break;
		}
		if (strcmp(argv[first], "--timeout") == 0 && first + 1 < argc)
			timeoutMs = atof(argv[++first]);
		else
			return Usage();
	}
	if (first >= argc || timeoutMs <= 0)
		return Usage();

	Probe probe;
	memset(&probe, 0, sizeof probe);
	probe.connection = xcb_connect(NULL, NULL);
	if (xcb_connection_has_error(probe.connection)) {
		fprintf(stderr, "first_picture_probe: cannot connect to the X server\n");
		return 1;
	}
	probe.screen = xcb_setup_roots_iterator(xcb_get_setup(probe.connection)).data;
	if (!FindRootVisualMasks(&probe)) {
		fprintf(stderr, "first_picture_probe: the root visual is not 24-bit TrueColor\n");
		return 1;
	}
	uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
	xcb_void_cookie_t select = xcb_change_window_attributes_checked(
	    probe.connection, probe.screen->root, XCB_CW_EVENT_MASK, &mask);
	xcb_generic_error_t* error = xcb_request_check(probe.connection, select);
	if (error != NULL) {
		fprintf(stderr, "first_picture_probe: cannot watch the root window\n");
		free(error);
		return 1;
	}

	double start = NowMs();
	pid_t child = fork();
	if (child < 0) {
		perror("first_picture_probe: fork");
		return 1;
	}
	if (child == 0) {
		setpgid(0, 0);
		// Our standard output carries the result line alone.
		dup2(STDERR_FILENO, STDOUT_FILENO);
		execvp(argv[first], argv + first);
		fprintf(stderr, "first_picture_probe: cannot run %s: %s\n", argv[first], strerror(errno));
		_exit(127);
	}
	setpgid(child, child);

	double firstMap = -1;
	const char* failure = NULL;
	double shownAt = -1;
	long privateKb = -1;
	struct pollfd events = {.fd = xcb_get_file_descriptor(probe.connection), .events = POLLIN};
	while (shownAt < 0 && failure == NULL) {
		if (!HandleEvents(&probe, &firstMap, start)) {
			failure = "lost the connection to the X server";
			break;
		}
		for (int i = 0; i < probe.windowCount; i++) {
			if (ShowsPicture(&probe, &probe.windows[i])) {
				shownAt = NowMs() - start;
				privateKb = PrivateDirtyKb(child);
				break;
			}
		}
		if (shownAt >= 0)
			break;
		int status;
		if (waitpid(child, &status, WNOHANG) == child) {
			failure = "the viewer ended before showing the picture";
			child = 0;
			break;
		}
		if (NowMs() - start > timeoutMs) {
			failure = "timed out";
			break;
		}
		poll(&events, 1, kPollMs);
	}

	if (child > 0)
		EndViewer(child);
	xcb_disconnect(probe.connection);
	if (failure != NULL) {
		fprintf(stderr, "first_picture_probe: %s: %s\n", argv[first], failure);
		return 1;
	}
	printf("map_ms=%.1f picture_ms=%.1f private_kb=%ld\n", firstMap, shownAt, privateKb);
	return 0;
}
