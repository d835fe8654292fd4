#include <Messenger.h>

#include <unistd.h>

#include <Handler.h>
#include <Looper.h>
#include <Message.h>

#include "app/LooperPrivate.h"

using BPrivate::LooperAccess;

BMessenger::BMessenger() : fPort(-1), fHandlerToken(BPrivate::kNullToken), fTeam(-1) {}

BMessenger::BMessenger(const BHandler* handler, const BLooper* looper, status_t* result)
    : BMessenger()
{
	status_t status = B_OK;
	if (handler != NULL) {
		const int32 token = LooperAccess::Token(handler);
		const int32 looperID = BPrivate::handler_looper(token);
		if (looperID < 0) {
			status = B_BAD_VALUE;
		} else if (looper != NULL && (BPrivate::looper_record(looper) == nullptr ||
		                              BPrivate::looper_record(looper)->id != looperID)) {
			status = B_MISMATCHED_VALUES;
		} else {
			fPort = looperID;
			fHandlerToken = token;
		}
	} else if (looper != NULL) {
		std::shared_ptr<BPrivate::LooperRecord> record = BPrivate::looper_record(looper);
		if (record == nullptr) {
			status = B_BAD_VALUE;
		} else {
			fPort = record->id;
			fHandlerToken = BPrivate::kPreferredToken;
		}
	} else {
		status = B_BAD_VALUE;
	}
	if (fPort >= 0)
		fTeam = getpid();
	if (result != NULL)
		*result = status;
}

BMessenger::BMessenger(const BMessenger& other) = default;

BMessenger::~BMessenger() {}

BMessenger& BMessenger::operator=(const BMessenger& other) = default;

bool BMessenger::operator==(const BMessenger& other) const
{
	return fPort == other.fPort && fHandlerToken == other.fHandlerToken && fTeam == other.fTeam;
}

bool BMessenger::operator!=(const BMessenger& other) const
{
	return !(*this == other);
}

bool BMessenger::IsTargetLocal() const
{
	return fPort >= 0 && fTeam == getpid();
}

BHandler* BMessenger::Target(BLooper** looper) const
{
	BLooper* targetLooper = NULL;
	BHandler* handler = NULL;
	std::shared_ptr<BPrivate::LooperRecord> record = BPrivate::looper_record(fPort);
	if (record != nullptr) {
		if (fHandlerToken == BPrivate::kPreferredToken) {
			targetLooper = record->looper;
		} else {
			handler = BPrivate::handler_for_token(fHandlerToken, fPort);
			if (handler != NULL)
				targetLooper = record->looper;
		}
	}
	if (looper != NULL)
		*looper = targetLooper;
	return handler;
}

bool BMessenger::LockTarget() const
{
	return LockTargetWithTimeout(B_INFINITE_TIMEOUT) == B_OK;
}

status_t BMessenger::LockTargetWithTimeout(bigtime_t timeout) const
{
	std::shared_ptr<BPrivate::LooperRecord> record = BPrivate::looper_record(fPort);
	if (record == nullptr)
		return B_BAD_PORT_ID;
	status_t status = record->lock->Acquire(BPrivate::deadline_for(timeout));
	if (status != B_OK)
		return status == B_INTERRUPTED ? B_BAD_VALUE : status;
	if (fHandlerToken != BPrivate::kPreferredToken &&
	    BPrivate::handler_looper(fHandlerToken) != fPort) {
		record->lock->Release();
		return B_BAD_HANDLER;
	}
	return B_OK;
}

status_t BMessenger::SendMessage(uint32 command, BHandler* replyTo) const
{
	BMessage message(command);
	return SendMessage(&message, replyTo);
}

status_t BMessenger::SendMessage(BMessage* message, BHandler* replyTo, bigtime_t timeout) const
{
	BMessenger reply;
	if (replyTo != NULL)
		reply = BMessenger(replyTo);
	else
		reply = BPrivate::MessengerAccess::Make(BPrivate::default_reply_port(),
		                                        BPrivate::kPreferredToken);
	return SendMessage(message, reply, timeout);
}

status_t BMessenger::SendMessage(BMessage* message, BMessenger replyTo, bigtime_t) const
{
	if (message == NULL)
		return B_BAD_VALUE;
	if (fPort < 0)
		return B_BAD_PORT_ID;
	return BPrivate::deliver(fPort, fHandlerToken, message, replyTo.fPort, replyTo.fHandlerToken);
}

bool BMessenger::IsValid() const
{
	if (fPort < 0 || BPrivate::looper_record(fPort) == nullptr)
		return false;
	return fHandlerToken == BPrivate::kPreferredToken ||
	       BPrivate::handler_looper(fHandlerToken) == fPort;
}

team_id BMessenger::Team() const
{
	return fTeam;
}

bool operator<(const BMessenger& a, const BMessenger& b)
{
	if (a.fTeam != b.fTeam)
		return a.fTeam < b.fTeam;
	if (a.fPort != b.fPort)
		return a.fPort < b.fPort;
	return a.fHandlerToken < b.fHandlerToken;
}
