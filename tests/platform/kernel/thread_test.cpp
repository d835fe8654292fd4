#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include <OS.h>

#include "ThreadTestUtils.h"
#include "kernel/ThreadPrivate.h"

namespace {

struct Counter {
	std::atomic<int32> ticks{0};
	std::atomic<bool> stop{false};
};

int32 count_until_stopped(void* data)
{
	Counter* counter = static_cast<Counter*>(data);
	while (!counter->stop) {
		counter->ticks++;
		BPrivate::check_thread_gate();
		std::this_thread::yield();
	}
	return 42;
}

struct SnoozeResult {
	std::atomic<bool> started{false};
	std::atomic<status_t> status{B_ERROR};
	std::atomic<bool> done{false};
	bigtime_t amount = 10000000;
};

int32 snooze_once(void* data)
{
	SnoozeResult* result = static_cast<SnoozeResult*>(data);
	result->started = true;
	result->status = snooze(result->amount);
	result->done = true;
	return 0;
}

bool parked(thread_id thread)
{
	return test::eventually([&] {
		thread_info info;
		return get_thread_info(thread, &info) == B_OK && info.state == B_THREAD_SUSPENDED;
	});
}

} // namespace

TEST(Thread, SpawnStartsSuspendedAndResumeRunsIt)
{
	Counter counter;
	thread_id thread = spawn_thread(count_until_stopped, "counter", B_NORMAL_PRIORITY, &counter);
	ASSERT_GT(thread, 0);
	snooze(30000);
	EXPECT_EQ(counter.ticks.load(), 0);
	thread_info info;
	ASSERT_EQ(get_thread_info(thread, &info), B_OK);
	EXPECT_EQ(info.state, B_THREAD_SUSPENDED);
	EXPECT_STREQ(info.name, "counter");

	ASSERT_EQ(resume_thread(thread), B_OK);
	EXPECT_TRUE(test::eventually([&] { return counter.ticks > 0; }));
	// Running: nothing to resume.
	EXPECT_EQ(resume_thread(thread), B_BAD_THREAD_STATE);

	counter.stop = true;
	ASSERT_TRUE(test::ended_within(thread));
	status_t exitValue = 0;
	EXPECT_EQ(wait_for_thread(thread, &exitValue), B_OK);
	EXPECT_EQ(exitValue, 42);
	// The exit value is handed out once; then the id is gone.
	EXPECT_EQ(wait_for_thread(thread, &exitValue), B_BAD_THREAD_ID);
	EXPECT_EQ(resume_thread(thread), B_BAD_THREAD_ID);
	EXPECT_EQ(suspend_thread(thread), B_BAD_THREAD_ID);
	EXPECT_EQ(kill_thread(thread), B_BAD_THREAD_ID);
}

TEST(Thread, BadArgumentsAndUnknownIds)
{
	EXPECT_EQ(spawn_thread(nullptr, "none", B_NORMAL_PRIORITY, nullptr), B_BAD_VALUE);
	const thread_id unknown = 0x7ffffff0;
	EXPECT_EQ(resume_thread(unknown), B_BAD_THREAD_ID);
	EXPECT_EQ(suspend_thread(unknown), B_BAD_THREAD_ID);
	EXPECT_EQ(kill_thread(unknown), B_BAD_THREAD_ID);
	EXPECT_EQ(wait_for_thread(unknown, nullptr), B_BAD_THREAD_ID);
	EXPECT_EQ(rename_thread(unknown, "x"), B_BAD_THREAD_ID);
	EXPECT_EQ(set_thread_priority(unknown, B_LOW_PRIORITY), B_BAD_THREAD_ID);
	thread_info info;
	EXPECT_EQ(get_thread_info(unknown, &info), B_BAD_THREAD_ID);
	EXPECT_EQ(snooze_until(0, 1), B_BAD_VALUE);
}

TEST(Thread, WaitForThreadStartsANewThreadAndReturnsItsExitValue)
{
	Counter counter;
	counter.stop = true;
	thread_id thread = spawn_thread(count_until_stopped, "new", B_NORMAL_PRIORITY, &counter);
	status_t exitValue = 0;
	test::must_return_within("wait_for_thread",
	                         [&] { EXPECT_EQ(wait_for_thread(thread, &exitValue), B_OK); });
	EXPECT_EQ(exitValue, 42);
}

