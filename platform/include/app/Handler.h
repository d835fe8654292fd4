#ifndef _HANDLER_H
#define _HANDLER_H

#include <Archivable.h>
#include <OS.h>
#include <SupportDefs.h>

class BList;
class BLooper;
class BMessage;
class BMessageFilter;

namespace BPrivate {
class LooperAccess;
}

// A handler receives messages from the looper it belongs to, in that looper's
// thread, with the looper locked.
class BHandler : public BArchivable {
public:
	BHandler(const char* name = NULL);
	// The name comes from the archive's "_name".
	BHandler(BMessage* data);
	virtual ~BHandler();

	static BArchivable* Instantiate(BMessage* data);
	virtual status_t Archive(BMessage* data, bool deep = true) const;

	// Unhandled messages go to the next handler; at the end of the chain, a
	// sender waiting for a reply gets B_MESSAGE_NOT_UNDERSTOOD.
	virtual void MessageReceived(BMessage* message);

	BLooper* Looper() const;
	void SetName(const char* name);
	const char* Name() const;
	virtual void SetNextHandler(BHandler* handler);
	BHandler* NextHandler() const;

	// The handler owns its filters. Adding works before the handler belongs to
	// a looper; once it does, that looper must be locked. A filter serves one
	// handler or looper at a time: adding one that serves another is refused.
	virtual void AddFilter(BMessageFilter* filter);
	virtual bool RemoveFilter(BMessageFilter* filter);
	virtual void SetFilterList(BList* filters);
	BList* FilterList();

	// Lock the looper the handler belongs to at the time of the call; false
	// (or B_BAD_VALUE) if none or gone, and also if the handler moved to
	// another looper while the caller waited (B_MISMATCHED_VALUES).
	bool LockLooper();
	status_t LockLooperWithTimeout(bigtime_t timeout);
	void UnlockLooper();

private:
	friend class BLooper;
	friend class BPrivate::LooperAccess;

	BHandler(const BHandler&) = delete;
	BHandler& operator=(const BHandler&) = delete;

	void _SetLooper(BLooper* looper);

	int32 fToken; // fixed: the handler's id for messengers
	char* fName;
	BLooper* fLooper; // changed with the looper(s) involved locked
	BHandler* fNextHandler;
	BList* fFilters; // owned, as are the filters in it
};

#endif
