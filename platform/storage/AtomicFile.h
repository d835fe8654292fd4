#ifndef PLATFORM_STORAGE_ATOMIC_FILE_H
#define PLATFORM_STORAGE_ATOMIC_FILE_H

#include <sys/types.h>

#include <SupportDefs.h>

namespace BPrivate {

// The steps of an atomic replacement, in order.
enum atomic_write_step {
	ATOMIC_WRITE_CREATE,      // the temporary file beside the target
	ATOMIC_WRITE_DATA,        // its contents
	ATOMIC_WRITE_SYNC,        // fsync of the temporary file
	ATOMIC_WRITE_RENAME,      // rename over the target
	ATOMIC_WRITE_SYNC_FOLDER, // fsync of the folder, so the rename lasts
};

// Replaces the file at |path| with |size| bytes so that, whenever the process
// or the machine stops, the file holds either its old or its new contents
// whole: a temporary file in the same folder is written, synced and renamed
// over it. The new file gets |mode|.
status_t write_file_atomically(const char* path, const void* data, size_t size, mode_t mode);

// For tests: called before each step; false stops the write there as a crash
// would, leaving what was done so far on disk (at ATOMIC_WRITE_DATA half the
// bytes are written first). NULL, the default, never stops.
typedef bool (*atomic_write_hook)(atomic_write_step step);
void set_atomic_write_hook(atomic_write_hook hook);

} // namespace BPrivate

#endif
