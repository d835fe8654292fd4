#ifndef PLATFORM_KERNEL_PROCESSORS_H
#define PLATFORM_KERNEL_PROCESSORS_H

namespace BPrivate {

// Whether this process may run on more than one processor: work split across
// threads only pays where they can run at the same time.
bool has_second_processor();

} // namespace BPrivate

#endif
