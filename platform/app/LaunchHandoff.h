#ifndef PLATFORM_APP_LAUNCH_HANDOFF_H
#define PLATFORM_APP_LAUNCH_HANDOFF_H

// The wire between a later launch of an exclusively launched application and
// its running instance: a 4-byte length (little-endian) and the flattened
// B_ARGV_RECEIVED; the instance answers with one byte.

#include <stddef.h>

#include <SupportDefs.h>

class BMessage;

namespace BPrivate {

struct LaunchAddress;

// No command line comes near it; the instance reads no more from anyone.
const size_t kMaxLaunchMessageSize = 1024 * 1024;
const char kLaunchAccepted = 'Y';
const char kLaunchRefused = 'N';

// Moves exactly |size| bytes through the non-blocking |fd| by |deadline|
// (system_time()). B_TIMED_OUT when it passes, B_INTERRUPTED when |wake| (if
// not -1) becomes readable first, B_ERROR when the peer hangs up.
status_t read_fully(int fd, void* data, size_t size, bigtime_t deadline, int wake);
status_t write_fully(int fd, const void* data, size_t size, bigtime_t deadline);

// The message the running application gets for one a later launch sent:
// B_BAD_VALUE unless |received| is a B_ARGV_RECEIVED whose "argc" counts its
// "argv" strings and that has a "cwd". Only those fields are kept, and
// argv[0] names |appPath|, the running executable, as it does at launch.
status_t accept_launch_message(const BMessage& received, const char* appPath, BMessage* message);

// Hands |message| to the instance listening at |address| and waits at most
// |timeout| for its answer. B_OK: it took the message. B_TIMED_OUT: it did
// not answer in time. B_ENTRY_NOT_FOUND: nobody listens there, yet or any
// more. B_NOT_ALLOWED: it refused, or it is not ours.
status_t hand_over_launch(const LaunchAddress& address, const BMessage& message, bigtime_t timeout);

} // namespace BPrivate

#endif
