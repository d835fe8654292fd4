#ifndef _MESSAGE_QUEUE_H
#define _MESSAGE_QUEUE_H

#include <Message.h>

namespace BPrivate {
struct MessageQueueState;
}

// A looper's FIFO of messages waiting for dispatch. Every call locks the
// queue itself; Lock()/Unlock() (nestable) keep it still across several calls.
class BMessageQueue {
public:
	BMessageQueue();
	virtual ~BMessageQueue();

	// Takes ownership of |message|.
	void AddMessage(BMessage* message);
	// Removes |message| if queued; ownership passes to the caller (who
	// deletes it), as in Haiku.
	void RemoveMessage(BMessage* message);
	int32 CountMessages() const;
	bool IsEmpty() const;

	// Oldest first; left in place; NULL if there is no such message.
	BMessage* FindMessage(int32 index) const;
	BMessage* FindMessage(uint32 what, int32 index = 0) const;

	bool Lock();
	void Unlock();
	bool IsLocked() const;

	// Removes and returns the oldest message (owned by the caller), or NULL.
	BMessage* NextMessage();
	bool IsNextMessage(const BMessage* message) const;

private:
	BMessageQueue(const BMessageQueue&) = delete;
	BMessageQueue& operator=(const BMessageQueue&) = delete;

	BPrivate::MessageQueueState* fState;
};

#endif
