#include <time.h>

#include <OS.h>

#include "kernel/ThreadControl.h"

bigtime_t system_time(void)
{
	struct timespec now;
	clock_gettime(CLOCK_MONOTONIC, &now);
	return (bigtime_t) now.tv_sec * 1000000 + now.tv_nsec / 1000;
}

// A suspension that was pending before the snooze began is served first, so
// the whole amount is slept after the resume; a suspension that comes during
// the snooze ends it with B_INTERRUPTED once the thread is resumed.
static status_t snooze_to(bigtime_t deadline)
{
	status_t status = BPrivate::wait_until(deadline);
	if (status == B_TIMED_OUT)
		return B_OK;
	return status == B_CANCELED ? B_INTERRUPTED : status;
}

status_t snooze_etc(bigtime_t amount, int timeBase, uint32 flags)
{
	if (timeBase != B_SYSTEM_TIMEBASE)
		return B_BAD_VALUE;
	BPrivate::current_thread_control()->ParkIfSuspended();
	if ((flags & B_ABSOLUTE_TIMEOUT) != 0)
		return snooze_to(amount);
	if (amount <= 0)
		return B_OK;
	bigtime_t now = system_time();
	bigtime_t deadline = amount >= B_INFINITE_TIMEOUT - now ? B_INFINITE_TIMEOUT : now + amount;
	return snooze_to(deadline);
}

status_t snooze(bigtime_t amount)
{
	return snooze_etc(amount, B_SYSTEM_TIMEBASE, B_RELATIVE_TIMEOUT);
}

status_t snooze_until(bigtime_t time, int timeBase)
{
	return snooze_etc(time, timeBase, B_ABSOLUTE_TIMEOUT);
}
