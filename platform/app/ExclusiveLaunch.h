#ifndef PLATFORM_APP_EXCLUSIVE_LAUNCH_H
#define PLATFORM_APP_EXCLUSIVE_LAUNCH_H

// How an application with B_EXCLUSIVE_LAUNCH starts: as the running instance
// of its signature on its X display, or by handing its launch to that one.

#include <vector>

#include <SupportDefs.h>

class BMessage;

namespace BPrivate {

class LaunchEndpoint;

// How long a later launch waits for the running instance to take its files
// before it shows them itself.
const bigtime_t kHandOverTimeout = 5000000;

// The endpoint when this process becomes the running instance. Otherwise
// NULL, with *handedOver true when the running instance took |messages| (its
// B_ARGV_RECEIVED, its initial message; none for a launch without either,
// which has nothing to hand over) and this process is to end; false when it
// runs on its own because no address can be used or the running instance did
// not take the launch, so that no file the user asked for is lost.
LaunchEndpoint* claim_exclusive_launch(const char* signature, const char* display,
                                       const std::vector<const BMessage*>& messages,
                                       bool* handedOver);

} // namespace BPrivate

#endif
