#include <Handler.h>

#include <stdlib.h>
#include <string.h>

#include <AppDefs.h>
#include <List.h>
#include <Looper.h>
#include <Message.h>
#include <MessageFilter.h>

#include "app/LooperPrivate.h"
#include "app/MessagePrivate.h"

using BPrivate::LooperAccess;

BHandler::BHandler(const char* name)
    : fToken(BPrivate::register_handler(this)), fName(name != NULL ? strdup(name) : NULL),
      fLooper(NULL), fNextHandler(NULL), fFilters(NULL)
{
}

BHandler::BHandler(BMessage* data)
    : BArchivable(data), fToken(BPrivate::register_handler(this)), fName(NULL), fLooper(NULL),
      fNextHandler(NULL), fFilters(NULL)
{
	const char* name = NULL;
	if (data != NULL && data->FindString("_name", &name) == B_OK && name != NULL)
		fName = strdup(name);
}

BArchivable* BHandler::Instantiate(BMessage* data)
{
	if (!validate_instantiation(data, "BHandler"))
		return NULL;
	return new BHandler(data);
}

status_t BHandler::Archive(BMessage* data, bool deep) const
{
	status_t status = BArchivable::Archive(data, deep);
	if (status == B_OK && fName != NULL)
		status = data->AddString("_name", fName);
	return status;
}

BHandler::~BHandler()
{
	if (fLooper != NULL) {
		BLooper* looper = fLooper;
		if (LockLooper()) {
			looper->RemoveHandler(this);
			looper->Unlock();
		}
	}
	if (fFilters != NULL) {
		for (int32 i = 0; i < fFilters->CountItems(); i++)
			delete static_cast<BMessageFilter*>(fFilters->ItemAt(i));
		delete fFilters;
	}
	BPrivate::unregister_handler(fToken);
	free(fName);
}

void BHandler::MessageReceived(BMessage* message)
{
	if (fNextHandler != NULL) {
		fNextHandler->MessageReceived(message);
		return;
	}
	if (message->what != B_MESSAGE_NOT_UNDERSTOOD && message->IsSourceWaiting())
		message->SendReply(B_MESSAGE_NOT_UNDERSTOOD);
}

BLooper* BHandler::Looper() const
{
	return fLooper;
}

void BHandler::SetName(const char* name)
{
	free(fName);
	fName = name != NULL ? strdup(name) : NULL;
}

const char* BHandler::Name() const
{
	return fName;
}

void BHandler::SetNextHandler(BHandler* handler)
{
	// The chain stays inside one looper: its thread runs every link.
	if (handler != NULL && (fLooper == NULL || handler->fLooper != fLooper || handler == this))
		return;
	fNextHandler = handler;
}

BHandler* BHandler::NextHandler() const
{
	return fNextHandler;
}

void BHandler::AddFilter(BMessageFilter* filter)
{
	if (filter == NULL || (fLooper != NULL && !fLooper->IsLocked()))
		return;
	if (fFilters == NULL)
		fFilters = new BList;
	if (!LooperAccess::Attach(filter, fLooper))
		return;
	fFilters->AddItem(filter);
}

bool BHandler::RemoveFilter(BMessageFilter* filter)
{
	if (fFilters == NULL || (fLooper != NULL && !fLooper->IsLocked()))
		return false;
	if (!fFilters->RemoveItem(filter))
		return false;
	LooperAccess::Detach(filter);
	return true;
}

void BHandler::SetFilterList(BList* filters)
{
	if (fLooper != NULL && !fLooper->IsLocked())
		return;
	if (fFilters != NULL) {
		for (int32 i = 0; i < fFilters->CountItems(); i++)
			delete static_cast<BMessageFilter*>(fFilters->ItemAt(i));
		delete fFilters;
	}
	fFilters = filters;
	if (fFilters == NULL)
		return;
	// A filter that already serves someone else is dropped from the list.
	for (int32 i = fFilters->CountItems() - 1; i >= 0; i--) {
		auto* filter = static_cast<BMessageFilter*>(fFilters->ItemAt(i));
		if (!LooperAccess::Attach(filter, fLooper))
			fFilters->RemoveItem(i);
	}
}

BList* BHandler::FilterList()
{
	return fFilters;
}

bool BHandler::LockLooper()
{
	return LockLooperWithTimeout(B_INFINITE_TIMEOUT) == B_OK;
}

status_t BHandler::LockLooperWithTimeout(bigtime_t timeout)
{
	// The looper is found through the registry, never through fLooper, which
	// another thread may change meanwhile.
	const int32 looperID = BPrivate::handler_looper(fToken);
	std::shared_ptr<BPrivate::LooperRecord> record = BPrivate::looper_record(looperID);
	if (record == nullptr)
		return B_BAD_VALUE;

	status_t status = record->lock->Acquire(BPrivate::deadline_for(timeout));
	if (status != B_OK)
		return status == B_INTERRUPTED ? B_BAD_VALUE : status;
	if (BPrivate::handler_looper(fToken) != looperID) {
		record->lock->Release();
		return B_MISMATCHED_VALUES;
	}
	return B_OK;
}

void BHandler::UnlockLooper()
{
	// The caller holds the lock, so the handler cannot change loopers.
	if (fLooper != NULL)
		fLooper->Unlock();
}

void BHandler::_SetLooper(BLooper* looper)
{
	fLooper = looper;
	BPrivate::LooperRecord* record = looper != NULL ? LooperAccess::Record(looper) : NULL;
	BPrivate::set_handler_looper(fToken, record != NULL ? record->id : -1);
	if (fFilters == NULL)
		return;
	for (int32 i = 0; i < fFilters->CountItems(); i++)
		LooperAccess::SetFilterLooper(static_cast<BMessageFilter*>(fFilters->ItemAt(i)), looper);
}
