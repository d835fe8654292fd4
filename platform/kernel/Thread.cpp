// spawn_thread() and the calls that act on a thread_id.

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>

#include <OS.h>

#include "kernel/ThreadControl.h"

namespace BPrivate {

namespace {

// Threads that ended keep their exit value here until someone waits for them,
// as a zombie would; the oldest are forgotten beyond this many.
const size_t kMaxEndedThreads = 4096;

struct Registry {
	std::mutex lock; // a leaf, except that it is taken before a ThreadControl's fLock
	std::unordered_map<thread_id, std::shared_ptr<ThreadControl>> live;
	std::unordered_map<thread_id, status_t> ended;
	std::deque<thread_id> endedOrder;
	thread_id nextID = 1;
};

// Never destroyed: threads may still end while static objects are destroyed.
Registry& registry()
{
	static Registry* sRegistry = new Registry;
	return *sRegistry;
}

std::atomic<void (*)()> sExitHook{nullptr};

thread_local ThreadControl* tCurrent = nullptr;

// Keeps the control block of a thread not made by spawn_thread(), and drops it
// from the registry when that thread ends.
struct ForeignThread {
	std::shared_ptr<ThreadControl> control;

	~ForeignThread()
	{
		if (control == nullptr)
			return;
		Registry& r = registry();
		std::lock_guard<std::mutex> lock(r.lock);
		r.live.erase(control->fID);
		tCurrent = nullptr;
	}
};

thread_local ForeignThread tForeign;

void copy_name(char* to, const char* name)
{
	strncpy(to, name != nullptr ? name : "", B_OS_NAME_LENGTH - 1);
	to[B_OS_NAME_LENGTH - 1] = '\0';
}

// Linux keeps 15 bytes of a thread's name.
void set_system_name(pid_t tid, const char* name)
{
	char shortName[16];
	strncpy(shortName, name, sizeof(shortName) - 1);
	shortName[sizeof(shortName) - 1] = '\0';
	if (tid == gettid()) {
		pthread_setname_np(pthread_self(), shortName);
		return;
	}
	char path[64];
	snprintf(path, sizeof(path), "/proc/self/task/%d/comm", (int) tid);
	int fd = open(path, O_WRONLY | O_CLOEXEC);
	if (fd < 0)
		return;
	ssize_t written = write(fd, shortName, strlen(shortName));
	(void) written;
	close(fd);
}

// Below normal, one Be step is one nice step; above normal needs privileges an
// ordinary user lacks, and a refusal leaves the thread where it is.
void apply_priority(pid_t tid, int32 priority)
{
	int niceValue = 10 - std::clamp(priority, (int32) 0, (int32) 30);
	if (priority <= B_IDLE_PRIORITY)
		niceValue = 19;
	setpriority(PRIO_PROCESS, tid, std::clamp(niceValue, -20, 19));
}

std::shared_ptr<ThreadControl> find_live(thread_id id)
{
	Registry& r = registry();
	std::lock_guard<std::mutex> lock(r.lock);
	auto found = r.live.find(id);
	return found != r.live.end() ? found->second : nullptr;
}

void finish(ThreadControl* self, status_t exitValue)
{
	Registry& r = registry();
	{
		std::lock_guard<std::mutex> lock(r.lock);
		r.live.erase(self->fID);
		r.ended[self->fID] = exitValue;
		r.endedOrder.push_back(self->fID);
		while (r.endedOrder.size() > kMaxEndedThreads) {
			r.ended.erase(r.endedOrder.front());
			r.endedOrder.pop_front();
		}
	}
	std::lock_guard<std::mutex> lock(self->fJoinLock);
	self->fEnded = true;
	self->fExitValue = exitValue;
	self->fJoiners.NotifyAll();
}

void* trampoline(void* data)
{
	std::unique_ptr<std::shared_ptr<ThreadControl>> holder(
	    static_cast<std::shared_ptr<ThreadControl>*>(data));
	std::shared_ptr<ThreadControl> control = *holder;
	holder.reset();
	ThreadControl* self = control.get();
	tCurrent = self;

	{
		Registry& r = registry();
		std::lock_guard<std::mutex> lock(r.lock);
		self->fTid = gettid();
		self->fPthread = pthread_self();
		set_system_name(self->fTid, self->fName);
		apply_priority(self->fTid, self->fPriority);
	}

	status_t exitValue = B_INTERRUPTED;
	try {
		if (self->WaitForStart())
			exitValue = self->fFunction(self->fData);
	} catch (const ThreadKilled&) {
		exitValue = B_INTERRUPTED;
	} catch (const ThreadExit& exit) {
		exitValue = exit.value;
	}

	if (void (*hook)() = sExitHook.load())
		hook();
	finish(self, exitValue);
	tCurrent = nullptr;
	return nullptr;
}

} // namespace

ThreadControl* current_thread_control()
{
	if (tCurrent != nullptr)
		return tCurrent;

	auto control = std::make_shared<ThreadControl>(false);
	char name[16] = {};
	pthread_getname_np(pthread_self(), name, sizeof(name));
	copy_name(control->fName, name);
	control->fTid = gettid();
	control->fPthread = pthread_self();
	{
		Registry& r = registry();
		std::lock_guard<std::mutex> lock(r.lock);
		control->fID = r.nextID++;
		r.live[control->fID] = control;
	}
	tForeign.control = control;
	tCurrent = control.get();
	return tCurrent;
}

void check_thread_gate()
{
	ThreadControl* self = tCurrent;
	if (self == nullptr || !self->fAttention.load(std::memory_order_acquire))
		return;
	self->ParkIfSuspended();
}

void looper_lock_acquired()
{
	if (tCurrent != nullptr)
		tCurrent->fLooperLocks++;
}

void looper_lock_released()
{
	if (tCurrent != nullptr)
		tCurrent->fLooperLocks--;
}

void set_thread_exit_hook(void (*hook)())
{
	sExitHook.store(hook);
}

bool current_thread_killed()
{
	ThreadControl* self = tCurrent;
	return self != nullptr && self->fSpawned && self->IsKilled();
}

} // namespace BPrivate

