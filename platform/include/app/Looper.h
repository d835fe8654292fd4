#ifndef _LOOPER_H
#define _LOOPER_H

#include <Handler.h>
#include <List.h>
#include <OS.h>

class BMessage;
class BMessageQueue;

namespace BPrivate {
struct LooperRecord;
}

#define B_LOOPER_PORT_DEFAULT_CAPACITY 200

// A thread, a FIFO message queue and a recursive lock. Constructed locked by
// the constructing thread; Run() starts the thread and unlocks. Every source
// of messages feeds the same queue; posting never blocks and never takes the
// looper's lock. The queue is unbounded: the port capacity is accepted for
// the Be API's sake only.
class BLooper : public BHandler {
public:
	BLooper(const char* name = NULL, int32 priority = B_NORMAL_PRIORITY,
	        int32 portCapacity = B_LOOPER_PORT_DEFAULT_CAPACITY);
	virtual ~BLooper();

	// The message is copied. Without a handler the target is the looper
	// itself; with a NULL handler it is the preferred handler at dispatch
	// time (the looper if none); a handler of another looper gives
	// B_MISMATCHED_VALUES. Replies go to |replyTo|, else to be_app_messenger.
	status_t PostMessage(uint32 command);
	status_t PostMessage(BMessage* message);
	status_t PostMessage(uint32 command, BHandler* handler, BHandler* replyTo = NULL);
	status_t PostMessage(BMessage* message, BHandler* handler, BHandler* replyTo = NULL);

	// B_QUIT_REQUESTED aimed at the looper: QuitRequested(), then Quit() if
	// it agrees. Everything else: handler->MessageReceived().
	virtual void DispatchMessage(BMessage* message, BHandler* handler);
	virtual void MessageReceived(BMessage* message);

	// The message being dispatched (NULL outside dispatch), owned by the
	// looper unless detached.
	BMessage* CurrentMessage() const;
	BMessage* DetachCurrentMessage();
	BMessageQueue* MessageQueue() const;
	bool IsMessageWaiting() const;

	// The looper is a handler of its own, added at construction.
	void AddHandler(BHandler* handler);
	bool RemoveHandler(BHandler* handler);
	int32 CountHandlers() const;
	BHandler* HandlerAt(int32 index) const;
	int32 IndexOf(BHandler* handler) const;

	BHandler* PreferredHandler() const;
	void SetPreferredHandler(BHandler* handler);

	virtual thread_id Run();
	// Locked. From the looper's own thread: the loop stops at once, queued
	// messages are dropped, the object is deleted and the call does not return
	// (the thread unwinds to its loop, which deletes the looper). From another
	// thread: waits until the messages queued before are handled and the
	// looper is gone. Before Run(): deletes the looper.
	virtual void Quit();
	virtual bool QuitRequested();

	// Recursive per thread. Lock() is false, and LockWithTimeout() gives
	// B_BAD_VALUE, if the looper was deleted, also while waiting.
	bool Lock();
	void Unlock();
	bool IsLocked() const;
	status_t LockWithTimeout(bigtime_t timeout);
	thread_id Thread() const;
	team_id Team() const;
	static BLooper* LooperForThread(thread_id thread);

	thread_id LockingThread() const;
	int32 CountLocks() const;
	int32 CountLockRequests() const;

	// Common filters see every message before the target's own filters.
	virtual void AddCommonFilter(BMessageFilter* filter);
	virtual bool RemoveCommonFilter(BMessageFilter* filter);
	virtual void SetCommonFilterList(BList* filters);
	BList* CommonFilterList() const;

private:
	friend class BApplication;
	friend class BHandler;
	friend class BPrivate::LooperAccess;

	BLooper(const BLooper&) = delete;
	BLooper& operator=(const BLooper&) = delete;

	static int32 _ThreadEntry(void* data);
	// The message loop; BApplication runs it in the thread that calls Run().
	void _Loop();
	// Static, as are the lock calls' helpers: the looper may have been
	// deleted, and only its address may be used until the registry confirms
	// that it lives.
	static status_t _PostMessage(const BLooper* looper, BMessage* message, BHandler* handler,
	                             BHandler* replyTo);
	void _DispatchOne(BMessage* message);
	BHandler* _ResolveTarget(BMessage* message);
	BHandler* _ApplyFilters(BList* filters, BMessage* message, BHandler* target);
	void _UnlockFully(int32* count);
	void _RelockFully(int32 count);

	BPrivate::LooperRecord* fRecord; // owned through the registry; fixed
	BMessageQueue* fQueue;           // owned
	BMessage* fCurrentMessage;       // looper thread, with the lock held
	BList fHandlers;                 // guarded by the looper lock
	BHandler* fPreferred;            // guarded by the looper lock
	BList* fCommonFilters;           // owned; guarded by the looper lock
	thread_id fThread;
	int32 fInitPriority;
	bool fRunCalled;
	bool fTerminating; // looper thread: delete after the message
	bool fStopping;    // looper thread: end the loop, keep the object
};

#endif
