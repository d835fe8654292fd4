#include <gtest/gtest.h>

#include <Looper.h>
#include <Message.h>
#include <MessageRunner.h>

#include "AppTestUtils.h"

using test::Journal;
using test::RecordingLooper;

namespace {

// Records each tick with its arrival time.
class TickLooper : public BLooper {
public:
	TickLooper(Journal* journal) : BLooper("ticks"), fJournal(journal) {}

	void MessageReceived(BMessage* message) override
	{
		if (message->what == 'tick') {
			std::lock_guard<std::mutex> lock(fLock);
			fTimes.push_back(system_time());
		}
		fJournal->Add(test::code(message->what));
	}

	std::vector<bigtime_t> Times()
	{
		std::lock_guard<std::mutex> lock(fLock);
		return fTimes;
	}

private:
	Journal* fJournal;
	std::mutex fLock;
	std::vector<bigtime_t> fTimes;
};

} // namespace

TEST(MessageRunner, SendsExactlyCountMessagesOneIntervalApart)
{
	Journal journal;
	auto* looper = new TickLooper(&journal);
	looper->Run();

	const bigtime_t interval = 20000;
	BMessage tick('tick');
	const bigtime_t start = system_time();
	BMessageRunner runner(BMessenger(looper), &tick, interval, 3);
	ASSERT_EQ(runner.InitCheck(), B_OK);
	ASSERT_TRUE(journal.WaitForCount(3));
	// Three more intervals bring nothing more.
	snooze(4 * interval);
	EXPECT_EQ(journal.Count(), 3u);

	std::vector<bigtime_t> times = looper->Times();
	ASSERT_EQ(times.size(), 3u);
	EXPECT_GE(times[0] - start, interval);
	for (size_t i = 1; i < times.size(); i++)
		EXPECT_GE(times[i] - start, (bigtime_t) (i + 1) * interval);

	// Spent: nothing more to tell or change.
	bigtime_t gotInterval;
	int32 count;
	EXPECT_EQ(runner.GetInfo(&gotInterval, &count), B_BAD_VALUE);
	test::quit_looper(looper);
}

TEST(MessageRunner, DeletingStopsIt)
{
	Journal journal;
	auto* looper = new TickLooper(&journal);
	looper->Run();
	BMessage tick('tick');
	auto* runner = new BMessageRunner(BMessenger(looper), &tick, 5000);
	bigtime_t interval = 0;
	int32 count = 0;
	EXPECT_EQ(runner->GetInfo(&interval, &count), B_OK);
	EXPECT_EQ(interval, 5000);
	EXPECT_EQ(count, -1);
	ASSERT_TRUE(journal.WaitForCount(3));
	delete runner;
	// Whatever was already queued is handled; nothing is sent after that.
	looper->PostMessage('mark');
	ASSERT_TRUE(test::eventually([&] { return journal.Entries().back() == "mark"; }));
	size_t seen = journal.Count();
	snooze(50000);
	EXPECT_EQ(journal.Count(), seen);
	test::quit_looper(looper);
}

TEST(MessageRunner, SettingsAndBadArguments)
{
	Journal journal;
	auto* looper = new TickLooper(&journal);
	looper->Run();
	BMessage tick('tick');

	EXPECT_EQ(BMessageRunner(BMessenger(), &tick, 1000).InitCheck(), B_BAD_VALUE);
	EXPECT_EQ(BMessageRunner(BMessenger(looper), (BMessage*) NULL, 1000).InitCheck(), B_BAD_VALUE);
	EXPECT_EQ(BMessageRunner(BMessenger(looper), &tick, 0).InitCheck(), B_BAD_VALUE);
	EXPECT_EQ(BMessageRunner(BMessenger(looper), &tick, 1000, 0).InitCheck(), B_BAD_VALUE);

	// A long interval, shortened: the new one counts from now.
	BMessageRunner runner(BMessenger(looper), tick, 60000000, 2);
	ASSERT_EQ(runner.InitCheck(), B_OK);
	EXPECT_EQ(runner.SetInterval(0), B_BAD_VALUE);
	EXPECT_EQ(runner.SetInterval(10000), B_OK);
	EXPECT_EQ(runner.SetCount(1), B_OK);
	bigtime_t interval;
	int32 count;
	EXPECT_EQ(runner.GetInfo(&interval, &count), B_OK);
	EXPECT_EQ(interval, 10000);
	EXPECT_EQ(count, 1);
	ASSERT_TRUE(journal.WaitForCount(1));
	snooze(40000);
	EXPECT_EQ(journal.Count(), 1u);
	test::quit_looper(looper);
}