using BPrivate::ThreadControl;

thread_id spawn_thread(thread_func function, const char* name, int32 priority, void* data)
{
	if (function == nullptr)
		return B_BAD_VALUE;

	std::shared_ptr<ThreadControl> control;
	try {
		control = std::make_shared<ThreadControl>(true);
	} catch (const std::bad_alloc&) {
		return B_NO_MEMORY;
	}
	control->fFunction = function;
	control->fData = data;
	control->fPriority = priority;
	BPrivate::copy_name(control->fName, name != nullptr ? name : "unnamed thread");

	BPrivate::Registry& r = BPrivate::registry();
	{
		std::lock_guard<std::mutex> lock(r.lock);
		control->fID = r.nextID++;
		r.live[control->fID] = control;
	}

	auto* holder = new (std::nothrow) std::shared_ptr<ThreadControl>(control);
	pthread_t pthread;
	int error = holder != nullptr ? pthread_create(&pthread, nullptr, BPrivate::trampoline, holder)
	                              : ENOMEM;
	if (error != 0) {
		delete holder;
		std::lock_guard<std::mutex> lock(r.lock);
		r.live.erase(control->fID);
		return error == EAGAIN ? (status_t) B_NO_MORE_THREADS : (status_t) B_NO_MEMORY;
	}
	pthread_detach(pthread);
	return control->fID;
}

status_t resume_thread(thread_id thread)
{
	std::shared_ptr<ThreadControl> control = BPrivate::find_live(thread);
	if (control == nullptr)
		return B_BAD_THREAD_ID;
	if (!control->fSpawned)
		return B_NOT_ALLOWED;
	return control->RequestResume() ? (status_t) B_OK : (status_t) B_BAD_THREAD_STATE;
}

status_t suspend_thread(thread_id thread)
{
	std::shared_ptr<ThreadControl> control = BPrivate::find_live(thread);
	if (control == nullptr)
		return B_BAD_THREAD_ID;
	if (!control->fSpawned)
		return B_NOT_ALLOWED;
	control->RequestSuspend();
	// Suspending oneself parks at once, as the Be API stops the caller.
	if (control.get() == BPrivate::tCurrent)
		control->ParkIfSuspended();
	return B_OK;
}

status_t kill_thread(thread_id thread)
{
	std::shared_ptr<ThreadControl> control = BPrivate::find_live(thread);
	if (control == nullptr)
		return B_BAD_THREAD_ID;
	if (!control->fSpawned)
		return B_NOT_ALLOWED;
	control->RequestKill();
	if (control.get() == BPrivate::tCurrent)
		return control->Die();

	// The victim ends at its next blocking point; a wait for a looper lock is
	// one, so this never deadlocks against a lock the caller holds.
	std::unique_lock<std::mutex> lock(control->fJoinLock);
	while (!control->fEnded)
		control->fJoiners.Wait(lock, B_INFINITE_TIMEOUT);
	return B_OK;
}

