#ifndef _OS_H
#define _OS_H

#include <SupportDefs.h>

#define B_OS_NAME_LENGTH 32
#define B_INFINITE_TIMEOUT (9223372036854775807LL)

// Flags of the *_etc waits.
enum {
	B_CAN_INTERRUPT = 0x01,
	B_CHECK_PERMISSION = 0x04,
	B_TIMEOUT = 0x08,
	B_RELATIVE_TIMEOUT = 0x08,
	B_ABSOLUTE_TIMEOUT = 0x10
};

typedef int32 thread_id;
typedef int32 team_id;
typedef int32 sem_id;
typedef int32 port_id;

typedef int32 (*thread_func)(void*);
#define thread_entry thread_func

// Be priorities. On Linux a priority below B_NORMAL_PRIORITY becomes a higher
// nice value for that thread; raising it above normal needs privileges that an
// ordinary user lacks, so those requests are recorded but may not take effect.
#define B_IDLE_PRIORITY 0
#define B_LOWEST_ACTIVE_PRIORITY 1
#define B_LOW_PRIORITY 5
#define B_NORMAL_PRIORITY 10
#define B_DISPLAY_PRIORITY 15
#define B_URGENT_DISPLAY_PRIORITY 20
#define B_REAL_TIME_DISPLAY_PRIORITY 100
#define B_URGENT_PRIORITY 110
#define B_REAL_TIME_PRIORITY 120

#define B_SYSTEM_TIMEBASE 0

typedef enum {
	B_THREAD_RUNNING = 1,
	B_THREAD_READY,
	B_THREAD_RECEIVING,
	B_THREAD_ASLEEP,
	B_THREAD_SUSPENDED,
	B_THREAD_WAITING
} thread_state;

typedef struct {
	thread_id thread;
	team_id team;
	char name[B_OS_NAME_LENGTH];
	thread_state state;
	int32 priority;
	sem_id sem;
	bigtime_t user_time;
	bigtime_t kernel_time;
	void* stack_base;
	void* stack_end;
} thread_info;

#ifdef __cplusplus
extern "C" {
#endif

// Threads start suspended; resume_thread() lets them run. Suspension and
// killing are cooperative: they take effect when the thread reaches one of the
// platform's blocking points (snooze, looper locks, message waits,
// wait_for_thread, the gates between units of work such as video frames).
thread_id spawn_thread(thread_func function, const char* name, int32 priority, void* data);
status_t resume_thread(thread_id thread);
status_t suspend_thread(thread_id thread);
status_t kill_thread(thread_id thread);
status_t wait_for_thread(thread_id thread, status_t* exitValue);
status_t rename_thread(thread_id thread, const char* newName);
status_t set_thread_priority(thread_id thread, int32 newPriority);
thread_id find_thread(const char* name);
status_t get_thread_info(thread_id thread, thread_info* info);
void exit_thread(status_t status);

bigtime_t system_time(void);
status_t snooze(bigtime_t amount);
status_t snooze_until(bigtime_t time, int timeBase);
status_t snooze_etc(bigtime_t amount, int timeBase, uint32 flags);

#ifdef __cplusplus
}
#endif

#endif
