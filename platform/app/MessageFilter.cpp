#include <MessageFilter.h>

#include "app/LooperPrivate.h"

BMessageFilter::BMessageFilter(uint32 what, filter_hook func)
    : fFiltersAny(false), fWhat(what), fDelivery(B_ANY_DELIVERY), fSource(B_ANY_SOURCE),
      fFilterFunction(func), fLooper(NULL), fAttached(false)
{
}

BMessageFilter::BMessageFilter(message_delivery delivery, message_source source, filter_hook func)
    : fFiltersAny(true), fWhat(0), fDelivery(delivery), fSource(source), fFilterFunction(func),
      fLooper(NULL), fAttached(false)
{
}

BMessageFilter::BMessageFilter(message_delivery delivery, message_source source, uint32 what,
                               filter_hook func)
    : fFiltersAny(false), fWhat(what), fDelivery(delivery), fSource(source), fFilterFunction(func),
      fLooper(NULL), fAttached(false)
{
}

// A copy serves nobody until it is added somewhere.
BMessageFilter::BMessageFilter(const BMessageFilter& filter)
    : fFiltersAny(filter.fFiltersAny), fWhat(filter.fWhat), fDelivery(filter.fDelivery),
      fSource(filter.fSource), fFilterFunction(filter.fFilterFunction), fLooper(NULL),
      fAttached(false)
{
}

BMessageFilter::BMessageFilter(const BMessageFilter* filter) : BMessageFilter(*filter) {}

BMessageFilter::~BMessageFilter() {}

BMessageFilter& BMessageFilter::operator=(const BMessageFilter& from)
{
	fFiltersAny = from.fFiltersAny;
	fWhat = from.fWhat;
	fDelivery = from.fDelivery;
	fSource = from.fSource;
	fFilterFunction = from.fFilterFunction;
	return *this;
}

filter_result BMessageFilter::Filter(BMessage*, BHandler**)
{
	return B_DISPATCH_MESSAGE;
}

message_delivery BMessageFilter::MessageDelivery() const
{
	return fDelivery;
}

message_source BMessageFilter::MessageSource() const
{
	return fSource;
}

uint32 BMessageFilter::Command() const
{
	return fWhat;
}

bool BMessageFilter::FiltersAnyCommand() const
{
	return fFiltersAny;
}

BLooper* BMessageFilter::Looper() const
{
	return fLooper;
}

namespace BPrivate {

bool LooperAccess::Attach(BMessageFilter* filter, BLooper* looper)
{
	if (filter == NULL || filter->fAttached)
		return false;
	filter->fAttached = true;
	filter->fLooper = looper;
	return true;
}

void LooperAccess::Detach(BMessageFilter* filter)
{
	filter->fAttached = false;
	filter->fLooper = NULL;
}

} // namespace BPrivate
