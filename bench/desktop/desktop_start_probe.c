// desktop_start_probe: launches the desktop and reports how long it takes to
// show its first complete frame, then how much processor time it uses while
// idle.
//
//   desktop_start_probe [--idle SECONDS] [--timeout MS] --expect X,Y=RRGGBB ... -- command [args...]
//
// The clock starts just before fork(). The frame counts as complete when every
// expected screen pixel has its colour (the bench puts one inside each saved
// replicant, and one on the bare background), polled every couple of
// milliseconds on the root window. Then the desktop is left alone for the idle
// time (10 s by default) and its user + system time over it is read from
// /proc/<pid>/stat.
//
// Prints "frame_ms=<first complete frame> idle_cpu_ms=<processor time>" and
// exits 0, or prints the reason and exits 1. The desktop's process group is
// ended either way.

#define _GNU_SOURCE

#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <xcb/xcb.h>

enum { kMaxPoints = 64, kPollMs = 2 };

struct point {
	int x, y;
	uint32_t color;
};

static double now_ms(void)
{
	struct timespec ts;
	clock_gettime(CLOCK_MONOTONIC, &ts);
	return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

static int pixel_is(xcb_connection_t* c, xcb_window_t root, const struct point* p)
{
	xcb_get_image_reply_t* reply = xcb_get_image_reply(
	    c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, p->x, p->y, 1, 1, ~0u), NULL);
	if (reply == NULL)
		return 0;
	int match = xcb_get_image_data_length(reply) >= 4 &&
	            ((*(uint32_t*) xcb_get_image_data(reply)) & 0xFFFFFF) == p->color;
	free(reply);
	return match;
}

// User plus system time of |pid| in milliseconds; -1 when unreadable.
static double cpu_ms(pid_t pid)
{
	char path[64];
	snprintf(path, sizeof(path), "/proc/%d/stat", (int) pid);
	FILE* file = fopen(path, "r");
	if (file == NULL)
		return -1;
	char buffer[2048];
	size_t length = fread(buffer, 1, sizeof(buffer) - 1, file);
	fclose(file);
	buffer[length] = '\0';
	// The fields after the command's name, which may hold spaces, in ')'.
	char* rest = strrchr(buffer, ')');
	if (rest == NULL)
		return -1;
	unsigned long utime = 0, stime = 0;
	if (sscanf(rest + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime,
	           &stime) != 2)
		return -1;
	return (utime + stime) * 1000.0 / sysconf(_SC_CLK_TCK);
}

int main(int argc, char** argv)
{
	struct point points[kMaxPoints];
	int count = 0;
	int idle = 10;
	int timeout = 30000;
	int arg = 1;
	for (; arg < argc && strcmp(argv[arg], "--") != 0; arg++) {
		if (strcmp(argv[arg], "--idle") == 0 && arg + 1 < argc) {
			idle = atoi(argv[++arg]);
		} else if (strcmp(argv[arg], "--timeout") == 0 && arg + 1 < argc) {
			timeout = atoi(argv[++arg]);
		} else if (strcmp(argv[arg], "--expect") == 0 && arg + 1 < argc && count < kMaxPoints) {
			struct point* p = &points[count];
			if (sscanf(argv[++arg], "%d,%d=%x", &p->x, &p->y, &p->color) != 3) {
				fprintf(stderr, "desktop_start_probe: bad --expect %s\n", argv[arg]);
				return 1;
			}
			count++;
		} else {
			fprintf(stderr, "desktop_start_probe: unknown argument %s\n", argv[arg]);
			return 1;
		}
	}
	if (arg + 1 >= argc || count == 0) {
		fprintf(stderr, "usage: %s [--idle S] [--timeout MS] --expect X,Y=RRGGBB ... -- command...\n",
		        argv[0]);
		return 1;
	}
	xcb_connection_t* c = xcb_connect(NULL, NULL);
	if (xcb_connection_has_error(c)) {
		fprintf(stderr, "desktop_start_probe: no X display\n");
		return 1;
	}
	xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;

	double start = now_ms();
	pid_t child = fork();
	if (child == 0) {
		setpgid(0, 0);
		execvp(argv[arg + 1], argv + arg + 1);
		_exit(127);
	}
	if (child < 0)
		return 1;
	int result = 1;
	double frame = -1;
	while (now_ms() - start < timeout) {
		int shown = 0;
		for (int i = 0; i < count && pixel_is(c, root, &points[i]); i++)
			shown++;
		if (shown == count) {
			frame = now_ms() - start;
			break;
		}
		if (waitpid(child, NULL, WNOHANG) == child) {
			fprintf(stderr, "desktop_start_probe: the desktop ended before its frame\n");
			child = -1;
			break;
		}
		usleep(kPollMs * 1000);
	}
	if (frame < 0 && child > 0)
		fprintf(stderr, "desktop_start_probe: no complete frame within %d ms\n", timeout);
	if (frame >= 0) {
		double before = cpu_ms(child);
		sleep(idle);
		double after = cpu_ms(child);
		if (before >= 0 && after >= 0) {
			printf("frame_ms=%.1f idle_cpu_ms=%.1f\n", frame, after - before);
			result = 0;
		}
	}
	if (child > 0) {
		kill(-child, SIGKILL);
		waitpid(child, NULL, 0);
	}
	xcb_disconnect(c);
	return result;
}
