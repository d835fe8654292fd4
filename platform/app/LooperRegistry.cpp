#include "app/LooperPrivate.h"

#include <new>
#include <unordered_map>

#include <Message.h>
#include <MessageQueue.h>

#include "app/MessagePrivate.h"

namespace BPrivate {

namespace {

struct HandlerEntry {
	BHandler* handler;
	int32 looperID;
};

struct Registry {
	std::mutex lock;
	std::unordered_map<int32, std::shared_ptr<LooperRecord>> loopersByID;
	std::unordered_map<const BLooper*, std::shared_ptr<LooperRecord>> loopersByPointer;
	std::unordered_map<int32, HandlerEntry> handlers;
	int32 nextLooperID = 1;
	int32 nextHandlerToken = 1;
};

// Never destroyed: loopers may outlive static destruction at exit.
Registry& registry()
{
	static Registry* sRegistry = new Registry;
	return *sRegistry;
}

// A killed thread may still hold looper locks; free them as it ends.
struct ExitHookInstaller {
	ExitHookInstaller() { set_thread_exit_hook(RecursiveLock::ReleaseAllOfCaller); }
} sExitHookInstaller;

} // namespace

LooperRecord::LooperRecord(BLooper* looper, int32 id)
    : id(id), looper(looper), lock(std::make_shared<RecursiveLock>(true))
{
}

bool LooperRecord::Post(BMessage* message)
{
	std::lock_guard<std::mutex> guard(fPortLock);
	if (fClosed)
		return false;
	fIncoming.push_back(message);
	fReader.NotifyAll();
	return true;
}

void LooperRecord::DrainInto(BMessageQueue* queue)
{
	std::deque<BMessage*> drained;
	{
		std::lock_guard<std::mutex> guard(fPortLock);
		drained.swap(fIncoming);
	}
	if (drained.empty())
		return;
	queue->Lock();
	for (BMessage* message : drained)
		queue->AddMessage(message);
	queue->Unlock();
}

status_t LooperRecord::WaitForMessages()
{
	std::unique_lock<std::mutex> guard(fPortLock);
	while (fIncoming.empty() && !fClosed) {
		if (fReader.Wait(guard, B_INFINITE_TIMEOUT) == B_CANCELED)
			return B_INTERRUPTED;
	}
	return fClosed ? (status_t) B_BAD_PORT_ID : (status_t) B_OK;
}

bool LooperRecord::HasIncoming()
{
	std::lock_guard<std::mutex> guard(fPortLock);
	return !fIncoming.empty();
}

void LooperRecord::Close()
{
	std::deque<BMessage*> pending;
	{
		std::lock_guard<std::mutex> guard(fPortLock);
		fClosed = true;
		pending.swap(fIncoming);
		fReader.NotifyAll();
	}
	for (BMessage* message : pending)
		delete message;
}

std::shared_ptr<LooperRecord> register_looper(BLooper* looper)
{
	Registry& r = registry();
	std::lock_guard<std::mutex> guard(r.lock);
	auto record = std::make_shared<LooperRecord>(looper, r.nextLooperID++);
	r.loopersByID[record->id] = record;
	r.loopersByPointer[looper] = record;
	return record;
}

void unregister_looper(LooperRecord* record)
{
	Registry& r = registry();
	std::lock_guard<std::mutex> guard(r.lock);
	r.loopersByPointer.erase(record->looper);
	r.loopersByID.erase(record->id);
}

std::shared_ptr<LooperRecord> looper_record(const BLooper* looper)
{
	Registry& r = registry();
	std::lock_guard<std::mutex> guard(r.lock);
	auto found = r.loopersByPointer.find(looper);
	return found != r.loopersByPointer.end() ? found->second : nullptr;
}

std::shared_ptr<LooperRecord> looper_record(int32 id)
{
	Registry& r = registry();
	std::lock_guard<std::mutex> guard(r.lock);
	auto found = r.loopersByID.find(id);
	return found != r.loopersByID.end() ? found->second : nullptr;
}

status_t lock_looper(const BLooper* looper, bigtime_t timeout)
{
	std::shared_ptr<LooperRecord> record = looper_record(looper);
	if (record == nullptr)
		return B_BAD_VALUE;
	status_t status = record->lock->Acquire(deadline_for(timeout));
	return status == B_INTERRUPTED ? B_BAD_VALUE : status;
}

BLooper* looper_for_thread(thread_id thread)
{
	Registry& r = registry();
	std::lock_guard<std::mutex> guard(r.lock);
	for (const auto& [id, record] : r.loopersByID) {
		if (record->thread.load() == thread)
			return record->looper;
	}
	return NULL;
}

int32 register_handler(BHandler* handler)
{
	Registry& r = registry();
	std::lock_guard<std::mutex> guard(r.lock);
	int32 token = r.nextHandlerToken++;
	r.handlers[token] = HandlerEntry{handler, -1};
	return token;
}

void unregister_handler(int32 token)
{
	Registry& r = registry();
	std::lock_guard<std::mutex> guard(r.lock);
	r.handlers.erase(token);
}

void set_handler_looper(int32 token, int32 looperID)
{
	Registry& r = registry();
	std::lock_guard<std::mutex> guard(r.lock);
	auto found = r.handlers.find(token);
	if (found != r.handlers.end())
		found->second.looperID = looperID;
}

int32 handler_looper(int32 token)
{
	Registry& r = registry();
	std::lock_guard<std::mutex> guard(r.lock);
	auto found = r.handlers.find(token);
	return found != r.handlers.end() ? found->second.looperID : -1;
}

BHandler* handler_for_token(int32 token, int32 looperID)
{
	Registry& r = registry();
	std::lock_guard<std::mutex> guard(r.lock);
	auto found = r.handlers.find(token);
	if (found == r.handlers.end() || found->second.looperID != looperID)
		return NULL;
	return found->second.handler;
}

status_t deliver(int32 looperID, int32 targetToken, const BMessage* message, int32 replyPort,
                 int32 replyToken, bool isReply)
{
	if (message == NULL)
		return B_BAD_VALUE;
	std::shared_ptr<LooperRecord> record = looper_record(looperID);
	if (record == nullptr)
		return B_BAD_PORT_ID;
	if (targetToken != kPreferredToken && handler_looper(targetToken) != looperID)
		return B_BAD_HANDLER;

	BMessage* copy = new (std::nothrow) BMessage(*message);
	if (copy == NULL)
		return B_NO_MEMORY;
	MessageDelivery* delivery = BMessage::Private(copy).Delivery();
	if (delivery == NULL) {
		delete copy;
		return B_NO_MEMORY;
	}
	delivery->targetToken = targetToken;
	delivery->usePreferredTarget = targetToken == kPreferredToken;
	delivery->replyPort = replyPort;
	delivery->replyToken = replyToken;
	delivery->wasDelivered = true;
	delivery->isReply = isReply;
	delivery->sourceWaiting = false;
	// A drop keeps what the drag layer said of its source; anything else
	// sent here comes from this process.
	if (!delivery->wasDropped)
		delivery->sourceRemote = false;

	if (!record->Post(copy)) {
		delete copy;
		return B_BAD_PORT_ID;
	}
	return B_OK;
}

BMessenger MessengerAccess::Make(port_id port, int32 token)
{
	BMessenger messenger;
	messenger.fPort = port;
	messenger.fHandlerToken = token;
	messenger.fTeam = port >= 0 ? getpid() : -1;
	return messenger;
}

} // namespace BPrivate

namespace BPrivate {

static std::atomic<int32> sDefaultReplyPort{-1};

int32 default_reply_port()
{
	return sDefaultReplyPort.load();
}

void set_default_reply_port(int32 port)
{
	sDefaultReplyPort.store(port);
}

} // namespace BPrivate
