#ifndef PLATFORM_STORAGE_NODE_MONITOR_SERVICE_H
#define PLATFORM_STORAGE_NODE_MONITOR_SERVICE_H

// The node monitor on inotify: one inotify descriptor and one thread per
// process, started by the first watch. Each watched node is held by an O_PATH
// descriptor; inotify watches the inode through it, and after IN_MOVE_SELF
// the descriptor's /proc link tells where the node went, even into a
// directory nobody watches. An unlink arrives as IN_ATTRIB with st_nlink 0
// while the descriptor keeps the inode alive.

#include <sys/stat.h>

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
		std::vector<Listener> listeners;
	};
	typedef std::vector<std::pair<BMessenger, BMessage>> Outbox;

	NodeMonitorService();

	status_t _Start();
	void _Run();
	void _ReadEvents(Outbox* outbox);
	void _HandleEvent(WatchedNode* watched, uint32 mask, Outbox* outbox);
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
