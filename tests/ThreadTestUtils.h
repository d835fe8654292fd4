#ifndef TESTS_THREAD_TEST_UTILS_H
#define TESTS_THREAD_TEST_UTILS_H

// Helpers for tests that wait on threads: every wait has a deadline, so a
// fault shows as a failure instead of a hung test.

#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include <OS.h>

namespace test {

// Polls |condition| until it holds or |timeout| (µs) has passed.
inline bool eventually(const std::function<bool()>& condition, bigtime_t timeout = 5000000)
{
	bigtime_t deadline = system_time() + timeout;
	while (!condition()) {
		if (system_time() > deadline)
			return false;
		std::this_thread::sleep_for(std::chrono::milliseconds(1));
	}
	return true;
}

// True once |thread| has ended (its id no longer names a running thread).
inline bool ended_within(thread_id thread, bigtime_t timeout = 5000000)
{
	thread_info info;
	return eventually([&] { return get_thread_info(thread, &info) == B_BAD_THREAD_ID; }, timeout);
}

// Runs |work| in a helper thread; a call that does not return within |timeout|
// means a deadlock, which cannot be undone: the test binary stops with a
// message instead of hanging.
inline void must_return_within(const char* what, const std::function<void()>& work,
                               bigtime_t timeout = 5000000)
{
	std::mutex lock;
	std::condition_variable cond;
	bool done = false;
	std::thread helper([&] {
		work();
		std::lock_guard<std::mutex> guard(lock);
		done = true;
		cond.notify_all();
	});
	std::unique_lock<std::mutex> guard(lock);
	if (!cond.wait_for(guard, std::chrono::microseconds(timeout), [&] { return done; })) {
		fprintf(stderr, "FATAL: %s did not return within %lld us (deadlock)\n", what,
		        (long long) timeout);
		fflush(stderr);
		_Exit(1);
	}
	guard.unlock();
	helper.join();
}

} // namespace test

#endif
