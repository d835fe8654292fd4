#ifndef TESTS_APP_TEST_UTILS_H
#define TESTS_APP_TEST_UTILS_H

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include <Handler.h>
#include <Looper.h>
#include <Message.h>

#include "ThreadTestUtils.h"

namespace test {

// What happened, in order, across threads; waits have deadlines.
class Journal {
public:
	void Add(const std::string& entry)
	{
		std::lock_guard<std::mutex> lock(fLock);
		fEntries.push_back(entry);
		fCond.notify_all();
	}

	bool WaitForCount(size_t count, bigtime_t timeout = 5000000)
	{
		std::unique_lock<std::mutex> lock(fLock);
		return fCond.wait_for(lock, std::chrono::microseconds(timeout),
		                      [&] { return fEntries.size() >= count; });
	}

	std::vector<std::string> Entries()
	{
		std::lock_guard<std::mutex> lock(fLock);
		return fEntries;
	}

	size_t Count()
	{
		std::lock_guard<std::mutex> lock(fLock);
		return fEntries.size();
	}

private:
	std::mutex fLock;
	std::condition_variable fCond;
	std::vector<std::string> fEntries;
};

inline std::string code(uint32 what)
{
	char text[5] = {(char) (what >> 24), (char) (what >> 16), (char) (what >> 8), (char) what, 0};
	return text;
}

// Records "name:code" for every message it receives.
class RecordingHandler : public BHandler {
public:
	RecordingHandler(const char* name, Journal* journal) : BHandler(name), fJournal(journal) {}

	void MessageReceived(BMessage* message) override
	{
		fJournal->Add(std::string(Name()) + ":" + code(message->what));
	}

private:
	Journal* fJournal;
};

class RecordingLooper : public BLooper {
public:
	RecordingLooper(const char* name, Journal* journal) : BLooper(name), fJournal(journal) {}

	~RecordingLooper() override { fJournal->Add(std::string(Name()) + ":deleted"); }

	void MessageReceived(BMessage* message) override
	{
		fJournal->Add(std::string(Name()) + ":" + code(message->what));
	}

private:
	Journal* fJournal;
};

// The Be API lets a caller lock or post to a looper that may have been
// deleted: the platform uses the pointer only as a key. The type check of the
// undefined-behaviour sanitizer would read the freed object before the call,
// so such calls are made from functions it leaves alone.
__attribute__((noinline, no_sanitize("vptr"))) inline bool lock_gone(BLooper* looper)
{
	return looper->Lock();
}

__attribute__((noinline, no_sanitize("vptr"))) inline status_t lock_gone(BLooper* looper,
                                                                         bigtime_t timeout)
{
	return looper->LockWithTimeout(timeout);
}

__attribute__((noinline, no_sanitize("vptr"))) inline bool is_locked_gone(BLooper* looper)
{
	return looper->IsLocked();
}

__attribute__((noinline, no_sanitize("vptr"))) inline status_t post_to_gone(BLooper* looper,
                                                                            uint32 what)
{
	return looper->PostMessage(what);
}

// Quits a running looper from the calling thread, within a deadline.
inline void quit_looper(BLooper* looper)
{
	must_return_within("BLooper::Quit", [looper] {
		if (looper->Lock())
			looper->Quit();
	});
}

} // namespace test

#endif
