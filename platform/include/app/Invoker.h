#ifndef _INVOKER_H
#define _INVOKER_H

#include <Messenger.h>

class BHandler;
class BLooper;
class BMessage;

// Holds a message and a target and sends a copy on Invoke().
class BInvoker {
public:
	BInvoker();
	BInvoker(BMessage* message, const BHandler* handler, const BLooper* looper = NULL);
	BInvoker(BMessage* message, BMessenger target);
	virtual ~BInvoker();

	// Takes ownership of |message| and deletes the previous one.
	virtual status_t SetMessage(BMessage* message);
	BMessage* Message() const;
	uint32 Command() const;

	// The messenger is built now: B_BAD_VALUE if |handler| has no looper yet,
	// B_MISMATCHED_VALUES if it belongs to another looper than |looper|.
	// (NULL, looper): the looper's preferred handler.
	virtual status_t SetTarget(const BHandler* handler, const BLooper* looper = NULL);
	virtual status_t SetTarget(BMessenger messenger);
	bool IsTargetLocal() const;
	BHandler* Target(BLooper** looper = NULL) const;
	BMessenger Messenger() const;

	virtual status_t SetHandlerForReply(BHandler* handler);
	BHandler* HandlerForReply() const;

	// Sends a copy of |message|, or of Message() when NULL; B_BAD_VALUE if
	// there is neither.
	virtual status_t Invoke(BMessage* message = NULL);

	status_t SetTimeout(bigtime_t timeout);
	bigtime_t Timeout() const;

private:
	BInvoker(const BInvoker&) = delete;
	BInvoker& operator=(const BInvoker&) = delete;

	BMessage* fMessage; // owned
	BMessenger fMessenger;
	BHandler* fReplyTo;
	bigtime_t fTimeout;
};

#endif
