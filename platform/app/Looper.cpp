#include <Looper.h>

#include <unistd.h>

#include <AppDefs.h>
#include <Message.h>
#include <MessageFilter.h>
#include <MessageQueue.h>

#include "app/LooperPrivate.h"
#include "app/MessagePrivate.h"

using BPrivate::LooperAccess;
using BPrivate::LooperRecord;

// Stands for "the preferred handler" between PostMessage and _PostMessage.
static BHandler* const kPreferred = reinterpret_cast<BHandler*>(1);

// Redirections of one message by filters beyond this many mean a cycle; the
// message is dropped.
static const int32 kMaxRedirections = 64;

BLooper::BLooper(const char* name, int32 priority, int32)
    : BHandler(name), fRecord(NULL), fQueue(new BMessageQueue), fCurrentMessage(NULL),
      fPreferred(NULL), fCommonFilters(NULL), fThread(-1), fInitPriority(priority),
      fRunCalled(false), fTerminating(false), fStopping(false)
{
	std::shared_ptr<LooperRecord> record = BPrivate::register_looper(this);
	fRecord = record.get();
	record->lock->Acquire(B_INFINITE_TIMEOUT);
	AddHandler(this);
}

BLooper::~BLooper()
{
	std::shared_ptr<LooperRecord> record = BPrivate::looper_record(this);
	if (record != nullptr) {
		if (!record->lock->IsHeldByCaller())
			record->lock->Acquire(B_INFINITE_TIMEOUT);
		record->Close();
		BPrivate::unregister_looper(record.get());
		// Lock() fails from here on, also for threads already waiting.
		record->lock->Retire();
	}

	delete fQueue;
	fQueue = NULL;
	delete fCurrentMessage;
	fCurrentMessage = NULL;

	for (int32 i = fHandlers.CountItems() - 1; i >= 0; i--) {
		auto* handler = static_cast<BHandler*>(fHandlers.ItemAt(i));
		handler->SetNextHandler(NULL);
		LooperAccess::SetLooper(handler, NULL);
	}
	fHandlers.MakeEmpty();
	fPreferred = NULL;

	if (fCommonFilters != NULL) {
		for (int32 i = 0; i < fCommonFilters->CountItems(); i++)
			delete static_cast<BMessageFilter*>(fCommonFilters->ItemAt(i));
		delete fCommonFilters;
	}
}

status_t BLooper::PostMessage(uint32 command)
{
	BMessage message(command);
	return _PostMessage(this, &message, NULL, NULL);
}

status_t BLooper::PostMessage(BMessage* message)
{
	return _PostMessage(this, message, NULL, NULL);
}

status_t BLooper::PostMessage(uint32 command, BHandler* handler, BHandler* replyTo)
{
	BMessage message(command);
	return _PostMessage(this, &message, handler != NULL ? handler : kPreferred, replyTo);
}

status_t BLooper::PostMessage(BMessage* message, BHandler* handler, BHandler* replyTo)
{
	return _PostMessage(this, message, handler != NULL ? handler : kPreferred, replyTo);
}

// |handler| NULL: the looper itself; kPreferred: the preferred handler.
status_t BLooper::_PostMessage(const BLooper* looper, BMessage* message, BHandler* handler,
                               BHandler* replyTo)
{
	if (message == NULL)
		return B_BAD_VALUE;
	std::shared_ptr<LooperRecord> record = BPrivate::looper_record(looper);
	if (record == nullptr)
		return B_BAD_VALUE;

	int32 token = BPrivate::kPreferredToken;
	if (handler == NULL) {
		token = LooperAccess::Token(record->looper);
	} else if (handler != kPreferred) {
		token = LooperAccess::Token(handler);
		if (BPrivate::handler_looper(token) != record->id)
			return B_MISMATCHED_VALUES;
	}

	int32 replyPort = BPrivate::default_reply_port();
	int32 replyToken = BPrivate::kPreferredToken;
	if (replyTo != NULL) {
		replyToken = LooperAccess::Token(replyTo);
		replyPort = BPrivate::handler_looper(replyToken);
	}
	return BPrivate::deliver(record->id, token, message, replyPort, replyToken);
}

void BLooper::DispatchMessage(BMessage* message, BHandler* handler)
{
	if (message->what == B_QUIT_REQUESTED && handler == this) {
		if (QuitRequested())
			Quit();
		return;
	}
	handler->MessageReceived(message);
}

void BLooper::MessageReceived(BMessage* message)
{
	BHandler::MessageReceived(message);
}

BMessage* BLooper::CurrentMessage() const
{
	return fCurrentMessage;
}

BMessage* BLooper::DetachCurrentMessage()
{
	BMessage* message = fCurrentMessage;
	fCurrentMessage = NULL;
	return message;
}

BMessageQueue* BLooper::MessageQueue() const
{
	return fQueue;
}

