// Looper costs: how long a posted message takes to reach its handler, how many
// messages a looper gets through, and what an uncontended lock costs.

#include <atomic>
#include <thread>

#include <benchmark/benchmark.h>

#include <Looper.h>
#include <Message.h>

namespace {

class CountingLooper : public BLooper {
public:
	CountingLooper() : BLooper("bench") {}

	void MessageReceived(BMessage*) override { fHandled.fetch_add(1, std::memory_order_release); }

	int64 Handled() const { return fHandled.load(std::memory_order_acquire); }

	void WaitFor(int64 count) const
	{
		while (Handled() < count)
			std::this_thread::yield();
	}

private:
	std::atomic<int64> fHandled{0};
};

void quit(BLooper* looper)
{
	if (looper->Lock())
		looper->Quit();
}

// One message at a time: post, then wait until the handler saw it.
void BM_PostToDispatchLatency(benchmark::State& state)
{
	auto* looper = new CountingLooper;
	looper->Run();
	BMessage message('ping');
	int64 sent = 0;
	for (auto _ : state) {
		looper->PostMessage(&message);
		looper->WaitFor(++sent);
	}
	quit(looper);
}
BENCHMARK(BM_PostToDispatchLatency)->UseRealTime();

// Batches posted as fast as possible, then drained.
void BM_PostThroughput(benchmark::State& state)
{
	const int64 batch = state.range(0);
	auto* looper = new CountingLooper;
	looper->Run();
	BMessage message('data');
	message.AddInt32("value", 42);
	int64 sent = 0;
	for (auto _ : state) {
		for (int64 i = 0; i < batch; i++)
			looper->PostMessage(&message);
		sent += batch;
		looper->WaitFor(sent);
	}
	state.SetItemsProcessed(sent);
	quit(looper);
}
BENCHMARK(BM_PostThroughput)->Arg(1000)->UseRealTime();

void BM_LockUnlockUncontended(benchmark::State& state)
{
	BLooper* looper = new BLooper("lock");
	looper->Unlock();
	for (auto _ : state) {
		looper->Lock();
		looper->Unlock();
	}
	looper->Lock();
	looper->Quit();
}
BENCHMARK(BM_LockUnlockUncontended);

// A nested lock by the holder, as hooks that lock their own looper do.
void BM_LockNestedByHolder(benchmark::State& state)
{
	BLooper* looper = new BLooper("nested");
	for (auto _ : state) {
		looper->Lock();
		looper->Unlock();
	}
	looper->Quit();
}
BENCHMARK(BM_LockNestedByHolder);

} // namespace

BENCHMARK_MAIN();