TEST(Thread, SuspendParksAtTheGateAndSuspensionsDoNotNest)
{
	Counter counter;
	thread_id thread = spawn_thread(count_until_stopped, "gate", B_NORMAL_PRIORITY, &counter);
	ASSERT_EQ(resume_thread(thread), B_OK);
	ASSERT_TRUE(test::eventually([&] { return counter.ticks > 0; }));

	ASSERT_EQ(suspend_thread(thread), B_OK);
	ASSERT_EQ(suspend_thread(thread), B_OK);
	ASSERT_TRUE(parked(thread));
	int32 ticks = counter.ticks;
	snooze(30000);
	EXPECT_EQ(counter.ticks.load(), ticks);

	// One resume undoes both suspensions.
	ASSERT_EQ(resume_thread(thread), B_OK);
	EXPECT_TRUE(test::eventually([&] { return counter.ticks > ticks; }));
	EXPECT_EQ(resume_thread(thread), B_BAD_THREAD_STATE);

	counter.stop = true;
	EXPECT_TRUE(test::ended_within(thread));
	wait_for_thread(thread, nullptr);
}

TEST(Thread, SuspendDuringSnoozeInterruptsItAfterTheResume)
{
	SnoozeResult result;
	thread_id thread = spawn_thread(snooze_once, "sleeper", B_NORMAL_PRIORITY, &result);
	ASSERT_EQ(resume_thread(thread), B_OK);
	ASSERT_TRUE(test::eventually([&] { return result.started.load(); }));
	snooze(20000);

	ASSERT_EQ(suspend_thread(thread), B_OK);
	ASSERT_TRUE(parked(thread));
	snooze(20000);
	EXPECT_FALSE(result.done);
	ASSERT_EQ(resume_thread(thread), B_OK);

	// Ends long before its ten seconds.
	ASSERT_TRUE(test::ended_within(thread, 3000000));
	EXPECT_EQ(result.status.load(), B_INTERRUPTED);
	wait_for_thread(thread, nullptr);
}

TEST(Thread, SnoozeSleepsAtLeastItsAmountAndSnoozeUntilThePastReturnsAtOnce)
{
	bigtime_t start = system_time();
	EXPECT_EQ(snooze(20000), B_OK);
	EXPECT_GE(system_time() - start, 20000);

	start = system_time();
	EXPECT_EQ(snooze_until(start + 15000, B_SYSTEM_TIMEBASE), B_OK);
	EXPECT_GE(system_time(), start + 15000);

	EXPECT_EQ(snooze_until(system_time() - 1000000, B_SYSTEM_TIMEBASE), B_OK);
}

namespace {

struct KillProbe {
	std::atomic<bool> started{false};
	std::atomic<bool> destroyed{false};
	std::atomic<bool> swallowed{false};
	std::atomic<bool> returned{false};
};

struct SetOnDestruction {
	std::atomic<bool>& flag;
	~SetOnDestruction() { flag = true; }
};

int32 snooze_forever(void* data)
{
	KillProbe* probe = static_cast<KillProbe*>(data);
	SetOnDestruction guard{probe->destroyed};
	probe->started = true;
	try {
		snooze(B_INFINITE_TIMEOUT);
	} catch (const std::exception&) {
		// A kill is not an std::exception: application handlers never swallow it.
		probe->swallowed = true;
	}
	probe->returned = true;
	return 0;
}

} // namespace

TEST(Thread, KillUnwindsTheVictimAndReportsInterrupted)
{
	KillProbe probe;
	thread_id thread = spawn_thread(snooze_forever, "victim", B_NORMAL_PRIORITY, &probe);
	ASSERT_EQ(resume_thread(thread), B_OK);
	ASSERT_TRUE(test::eventually([&] { return probe.started.load(); }));

	test::must_return_within("kill_thread", [&] { EXPECT_EQ(kill_thread(thread), B_OK); });
	// kill_thread returns once the victim has ended.
	EXPECT_TRUE(probe.destroyed);
	EXPECT_FALSE(probe.swallowed);
	EXPECT_FALSE(probe.returned);
	EXPECT_EQ(kill_thread(thread), B_BAD_THREAD_ID);
	status_t exitValue = B_OK;
	EXPECT_EQ(wait_for_thread(thread, &exitValue), B_OK);
	EXPECT_EQ(exitValue, B_INTERRUPTED);
}

