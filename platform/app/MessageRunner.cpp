#include <MessageRunner.h>

#include <map>
#include <memory>
#include <mutex>

#include <Message.h>

#include "app/LooperPrivate.h"

namespace {

// One thread serves every runner of the process. Messages are sent with the
// schedule's lock held: sending only queues a copy, never blocks and never
// takes a looper lock, and it means that once a runner's destructor returned
// nothing more is sent for it.
class RunnerSchedule {
public:
	static RunnerSchedule& Default();

	int32 Add(const BMessenger& target, const BMessage& message, bigtime_t interval, int32 count,
	          const BMessenger& replyTo);
	void Remove(int32 token);
	status_t SetInterval(int32 token, bigtime_t interval);
	status_t SetCount(int32 token, int32 count);
	status_t GetInfo(int32 token, bigtime_t* interval, int32* count);

private:
	struct Entry {
		BMessenger target;
		BMessage message;
		BMessenger replyTo;
		bigtime_t interval;
		int32 count; // < 0: without end
		bigtime_t next;
	};

	static int32 _ThreadEntry(void* data);
	void _Run();
	status_t _StartThread(); // with fLock held

	std::mutex fLock; // guards everything below
	BPrivate::WaitList fWakeUp;
	std::map<int32, std::unique_ptr<Entry>> fEntries;
	int32 fNextToken = 1;
	thread_id fThread = -1;
};

RunnerSchedule& RunnerSchedule::Default()
{
	// Never destroyed: its thread lives as long as the process.
	static RunnerSchedule* sSchedule = new RunnerSchedule;
	return *sSchedule;
}

status_t RunnerSchedule::_StartThread()
{
	if (fThread >= 0)
		return B_OK;
	thread_id thread = spawn_thread(_ThreadEntry, "message runner", B_NORMAL_PRIORITY, this);
	if (thread < 0)
		return thread;
	fThread = thread;
	resume_thread(thread);
	return B_OK;
}

int32 RunnerSchedule::Add(const BMessenger& target, const BMessage& message, bigtime_t interval,
                          int32 count, const BMessenger& replyTo)
{
	auto entry = std::unique_ptr<Entry>(new (std::nothrow) Entry{target, message, replyTo, interval,
	                                                             count, system_time() + interval});
	if (entry == nullptr)
		return B_NO_MEMORY;
	std::lock_guard<std::mutex> lock(fLock);
	status_t status = _StartThread();
	if (status != B_OK)
		return status;
	int32 token = fNextToken++;
	fEntries[token] = std::move(entry);
	fWakeUp.NotifyAll();
	return token;
}

void RunnerSchedule::Remove(int32 token)
{
	std::unique_ptr<Entry> removed;
	std::lock_guard<std::mutex> lock(fLock);
	auto found = fEntries.find(token);
	if (found == fEntries.end())
		return;
	removed = std::move(found->second);
	fEntries.erase(found);
}

status_t RunnerSchedule::SetInterval(int32 token, bigtime_t interval)
{
	if (interval <= 0)
		return B_BAD_VALUE;
	std::lock_guard<std::mutex> lock(fLock);
	auto found = fEntries.find(token);
	if (found == fEntries.end())
		return B_BAD_VALUE;
	found->second->interval = interval;
	found->second->next = system_time() + interval;
	fWakeUp.NotifyAll();
	return B_OK;
}

status_t RunnerSchedule::SetCount(int32 token, int32 count)
{
	std::lock_guard<std::mutex> lock(fLock);
	auto found = fEntries.find(token);
	if (found == fEntries.end())
		return B_BAD_VALUE;
	if (count == 0) {
		fEntries.erase(found);
		return B_OK;
	}
	found->second->count = count;
	return B_OK;
}

status_t RunnerSchedule::GetInfo(int32 token, bigtime_t* interval, int32* count)
{
	std::lock_guard<std::mutex> lock(fLock);
	auto found = fEntries.find(token);
	if (found == fEntries.end())
		return B_BAD_VALUE;
	if (interval != NULL)
		*interval = found->second->interval;
	if (count != NULL)
		*count = found->second->count;
	return B_OK;
}

int32 RunnerSchedule::_ThreadEntry(void* data)
{
	static_cast<RunnerSchedule*>(data)->_Run();
	return B_OK;
}

void RunnerSchedule::_Run()
{
	std::unique_lock<std::mutex> lock(fLock);
	for (;;) {
		bigtime_t now = system_time();
		bigtime_t next = B_INFINITE_TIMEOUT;
		for (auto it = fEntries.begin(); it != fEntries.end();) {
			Entry& entry = *it->second;
			if (entry.next <= now) {
				entry.target.SendMessage(&entry.message, entry.replyTo);
				// A late wake-up is not made up with a burst.
				entry.next = std::max(entry.next + entry.interval, now + 1);
				if (entry.count > 0 && --entry.count == 0) {
					it = fEntries.erase(it);
					continue;
				}
			}
			next = std::min(next, entry.next);
			++it;
		}
		fWakeUp.Wait(lock, next);
	}
}

} // namespace

BMessageRunner::BMessageRunner(BMessenger target, const BMessage* message, bigtime_t interval,
                               int32 count)
    : fToken(B_NO_INIT)
{
	_Init(target, message, interval, count, BMessenger());
}

BMessageRunner::BMessageRunner(BMessenger target, const BMessage& message, bigtime_t interval,
                               int32 count)
    : fToken(B_NO_INIT)
{
	_Init(target, &message, interval, count, BMessenger());
}

BMessageRunner::BMessageRunner(BMessenger target, const BMessage* message, bigtime_t interval,
                               int32 count, BMessenger replyTo)
    : fToken(B_NO_INIT)
{
	_Init(target, message, interval, count, replyTo);
}

BMessageRunner::BMessageRunner(BMessenger target, const BMessage& message, bigtime_t interval,
                               int32 count, BMessenger replyTo)
    : fToken(B_NO_INIT)
{
	_Init(target, &message, interval, count, replyTo);
}

BMessageRunner::~BMessageRunner()
{
	if (fToken >= 0)
		RunnerSchedule::Default().Remove(fToken);
}

void BMessageRunner::_Init(BMessenger target, const BMessage* message, bigtime_t interval,
                           int32 count, BMessenger replyTo)
{
	if (message == NULL || !target.IsValid() || interval <= 0 || count == 0) {
		fToken = B_BAD_VALUE;
		return;
	}
	// Replies default to the application, as for any sender without a reply
	// handler.
	if (replyTo.Team() < 0)
		replyTo = BPrivate::MessengerAccess::Make(BPrivate::default_reply_port(),
		                                          BPrivate::kPreferredToken);
	fToken = RunnerSchedule::Default().Add(target, *message, interval, count, replyTo);
}

status_t BMessageRunner::InitCheck() const
{
	return fToken >= 0 ? B_OK : fToken;
}

status_t BMessageRunner::SetInterval(bigtime_t interval)
{
	if (fToken < 0)
		return B_NO_INIT;
	return RunnerSchedule::Default().SetInterval(fToken, interval);
}

status_t BMessageRunner::SetCount(int32 count)
{
	if (fToken < 0)
		return B_NO_INIT;
	return RunnerSchedule::Default().SetCount(fToken, count);
}

status_t BMessageRunner::GetInfo(bigtime_t* interval, int32* count) const
{
	if (fToken < 0)
		return B_NO_INIT;
	return RunnerSchedule::Default().GetInfo(fToken, interval, count);
}
