#ifndef _MESSAGE_RUNNER_H
#define _MESSAGE_RUNNER_H

#include <Messenger.h>

// Sends copies of a message to a target |count| times (-1: until deleted),
// the first one interval after construction. Deleting the runner stops it; a
// spent runner must still be deleted by its owner.
class BMessageRunner {
public:
	BMessageRunner(BMessenger target, const BMessage* message, bigtime_t interval,
	               int32 count = -1);
	BMessageRunner(BMessenger target, const BMessage& message, bigtime_t interval,
	               int32 count = -1);
	BMessageRunner(BMessenger target, const BMessage* message, bigtime_t interval, int32 count,
	               BMessenger replyTo);
	BMessageRunner(BMessenger target, const BMessage& message, bigtime_t interval, int32 count,
	               BMessenger replyTo);
	virtual ~BMessageRunner();

	// B_BAD_VALUE for no message, an invalid target, a non-positive interval
	// or a count of 0.
	status_t InitCheck() const;

	// Restarts the schedule: the next message goes one new interval from now.
	status_t SetInterval(bigtime_t interval);
	status_t SetCount(int32 count);
	// B_BAD_VALUE once the runner is spent.
	status_t GetInfo(bigtime_t* interval, int32* count) const;

private:
	BMessageRunner(const BMessageRunner&) = delete;
	BMessageRunner& operator=(const BMessageRunner&) = delete;

	void _Init(BMessenger target, const BMessage* message, bigtime_t interval, int32 count,
	           BMessenger replyTo);

	int32 fToken; // the schedule entry; < 0: the error of the construction
};

#endif
