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
                                       const BMessage* argv, bool* handedOver)
{
	*handedOver = false;
	LaunchAddress address;
	if (launch_address(signature, display, &address) != B_OK)
		return NULL;
	const bigtime_t deadline = system_time() + kSettleTimeout;
	for (;;) {
		LaunchEndpoint* endpoint = NULL;
		status_t status = LaunchEndpoint::Claim(address, &endpoint);
		if (status == B_OK)
			return endpoint;
		if (status != B_BUSY)
			return NULL;
		if (argv == NULL) {
			// The Be roster would bring the running instance to the front.
			*handedOver = true;
			return NULL;
		}
		status = hand_over_launch(address, *argv, kHandOverTimeout);
		if (status == B_OK) {
			*handedOver = true;
			return NULL;
		}
		if (status != B_ENTRY_NOT_FOUND || system_time() >= deadline)
			return NULL;
		snooze(10000);
	}
}

} // namespace BPrivate
