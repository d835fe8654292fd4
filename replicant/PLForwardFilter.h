#ifndef PL_FORWARD_FILTER_H
#define PL_FORWARD_FILTER_H

#include <MessageFilter.h>

class BHandler;

// Hands a copy of every message with one code to a target handler and lets
// the message itself go on to its own handler. A replicant puts one on its
// host window to hear of workspace switches, which only windows are told of.
// The target must belong to a looper whenever a message can reach the filter.
class PLForwardFilter : public BMessageFilter {
public:
	PLForwardFilter(uint32 command, BHandler* target);
	PLForwardFilter(uint32 command, uint32 code, BHandler* target);
	virtual ~PLForwardFilter();

	virtual filter_result Filter(BMessage* message, BHandler** target);

	// The code given to the constructor (the command for the one-code form).
	uint32 Code() const { return fCode; }

private:
	uint32 fCode;       // kept as given; Filter() does not consult it
	BHandler* fTarget;  // not owned
};

#endif
