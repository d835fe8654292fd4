#ifndef PLATFORM_APP_LAUNCH_HANDOFF_H
#define PLATFORM_APP_LAUNCH_HANDOFF_H

// The wire between a launch of an exclusively launched application and its
// running instance: a 4-byte length (little-endian) and a flattened message;
// the instance answers with one byte. The same frame, in a memfd, carries the
// initial message of an application the roster starts.
//
// The message is a B_ARGV_RECEIVED, or any other message wrapped as a
// kHandedMessage: "message" (the message itself), and, for a dropped one,
// "dropped" (bool), "drop point" and "drop offset" (BPoint), since the state
// of a drop is not a part of a flattened message.

#include <stddef.h>

#include <vector>

#include <SupportDefs.h>

class BMessage;

namespace BPrivate {

struct LaunchAddress;

// No command line comes near it; the instance reads no more from anyone.
const size_t kMaxLaunchMessageSize = 1024 * 1024;
const uint32 kHandedMessage = 'PLhm';
const char kLaunchAccepted = 'Y';
const char kLaunchRefused = 'N';

// Moves exactly |size| bytes through the non-blocking |fd| by |deadline|
// (system_time()). B_TIMED_OUT when it passes, B_INTERRUPTED when |wake| (if
// not -1) becomes readable first, B_ERROR when the peer hangs up.
status_t read_fully(int fd, void* data, size_t size, bigtime_t deadline, int wake);
status_t write_fully(int fd, const void* data, size_t size, bigtime_t deadline);

// The message the running application gets for one a launch sent. For a
// B_ARGV_RECEIVED: B_BAD_VALUE unless its "argc" counts its "argv" strings
// and it has a "cwd"; only those fields are kept, and argv[0] names
// |appPath|, the running executable, as it does at launch. For a
// kHandedMessage: the message it wraps, dropped again where it was dropped;
// its refs are rebuilt from their paths (those that no longer exist are left
// out; a B_REFS_RECEIVED left with none is refused) and pointers, which mean
// nothing here, are removed. Anything else is refused.
status_t accept_launch_message(const BMessage& received, const char* appPath, BMessage* message);

// What goes on the wire for |message|: itself for a B_ARGV_RECEIVED, else
// its kHandedMessage.
status_t wrap_launch_message(const BMessage& message, BMessage* wire);

// The frame of |message| as it goes on the wire; B_BAD_VALUE beyond
// kMaxLaunchMessageSize.
status_t launch_frame(const BMessage& message, std::vector<char>* frame);

// Reads the flattened message of one frame from |fd| by |deadline| (see
// read_fully). B_BAD_DATA: a length out of bounds.
status_t read_launch_frame(int fd, bigtime_t deadline, int wake, std::vector<char>* data);

// Hands |message| to the instance listening at |address| and waits at most
// |timeout| for its answer. B_OK: it took the message. B_TIMED_OUT: it did
// not answer in time. B_ENTRY_NOT_FOUND: nobody listens there, yet or any
// more. B_NOT_ALLOWED: it refused, or it is not ours.
status_t hand_over_launch(const LaunchAddress& address, const BMessage& message, bigtime_t timeout);

} // namespace BPrivate

#endif
