#ifndef _MESSENGER_H
#define _MESSENGER_H

#include <OS.h>

class BHandler;
class BLooper;
class BMessage;

namespace BPrivate {
class MessengerAccess;
}

// Addresses a handler (or a looper's preferred handler) of this process by
// ids, never by pointers: a messenger whose looper or handler is gone is
// invalid, and sending through it fails without touching freed memory.
class BMessenger {
public:
	BMessenger();
	// |handler| must already belong to a looper (else invalid, B_BAD_VALUE);
	// (NULL, looper): the looper's preferred handler at dispatch time.
	BMessenger(const BHandler* handler, const BLooper* looper = NULL, status_t* result = NULL);
	BMessenger(const BMessenger& other);
	~BMessenger();

	BMessenger& operator=(const BMessenger& other);
	bool operator==(const BMessenger& other) const;
	bool operator!=(const BMessenger& other) const;

	bool IsTargetLocal() const;
	// The handler (NULL for a preferred-handler target) and its looper; NULL
	// and NULL if the target is gone.
	BHandler* Target(BLooper** looper) const;
	bool LockTarget() const;
	status_t LockTargetWithTimeout(bigtime_t timeout) const;

	// Queue a copy. B_BAD_PORT_ID: the looper is gone; B_BAD_HANDLER: the
	// handler is gone or left that looper. The queue is unbounded, so the
	// timeout never expires.
	status_t SendMessage(uint32 command, BHandler* replyTo = NULL) const;
	status_t SendMessage(BMessage* message, BHandler* replyTo = NULL,
	                     bigtime_t timeout = B_INFINITE_TIMEOUT) const;
	status_t SendMessage(BMessage* message, BMessenger replyTo,
	                     bigtime_t timeout = B_INFINITE_TIMEOUT) const;

	bool IsValid() const;
	team_id Team() const;

private:
	friend class BPrivate::MessengerAccess;
	friend bool operator<(const BMessenger& a, const BMessenger& b);

	port_id fPort;       // the looper's id; -1: no target
	int32 fHandlerToken; // the handler's id, or the preferred-handler token
	team_id fTeam;
};

bool operator<(const BMessenger& a, const BMessenger& b);

#endif
