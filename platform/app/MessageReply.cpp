// The replying side of BMessage, which needs the messaging layer.

#include <Message.h>

#include <AppDefs.h>
#include <Handler.h>
#include <Messenger.h>

#include "app/LooperPrivate.h"
#include "app/MessagePrivate.h"

using BPrivate::MessageDelivery;

status_t BMessage::SendReply(uint32 command, BHandler* replyTo)
{
	BMessage reply(command);
	return SendReply(&reply, replyTo);
}

status_t BMessage::SendReply(BMessage* reply, BHandler* replyTo, bigtime_t timeout)
{
	BMessenger replyMessenger;
	if (replyTo != NULL)
		replyMessenger = BMessenger(replyTo);
	return SendReply(reply, replyMessenger, timeout);
}

status_t BMessage::SendReply(BMessage* reply, BMessenger replyTo, bigtime_t)
{
	if (reply == NULL)
		return B_BAD_VALUE;
	const MessageDelivery* delivery = fDelivery;
	if (delivery == NULL || !delivery->wasDelivered || delivery->replyPort < 0)
		return B_BAD_REPLY;
	return BPrivate::deliver(delivery->replyPort, delivery->replyToken, reply,
	                         BPrivate::MessengerAccess::Port(replyTo),
	                         BPrivate::MessengerAccess::Token(replyTo), true);
}

bool BMessage::WasDelivered() const
{
	return fDelivery != NULL && fDelivery->wasDelivered;
}

bool BMessage::IsSourceWaiting() const
{
	return fDelivery != NULL && fDelivery->sourceWaiting;
}

bool BMessage::IsReply() const
{
	return fDelivery != NULL && fDelivery->isReply;
}

BMessenger BMessage::ReturnAddress() const
{
	if (fDelivery == NULL || !fDelivery->wasDelivered || fDelivery->replyPort < 0)
		return BMessenger();
	return BPrivate::MessengerAccess::Make(fDelivery->replyPort, fDelivery->replyToken);
}
