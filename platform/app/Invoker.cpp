#include <Invoker.h>

#include <Handler.h>
#include <Looper.h>
#include <Message.h>

#include "app/LooperPrivate.h"

BInvoker::BInvoker() : fMessage(NULL), fReplyTo(NULL), fTimeout(B_INFINITE_TIMEOUT) {}

BInvoker::BInvoker(BMessage* message, const BHandler* handler, const BLooper* looper)
    : fMessage(message), fReplyTo(NULL), fTimeout(B_INFINITE_TIMEOUT)
{
	SetTarget(handler, looper);
}

BInvoker::BInvoker(BMessage* message, BMessenger target)
    : fMessage(message), fMessenger(target), fReplyTo(NULL), fTimeout(B_INFINITE_TIMEOUT)
{
}

BInvoker::~BInvoker()
{
	delete fMessage;
}

status_t BInvoker::SetMessage(BMessage* message)
{
	if (message == fMessage)
		return B_OK;
	delete fMessage;
	fMessage = message;
	return B_OK;
}

BMessage* BInvoker::Message() const
{
	return fMessage;
}

uint32 BInvoker::Command() const
{
	return fMessage != NULL ? fMessage->what : 0;
}

status_t BInvoker::SetTarget(const BHandler* handler, const BLooper* looper)
{
	if (handler == NULL && looper == NULL) {
		fMessenger = BMessenger();
		return B_OK;
	}
	status_t status;
	BMessenger messenger(handler, looper, &status);
	if (status != B_OK)
		return status;
	fMessenger = messenger;
	return B_OK;
}

status_t BInvoker::SetTarget(BMessenger messenger)
{
	fMessenger = messenger;
	return B_OK;
}

bool BInvoker::IsTargetLocal() const
{
	return fMessenger.IsTargetLocal();
}

BHandler* BInvoker::Target(BLooper** looper) const
{
	return fMessenger.Target(looper);
}

BMessenger BInvoker::Messenger() const
{
	return fMessenger;
}

status_t BInvoker::SetHandlerForReply(BHandler* handler)
{
	fReplyTo = handler;
	return B_OK;
}

BHandler* BInvoker::HandlerForReply() const
{
	return fReplyTo;
}

status_t BInvoker::Invoke(BMessage* message)
{
	if (message == NULL)
		message = fMessage;
	if (message == NULL)
		return B_BAD_VALUE;
	return fMessenger.SendMessage(message, fReplyTo, fTimeout);
}

status_t BInvoker::SetTimeout(bigtime_t timeout)
{
	fTimeout = timeout;
	return B_OK;
}

bigtime_t BInvoker::Timeout() const
{
	return fTimeout;
}