bool BLooper::IsMessageWaiting() const
{
	return !fQueue->IsEmpty() || fRecord->HasIncoming();
}

void BLooper::AddHandler(BHandler* handler)
{
	if (handler == NULL || handler->Looper() != NULL)
		return;
	fHandlers.AddItem(handler);
	LooperAccess::SetLooper(handler, this);
	// Unhandled messages end at the looper.
	if (handler != this)
		handler->SetNextHandler(this);
}

bool BLooper::RemoveHandler(BHandler* handler)
{
	if (handler == NULL || handler == this || handler->Looper() != this)
		return false;
	if (!fHandlers.RemoveItem(handler))
		return false;
	if (handler == fPreferred)
		fPreferred = NULL;
	handler->SetNextHandler(NULL);
	LooperAccess::SetLooper(handler, NULL);
	return true;
}

int32 BLooper::CountHandlers() const
{
	return fHandlers.CountItems();
}

BHandler* BLooper::HandlerAt(int32 index) const
{
	return static_cast<BHandler*>(fHandlers.ItemAt(index));
}

int32 BLooper::IndexOf(BHandler* handler) const
{
	return fHandlers.IndexOf(handler);
}

BHandler* BLooper::PreferredHandler() const
{
	return fPreferred;
}

void BLooper::SetPreferredHandler(BHandler* handler)
{
	fPreferred = handler != NULL && handler->Looper() == this ? handler : NULL;
}

thread_id BLooper::Run()
{
	if (fRunCalled)
		return fThread;
	thread_id thread =
	    spawn_thread(_ThreadEntry, Name() != NULL ? Name() : "looper", fInitPriority, this);
	if (thread < B_OK)
		return thread;
	fThread = thread;
	fRecord->thread = thread;
	fRunCalled = true;
	Unlock();
	resume_thread(thread);
	return thread;
}

int32 BLooper::_ThreadEntry(void* data)
{
	BLooper* looper = static_cast<BLooper*>(data);
	looper->_Loop();
	// The loop ends only when the looper quit from its own thread: it still
	// holds its lock, and nothing else may touch it any more.
	delete looper;
	return B_OK;
}

void BLooper::_Loop()
{
	std::shared_ptr<LooperRecord> record = BPrivate::looper_record(this);
	if (record == nullptr)
		return;
	// BApplication runs the loop in the thread that constructed it locked.
	if (record->lock->IsHeldByCaller())
		record->lock->Release();
	for (;;) {
		// Everything posted so far becomes visible to FindMessage() first.
		record->DrainInto(fQueue);
		BMessage* message = fQueue->NextMessage();
		if (message == NULL) {
			if (record->WaitForMessages() != B_OK)
				return;
			continue;
		}
		record->lock->Acquire(B_INFINITE_TIMEOUT);
		// What was posted while the lock was held elsewhere is backlog too.
		record->DrainInto(fQueue);
		_DispatchOne(message);
		if (fTerminating)
			return;
		if (fStopping) {
			record->lock->Release();
			return;
		}
		record->lock->Release();
	}
}

void BLooper::_DispatchOne(BMessage* message)
{
	fCurrentMessage = message;
	try {
		if (message->what == BPrivate::kQuitMessage) {
			Quit();
		} else {
			BHandler* handler = _ResolveTarget(message);
			if (handler != NULL)
				handler = _ApplyFilters(fCommonFilters, message, handler);
			for (int32 redirections = 0; handler != NULL; redirections++) {
				if (redirections > kMaxRedirections) {
					handler = NULL;
					break;
				}
				BHandler* previous = handler;
				handler = _ApplyFilters(handler->FilterList(), message, handler);
				if (handler == previous)
					break;
			}
			if (handler != NULL)
				DispatchMessage(message, handler);
		}
	} catch (const BPrivate::LooperQuit&) {
		fTerminating = true;
	}
	delete fCurrentMessage;
	fCurrentMessage = NULL;
}

BHandler* BLooper::_ResolveTarget(BMessage* message)
{
	const BPrivate::MessageDelivery* delivery = BMessage::Private(message).PeekDelivery();
	// A message put into the queue directly has no delivery facts: it is for
	// the looper.
	if (delivery == NULL || !delivery->wasDelivered)
		return this;
	if (delivery->usePreferredTarget)
		return fPreferred != NULL ? fPreferred : this;
	// NULL: the handler is gone or left this looper; the message is dropped.
	return BPrivate::handler_for_token(delivery->targetToken, fRecord->id);
}

