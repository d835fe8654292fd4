#ifndef PLATFORM_KERNEL_THREAD_CONTROL_H
#define PLATFORM_KERNEL_THREAD_CONTROL_H

// The control block behind a thread_id. Internal to the kernel kit; other kits
// use ThreadPrivate.h.

#include <pthread.h>
#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include <OS.h>

#include "kernel/ThreadPrivate.h"

namespace BPrivate {

class ThreadControl {
public:
	explicit ThreadControl(bool spawned);

	// Owner thread: the core of every wait. |deadline| is absolute.
	status_t Park(bigtime_t deadline);
	// Owner thread: parks while a suspension is pending and the thread holds
	// no looper lock, so the wait that follows starts after the resume.
	void ParkIfSuspended();
	void ClearWake();
	// Any thread.
	void Wake();

	// Called by suspend/resume/kill_thread with the registry's lock released.
	void RequestSuspend();
	bool RequestResume(); // false: it was neither new nor suspended
	void RequestKill();
	// Owner thread, at start: waits for the first resume; false if killed first.
	bool WaitForStart();
	thread_state State();
	bool IsKilled();
	void StartIfNew();

	// Owner thread: throws ThreadKilled (or returns B_CANCELED while unwinding).
	status_t Die();

	// Fixed at creation.
	const bool fSpawned;
	thread_id fID = -1;
	thread_func fFunction = nullptr;
	void* fData = nullptr;

	// Set by the thread itself as it starts; read under gRegistryLock.
	pid_t fTid = 0;
	pthread_t fPthread{};

	// Guarded by the registry's lock.
	char fName[B_OS_NAME_LENGTH] = {};
	int32 fPriority = B_NORMAL_PRIORITY;

	// Owner thread only.
	int32 fLooperLocks = 0;

	// Suspension and kill requests: a quick test for check_thread_gate().
	std::atomic<bool> fAttention{false};

	// Join state, guarded by fJoinLock (which is taken before fLock, never after).
	std::mutex fJoinLock;
	WaitList fJoiners;
	bool fEnded = false;
	status_t fExitValue = B_OK;

private:
	void _UpdateAttention(); // with fLock held

	std::mutex fLock; // a leaf lock: guards the fields below
	std::condition_variable fCond;
	bool fStarted = false;   // resumed once
	bool fSuspended = false; // a suspension is pending or in effect
	bool fKilled = false;
	bool fWoken = false;
	bool fWaiting = false;    // in Park(), for State()
	uint32 fSuspendCount = 0; // counts suspensions, to tell an interrupted wait
};

// exit_thread() in a spawn_thread() thread unwinds to the trampoline with this.
struct ThreadExit {
	status_t value;
};

// The calling thread's control block; made on first use for threads not made
// by spawn_thread().
ThreadControl* current_thread_control();

} // namespace BPrivate

#endif
