// The looper lock: recursion, timeouts, deleted loopers, and how it meets
// suspend_thread() and kill_thread().

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include <Looper.h>

#include "AppTestUtils.h"

namespace {

struct LockAttempt {
	BLooper* looper;
	bigtime_t timeout = B_INFINITE_TIMEOUT;
	std::atomic<bool> started{false};
	std::atomic<status_t> result{1};
	std::atomic<bool> holding{false};
	std::atomic<bool> release{false};
};

// Locks (with the timeout), reports, holds the lock until told, unlocks.
int32 lock_and_hold(void* data)
{
	LockAttempt* attempt = static_cast<LockAttempt*>(data);
	attempt->started = true;
	status_t status = attempt->looper->LockWithTimeout(attempt->timeout);
	attempt->result = status;
	if (status != B_OK)
		return status;
	attempt->holding = true;
	while (!attempt->release)
		snooze(1000);
	attempt->looper->Unlock();
	attempt->holding = false;
	return B_OK;
}

thread_id start(LockAttempt* attempt)
{
	thread_id thread = spawn_thread(lock_and_hold, "locker", B_NORMAL_PRIORITY, attempt);
	resume_thread(thread);
	return thread;
}

} // namespace

TEST(LooperLock, IsRecursivePerThreadAndExcludesOthers)
{
	BLooper* looper = new BLooper("lock");
	ASSERT_TRUE(looper->Lock());
	EXPECT_EQ(looper->CountLocks(), 2);

	LockAttempt attempt;
	attempt.looper = looper;
	attempt.timeout = 30000;
	thread_id thread = start(&attempt);
	ASSERT_TRUE(test::ended_within(thread));
	EXPECT_EQ(attempt.result.load(), B_TIMED_OUT);
	wait_for_thread(thread, NULL);

	looper->Unlock();
	EXPECT_TRUE(looper->IsLocked());
	attempt.result = 1;
	thread = start(&attempt);
	ASSERT_TRUE(test::ended_within(thread));
	EXPECT_EQ(attempt.result.load(), B_TIMED_OUT);
	wait_for_thread(thread, NULL);

	// Released fully: another thread gets it, and recursion is its own.
	looper->Unlock();
	EXPECT_FALSE(looper->IsLocked());
	attempt.result = 1;
	attempt.timeout = B_INFINITE_TIMEOUT;
	thread = start(&attempt);
	ASSERT_TRUE(test::eventually([&] { return attempt.holding.load(); }));
	EXPECT_EQ(looper->LockingThread(), thread);
	EXPECT_EQ(looper->LockWithTimeout(0), B_TIMED_OUT);
	EXPECT_FALSE(looper->IsLocked());
	// Unlock by a thread that does not hold the lock changes nothing.
	looper->Unlock();
	EXPECT_EQ(looper->LockingThread(), thread);
	attempt.release = true;
	ASSERT_TRUE(test::ended_within(thread));
	wait_for_thread(thread, NULL);

	ASSERT_TRUE(looper->Lock());
	looper->Quit();
}

TEST(LooperLock, LockingADeletedLooperFailsAlsoForWaiters)
{
	BLooper* looper = new BLooper("doomed");
	LockAttempt attempt;
	attempt.looper = looper;
	thread_id thread = start(&attempt);
	ASSERT_TRUE(test::eventually([&] { return looper->CountLockRequests() == 2; }));

	looper->Quit(); // never run: deletes it
	ASSERT_TRUE(test::ended_within(thread));
	EXPECT_EQ(attempt.result.load(), B_BAD_VALUE);
	wait_for_thread(thread, NULL);
	EXPECT_FALSE(test::lock_gone(looper));
	EXPECT_FALSE(test::is_locked_gone(looper));
	EXPECT_EQ(test::lock_gone(looper, 1000), B_BAD_VALUE);
}