status_t wait_for_thread(thread_id thread, status_t* exitValue)
{
	BPrivate::Registry& r = BPrivate::registry();
	std::shared_ptr<ThreadControl> control;
	{
		std::lock_guard<std::mutex> lock(r.lock);
		auto live = r.live.find(thread);
		if (live != r.live.end()) {
			control = live->second;
		} else {
			auto ended = r.ended.find(thread);
			if (ended == r.ended.end())
				return B_BAD_THREAD_ID;
			if (exitValue != nullptr)
				*exitValue = ended->second;
			r.ended.erase(ended);
			std::erase(r.endedOrder, thread);
			return B_OK;
		}
	}
	if (!control->fSpawned)
		return B_NOT_ALLOWED;
	if (control.get() == BPrivate::tCurrent)
		return B_NOT_ALLOWED;
	// A thread nobody has started yet would never end: start it, as the Be
	// API does.
	control->StartIfNew();

	{
		std::unique_lock<std::mutex> lock(control->fJoinLock);
		while (!control->fEnded) {
			status_t status = control->fJoiners.Wait(lock, B_INFINITE_TIMEOUT);
			if (status == B_CANCELED)
				return B_INTERRUPTED;
		}
		if (exitValue != nullptr)
			*exitValue = control->fExitValue;
	}
	std::lock_guard<std::mutex> lock(r.lock);
	if (r.ended.erase(thread) != 0)
		std::erase(r.endedOrder, thread);
	return B_OK;
}

status_t rename_thread(thread_id thread, const char* newName)
{
	if (newName == nullptr)
		return B_BAD_VALUE;
	BPrivate::Registry& r = BPrivate::registry();
	std::lock_guard<std::mutex> lock(r.lock);
	auto found = r.live.find(thread);
	if (found == r.live.end())
		return B_BAD_THREAD_ID;
	ThreadControl* control = found->second.get();
	BPrivate::copy_name(control->fName, newName);
	if (control->fTid != 0)
		BPrivate::set_system_name(control->fTid, control->fName);
	return B_OK;
}

status_t set_thread_priority(thread_id thread, int32 newPriority)
{
	BPrivate::Registry& r = BPrivate::registry();
	std::lock_guard<std::mutex> lock(r.lock);
	auto found = r.live.find(thread);
	if (found == r.live.end())
		return B_BAD_THREAD_ID;
	ThreadControl* control = found->second.get();
	int32 old = control->fPriority;
	control->fPriority = newPriority;
	if (control->fTid != 0)
		BPrivate::apply_priority(control->fTid, newPriority);
	return old;
}

thread_id find_thread(const char* name)
{
	if (name == nullptr)
		return BPrivate::current_thread_control()->fID;
	BPrivate::Registry& r = BPrivate::registry();
	std::lock_guard<std::mutex> lock(r.lock);
	for (const auto& [id, control] : r.live) {
		if (strcmp(control->fName, name) == 0)
			return id;
	}
	return B_NAME_NOT_FOUND;
}

static bigtime_t clock_ticks_to_us(unsigned long long ticks)
{
	long perSecond = sysconf(_SC_CLK_TCK);
	return perSecond > 0 ? (bigtime_t) (ticks * 1000000ULL / perSecond) : 0;
}

status_t get_thread_info(thread_id thread, thread_info* info)
{
	if (info == nullptr)
		return B_BAD_VALUE;
	std::shared_ptr<ThreadControl> control = BPrivate::find_live(thread);
	if (control == nullptr)
		return B_BAD_THREAD_ID;

	*info = thread_info();
	info->thread = thread;
	info->team = getpid();
	info->state = control->State();
	info->sem = -1;
	pid_t tid;
	{
		std::lock_guard<std::mutex> lock(BPrivate::registry().lock);
		memcpy(info->name, control->fName, sizeof(info->name));
		info->priority = control->fPriority;
		tid = control->fTid;
	}
	if (tid == 0)
		return B_OK;

	// Fields 14 and 15 of the stat line: user and system time in clock ticks.
	char path[64];
	snprintf(path, sizeof(path), "/proc/self/task/%d/stat", (int) tid);
	FILE* file = fopen(path, "re");
	if (file == nullptr)
		return B_OK;
	char line[1024];
	size_t length = fread(line, 1, sizeof(line) - 1, file);
	fclose(file);
	line[length] = '\0';
	// The name in parentheses may hold spaces: count fields after its end.
	const char* rest = strrchr(line, ')');
	unsigned long long user = 0, system = 0;
	if (rest != nullptr &&
	    sscanf(rest + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user,
	           &system) == 2) {
		info->user_time = clock_ticks_to_us(user);
		info->kernel_time = clock_ticks_to_us(system);
	}
	return B_OK;
}

void exit_thread(status_t status)
{
	ThreadControl* self = BPrivate::current_thread_control();
	if (self->fSpawned)
		throw BPrivate::ThreadExit{status};
	pthread_exit(nullptr);
}