TEST(Thread, KillBeforeStartOrWhileSuspendedNeverRunsTheRest)
{
	KillProbe probe;
	thread_id thread = spawn_thread(snooze_forever, "never", B_NORMAL_PRIORITY, &probe);
	test::must_return_within("kill_thread", [&] { EXPECT_EQ(kill_thread(thread), B_OK); });
	EXPECT_FALSE(probe.started);

	Counter counter;
	thread = spawn_thread(count_until_stopped, "suspended", B_NORMAL_PRIORITY, &counter);
	ASSERT_EQ(resume_thread(thread), B_OK);
	ASSERT_EQ(suspend_thread(thread), B_OK);
	ASSERT_TRUE(parked(thread));
	test::must_return_within("kill_thread", [&] { EXPECT_EQ(kill_thread(thread), B_OK); });
	status_t exitValue = B_OK;
	EXPECT_EQ(wait_for_thread(thread, &exitValue), B_OK);
	EXPECT_EQ(exitValue, B_INTERRUPTED);
}

namespace {

// A condition guarded by a mutex, as the application kit's locks are built.
struct Gate {
	std::mutex lock;
	BPrivate::WaitList waiters;
	bool open = false;
	std::atomic<bool> waiting{false};
	std::atomic<status_t> result{B_ERROR};
};

int32 wait_at_gate(void* data)
{
	Gate* gate = static_cast<Gate*>(data);
	std::unique_lock<std::mutex> lock(gate->lock);
	gate->waiting = true;
	while (!gate->open)
		gate->waiters.Wait(lock, B_INFINITE_TIMEOUT);
	gate->result = B_OK;
	return 7;
}

} // namespace

TEST(Thread, WaitListWakesWaitersAndKillReachesThem)
{
	Gate gate;
	thread_id thread = spawn_thread(wait_at_gate, "gate waiter", B_NORMAL_PRIORITY, &gate);
	ASSERT_EQ(resume_thread(thread), B_OK);
	ASSERT_TRUE(test::eventually([&] { return gate.waiting.load(); }));
	{
		std::lock_guard<std::mutex> lock(gate.lock);
		gate.open = true;
		gate.waiters.NotifyAll();
	}
	status_t exitValue = 0;
	test::must_return_within("wait_for_thread",
	                         [&] { EXPECT_EQ(wait_for_thread(thread, &exitValue), B_OK); });
	EXPECT_EQ(exitValue, 7);

	Gate closed;
	thread = spawn_thread(wait_at_gate, "stuck waiter", B_NORMAL_PRIORITY, &closed);
	ASSERT_EQ(resume_thread(thread), B_OK);
	ASSERT_TRUE(test::eventually([&] { return closed.waiting.load(); }));
	test::must_return_within("kill_thread", [&] { EXPECT_EQ(kill_thread(thread), B_OK); });
	EXPECT_EQ(closed.result.load(), B_ERROR);
}

TEST(Thread, WaitListTimesOut)
{
	Gate gate;
	std::unique_lock<std::mutex> lock(gate.lock);
	bigtime_t start = system_time();
	status_t status;
	do
		status = gate.waiters.Wait(lock, start + 20000);
	while (status == B_OK);
	EXPECT_EQ(status, B_TIMED_OUT);
	EXPECT_GE(system_time() - start, 20000);
	EXPECT_TRUE(gate.waiters.IsEmpty());
}

namespace {

struct LockHolder {
	std::atomic<int32> phase{0};
	std::atomic<status_t> snoozeStatus{B_ERROR};
};

// Holds a (pretend) looper lock while it snoozes: a suspension must wait until
// the lock is released.
int32 snooze_holding_a_lock(void* data)
{
	LockHolder* holder = static_cast<LockHolder*>(data);
	BPrivate::looper_lock_acquired();
	holder->phase = 1;
	holder->snoozeStatus = snooze(100000);
	BPrivate::looper_lock_released();
	holder->phase = 2;
	BPrivate::check_thread_gate();
	holder->phase = 3;
	return 0;
}

} // namespace

