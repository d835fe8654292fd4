#ifndef PLATFORM_STORAGE_ENTRY_REF_PATH_H
#define PLATFORM_STORAGE_ENTRY_REF_PATH_H

// Linux cannot turn an inode back into a path, so the platform remembers the
// path of every directory it has made a ref in (and of every directory named
// by a flattened ref that arrived from elsewhere). A remembered path is
// trusted only while stat() of it still gives the same device and inode.

#include <string>

#include <Entry.h>

namespace BPrivate {

// Records that |path| (absolute, normalised) is the directory (device, inode).
void remember_directory(dev_t device, ino_t inode, const std::string& path);

// The absolute path of the directory (device, inode), if known and still valid.
status_t directory_path(dev_t device, ino_t inode, std::string* path);

// The same for any node, so that a node_ref handed out by GetNodeRef() can be
// opened again (the node monitor needs a path to watch).
void remember_node(dev_t device, ino_t inode, const std::string& path);
status_t node_path(dev_t device, ino_t inode, std::string* path);

// The absolute path of the entry |ref| names (the leaf need not exist).
status_t path_for_ref(const entry_ref& ref, std::string* path);

// Fills |ref| for an absolute or relative |path| whose parent directory exists;
// remembers the parent. The leaf need not exist.
status_t ref_for_path(const char* path, entry_ref* ref);

} // namespace BPrivate

#endif
