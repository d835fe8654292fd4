#ifndef PLATFORM_KERNEL_THREAD_PRIVATE_H
#define PLATFORM_KERNEL_THREAD_PRIVATE_H

// The one wait primitive of the platform. Linux cannot stop or kill a single
// thread, so suspend_thread() and kill_thread() are cooperative: every blocking
// point of the platform waits here, and here a thread made by spawn_thread()
// - parks while it is suspended, unless it holds a looper lock (then the
//   suspension waits for its next blocking point that holds none, so a parked
//   thread never blocks a looper);
// - unwinds by throwing ThreadKilled once it is killed; the spawn_thread()
//   trampoline catches it and records B_INTERRUPTED as the exit status.
// Threads not made by spawn_thread() (main, library threads) cannot be
// suspended or killed; for them these are plain waits.
//
// Because a killed thread unwinds from here, code that calls a blocking point
// of a killable thread must not be noexcept. While an exception is already in
// flight (a blocking call from a destructor during unwinding) a killed thread
// does not throw again: the wait reports B_CANCELED and the caller gives up.

#include <mutex>
#include <vector>

#include <OS.h>

namespace BPrivate {

// Deliberately not derived from std::exception, so that catch (std::exception&)
// in application code does not swallow a kill.
struct ThreadKilled {};

class ThreadControl;

// A list of threads waiting for a condition guarded by the caller's mutex,
// like a condition variable whose waits are platform blocking points.
class WaitList {
public:
	// Called with |lock| held; releases it while parked and holds it again on
	// return. B_OK: notified (or spuriously woken: re-check the condition);
	// B_TIMED_OUT: |deadline| (absolute system_time(), B_INFINITE_TIMEOUT for
	// none) has passed; B_INTERRUPTED: the thread was suspended and resumed
	// meanwhile; B_CANCELED: killed while unwinding. Throws ThreadKilled.
	status_t Wait(std::unique_lock<std::mutex>& lock, bigtime_t deadline);

	// With the caller's mutex held.
	void NotifyAll();
	bool IsEmpty() const { return fWaiters.empty(); }

private:
	std::vector<ThreadControl*> fWaiters; // guarded by the caller's mutex
};

// Parks until |deadline| with nothing else to wake the thread: the wait of
// snooze(). Same results as WaitList::Wait() except B_OK, and B_TIMED_OUT
// means the time has come.
status_t wait_until(bigtime_t deadline);

// If the calling thread is suspended, parks until it is resumed, holding no
// looper lock; if it is killed, throws ThreadKilled. Meant for long CPU work
// between units (frames, tiles); costs one atomic load when nothing is pending.
void check_thread_gate();

// The looper lock tells the kernel kit how many looper locks the calling
// thread holds, so that a suspension never parks it while it holds one.
void looper_lock_acquired();
void looper_lock_released();

// Runs in every spawn_thread() thread just before it ends, also after a kill,
// so that the application kit can release the looper locks a killed thread
// still held. Set once, at start-up of the application kit.
void set_thread_exit_hook(void (*hook)());

// True if the calling thread was made by spawn_thread() and has been killed.
bool current_thread_killed();

} // namespace BPrivate

#endif
