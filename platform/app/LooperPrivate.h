#ifndef PLATFORM_APP_LOOPER_PRIVATE_H
#define PLATFORM_APP_LOOPER_PRIVATE_H

// The process-wide registry behind loopers, handlers and messengers. Loopers
// and handlers are named by ids; a pointer is trusted only after the registry
// confirms it still names a live object, so that a deleted looper cannot be
// locked or posted to and a messenger never touches freed memory.
//
// Lock order: a looper lock, then gRegistryLock, then a record's portLock,
// then thread control blocks. Posting takes no looper lock.

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

#include <Handler.h>
#include <Looper.h>
#include <MessageFilter.h>
#include <Messenger.h>

#include "app/RecursiveLock.h"

class BMessageQueue;

namespace BPrivate {

// Handler tokens with a meaning of their own.
const int32 kNullToken = -1;
const int32 kPreferredToken = -2;

// Posted by Quit() called from another thread: the looper quits when it
// reaches it, after the messages queued before.
const uint32 kQuitMessage = '_QIT';

// Thrown by Quit() in the looper's own thread; the loop catches it, so the
// frames of the handler that called Quit() unwind before the looper is
// deleted. Not an std::exception, so application handlers do not swallow it.
struct LooperQuit {};

// The absolute deadline of a relative |timeout| (B_INFINITE_TIMEOUT: none).
inline bigtime_t deadline_for(bigtime_t timeout)
{
	if (timeout >= B_INFINITE_TIMEOUT)
		return B_INFINITE_TIMEOUT;
	const bigtime_t now = system_time();
	if (timeout <= 0)
		return now;
	return timeout >= B_INFINITE_TIMEOUT - now ? B_INFINITE_TIMEOUT : now + timeout;
}

// The port and token replies go to when a sender names no reply handler:
// the application's, while there is one.
int32 default_reply_port();
void set_default_reply_port(int32 port);

struct LooperRecord {
	LooperRecord(BLooper* looper, int32 id);

	const int32 id;
	BLooper* const looper; // trusted only while registered
	const std::shared_ptr<RecursiveLock> lock;
	std::atomic<thread_id> thread{-1};

	// The port: messages posted but not yet drained into the looper's
	// BMessageQueue. Unbounded; posting never blocks.
	// Takes ownership of |message| on success; false once closed.
	bool Post(BMessage* message);
	// Looper thread: moves every posted message, in order, into |queue|.
	void DrainInto(BMessageQueue* queue);
	// Looper thread: returns once something was posted (B_OK) or the port
	// closed (B_BAD_PORT_ID).
	status_t WaitForMessages();
	bool HasIncoming();
	// Refuses further posts and deletes what is pending.
	void Close();

private:
	std::mutex fPortLock; // guards the fields below
	std::deque<BMessage*> fIncoming;
	WaitList fReader;
	bool fClosed = false;
};

// BLooper::LockWithTimeout() for a looper that may be gone: uses only the
// address until the registry confirms the looper lives.
status_t lock_looper(const BLooper* looper, bigtime_t timeout);

std::shared_ptr<LooperRecord> register_looper(BLooper* looper);
void unregister_looper(LooperRecord* record);
std::shared_ptr<LooperRecord> looper_record(const BLooper* looper);
std::shared_ptr<LooperRecord> looper_record(int32 id);
BLooper* looper_for_thread(thread_id thread);

int32 register_handler(BHandler* handler);
void unregister_handler(int32 token);
// |looperID| -1: the handler belongs to no looper.
void set_handler_looper(int32 token, int32 looperID);
int32 handler_looper(int32 token);
// The handler if it belongs to that looper now, else NULL.
BHandler* handler_for_token(int32 token, int32 looperID);

// Queues a copy of |message| for |targetToken| (a handler token or
// kPreferredToken) of looper |looperID|, with replies going to (replyPort,
// replyToken). B_BAD_PORT_ID, B_BAD_HANDLER, B_NO_MEMORY.
status_t deliver(int32 looperID, int32 targetToken, const BMessage* message, int32 replyPort,
                 int32 replyToken, bool isReply = false);

// Private members of the public classes, for the app kit's own files.
class LooperAccess {
public:
	static int32 Token(const BHandler* handler) { return handler->fToken; }
	static void SetLooper(BHandler* handler, BLooper* looper) { handler->_SetLooper(looper); }
	static LooperRecord* Record(const BLooper* looper) { return looper->fRecord; }
	// Attaches |filter| to a looper or handler; false if it serves another.
	static bool Attach(BMessageFilter* filter, BLooper* looper);
	static void Detach(BMessageFilter* filter);
	static void SetFilterLooper(BMessageFilter* filter, BLooper* looper)
	{
		filter->fLooper = looper;
	}
	static filter_hook Hook(const BMessageFilter* filter) { return filter->fFilterFunction; }
};

class MessengerAccess {
public:
	static BMessenger Make(port_id port, int32 token);
	static port_id Port(const BMessenger& messenger) { return messenger.fPort; }
	static int32 Token(const BMessenger& messenger) { return messenger.fHandlerToken; }
};

} // namespace BPrivate

#endif