TEST(Thread, SuspensionWaitsUntilNoLooperLockIsHeld)
{
	LockHolder holder;
	thread_id thread = spawn_thread(snooze_holding_a_lock, "holder", B_NORMAL_PRIORITY, &holder);
	ASSERT_EQ(resume_thread(thread), B_OK);
	ASSERT_TRUE(test::eventually([&] { return holder.phase >= 1; }));
	ASSERT_EQ(suspend_thread(thread), B_OK);

	// The snooze with the lock held runs to its end; the thread then parks at
	// the gate, after it released the lock.
	ASSERT_TRUE(parked(thread));
	EXPECT_EQ(holder.phase.load(), 2);
	EXPECT_EQ(holder.snoozeStatus.load(), B_OK);
	ASSERT_EQ(resume_thread(thread), B_OK);
	EXPECT_TRUE(test::ended_within(thread));
	EXPECT_EQ(holder.phase.load(), 3);
	wait_for_thread(thread, nullptr);
}

namespace {

struct Identity {
	std::atomic<thread_id> self{-1};
	std::atomic<int> niceValue{-100};
};

int32 report_identity(void* data)
{
	Identity* identity = static_cast<Identity*>(data);
	identity->niceValue = getpriority(PRIO_PROCESS, gettid());
	identity->self = find_thread(NULL);
	snooze(B_INFINITE_TIMEOUT);
	return 0;
}

int32 exit_early(void*)
{
	exit_thread(1234);
	return 0;
}

} // namespace

TEST(Thread, NamesPrioritiesAndIdentity)
{
	Identity identity;
	thread_id thread = spawn_thread(report_identity, "identity", B_LOW_PRIORITY, &identity);
	ASSERT_EQ(resume_thread(thread), B_OK);
	ASSERT_TRUE(test::eventually([&] { return identity.self >= 0; }));
	EXPECT_EQ(identity.self.load(), thread);
	// B_LOW_PRIORITY is a higher nice value than the creator's for that thread alone.
	EXPECT_GT(identity.niceValue.load(), getpriority(PRIO_PROCESS, 0));

	EXPECT_EQ(find_thread("identity"), thread);
	EXPECT_EQ(rename_thread(thread, "renamed"), B_OK);
	EXPECT_EQ(find_thread("identity"), B_NAME_NOT_FOUND);
	EXPECT_EQ(find_thread("renamed"), thread);
	EXPECT_EQ(set_thread_priority(thread, B_NORMAL_PRIORITY), B_LOW_PRIORITY);
	thread_info info;
	ASSERT_EQ(get_thread_info(thread, &info), B_OK);
	EXPECT_EQ(info.priority, B_NORMAL_PRIORITY);
	EXPECT_EQ(info.team, getpid());
	EXPECT_EQ(kill_thread(thread), B_OK);

	// Long names are cut to B_OS_NAME_LENGTH - 1 bytes.
	thread = spawn_thread(exit_early, "a name much longer than thirty-two bytes", B_NORMAL_PRIORITY,
	                      nullptr);
	ASSERT_EQ(get_thread_info(thread, &info), B_OK);
	EXPECT_EQ(strlen(info.name), (size_t) B_OS_NAME_LENGTH - 1);
	status_t exitValue = 0;
	EXPECT_EQ(wait_for_thread(thread, &exitValue), B_OK);
	EXPECT_EQ(exitValue, 1234);
}

TEST(Thread, ThreadsNotMadeBySpawnThreadCanBlockButNotBeControlled)
{
	thread_id mainThread = find_thread(NULL);
	EXPECT_GT(mainThread, 0);
	EXPECT_EQ(find_thread(NULL), mainThread);

	std::atomic<thread_id> foreign{-1};
	std::atomic<status_t> snoozed{B_ERROR};
	std::atomic<bool> release{false};
	std::thread library([&] {
		foreign = find_thread(NULL);
		snoozed = snooze(1000);
		while (!release)
			snooze(1000);
	});
	ASSERT_TRUE(test::eventually([&] { return snoozed == B_OK; }));
	EXPECT_NE(foreign.load(), mainThread);
	EXPECT_EQ(suspend_thread(foreign), B_NOT_ALLOWED);
	EXPECT_EQ(kill_thread(foreign), B_NOT_ALLOWED);
	EXPECT_EQ(wait_for_thread(foreign, nullptr), B_NOT_ALLOWED);
	release = true;
	library.join();
	// Its id is dropped when it ends.
	thread_info info;
	EXPECT_EQ(get_thread_info(foreign, &info), B_BAD_THREAD_ID);
}
