#include "kernel/ThreadControl.h"

#include <algorithm>
#include <chrono>
#include <exception>

namespace BPrivate {

// Waits are cut into slices of at most a day, so that a far deadline never
// overflows the nanosecond clock of the condition variable.
static const bigtime_t kLongestSlice = 86400LL * 1000000;

ThreadControl::ThreadControl(bool spawned) : fSpawned(spawned), fStarted(!spawned) {}

void ThreadControl::_UpdateAttention()
{
	fAttention.store(fKilled || fSuspended, std::memory_order_release);
}

status_t ThreadControl::Die()
{
	// Throwing while another exception unwinds would terminate the process.
	if (std::uncaught_exceptions() > 0)
		return B_CANCELED;
	throw ThreadKilled();
}

status_t ThreadControl::Park(bigtime_t deadline)
{
	std::unique_lock<std::mutex> lock(fLock);
	const uint32 suspendCount = fSuspendCount;
	bool parked = false;
	fWaiting = true;
	for (;;) {
		if (fKilled) {
			fWaiting = false;
			lock.unlock();
			return Die();
		}
		if (fSuspended && fLooperLocks == 0) {
			parked = true;
			fCond.wait(lock);
			continue;
		}
		const bool interrupted = parked || (fSuspendCount != suspendCount && fLooperLocks == 0);
		if (fWoken) {
			fWoken = false;
			fWaiting = false;
			return interrupted ? B_INTERRUPTED : B_OK;
		}
		if (interrupted) {
			fWaiting = false;
			return B_INTERRUPTED;
		}
		if (deadline == B_INFINITE_TIMEOUT) {
			fCond.wait(lock);
			continue;
		}
		const bigtime_t now = system_time();
		if (now >= deadline) {
			fWaiting = false;
			return B_TIMED_OUT;
		}
		// steady_clock is CLOCK_MONOTONIC, the clock of system_time().
		const bigtime_t until = std::min(deadline, now + kLongestSlice);
		fCond.wait_until(lock,
		                 std::chrono::steady_clock::time_point(std::chrono::microseconds(until)));
	}
}

void ThreadControl::ParkIfSuspended()
{
	std::unique_lock<std::mutex> lock(fLock);
	for (;;) {
		if (fKilled) {
			lock.unlock();
			Die();
			return;
		}
		if (!fSuspended || fLooperLocks != 0)
			return;
		fWaiting = true;
		fCond.wait(lock);
		fWaiting = false;
	}
}

void ThreadControl::ClearWake()
{
	std::lock_guard<std::mutex> lock(fLock);
	fWoken = false;
}

void ThreadControl::Wake()
{
	std::lock_guard<std::mutex> lock(fLock);
	fWoken = true;
	fCond.notify_all();
}

void ThreadControl::RequestSuspend()
{
	std::lock_guard<std::mutex> lock(fLock);
	// A thread that has not started yet is suspended already.
	if (!fStarted)
		return;
	fSuspended = true;
	fSuspendCount++;
	_UpdateAttention();
	fCond.notify_all();
}

bool ThreadControl::RequestResume()
{
	std::lock_guard<std::mutex> lock(fLock);
	if (fStarted && !fSuspended)
		return false;
	fStarted = true;
	fSuspended = false;
	_UpdateAttention();
	fCond.notify_all();
	return true;
}

void ThreadControl::RequestKill()
{
	std::lock_guard<std::mutex> lock(fLock);
	fKilled = true;
	_UpdateAttention();
	fCond.notify_all();
}

bool ThreadControl::WaitForStart()
{
	std::unique_lock<std::mutex> lock(fLock);
	fCond.wait(lock, [this] { return fStarted || fKilled; });
	return !fKilled;
}

bool ThreadControl::IsKilled()
{
	std::lock_guard<std::mutex> lock(fLock);
	return fKilled;
}

void ThreadControl::StartIfNew()
{
	std::lock_guard<std::mutex> lock(fLock);
	if (fStarted)
		return;
	fStarted = true;
	fCond.notify_all();
}

thread_state ThreadControl::State()
{
	std::lock_guard<std::mutex> lock(fLock);
	if (!fStarted || (fSuspended && fWaiting && fLooperLocks == 0))
		return B_THREAD_SUSPENDED;
	return fWaiting ? B_THREAD_WAITING : B_THREAD_RUNNING;
}

status_t WaitList::Wait(std::unique_lock<std::mutex>& lock, bigtime_t deadline)
{
	ThreadControl* self = current_thread_control();
	self->ClearWake();
	fWaiters.push_back(self);
	lock.unlock();

	status_t status;
	try {
		status = self->Park(deadline);
	} catch (...) {
		lock.lock();
		std::erase(fWaiters, self);
		throw;
	}
	lock.lock();
	std::erase(fWaiters, self);
	return status;
}

void WaitList::NotifyAll()
{
	for (ThreadControl* waiter : fWaiters)
		waiter->Wake();
	fWaiters.clear();
}

status_t wait_until(bigtime_t deadline)
{
	ThreadControl* self = current_thread_control();
	self->ClearWake();
	for (;;) {
		status_t status = self->Park(deadline);
		// Nothing notifies this wait; a wake-up is left over from an earlier
		// WaitList wait that had already ended.
		if (status != B_OK)
			return status;
	}
}

} // namespace BPrivate
