#include "replicant/PLForwardFilter.h"

#include <Handler.h>
#include <Looper.h>

PLForwardFilter::PLForwardFilter(uint32 command, BHandler* target)
    : BMessageFilter(command), fCode(command), fTarget(target)
{
}

PLForwardFilter::PLForwardFilter(uint32 command, uint32 code, BHandler* target)
    : BMessageFilter(command), fCode(code), fTarget(target)
{
}

PLForwardFilter::~PLForwardFilter() {}

filter_result PLForwardFilter::Filter(BMessage* message, BHandler**)
{
	// The copy is queued behind the message being filtered, so the target
	// hears of it after its own handler has.
	BLooper* looper = fTarget != NULL ? fTarget->Looper() : NULL;
	if (looper != NULL)
		looper->PostMessage(message, fTarget);
	return B_DISPATCH_MESSAGE;
}
