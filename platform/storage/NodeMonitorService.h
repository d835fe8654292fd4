#ifndef PLATFORM_STORAGE_NODE_MONITOR_SERVICE_H
#define PLATFORM_STORAGE_NODE_MONITOR_SERVICE_H

// The node monitor on inotify: one inotify descriptor and one thread per
// process, started by the first watch. Each watched node is held by an O_PATH
// descriptor; inotify watches the inode through it, and after IN_MOVE_SELF
// the descriptor's /proc link tells where the node went, even into a
// directory nobody watches. An unlink arrives as IN_ATTRIB with st_nlink 0
// while the descriptor keeps the inode alive.
//
// A directory is watched for its entries too: inotify names the entry that
// came, went or was renamed, and the service keeps what each such directory
// held (name to inode, bounded) to say which node an entry was. A rename is
// the pair IN_MOVED_FROM/IN_MOVED_TO with one cookie; half a pair left at the
// end of a batch is an entry that left for, or came from, where nobody looks.

#include <sys/stat.h>

struct inotify_event;

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <Message.h>
#include <Messenger.h>
#include <StorageDefs.h>

namespace BPrivate {

class NodeMonitorService {
public:
	static NodeMonitorService& Default();
	~NodeMonitorService();

	status_t Watch(const node_ref& node, uint32 flags, const BMessenger& target);
	status_t StopWatching(const node_ref& node, const BMessenger& target);
	status_t StopWatching(const BMessenger& target);

private:
	struct Listener {
		BMessenger target;
		uint32 flags;
	};
	struct WatchedNode {
		node_ref node;
		int fd = -1;         // O_PATH
		int watch = -1;      // inotify watch descriptor
		ino_t directory = 0; // where the node was last seen
		std::string name;
		struct stat last;      // the stat last reported
		bool modified = false; // IN_MODIFY seen in the current batch
		bool statChanged = false;
		bool isDirectory = false;
		// Its entries, once a listener asked for them; incomplete when the
		// directory holds more than kMaxEntries.
		bool entriesKnown = false;
		std::map<std::string, ino_t> entries;
		std::vector<Listener> listeners;
	};
	// The first half of a rename, waiting for its IN_MOVED_TO.
	struct PendingMove {
		uint32 cookie;
		int watch;
		std::string name;
		ino_t node;
	};
	typedef std::vector<std::pair<BMessenger, BMessage>> Outbox;

	NodeMonitorService();

	status_t _Start();
	void _Run();
	void _ReadEvents(Outbox* outbox);
	void _HandleEvent(WatchedNode* watched, uint32 mask, Outbox* outbox);
	void _HandleEntryEvent(WatchedNode* watched, const struct inotify_event* event,
	                       std::vector<PendingMove>* moves, Outbox* outbox);
	void _EntryCreated(WatchedNode* watched, const std::string& name, Outbox* outbox);
	void _EntryRemoved(WatchedNode* watched, const std::string& name, ino_t node,
	                   Outbox* outbox);
	void _ReadEntries(WatchedNode* watched);
	// After lost events: what came and went since the entries were known.
	void _RescanEntries(WatchedNode* watched, Outbox* outbox);
	void _Recheck(int watch, Outbox* outbox);
	void _Moved(WatchedNode* watched, Outbox* outbox);
	void _Removed(WatchedNode* watched, Outbox* outbox);
	void _FlushStat(WatchedNode* watched, Outbox* outbox);
	void _Post(WatchedNode* watched, uint32 flag, const BMessage& message, Outbox* outbox);
	void _Forget(WatchedNode* watched);
	void _Deliver(Outbox* outbox);

	std::mutex fLock;
	// Guarded by fLock:
	std::map<node_ref, std::unique_ptr<WatchedNode>> fNodes;
	std::map<int, WatchedNode*> fByWatch;
	int fInotify = -1; // fixed once started
	int fWakeUp = -1;  // eventfd: ends the thread; fixed once started
	std::thread fThread;
};

} // namespace BPrivate

#endif
