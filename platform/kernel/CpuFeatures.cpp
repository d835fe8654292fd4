#include "kernel/CpuFeatures.h"

// The header is C; clang does not take its _Bool in C++.
#define _Bool bool
#include <sys/platform/x86.h>
#undef _Bool

namespace BPrivate {

bool cpu_has_ssse3()
{
	return CPU_FEATURE_ACTIVE(SSSE3);
}

bool cpu_has_sse41()
{
	return CPU_FEATURE_ACTIVE(SSE4_1);
}

} // namespace BPrivate
