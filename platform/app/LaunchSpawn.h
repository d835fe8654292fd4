#ifndef PLATFORM_APP_LAUNCH_SPAWN_H
#define PLATFORM_APP_LAUNCH_SPAWN_H

// How the roster starts an application and gives it its initial messages:
// their launch frames (LaunchHandoff.h), one after the other, in a sealed
// memfd the new process inherits, named by kInitialMessageVariable. Its
// BApplication takes them before B_READY_TO_RUN, as launch messages arrive
// on the Be roster.

#include <sys/types.h>

#include <string>
#include <vector>

#include <SupportDefs.h>

class BMessage;

namespace BPrivate {

extern const char kInitialMessageVariable[];
const size_t kMaxInitialMessages = 16;

// Starts |executable| with |arguments| (argv[1]...) and |messages|; *team is
// its process id. The child is reaped by a thread of this process, so that
// it never lingers as a zombie.
status_t spawn_application(const std::string& executable, const std::vector<std::string>& arguments,
                           const std::vector<const BMessage*>& messages, pid_t* team);

// In the new process: the messages it was started with, each accepted as a
// hand-over is (accept_launch_message; those refused are left out), the
// descriptor closed and the variable removed so that the application's own
// children do not see them. Nothing when it was started without any.
void take_initial_messages(const char* appPath, std::vector<BMessage>* messages);

} // namespace BPrivate

#endif
