#include <MessageQueue.h>

#include <algorithm>
#include <deque>

#include "app/RecursiveLock.h"

namespace BPrivate {

struct MessageQueueState {
	std::shared_ptr<RecursiveLock> lock = std::make_shared<RecursiveLock>(false);
	std::deque<BMessage*> messages; // guarded by lock; owned
};

// Holds the queue's lock for one call.
class QueueLocker {
public:
	explicit QueueLocker(MessageQueueState* state) : fState(state)
	{
		fLocked = fState->lock->Acquire(B_INFINITE_TIMEOUT) == B_OK;
	}
	~QueueLocker()
	{
		if (fLocked)
			fState->lock->Release();
	}
	bool IsLocked() const { return fLocked; }

private:
	MessageQueueState* fState;
	bool fLocked;
};

} // namespace BPrivate

using BPrivate::QueueLocker;

BMessageQueue::BMessageQueue() : fState(new BPrivate::MessageQueueState) {}

BMessageQueue::~BMessageQueue()
{
	for (BMessage* message : fState->messages)
		delete message;
	delete fState;
}

void BMessageQueue::AddMessage(BMessage* message)
{
	if (message == NULL)
		return;
	QueueLocker locker(fState);
	if (locker.IsLocked())
		fState->messages.push_back(message);
}

void BMessageQueue::RemoveMessage(BMessage* message)
{
	QueueLocker locker(fState);
	if (!locker.IsLocked())
		return;
	auto found = std::find(fState->messages.begin(), fState->messages.end(), message);
	if (found != fState->messages.end())
		fState->messages.erase(found);
}

int32 BMessageQueue::CountMessages() const
{
	QueueLocker locker(fState);
	return (int32) fState->messages.size();
}

bool BMessageQueue::IsEmpty() const
{
	return CountMessages() == 0;
}

BMessage* BMessageQueue::FindMessage(int32 index) const
{
	QueueLocker locker(fState);
	if (index < 0 || (size_t) index >= fState->messages.size())
		return NULL;
	return fState->messages[index];
}

BMessage* BMessageQueue::FindMessage(uint32 what, int32 index) const
{
	QueueLocker locker(fState);
	if (index < 0)
		return NULL;
	for (BMessage* message : fState->messages) {
		if (message->what == what && index-- == 0)
			return message;
	}
	return NULL;
}

bool BMessageQueue::Lock()
{
	return fState->lock->Acquire(B_INFINITE_TIMEOUT) == B_OK;
}

void BMessageQueue::Unlock()
{
	fState->lock->Release();
}

bool BMessageQueue::IsLocked() const
{
	return fState->lock->IsHeldByCaller();
}

BMessage* BMessageQueue::NextMessage()
{
	QueueLocker locker(fState);
	if (!locker.IsLocked() || fState->messages.empty())
		return NULL;
	BMessage* message = fState->messages.front();
	fState->messages.pop_front();
	return message;
}

bool BMessageQueue::IsNextMessage(const BMessage* message) const
{
	QueueLocker locker(fState);
	return !fState->messages.empty() && fState->messages.front() == message;
}
