#include "app/RecursiveLock.h"

#include <algorithm>
#include <vector>

namespace BPrivate {

// The looper locks the calling thread holds, for ReleaseAllOfCaller().
static thread_local std::vector<std::shared_ptr<RecursiveLock>> tHeldLooperLocks;

RecursiveLock::RecursiveLock(bool isLooperLock) : fIsLooperLock(isLooperLock) {}

status_t RecursiveLock::Acquire(bigtime_t deadline)
{
	const thread_id self = find_thread(NULL);
	std::unique_lock<std::mutex> lock(fMutex);
	if (fRetired)
		return B_BAD_VALUE;
	if (fOwner == self) {
		fCount++;
		return B_OK;
	}
	while (fOwner >= 0) {
		fWaiting++;
		status_t status;
		try {
			status = fWaiters.Wait(lock, deadline);
		} catch (...) {
			fWaiting--;
			throw;
		}
		fWaiting--;
		if (fRetired)
			return B_BAD_VALUE;
		if (status == B_CANCELED)
			return B_INTERRUPTED;
		if (status == B_TIMED_OUT && fOwner >= 0)
			return B_TIMED_OUT;
	}
	fOwner = self;
	fCount = 1;
	if (fIsLooperLock) {
		looper_lock_acquired();
		tHeldLooperLocks.push_back(shared_from_this());
	}
	return B_OK;
}

void RecursiveLock::_Drop()
{
	fOwner = -1;
	fCount = 0;
	fWaiters.NotifyAll();
	if (!fIsLooperLock)
		return;
	looper_lock_released();
	auto found = std::find_if(
	    tHeldLooperLocks.begin(), tHeldLooperLocks.end(),
	    [this](const std::shared_ptr<RecursiveLock>& held) { return held.get() == this; });
	// Callers reach the lock through a reference of their own, so this is
	// never the last one.
	if (found != tHeldLooperLocks.end())
		tHeldLooperLocks.erase(found);
}

status_t RecursiveLock::Release()
{
	const thread_id self = find_thread(NULL);
	std::unique_lock<std::mutex> lock(fMutex);
	if (fOwner != self)
		return B_NOT_ALLOWED;
	if (--fCount == 0)
		_Drop();
	return B_OK;
}

void RecursiveLock::Retire()
{
	const thread_id self = find_thread(NULL);
	std::lock_guard<std::mutex> lock(fMutex);
	fRetired = true;
	if (fOwner == self)
		_Drop();
	fWaiters.NotifyAll();
}

bool RecursiveLock::IsHeldByCaller()
{
	const thread_id self = find_thread(NULL);
	std::lock_guard<std::mutex> lock(fMutex);
	return fOwner == self;
}

thread_id RecursiveLock::Owner()
{
	std::lock_guard<std::mutex> lock(fMutex);
	return fOwner;
}

int32 RecursiveLock::Count()
{
	std::lock_guard<std::mutex> lock(fMutex);
	return fCount;
}

int32 RecursiveLock::Requests()
{
	std::lock_guard<std::mutex> lock(fMutex);
	return fWaiting + (fOwner >= 0 ? 1 : 0);
}

void RecursiveLock::ReleaseAllOfCaller()
{
	std::vector<std::shared_ptr<RecursiveLock>> held;
	held.swap(tHeldLooperLocks);
	for (const std::shared_ptr<RecursiveLock>& lock : held) {
		std::lock_guard<std::mutex> guard(lock->fMutex);
		lock->fOwner = -1;
		lock->fCount = 0;
		lock->fWaiters.NotifyAll();
		looper_lock_released();
	}
}

} // namespace BPrivate
