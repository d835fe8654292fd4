#include "kernel/Processors.h"

#include <sched.h>

namespace BPrivate {

bool has_second_processor()
{
	// The affinity mask, not the machine's count: a process pinned to one
	// processor (taskset, a container's cpuset) has only that one.
	cpu_set_t cpus;
	if (sched_getaffinity(0, sizeof(cpus), &cpus) != 0)
		return false;
	return CPU_COUNT(&cpus) > 1;
}

} // namespace BPrivate
