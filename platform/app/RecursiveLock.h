#ifndef PLATFORM_APP_RECURSIVE_LOCK_H
#define PLATFORM_APP_RECURSIVE_LOCK_H

// The looper lock (and the message queue's lock): recursive per thread, and
// its waits are platform blocking points, so that a waiting thread can be
// suspended or killed (kernel/ThreadPrivate.h).

#include <memory>
#include <mutex>

#include <OS.h>

#include "kernel/ThreadPrivate.h"

namespace BPrivate {

class RecursiveLock : public std::enable_shared_from_this<RecursiveLock> {
public:
	// A looper lock counts for the thread's suspension rules and is released
	// when a killed thread ends. Always call it through a shared_ptr the
	// caller holds (make_shared), never through a bare pointer.
	explicit RecursiveLock(bool isLooperLock);

	// B_OK; B_TIMED_OUT once |deadline| (absolute) has passed; B_BAD_VALUE
	// if the lock was retired; B_INTERRUPTED if the thread was killed while
	// unwinding. Throws ThreadKilled.
	status_t Acquire(bigtime_t deadline);
	// B_OK or B_NOT_ALLOWED when the caller does not hold it.
	status_t Release();
	// Every waiter and later Acquire() fails from now on; the caller's own
	// hold, if any, ends.
	void Retire();

	bool IsHeldByCaller();
	thread_id Owner();
	int32 Count();
	int32 Requests();

	// The exit hook of a killed thread: frees every looper lock it still holds.
	static void ReleaseAllOfCaller();

private:
	void _Drop(); // with fMutex held, when the count reaches 0

	const bool fIsLooperLock;
	std::mutex fMutex; // a leaf except for the waiters' control blocks
	WaitList fWaiters;
	thread_id fOwner = -1;
	int32 fCount = 0;
	int32 fWaiting = 0;
	bool fRetired = false;
};

} // namespace BPrivate

#endif
