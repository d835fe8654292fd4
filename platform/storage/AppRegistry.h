#ifndef PLATFORM_STORAGE_APP_REGISTRY_H
#define PLATFORM_STORAGE_APP_REGISTRY_H

// The registry of installed applications: the records (see AppRecord.h) of
// the applications this user may launch and load code from, read afresh on
// each look-up (they are few and small, and a record written by an
// application that just started is seen at once).
//
// Folders, searched in this order; the first usable record of a signature
// wins:
//   $XDG_DATA_HOME/pl-platform/applications (default ~/.local/share): the
//       applications of the user's that have run, written by each one as its
//       BApplication starts; owner-only (0700).
//   <folder of libplatform.so>/../share/pl-platform/applications: what
//       `cmake --install` puts beside the platform (cmake/PlAppRecord.cmake).
//   each $XDG_DATA_DIRS entry (default /usr/local/share:/usr/share) with
//       pl-platform/applications.
// A record is read only from a regular file named "*.app" that is owned by
// root or the user and writable by nobody else, in a folder of the same kind:
// a record says which library a process will load.

#include <string>
#include <vector>

#include <SupportDefs.h>

#include "storage/AppRecord.h"

namespace BPrivate {

const size_t kMaxRecordsPerFolder = 4096;

// The folders above, in order, whether they exist or not.
std::vector<std::string> app_registry_folders();

// The user's folder, created owner-only when |create|.
status_t user_app_registry_folder(std::string* folder, bool create);

// B_OK when the open file |fd|, found at |path|, is a regular file owned by
// root or the user and not writable by group or others, and so is the folder
// |path| is in. Otherwise B_NOT_ALLOWED with |reason| (static text) saying why.
status_t check_trusted_file(int fd, const std::string& path, const char** reason);

// Reads one record file, with the checks above. B_BAD_DATA: not a record.
status_t read_app_record(const std::string& path, AppRecord* record);

// The record of |signature| (without case) whose executable still exists.
status_t find_app_record(const char* signature, AppRecord* record);

// The record of an application supporting |type|: one naming the type
// itself first, then, when |bySupertype|, one naming its supertype.
status_t find_app_record_for_type(const char* type, AppRecord* record, bool bySupertype = true);

// Writes |record| into the user's folder atomically (a temporary file,
// fsync, rename); nothing is written when the same record is already there.
status_t write_user_app_record(const AppRecord& record);

// The record of the running process: signature, /proc/self/exe, the loaded
// libraries (not libplatform itself) whose code registered archivable
// classes, |flags|, and the supported types in the executable's resources.
status_t running_app_record(const char* signature, uint32 flags, AppRecord* record);

// Both: what BApplication does as it starts, so that the roster and the
// replicant hosts of this user find the application afterwards.
status_t record_running_application(const char* signature, uint32 flags);

} // namespace BPrivate

#endif
