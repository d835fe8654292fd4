#ifndef PLATFORM_APP_APPLICATION_PRIVATE_H
#define PLATFORM_APP_APPLICATION_PRIVATE_H

// The seam between BApplication and the interface kit: the loopers the
// application treats as its windows, and the building of its launch messages.

#include <string>
#include <vector>

#include <SupportDefs.h>

class BLooper;
class BMessage;
class BWindow;

namespace BPrivate {

// Called by a window as it is constructed and as it is destroyed; |looper|
// and |window| are the same object seen as its two classes.
void register_window(BLooper* looper, BWindow* window);
void unregister_window(BLooper* looper);

struct WindowEntry {
	BLooper* looper;
	BWindow* window;
};

// A copy of the list, in the order of registration. The windows are not
// locked: lock one through BLooper::Lock(), which fails if it is gone.
std::vector<WindowEntry> window_list();

// Fills |message| as B_ARGV_RECEIVED: "argc", "argv" (each argument) and
// "cwd". B_BAD_VALUE without arguments.
status_t build_argv_message(const std::vector<std::string>& arguments, const char* cwd,
                            BMessage* message);

// The process's own command line, from /proc/self/cmdline.
status_t read_command_line(std::vector<std::string>* arguments);

} // namespace BPrivate

#endif