BHandler* BLooper::_ApplyFilters(BList* filters, BMessage* message, BHandler* target)
{
	if (filters == NULL)
		return target;
	for (int32 i = 0; i < filters->CountItems(); i++) {
		auto* filter = static_cast<BMessageFilter*>(filters->ItemAt(i));
		if (!filter->FiltersAnyCommand() && filter->Command() != message->what)
			continue;
		const bool dropped = message->WasDropped();
		if ((filter->MessageDelivery() == B_DROPPED_DELIVERY && !dropped) ||
		    (filter->MessageDelivery() == B_PROGRAMMED_DELIVERY && dropped))
			continue;
		const bool remote = message->IsSourceRemote();
		if ((filter->MessageSource() == B_REMOTE_SOURCE && !remote) ||
		    (filter->MessageSource() == B_LOCAL_SOURCE && remote))
			continue;

		filter_hook hook = LooperAccess::Hook(filter);
		filter_result result =
		    hook != NULL ? hook(message, &target, filter) : filter->Filter(message, &target);
		if (result == B_SKIP_MESSAGE || target == NULL)
			return NULL;
		// Redirection stays inside the looper: its lock is the one held.
		if (BPrivate::handler_looper(LooperAccess::Token(target)) != fRecord->id)
			return NULL;
	}
	return target;
}

void BLooper::Quit()
{
	std::shared_ptr<LooperRecord> record = BPrivate::looper_record(this);
	if (record == nullptr)
		return;
	if (!record->lock->IsHeldByCaller() && record->lock->Acquire(B_INFINITE_TIMEOUT) != B_OK)
		return;

	if (!fRunCalled) {
		delete this;
		return;
	}
	if (find_thread(NULL) == fThread) {
		fTerminating = true;
		throw BPrivate::LooperQuit();
	}

	// Another thread: the looper handles what was queued before, then quits
	// in its own thread. It needs the lock for that.
	const thread_id thread = fThread;
	const int32 id = record->id;
	while (record->lock->IsHeldByCaller())
		record->lock->Release();
	BMessage quit(BPrivate::kQuitMessage);
	if (BPrivate::deliver(id, LooperAccess::Token(this), &quit, -1, BPrivate::kNullToken) == B_OK)
		wait_for_thread(thread, NULL);
}

bool BLooper::QuitRequested()
{
	return true;
}

bool BLooper::Lock()
{
	return BPrivate::lock_looper(this, B_INFINITE_TIMEOUT) == B_OK;
}

void BLooper::Unlock()
{
	std::shared_ptr<LooperRecord> record = BPrivate::looper_record(this);
	if (record != nullptr)
		record->lock->Release();
}

bool BLooper::IsLocked() const
{
	std::shared_ptr<LooperRecord> record = BPrivate::looper_record(this);
	return record != nullptr && record->lock->IsHeldByCaller();
}

status_t BLooper::LockWithTimeout(bigtime_t timeout)
{
	return BPrivate::lock_looper(this, timeout);
}

thread_id BLooper::Thread() const
{
	return fThread;
}

team_id BLooper::Team() const
{
	return getpid();
}

BLooper* BLooper::LooperForThread(thread_id thread)
{
	return BPrivate::looper_for_thread(thread);
}

thread_id BLooper::LockingThread() const
{
	return fRecord->lock->Owner();
}

int32 BLooper::CountLocks() const
{
	return fRecord->lock->Count();
}

int32 BLooper::CountLockRequests() const
{
	return fRecord->lock->Requests();
}

void BLooper::AddCommonFilter(BMessageFilter* filter)
{
	if (filter == NULL || !IsLocked() || !LooperAccess::Attach(filter, this))
		return;
	if (fCommonFilters == NULL)
		fCommonFilters = new BList;
	fCommonFilters->AddItem(filter);
}

bool BLooper::RemoveCommonFilter(BMessageFilter* filter)
{
	if (fCommonFilters == NULL || !IsLocked() || !fCommonFilters->RemoveItem(filter))
		return false;
	LooperAccess::Detach(filter);
	return true;
}

void BLooper::SetCommonFilterList(BList* filters)
{
	if (!IsLocked())
		return;
	if (fCommonFilters != NULL) {
		for (int32 i = 0; i < fCommonFilters->CountItems(); i++)
			delete static_cast<BMessageFilter*>(fCommonFilters->ItemAt(i));
		delete fCommonFilters;
	}
	fCommonFilters = filters;
	if (fCommonFilters == NULL)
		return;
	for (int32 i = fCommonFilters->CountItems() - 1; i >= 0; i--) {
		auto* filter = static_cast<BMessageFilter*>(fCommonFilters->ItemAt(i));
		if (!LooperAccess::Attach(filter, this))
			fCommonFilters->RemoveItem(i);
	}
}

BList* BLooper::CommonFilterList() const
{
	return fCommonFilters;
}

void BLooper::_UnlockFully(int32* count)
{
	*count = 0;
	while (IsLocked()) {
		Unlock();
		(*count)++;
	}
}

void BLooper::_RelockFully(int32 count)
{
	for (int32 i = 0; i < count; i++)
		Lock();
}
