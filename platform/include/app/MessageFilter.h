#ifndef _MESSAGE_FILTER_H
#define _MESSAGE_FILTER_H

#include <Handler.h>

class BMessage;
class BMessageFilter;

enum filter_result { B_SKIP_MESSAGE, B_DISPATCH_MESSAGE };

typedef filter_result (*filter_hook)(BMessage* message, BHandler** target, BMessageFilter* filter);

enum message_delivery { B_ANY_DELIVERY, B_DROPPED_DELIVERY, B_PROGRAMMED_DELIVERY };

enum message_source { B_ANY_SOURCE, B_REMOTE_SOURCE, B_LOCAL_SOURCE };

// Screens a message before its target sees it. A hook given to the
// constructor is called instead of Filter(). Either may edit the message in
// place or change *target to another handler of the same looper.
class BMessageFilter {
public:
	BMessageFilter(uint32 what, filter_hook func = NULL);
	BMessageFilter(message_delivery delivery, message_source source, filter_hook func = NULL);
	BMessageFilter(message_delivery delivery, message_source source, uint32 what,
	               filter_hook func = NULL);
	BMessageFilter(const BMessageFilter& filter);
	BMessageFilter(const BMessageFilter* filter);
	virtual ~BMessageFilter();

	BMessageFilter& operator=(const BMessageFilter& from);

	virtual filter_result Filter(BMessage* message, BHandler** target);

	message_delivery MessageDelivery() const;
	message_source MessageSource() const;
	uint32 Command() const;
	bool FiltersAnyCommand() const;
	// The looper of the handler or looper the filter serves; NULL if none.
	BLooper* Looper() const;

private:
	friend class BPrivate::LooperAccess;

	bool fFiltersAny;
	uint32 fWhat;
	message_delivery fDelivery;
	message_source fSource;
	filter_hook fFilterFunction;
	BLooper* fLooper; // guarded like the list the filter is in
	bool fAttached;   // serves a handler or looper now
};

#endif