TEST(LooperLock, KillFromTheLockHolderReachesAThreadWaitingForTheLock)
{
	BLooper* looper = new BLooper("held");
	BHandler* handler = new BHandler("handler");
	looper->AddHandler(handler);

	// Waiting in BLooper::Lock().
	LockAttempt attempt;
	attempt.looper = looper;
	thread_id thread = start(&attempt);
	ASSERT_TRUE(test::eventually([&] { return looper->CountLockRequests() == 2; }));
	test::must_return_within("kill_thread", [&] { EXPECT_EQ(kill_thread(thread), B_OK); });
	status_t exitValue = B_OK;
	EXPECT_EQ(wait_for_thread(thread, &exitValue), B_OK);
	EXPECT_EQ(exitValue, B_INTERRUPTED);
	EXPECT_EQ(attempt.result.load(), 1);

	// Waiting in BHandler::LockLooper(), as a playback thread does.
	thread = spawn_thread(
	    [](void* data) -> int32 {
		    static_cast<BHandler*>(data)->LockLooper();
		    return 0;
	    },
	    "lock looper", B_LOW_PRIORITY, handler);
	resume_thread(thread);
	ASSERT_TRUE(test::eventually([&] { return looper->CountLockRequests() == 2; }));
	test::must_return_within("kill_thread", [&] { EXPECT_EQ(kill_thread(thread), B_OK); });

	EXPECT_TRUE(looper->IsLocked());
	EXPECT_EQ(looper->CountLocks(), 1);
	EXPECT_EQ(looper->CountLockRequests(), 1);
	looper->Quit();
}

TEST(LooperLock, AKilledThreadGivesUpTheLocksItHeld)
{
	BLooper* looper = new BLooper("released");
	looper->Unlock();
	LockAttempt attempt;
	attempt.looper = looper;
	thread_id thread = start(&attempt);
	ASSERT_TRUE(test::eventually([&] { return attempt.holding.load(); }));
	test::must_return_within("kill_thread", [&] { EXPECT_EQ(kill_thread(thread), B_OK); });
	EXPECT_EQ(looper->LockWithTimeout(1000000), B_OK);
	looper->Quit();
}

TEST(LooperLock, ASuspendedWaiterHoldsNoLockUntilResumed)
{
	BLooper* looper = new BLooper("suspend");
	LockAttempt attempt;
	attempt.looper = looper;
	thread_id thread = start(&attempt);
	ASSERT_TRUE(test::eventually([&] { return looper->CountLockRequests() == 2; }));
	ASSERT_EQ(suspend_thread(thread), B_OK);
	looper->Unlock();

	// Parked, the waiter does not take the lock it was waiting for.
	snooze(30000);
	EXPECT_FALSE(attempt.holding);
	ASSERT_EQ(looper->LockWithTimeout(1000000), B_OK);
	looper->Unlock();

	ASSERT_EQ(resume_thread(thread), B_OK);
	ASSERT_TRUE(test::eventually([&] { return attempt.holding.load(); }));
	EXPECT_EQ(attempt.result.load(), B_OK);
	attempt.release = true;
	ASSERT_TRUE(test::ended_within(thread));
	wait_for_thread(thread, NULL);
	ASSERT_TRUE(looper->Lock());
	looper->Quit();
}

TEST(LooperLock, LockLooperFollowsTheHandler)
{
	BHandler loose("loose");
	EXPECT_FALSE(loose.LockLooper());
	EXPECT_EQ(loose.LockLooperWithTimeout(1000), B_BAD_VALUE);

	BLooper* looper = new BLooper("owner");
	BHandler* handler = new BHandler("handler");
	looper->AddHandler(handler);
	looper->Unlock();
	ASSERT_TRUE(handler->LockLooper());
	EXPECT_TRUE(looper->IsLocked());
	handler->UnlockLooper();
	EXPECT_FALSE(looper->IsLocked());

	// The handler moves to another looper while a thread waits for the first.
	BLooper* second = new BLooper("second");
	second->Unlock();
	ASSERT_TRUE(looper->Lock());
	std::atomic<status_t> result{1};
	std::thread waiter([&] {
		result = handler->LockLooperWithTimeout(5000000);
		if (result == B_OK)
			handler->UnlockLooper();
	});
	ASSERT_TRUE(test::eventually([&] { return looper->CountLockRequests() == 2; }));
	looper->RemoveHandler(handler);
	ASSERT_TRUE(second->Lock());
	second->AddHandler(handler);
	second->Unlock();
	looper->Unlock();
	waiter.join();
	EXPECT_EQ(result.load(), B_MISMATCHED_VALUES);

	ASSERT_TRUE(looper->Lock());
	looper->Quit();
	ASSERT_TRUE(second->Lock());
	second->Quit();
	delete handler;
}
