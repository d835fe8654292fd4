// Where menu tests send their items' messages: a handler that keeps a copy
// of everything it receives, in a running looper of its own.

#ifndef PL_TESTS_MESSAGE_INBOX_H
#define PL_TESTS_MESSAGE_INBOX_H

#include <Handler.h>
#include <Looper.h>
#include <Message.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "ThreadTestUtils.h"

class Inbox : public BHandler {
public:
	Inbox() : BHandler("inbox") {}

	void MessageReceived(BMessage* message) override
	{
		std::lock_guard<std::mutex> guard(fLock);
		fReceived.push_back(*message);
		fChanged.notify_all();
	}

	// The first |count| messages, or fewer when they did not come in time.
	std::vector<BMessage> WaitFor(size_t count, bigtime_t timeout = 5000000)
	{
		std::unique_lock<std::mutex> guard(fLock);
		fChanged.wait_for(guard, std::chrono::microseconds(timeout),
		                  [&] { return fReceived.size() >= count; });
		return fReceived;
	}

private:
	std::mutex fLock;
	std::condition_variable fChanged;
	std::vector<BMessage> fReceived;
};

struct Target {
	Target() : looper(new BLooper("target")), handler(new Inbox())
	{
		looper->AddHandler(handler);
		looper->Run();
	}
	~Target() { Quit(); }

	// Ends the looper early, for tests of targets that are gone.
	void Quit()
	{
		if (looper == NULL)
			return;
		test::must_return_within("BLooper::Quit", [this] {
			if (looper->Lock()) {
				looper->RemoveHandler(handler);
				looper->Quit();
			}
		});
		looper = NULL;
		delete handler;
		handler = NULL;
	}

	BLooper* looper;
	Inbox* handler;
};

#endif
