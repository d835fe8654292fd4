#include "storage/NodeMonitorService.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <AppDefs.h>
#include <NodeMonitor.h>

#include <algorithm>

#include "storage/EntryRefPath.h"

namespace BPrivate {

namespace {

const uint32 kWatchMask = IN_ATTRIB | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVE_SELF | IN_DELETE_SELF;
const uint32 kEntryMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
// How long the second half of a rename may come after the first (ms).
const int kRenamePairWait = 20;
// A directory is never written to: its entries' writes would only wake us.
const uint32 kDirectoryMask = IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF | kEntryMask;
// A directory's entries kept to name the nodes that go; past this many the
// nodes of the others are reported as 0.
const size_t kMaxEntries = 65536;

void proc_path(int fd, char* buffer, size_t size)
{
	snprintf(buffer, size, "/proc/self/fd/%d", fd);
}

// Where the node behind |fd| is now: its directory's path and its leaf.
// B_ENTRY_NOT_FOUND once it has no name left.
status_t current_location(int fd, std::string* directory, std::string* name)
{
	struct stat st;
	if (fstat(fd, &st) != 0 || st.st_nlink == 0)
		return B_ENTRY_NOT_FOUND;
	char link[64];
	proc_path(fd, link, sizeof(link));
	char path[PATH_MAX];
	ssize_t length = readlink(link, path, sizeof(path) - 1);
	if (length <= 0 || path[0] != '/')
		return B_ENTRY_NOT_FOUND;
	path[length] = '\0';
	std::string full = path;
	const char* deleted = " (deleted)";
	if (full.size() > strlen(deleted) &&
	    full.compare(full.size() - strlen(deleted), std::string::npos, deleted) == 0)
		return B_ENTRY_NOT_FOUND; // the name we held went; with hard links another may live
	size_t slash = full.rfind('/');
	*directory = slash == 0 ? "/" : full.substr(0, slash);
	*name = full.substr(slash + 1);
	return B_OK;
}

uint32 stat_fields(const struct stat& before, const struct stat& after)
{
	uint32 fields = 0;
	if (before.st_mode != after.st_mode)
		fields |= B_STAT_MODE;
	if (before.st_uid != after.st_uid)
		fields |= B_STAT_UID;
	if (before.st_gid != after.st_gid)
		fields |= B_STAT_GID;
	if (before.st_size != after.st_size)
		fields |= B_STAT_SIZE;
	if (before.st_atim.tv_sec != after.st_atim.tv_sec ||
	    before.st_atim.tv_nsec != after.st_atim.tv_nsec)
		fields |= B_STAT_ACCESS_TIME;
	if (before.st_mtim.tv_sec != after.st_mtim.tv_sec ||
	    before.st_mtim.tv_nsec != after.st_mtim.tv_nsec)
		fields |= B_STAT_MODIFICATION_TIME;
	if (before.st_ctim.tv_sec != after.st_ctim.tv_sec ||
	    before.st_ctim.tv_nsec != after.st_ctim.tv_nsec)
		fields |= B_STAT_CHANGE_TIME;
	return fields;
}

BMessage node_message(int32 opcode, const node_ref& node)
{
	BMessage message(B_NODE_MONITOR);
	message.AddInt32("opcode", opcode);
	message.AddInt32("device", int32(node.device));
	message.AddInt64("node", int64(node.node));
	return message;
}

} // namespace

NodeMonitorService& NodeMonitorService::Default()
{
	// Built on the first watch, after the looper machinery it posts to, so
	// it is destroyed (and its thread joined) before that machinery.
	static NodeMonitorService service;
	return service;
}

NodeMonitorService::NodeMonitorService() = default;

NodeMonitorService::~NodeMonitorService()
{
	if (fThread.joinable()) {
		uint64_t one = 1;
		if (write(fWakeUp, &one, sizeof(one)) != sizeof(one))
			perror("node monitor: waking the thread");
		fThread.join();
	}
	std::lock_guard<std::mutex> guard(fLock);
	for (auto& entry : fNodes)
		close(entry.second->fd);
	fNodes.clear();
	fByWatch.clear();
	if (fInotify >= 0)
		close(fInotify);
	if (fWakeUp >= 0)
		close(fWakeUp);
}

status_t NodeMonitorService::Watch(const node_ref& node, uint32 flags, const BMessenger& target)
{
	std::lock_guard<std::mutex> guard(fLock);
	auto existing = fNodes.find(node);
	if (existing != fNodes.end()) {
		if ((flags & B_WATCH_DIRECTORY) != 0 && existing->second->isDirectory &&
		    !existing->second->entriesKnown)
			_ReadEntries(existing->second.get());
		for (Listener& listener : existing->second->listeners) {
			if (listener.target == target) {
				listener.flags |= flags;
				return B_OK;
			}
		}
		existing->second->listeners.push_back({target, flags});
		return B_OK;
	}

	status_t status = _Start();
	if (status != B_OK)
		return status;

	std::string path;
	if (node_path(node.device, node.node, &path) != B_OK &&
	    directory_path(node.device, node.node, &path) != B_OK)
		return B_ENTRY_NOT_FOUND;
	std::unique_ptr<WatchedNode> watched(new (std::nothrow) WatchedNode);
	if (!watched)
		return B_NO_MEMORY;
	watched->node = node;
	// A node_ref from BEntry may name a symlink itself.
	watched->fd = open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
	if (watched->fd < 0)
		return errno_to_status(errno);
	// The path was checked a moment ago; the descriptor is what counts.
	if (fstat(watched->fd, &watched->last) != 0 || watched->last.st_dev != node.device ||
	    watched->last.st_ino != node.node) {
		close(watched->fd);
		return B_ENTRY_NOT_FOUND;
	}
	// For anything but a directory B_WATCH_DIRECTORY means nothing, as in the
	// Be API.
	watched->isDirectory = S_ISDIR(watched->last.st_mode);
	std::string directory;
	if (current_location(watched->fd, &directory, &watched->name) != B_OK) {
		close(watched->fd);
		return B_ENTRY_NOT_FOUND;
	}
	struct stat directoryStat;
	if (stat(directory.c_str(), &directoryStat) == 0) {
		watched->directory = directoryStat.st_ino;
		remember_directory(directoryStat.st_dev, directoryStat.st_ino, directory);
	}

	char link[64];
	proc_path(watched->fd, link, sizeof(link));
	watched->watch = inotify_add_watch(fInotify, link, watched->isDirectory ? kDirectoryMask : kWatchMask);
	if (watched->watch < 0) {
		status = errno == ENOSPC ? B_NO_MEMORY : errno_to_status(errno);
		close(watched->fd);
		return status;
	}
	if ((flags & B_WATCH_DIRECTORY) != 0 && watched->isDirectory)
		_ReadEntries(watched.get());
	watched->listeners.push_back({target, flags});
	fByWatch[watched->watch] = watched.get();
	fNodes[node] = std::move(watched);
	return B_OK;
}

status_t NodeMonitorService::StopWatching(const node_ref& node, const BMessenger& target)
{
	std::lock_guard<std::mutex> guard(fLock);
	auto found = fNodes.find(node);
	if (found == fNodes.end())
		return B_BAD_VALUE;
	std::vector<Listener>& listeners = found->second->listeners;
	size_t before = listeners.size();
	std::erase_if(listeners, [&](const Listener& listener) { return listener.target == target; });
	if (listeners.size() == before)
		return B_BAD_VALUE;
	if (listeners.empty())
		_Forget(found->second.get());
	return B_OK;
}

status_t NodeMonitorService::StopWatching(const BMessenger& target)
{
	std::lock_guard<std::mutex> guard(fLock);
	std::vector<WatchedNode*> unwatched;
	for (auto& entry : fNodes) {
		std::erase_if(entry.second->listeners,
		              [&](const Listener& listener) { return listener.target == target; });
		if (entry.second->listeners.empty())
			unwatched.push_back(entry.second.get());
	}
	for (WatchedNode* watched : unwatched)
		_Forget(watched);
	return B_OK;
}

status_t NodeMonitorService::_Start()
{
	if (fThread.joinable())
		return B_OK;
	fInotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
	if (fInotify < 0)
		return errno_to_status(errno);
	fWakeUp = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
	if (fWakeUp < 0) {
		status_t status = errno_to_status(errno);
		close(fInotify);
		fInotify = -1;
		return status;
	}
	fThread = std::thread(&NodeMonitorService::_Run, this);
	pthread_setname_np(fThread.native_handle(), "node monitor");
	return B_OK;
}

void NodeMonitorService::_Run()
{
	pollfd fds[2] = {{fInotify, POLLIN, 0}, {fWakeUp, POLLIN, 0}};
	while (true) {
		if (poll(fds, 2, -1) < 0) {
			if (errno == EINTR)
				continue;
			perror("node monitor: poll");
			return;
		}
		if (fds[1].revents != 0)
			return;
		Outbox outbox;
		{
			std::lock_guard<std::mutex> guard(fLock);
			_ReadEvents(&outbox);
		}
		// Posting never waits for the target, but is done without our lock
		// all the same: a target may be calling watch_node() right now.
		_Deliver(&outbox);
	}
}

void NodeMonitorService::_ReadEvents(Outbox* outbox)
{
	alignas(inotify_event) char buffer[16384];
	std::vector<int> touched; // watch descriptors: a node may be forgotten meanwhile
	std::vector<PendingMove> moves;
	bool waitedForPairs = false;
	while (true) {
		ssize_t length = read(fInotify, buffer, sizeof(buffer));
		if (length <= 0) {
			// EAGAIN: drained. The kernel queues a rename's two halves one
			// after the other, and a read can fall between them: a half
			// without its other is given a moment to be joined before it
			// counts as an entry that left.
			if (moves.empty() || waitedForPairs)
				break;
			waitedForPairs = true;
			pollfd pending = {fInotify, POLLIN, 0};
			if (poll(&pending, 1, kRenamePairWait) <= 0)
				break;
			continue;
		}
		for (ssize_t offset = 0; offset + ssize_t(sizeof(inotify_event)) <= length;) {
			const inotify_event* event = reinterpret_cast<const inotify_event*>(buffer + offset);
			offset += sizeof(inotify_event) + event->len;
			if ((event->mask & IN_Q_OVERFLOW) != 0) {
				// Events were lost: look at every node afresh.
				for (auto& entry : fByWatch)
					touched.push_back(entry.first);
				for (int watch : std::vector<int>(touched))
					_Recheck(watch, outbox);
				for (auto& entry : fByWatch) {
					if (entry.second->entriesKnown)
						_RescanEntries(entry.second, outbox);
				}
				continue;
			}
			auto found = fByWatch.find(event->wd);
			if (found == fByWatch.end())
				continue; // a watch we have already let go of
			WatchedNode* watched = found->second;
			if (event->len > 0) {
				// About an entry of a watched directory, not the directory.
				_HandleEntryEvent(watched, event, &moves, outbox);
				continue;
			}
			if ((event->mask & (IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE)) != 0)
				touched.push_back(event->wd);
			_HandleEvent(watched, event->mask, outbox);
		}
	}
	// Renames whose other half never came: the entry left our sight.
	for (const PendingMove& move : moves) {
		auto still = fByWatch.find(move.watch);
		if (still != fByWatch.end())
			_EntryRemoved(still->second, move.name, move.node, outbox);
	}
	// One stat notice per node and batch: a large write is many IN_MODIFYs.
	for (int watch : touched) {
		auto still = fByWatch.find(watch);
		if (still != fByWatch.end())
			_FlushStat(still->second, outbox);
	}
}

void NodeMonitorService::_HandleEvent(WatchedNode* watched, uint32 mask, Outbox* outbox)
{
	if ((mask & (IN_DELETE_SELF | IN_IGNORED | IN_UNMOUNT)) != 0) {
		_Removed(watched, outbox);
		return;
	}
	if ((mask & IN_MOVE_SELF) != 0) {
		_Moved(watched, outbox);
		return;
	}
	if ((mask & IN_MODIFY) != 0)
		watched->modified = true;
	if ((mask & (IN_ATTRIB | IN_CLOSE_WRITE)) != 0) {
		struct stat st;
		if (fstat(watched->fd, &st) != 0 || st.st_nlink == 0) {
			// The last name went while we hold the inode.
			_Removed(watched, outbox);
			return;
		}
		watched->statChanged = true;
	}
}

void NodeMonitorService::_HandleEntryEvent(WatchedNode* watched, const inotify_event* event,
                                           std::vector<PendingMove>* moves, Outbox* outbox)
{
	if (!watched->entriesKnown)
		return; // nobody asked for its entries
	std::string name(event->name, strnlen(event->name, event->len));
	if (name.empty())
		return;
	if ((event->mask & IN_CREATE) != 0) {
		_EntryCreated(watched, name, outbox);
	} else if ((event->mask & IN_DELETE) != 0) {
		auto known = watched->entries.find(name);
		ino_t node = known != watched->entries.end() ? known->second : 0;
		_EntryRemoved(watched, name, node, outbox);
	} else if ((event->mask & IN_MOVED_FROM) != 0) {
		auto known = watched->entries.find(name);
		ino_t node = known != watched->entries.end() ? known->second : 0;
		if (known != watched->entries.end())
			watched->entries.erase(known);
		moves->push_back({event->cookie, event->wd, name, node});
	} else if ((event->mask & IN_MOVED_TO) != 0) {
		auto from = std::find_if(moves->begin(), moves->end(), [&](const PendingMove& move) {
			return move.cookie == event->cookie;
		});
		if (from == moves->end()) {
			_EntryCreated(watched, name, outbox);
			return;
		}
		PendingMove move = *from;
		moves->erase(from);
		auto source = fByWatch.find(move.watch);
		WatchedNode* fromDirectory = source != fByWatch.end() ? source->second : NULL;
		struct stat st;
		ino_t node = move.node;
		if (fstatat(watched->fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
			node = st.st_ino;
		if (watched->entries.size() < kMaxEntries)
			watched->entries[name] = node;
		BMessage message(B_NODE_MONITOR);
		message.AddInt32("opcode", B_ENTRY_MOVED);
		message.AddInt32("device", int32(watched->node.device));
		message.AddInt64("from directory",
		                 int64(fromDirectory != NULL ? fromDirectory->node.node : 0));
		message.AddInt64("to directory", int64(watched->node.node));
		message.AddInt64("node", int64(node));
		message.AddString("name", name.c_str());
		message.AddString("from name", move.name.c_str());
		message.AddInt32("node device", int32(watched->node.device));
		_Post(watched, B_WATCH_DIRECTORY, message, outbox);
		if (fromDirectory != NULL && fromDirectory != watched)
			_Post(fromDirectory, B_WATCH_DIRECTORY, message, outbox);
	}
}

void NodeMonitorService::_EntryCreated(WatchedNode* watched, const std::string& name,
                                       Outbox* outbox)
{
	struct stat st;
	ino_t node = 0;
	if (fstatat(watched->fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
		node = st.st_ino;
	if (watched->entries.size() < kMaxEntries)
		watched->entries[name] = node;
	BMessage message(B_NODE_MONITOR);
	message.AddInt32("opcode", B_ENTRY_CREATED);
	message.AddInt32("device", int32(watched->node.device));
	message.AddInt64("directory", int64(watched->node.node));
	message.AddInt64("node", int64(node));
	message.AddString("name", name.c_str());
	_Post(watched, B_WATCH_DIRECTORY, message, outbox);
}

void NodeMonitorService::_EntryRemoved(WatchedNode* watched, const std::string& name, ino_t node,
                                       Outbox* outbox)
{
	watched->entries.erase(name);
	BMessage message(B_NODE_MONITOR);
	message.AddInt32("opcode", B_ENTRY_REMOVED);
	message.AddInt32("device", int32(watched->node.device));
	message.AddInt64("directory", int64(watched->node.node));
	message.AddInt64("node", int64(node));
	message.AddString("name", name.c_str());
	_Post(watched, B_WATCH_DIRECTORY, message, outbox);
}

// The entries as they are now, read through the descriptor we hold (the
// directory may have moved since it was watched).
static bool list_entries(int fd, std::map<std::string, ino_t>* entries)
{
	int dirFd = openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	if (dirFd < 0)
		return false;
	DIR* dir = fdopendir(dirFd);
	if (dir == NULL) {
		close(dirFd);
		return false;
	}
	entries->clear();
	while (struct dirent* entry = readdir(dir)) {
		if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0)
			continue;
		if (entries->size() >= kMaxEntries)
			break;
		(*entries)[entry->d_name] = entry->d_ino;
	}
	closedir(dir);
	return true;
}

void NodeMonitorService::_ReadEntries(WatchedNode* watched)
{
	watched->entriesKnown = list_entries(watched->fd, &watched->entries);
}

void NodeMonitorService::_RescanEntries(WatchedNode* watched, Outbox* outbox)
{
	std::map<std::string, ino_t> now;
	if (!list_entries(watched->fd, &now))
		return;
	std::map<std::string, ino_t> before;
	before.swap(watched->entries);
	for (const auto& [name, node] : before) {
		auto still = now.find(name);
		if (still == now.end() || still->second != node)
			_EntryRemoved(watched, name, node, outbox);
	}
	for (const auto& [name, node] : now) {
		auto was = before.find(name);
		if (was == before.end() || was->second != node)
			_EntryCreated(watched, name, outbox);
	}
	watched->entries.swap(now);
}

void NodeMonitorService::_Recheck(int watch, Outbox* outbox)
{
	auto found = fByWatch.find(watch);
	if (found == fByWatch.end())
		return;
	WatchedNode* watched = found->second;
	std::string directory;
	std::string name;
	struct stat directoryStat;
	if (current_location(watched->fd, &directory, &name) != B_OK ||
	    stat(directory.c_str(), &directoryStat) != 0) {
		_Removed(watched, outbox);
		return;
	}
	if (directoryStat.st_ino != watched->directory || name != watched->name)
		_Moved(watched, outbox);
	else
		watched->statChanged = true;
}

void NodeMonitorService::_Moved(WatchedNode* watched, Outbox* outbox)
{
	std::string directory;
	std::string name;
	struct stat directoryStat;
	if (current_location(watched->fd, &directory, &name) != B_OK ||
	    stat(directory.c_str(), &directoryStat) != 0) {
		_Removed(watched, outbox);
		return;
	}
	if (directoryStat.st_dev != watched->node.device) {
		// A bind mount shows the same file system under another device
		// number only in theory; inotify never reports a cross-device move.
		_Removed(watched, outbox);
		return;
	}
	// Whoever gets the message resolves (device, "to directory", "name").
	remember_directory(directoryStat.st_dev, directoryStat.st_ino, directory);
	remember_node(watched->node.device, watched->node.node,
	              directory == "/" ? "/" + name : directory + "/" + name);

	BMessage message(B_NODE_MONITOR);
	message.AddInt32("opcode", B_ENTRY_MOVED);
	message.AddInt32("device", int32(watched->node.device));
	message.AddInt64("from directory", int64(watched->directory));
	message.AddInt64("to directory", int64(directoryStat.st_ino));
	message.AddInt64("node", int64(watched->node.node));
	message.AddString("name", name.c_str());
	message.AddString("from name", watched->name.c_str());
	message.AddInt32("node device", int32(watched->node.device));
	watched->directory = directoryStat.st_ino;
	watched->name = name;
	_Post(watched, B_WATCH_NAME, message, outbox);
}

void NodeMonitorService::_Removed(WatchedNode* watched, Outbox* outbox)
{
	BMessage message = node_message(B_ENTRY_REMOVED, watched->node);
	message.AddInt64("directory", int64(watched->directory));
	message.AddString("name", watched->name.c_str());
	_Post(watched, B_WATCH_NAME, message, outbox);
	// Nothing more will happen to it that anyone could see.
	_Forget(watched);
}

void NodeMonitorService::_FlushStat(WatchedNode* watched, Outbox* outbox)
{
	bool modified = watched->modified;
	bool statChanged = watched->statChanged;
	watched->modified = false;
	watched->statChanged = false;
	struct stat st;
	if ((!modified && !statChanged) || fstat(watched->fd, &st) != 0)
		return;
	uint32 fields = stat_fields(watched->last, st);
	// Writes within one clock tick may leave the times as they were.
	if (modified)
		fields |= B_STAT_MODIFICATION_TIME;
	watched->last = st;
	if (fields == 0)
		return;
	if (fields == B_STAT_CHANGE_TIME) {
		// Only the change time moved: an extended attribute was written.
		_Post(watched, B_WATCH_ATTR, node_message(B_ATTR_CHANGED, watched->node), outbox);
		return;
	}
	BMessage message = node_message(B_STAT_CHANGED, watched->node);
	message.AddInt32("fields", int32(fields));
	_Post(watched, B_WATCH_STAT, message, outbox);
}

void NodeMonitorService::_Post(WatchedNode* watched, uint32 flag, const BMessage& message,
                               Outbox* outbox)
{
	for (const Listener& listener : watched->listeners) {
		if ((listener.flags & flag) != 0)
			outbox->emplace_back(listener.target, message);
	}
}

void NodeMonitorService::_Forget(WatchedNode* watched)
{
	inotify_rm_watch(fInotify, watched->watch);
	close(watched->fd);
	fByWatch.erase(watched->watch);
	fNodes.erase(watched->node); // deletes |watched|
}

void NodeMonitorService::_Deliver(Outbox* outbox)
{
	std::vector<BMessenger> gone;
	for (auto& [target, message] : *outbox) {
		status_t status = target.SendMessage(&message);
		if (status == B_BAD_PORT_ID || status == B_BAD_HANDLER)
			gone.push_back(target);
	}
	// Targets that no longer exist stop watching.
	for (const BMessenger& target : gone)
		StopWatching(target);
}

} // namespace BPrivate
