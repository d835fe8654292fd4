#ifndef _NODE_MONITOR_H
#define _NODE_MONITOR_H

#include <Messenger.h>
#include <StorageDefs.h>
#include <SupportDefs.h>

class BHandler;
class BLooper;

// What watch_node() watches. B_STOP_WATCHING ends every watch of that node
// for that target.
enum {
	B_STOP_WATCHING = 0x0000,
	B_WATCH_NAME = 0x0001, // renamed, moved, removed
	B_WATCH_STAT = 0x0002,
	B_WATCH_ATTR = 0x0004,
	B_WATCH_DIRECTORY = 0x0008,
	B_WATCH_ALL = 0x000f,
	B_WATCH_MOUNT = 0x0010
};

// The "opcode" of a B_NODE_MONITOR message.
enum {
	B_ENTRY_CREATED = 1,
	B_ENTRY_REMOVED = 2,
	B_ENTRY_MOVED = 3,
	B_STAT_CHANGED = 4,
	B_ATTR_CHANGED = 5,
	B_DEVICE_MOUNTED = 6,
	B_DEVICE_UNMOUNTED = 7
};

// The int32 "fields" of a B_STAT_CHANGED message: what changed.
enum {
	B_STAT_MODE = 0x0001,
	B_STAT_UID = 0x0002,
	B_STAT_GID = 0x0004,
	B_STAT_SIZE = 0x0008,
	B_STAT_ACCESS_TIME = 0x0010,
	B_STAT_MODIFICATION_TIME = 0x0020,
	B_STAT_CREATION_TIME = 0x0040,
	B_STAT_CHANGE_TIME = 0x0080
};

// B_NODE_MONITOR messages go to |target|'s looper as posted messages:
//   B_ENTRY_MOVED   "device" int32, "from directory" int64, "to directory"
//                   int64, "node" int64, "name" (the new leaf), "from name",
//                   "node device" int32; also for a rename in place
//   B_ENTRY_REMOVED "device" int32, "directory" int64, "node" int64, "name";
//                   sent when the last name goes, even while the file is open
//   B_STAT_CHANGED  "device" int32, "node" int64, "fields" int32
//   B_ATTR_CHANGED  "device" int32, "node" int64
// With B_WATCH_DIRECTORY on a directory, its entries too:
//   B_ENTRY_CREATED "device" int32, "directory" int64, "node" int64, "name"
//   B_ENTRY_REMOVED as above, for the entry that went
//   B_ENTRY_MOVED   as above, renamed within it or moved between two
//                   watched directories (both targets hear it)
// An entry moved in from, or out to, a directory nobody watches arrives as
// B_ENTRY_CREATED or B_ENTRY_REMOVED: where it went is not known. "node" is
// 0 for an entry that was gone before it could be looked at.
// The node is found again through the path the platform saw when it handed
// out |node| (BEntry/BNode::GetNodeRef). Mounts (B_WATCH_MOUNT) are not
// watched: B_UNSUPPORTED.
status_t watch_node(const node_ref* node, uint32 flags, BMessenger target);
status_t watch_node(const node_ref* node, uint32 flags, const BHandler* handler,
                    const BLooper* looper = NULL);

// Ends every watch of |target|.
status_t stop_watching(BMessenger target);
status_t stop_watching(const BHandler* handler, const BLooper* looper = NULL);

#endif
