#ifndef PLATFORM_APP_LAUNCH_ADDRESS_H
#define PLATFORM_APP_LAUNCH_ADDRESS_H

// Where an exclusively launched application is found by its later launches:
// one Unix-domain socket per signature and X display, beside a lock file, in
// a folder only the user can enter.

#include <string>

#include <SupportDefs.h>

namespace BPrivate {

struct LaunchAddress {
	std::string socketPath;
	std::string lockPath;
};

// The display that DISPLAY names, in one spelling: ":0", ":0.0" and
// "unix:0" are the same server; another host stays another display. An unset
// or empty DISPLAY gives "".
std::string normalize_display(const char* display);

// $XDG_RUNTIME_DIR when it is a folder of ours that nobody else may enter;
// otherwise /tmp/pl-runtime-<uid>, created owner-only. B_NOT_ALLOWED when
// that name is taken by something that is not such a folder of ours.
status_t launch_folder(std::string* folder);

// The socket and lock file of |signature| (compared without case, as MIME
// types are) on |display| (as DISPLAY spells it, or NULL). B_NAME_TOO_LONG
// when the folder leaves no room for a socket name.
status_t launch_address(const char* signature, const char* display, LaunchAddress* address);

} // namespace BPrivate

#endif
