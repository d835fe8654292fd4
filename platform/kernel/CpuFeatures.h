#ifndef PLATFORM_KERNEL_CPU_FEATURES_H
#define PLATFORM_KERNEL_CPU_FEATURES_H

namespace BPrivate {

// Instruction set extensions the processor offers, from glibc's record of it,
// made once as the program starts. __builtin_cpu_supports would bring
// libgcc's own detection into the library: a constructor that runs cpuid
// several times at every start, each a trap to the hypervisor on a virtual
// machine.
bool cpu_has_ssse3();
bool cpu_has_sse41();

} // namespace BPrivate

#endif
