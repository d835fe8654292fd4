#include "app/ExclusiveLaunch.h"

#include <OS.h>

#include "app/LaunchAddress.h"
#include "app/LaunchEndpoint.h"
#include "app/LaunchHandoff.h"

namespace BPrivate {

// An instance that is starting or ending holds the lock without listening;
// a later launch tries again for this long.
static const bigtime_t kSettleTimeout = 3000000;

LaunchEndpoint* claim_exclusive_launch(const char* signature, const char* display,
                                       const std::vector<const BMessage*>& messages,
                                       bool* handedOver)
{
	*handedOver = false;
	LaunchAddress address;
	if (launch_address(signature, display, &address) != B_OK)
		return NULL;
	const bigtime_t deadline = system_time() + kSettleTimeout;
	size_t next = 0; // the messages before it were taken
	for (;;) {
		LaunchEndpoint* endpoint = NULL;
		status_t status = LaunchEndpoint::Claim(address, &endpoint);
		if (status == B_OK)
			return endpoint;
		if (status != B_BUSY)
			return NULL;
		// Without messages, the Be roster would bring the running instance
		// to the front.
		while (next < messages.size() &&
		       (status = hand_over_launch(address, *messages[next], kHandOverTimeout)) == B_OK)
			next++;
		if (next == messages.size()) {
			*handedOver = true;
			return NULL;
		}
		if (status != B_ENTRY_NOT_FOUND || system_time() >= deadline)
			return NULL;
		snooze(10000);
	}
}

} // namespace BPrivate
