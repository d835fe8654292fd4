#include <NodeMonitor.h>

#include <Entry.h>
#include <Handler.h>
#include <Looper.h>
#include <Message.h>
#include <Path.h>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

#include <AppDefs.h>
#include <gtest/gtest.h>

#include "TempDir.h"

namespace {

const std::chrono::seconds kDeadline(5);

// Keeps every B_NODE_MONITOR message its looper hands it.
class Collector : public BHandler {
public:
	void MessageReceived(BMessage* message) override
	{
		if (message->what != B_NODE_MONITOR) {
			BHandler::MessageReceived(message);
			return;
		}
		std::lock_guard<std::mutex> guard(fLock);
		fMessages.push_back(*message);
		fArrived.notify_all();
	}

	// The next message, or false at the deadline.
	bool Next(BMessage* message)
	{
		std::unique_lock<std::mutex> guard(fLock);
		if (!fArrived.wait_for(guard, kDeadline, [&] { return !fMessages.empty(); }))
			return false;
		*message = fMessages.front();
		fMessages.pop_front();
		return true;
	}

	// The next message with |opcode|, skipping others.
	bool NextWith(int32 opcode, BMessage* message)
	{
		while (Next(message)) {
			if (message->GetInt32("opcode", -1) == opcode)
				return true;
		}
		return false;
	}

	size_t Pending()
	{
		std::lock_guard<std::mutex> guard(fLock);
		return fMessages.size();
	}

private:
	std::mutex fLock;
	std::condition_variable fArrived;
	std::deque<BMessage> fMessages; // guarded by fLock
};

class NodeMonitorTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		fLooper = new BLooper("node monitor test");
		fLooper->Lock();
		fLooper->AddHandler(&fHandler);
		fLooper->AddHandler(&fOther);
		fLooper->Unlock();
		fLooper->Run();
	}

	void TearDown() override
	{
		stop_watching(&fHandler, fLooper);
		stop_watching(&fOther, fLooper);
		fLooper->Lock();
		fLooper->RemoveHandler(&fHandler);
		fLooper->RemoveHandler(&fOther);
		fLooper->Quit();
	}

	node_ref NodeOf(const std::string& path)
	{
		BEntry entry(path.c_str());
		node_ref node;
		EXPECT_EQ(entry.GetNodeRef(&node), B_OK) << path;
		return node;
	}

	static ino_t Inode(const std::string& path)
	{
		struct stat st;
		EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
		return st.st_ino;
	}

	TempDir fDir;
	BLooper* fLooper = NULL;
	Collector fHandler;
	Collector fOther;
};

} // namespace

TEST_F(NodeMonitorTest, RenameInPlace)
{
	std::string from = fDir.Write("before.png", "x");
	node_ref node = NodeOf(from);
	ASSERT_EQ(watch_node(&node, B_WATCH_NAME, &fHandler), B_OK);
	ASSERT_EQ(rename(from.c_str(), (fDir / "after.png").c_str()), 0);

	BMessage message;
	ASSERT_TRUE(fHandler.NextWith(B_ENTRY_MOVED, &message));
	ino_t directory = Inode(fDir.Path());
	EXPECT_EQ(message.what, uint32(B_NODE_MONITOR));
	EXPECT_EQ(message.GetInt32("device", -1), int32(node.device));
	EXPECT_EQ(message.GetInt64("from directory", -1), int64(directory));
	EXPECT_EQ(message.GetInt64("to directory", -1), int64(directory));
	EXPECT_EQ(message.GetInt64("node", -1), int64(node.node));
	EXPECT_STREQ(message.GetString("name", ""), "after.png");
	EXPECT_STREQ(message.GetString("from name", ""), "before.png");

	// A symlink's entry is a node of its own.
	ASSERT_EQ(symlink("after.png", (fDir / "link").c_str()), 0);
	node_ref link = NodeOf(fDir / "link");
	EXPECT_NE(link, node);
	ASSERT_EQ(watch_node(&link, B_WATCH_NAME, &fOther), B_OK);
	ASSERT_EQ(rename((fDir / "link").c_str(), (fDir / "link2").c_str()), 0);
	ASSERT_TRUE(fOther.NextWith(B_ENTRY_MOVED, &message));
	EXPECT_EQ(message.GetInt64("node", -1), int64(link.node));
	EXPECT_STREQ(message.GetString("name", ""), "link2");
}

TEST_F(NodeMonitorTest, MoveToAnotherDirectoryAndBack)
{
	ASSERT_EQ(mkdir((fDir / "a").c_str(), 0755), 0);
	ASSERT_EQ(mkdir((fDir / "b").c_str(), 0755), 0);
	std::string first = fDir.Write("a/pic.jpg", "x");
	node_ref node = NodeOf(first);
	ASSERT_EQ(watch_node(&node, B_WATCH_NAME, &fHandler), B_OK);

	// Nobody watches "b": the new place is found all the same.
	std::string second = fDir / "b/moved.jpg";
	ASSERT_EQ(rename(first.c_str(), second.c_str()), 0);
	BMessage message;
	ASSERT_TRUE(fHandler.NextWith(B_ENTRY_MOVED, &message));
	EXPECT_EQ(message.GetInt64("from directory", -1), int64(Inode(fDir / "a")));
	EXPECT_EQ(message.GetInt64("to directory", -1), int64(Inode(fDir / "b")));
	EXPECT_STREQ(message.GetString("name", ""), "moved.jpg");
	EXPECT_EQ(message.GetInt64("node", -1), int64(node.node));

	// The receiver can turn the fields into a ref and a path.
	entry_ref ref(message.GetInt32("device", -1), message.GetInt64("to directory", -1),
	              message.GetString("name", ""));
	BPath path(&ref);
	EXPECT_STREQ(path.Path(), second.c_str());

	ASSERT_EQ(rename(second.c_str(), (fDir / "a/home.jpg").c_str()), 0);
	ASSERT_TRUE(fHandler.NextWith(B_ENTRY_MOVED, &message));
	EXPECT_EQ(message.GetInt64("from directory", -1), int64(Inode(fDir / "b")));
	EXPECT_EQ(message.GetInt64("to directory", -1), int64(Inode(fDir / "a")));
	EXPECT_STREQ(message.GetString("name", ""), "home.jpg");
	EXPECT_STREQ(message.GetString("from name", ""), "moved.jpg");
}

TEST_F(NodeMonitorTest, RemovalEvenWhileOpen)
{
	std::string plain = fDir.Write("plain", "x");
	std::string open_ = fDir.Write("open", "x");
	std::string replaced = fDir.Write("replaced", "x");
	node_ref plainNode = NodeOf(plain);
	node_ref openNode = NodeOf(open_);
	node_ref replacedNode = NodeOf(replaced);
	ASSERT_EQ(watch_node(&plainNode, B_WATCH_NAME, &fHandler), B_OK);
	ASSERT_EQ(watch_node(&openNode, B_WATCH_NAME, &fHandler), B_OK);
	ASSERT_EQ(watch_node(&replacedNode, B_WATCH_NAME, &fHandler), B_OK);
	ino_t directory = Inode(fDir.Path());

	BMessage message;
	ASSERT_EQ(unlink(plain.c_str()), 0);
	ASSERT_TRUE(fHandler.NextWith(B_ENTRY_REMOVED, &message));
	EXPECT_EQ(message.GetInt32("device", -1), int32(plainNode.device));
	EXPECT_EQ(message.GetInt64("directory", -1), int64(directory));
	EXPECT_EQ(message.GetInt64("node", -1), int64(plainNode.node));

	int fd = open(open_.c_str(), O_RDONLY);
	ASSERT_GE(fd, 0);
	ASSERT_EQ(unlink(open_.c_str()), 0);
	ASSERT_TRUE(fHandler.NextWith(B_ENTRY_REMOVED, &message));
	EXPECT_EQ(message.GetInt64("node", -1), int64(openNode.node));
	close(fd);

	// How editors save: a new file renamed over the old one.
	std::string fresh = fDir.Write("fresh", "y");
	ASSERT_EQ(rename(fresh.c_str(), replaced.c_str()), 0);
	ASSERT_TRUE(fHandler.NextWith(B_ENTRY_REMOVED, &message));
	EXPECT_EQ(message.GetInt64("node", -1), int64(replacedNode.node));
}

TEST_F(NodeMonitorTest, StatAndAttributeChanges)
{
	std::string path = fDir.Write("stat", "x");
	node_ref node = NodeOf(path);
	ASSERT_EQ(watch_node(&node, B_WATCH_STAT | B_WATCH_ATTR, &fHandler), B_OK);
	ASSERT_EQ(watch_node(&node, B_WATCH_NAME, &fOther), B_OK);

	BMessage message;
	ASSERT_EQ(chmod(path.c_str(), 0600), 0);
	ASSERT_TRUE(fHandler.NextWith(B_STAT_CHANGED, &message));
	EXPECT_EQ(message.GetInt32("device", -1), int32(node.device));
	EXPECT_EQ(message.GetInt64("node", -1), int64(node.node));
	EXPECT_NE(message.GetInt32("fields", 0) & B_STAT_MODE, 0);

	int fd = open(path.c_str(), O_WRONLY | O_APPEND);
	ASSERT_GE(fd, 0);
	ASSERT_EQ(write(fd, "more", 4), 4);
	close(fd);
	ASSERT_TRUE(fHandler.NextWith(B_STAT_CHANGED, &message));
	EXPECT_NE(message.GetInt32("fields", 0) & (B_STAT_SIZE | B_STAT_MODIFICATION_TIME), 0);

	ASSERT_EQ(setxattr(path.c_str(), "user.note", "v", 1, 0), 0);
	ASSERT_TRUE(fHandler.NextWith(B_ATTR_CHANGED, &message));
	EXPECT_EQ(message.GetInt64("node", -1), int64(node.node));

	// The name-only watcher heard none of it: its first message is the move.
	ASSERT_EQ(rename(path.c_str(), (fDir / "stat2").c_str()), 0);
	ASSERT_TRUE(fOther.Next(&message));
	EXPECT_EQ(message.GetInt32("opcode", -1), B_ENTRY_MOVED);
}

TEST_F(NodeMonitorTest, StopWatchingStopsMessages)
{
	std::string quiet = fDir.Write("quiet", "x");
	std::string marker = fDir.Write("marker", "x");
	node_ref quietNode = NodeOf(quiet);
	node_ref markerNode = NodeOf(marker);
	ASSERT_EQ(watch_node(&quietNode, B_WATCH_NAME, &fHandler), B_OK);
	ASSERT_EQ(watch_node(&quietNode, B_WATCH_NAME, &fOther), B_OK);
	ASSERT_EQ(watch_node(&markerNode, B_WATCH_NAME, &fOther), B_OK);

	ASSERT_EQ(stop_watching(&fHandler, fLooper), B_OK);
	ASSERT_EQ(watch_node(&quietNode, B_STOP_WATCHING, &fOther), B_OK);
	ASSERT_EQ(watch_node(&quietNode, B_STOP_WATCHING, &fOther), B_BAD_VALUE); // nothing left

	// One monitor thread posts in event order to one looper: once the
	// marker's move has arrived, the quiet file's would have too.
	ASSERT_EQ(rename(quiet.c_str(), (fDir / "quiet2").c_str()), 0);
	ASSERT_EQ(rename(marker.c_str(), (fDir / "marker2").c_str()), 0);
	BMessage message;
	ASSERT_TRUE(fOther.Next(&message));
	EXPECT_EQ(message.GetInt64("node", -1), int64(markerNode.node));
	EXPECT_EQ(fHandler.Pending(), 0u);
	EXPECT_EQ(fOther.Pending(), 0u);
}

TEST_F(NodeMonitorTest, RefusesWhatItCannotWatch)
{
	std::string path = fDir.Write("f", "x");
	node_ref node = NodeOf(path);
	EXPECT_EQ(watch_node(NULL, B_WATCH_NAME, &fHandler), B_BAD_VALUE);
	EXPECT_EQ(watch_node(&node, B_WATCH_NAME, BMessenger()), B_BAD_VALUE);
	EXPECT_EQ(watch_node(&node, 0x100, &fHandler), B_BAD_VALUE);
	EXPECT_EQ(watch_node(&node, B_WATCH_MOUNT, &fHandler), B_UNSUPPORTED);
	BHandler detached;
	EXPECT_NE(watch_node(&node, B_WATCH_NAME, &detached), B_OK);

	node_ref unknown(node.device, 1);
	EXPECT_EQ(watch_node(&unknown, B_WATCH_NAME, &fHandler), B_ENTRY_NOT_FOUND);
	// B_WATCH_DIRECTORY means nothing for a file, as in the Be API.
	EXPECT_EQ(watch_node(&node, B_WATCH_ALL, &fHandler), B_OK);
	// Watching the same node twice is one watch.
	EXPECT_EQ(watch_node(&node, B_WATCH_NAME, &fHandler), B_OK);
	ASSERT_EQ(rename(path.c_str(), (fDir / "g").c_str()), 0);
	BMessage message;
	ASSERT_TRUE(fHandler.NextWith(B_ENTRY_MOVED, &message));
	std::string marker = fDir.Write("marker", "x");
	node_ref markerNode = NodeOf(marker);
	ASSERT_EQ(watch_node(&markerNode, B_WATCH_NAME, &fHandler), B_OK);
	ASSERT_EQ(rename(marker.c_str(), (fDir / "marker2").c_str()), 0);
	ASSERT_TRUE(fHandler.Next(&message));
	EXPECT_EQ(message.GetInt64("node", -1), int64(markerNode.node)); // no second B_ENTRY_MOVED
}

TEST_F(NodeMonitorTest, TargetsThatWentAwayAreDropped)
{
	std::string path = fDir.Write("f", "x");
	node_ref node = NodeOf(path);
	BHandler* doomed = new BHandler("doomed");
	fLooper->Lock();
	fLooper->AddHandler(doomed);
	fLooper->Unlock();
	ASSERT_EQ(watch_node(&node, B_WATCH_NAME, doomed), B_OK);
	ASSERT_EQ(watch_node(&node, B_WATCH_NAME, &fHandler), B_OK);
	fLooper->Lock();
	fLooper->RemoveHandler(doomed);
	fLooper->Unlock();
	delete doomed;

	ASSERT_EQ(rename(path.c_str(), (fDir / "g").c_str()), 0);
	BMessage message;
	ASSERT_TRUE(fHandler.NextWith(B_ENTRY_MOVED, &message));
	ASSERT_EQ(rename((fDir / "g").c_str(), (fDir / "h").c_str()), 0);
	ASSERT_TRUE(fHandler.NextWith(B_ENTRY_MOVED, &message));
	EXPECT_STREQ(message.GetString("name", ""), "h");
}

TEST_F(NodeMonitorTest, DirectoryEntriesComeGoAndChangeName)
{
	ASSERT_EQ(mkdir((fDir / "desk").c_str(), 0755), 0);
	ASSERT_EQ(mkdir((fDir / "away").c_str(), 0755), 0);
	std::string old = fDir.Write("desk/old.txt", "x");
	ino_t oldNode = Inode(old);
	node_ref desk = NodeOf(fDir / "desk");
	ino_t deskNode = Inode(fDir / "desk");
	ASSERT_EQ(watch_node(&desk, B_WATCH_DIRECTORY, &fHandler), B_OK);
	// A name-only watcher of the same directory hears nothing of its entries.
	ASSERT_EQ(watch_node(&desk, B_WATCH_NAME, &fOther), B_OK);

	BMessage message;
	std::string created = fDir.Write("desk/new.png", "x");
	ASSERT_TRUE(fHandler.Next(&message));
	EXPECT_EQ(message.GetInt32("opcode", -1), B_ENTRY_CREATED);
	EXPECT_EQ(message.GetInt32("device", -1), int32(desk.device));
	EXPECT_EQ(message.GetInt64("directory", -1), int64(deskNode));
	EXPECT_EQ(message.GetInt64("node", -1), int64(Inode(created)));
	EXPECT_STREQ(message.GetString("name", ""), "new.png");
	// Writing the file's contents is no news of the directory.
	while (fHandler.Pending() > 0)
		fHandler.Next(&message);

	ASSERT_EQ(rename(old.c_str(), (fDir / "desk/renamed.txt").c_str()), 0);
	ASSERT_TRUE(fHandler.Next(&message));
	EXPECT_EQ(message.GetInt32("opcode", -1), B_ENTRY_MOVED);
	EXPECT_EQ(message.GetInt64("from directory", -1), int64(deskNode));
	EXPECT_EQ(message.GetInt64("to directory", -1), int64(deskNode));
	EXPECT_EQ(message.GetInt64("node", -1), int64(oldNode));
	EXPECT_STREQ(message.GetString("name", ""), "renamed.txt");
	EXPECT_STREQ(message.GetString("from name", ""), "old.txt");

	// Gone for good, and gone where nobody looks: both are removals, with the
	// node the entry had.
	ASSERT_EQ(unlink(created.c_str()), 0);
	ASSERT_TRUE(fHandler.Next(&message));
	EXPECT_EQ(message.GetInt32("opcode", -1), B_ENTRY_REMOVED);
	EXPECT_STREQ(message.GetString("name", ""), "new.png");
	EXPECT_EQ(message.GetInt64("directory", -1), int64(deskNode));
	ASSERT_EQ(rename((fDir / "desk/renamed.txt").c_str(), (fDir / "away/x.txt").c_str()), 0);
	ASSERT_TRUE(fHandler.Next(&message));
	EXPECT_EQ(message.GetInt32("opcode", -1), B_ENTRY_REMOVED);
	EXPECT_STREQ(message.GetString("name", ""), "renamed.txt");
	EXPECT_EQ(message.GetInt64("node", -1), int64(oldNode));
	// And back in from there: a new entry.
	ASSERT_EQ(rename((fDir / "away/x.txt").c_str(), (fDir / "desk/back.txt").c_str()), 0);
	ASSERT_TRUE(fHandler.Next(&message));
	EXPECT_EQ(message.GetInt32("opcode", -1), B_ENTRY_CREATED);
	EXPECT_STREQ(message.GetString("name", ""), "back.txt");
	EXPECT_EQ(message.GetInt64("node", -1), int64(oldNode));

	// Many at once arrive one by one, none lost.
	for (int i = 0; i < 200; i++)
		fDir.Write("desk/many" + std::to_string(i), "x");
	int createdCount = 0;
	while (createdCount < 200 && fHandler.NextWith(B_ENTRY_CREATED, &message))
		createdCount++;
	EXPECT_EQ(createdCount, 200);
	EXPECT_EQ(fOther.Pending(), 0u);

	// The directory itself moving is still news for the name watcher.
	ASSERT_EQ(rename((fDir / "desk").c_str(), (fDir / "desk2").c_str()), 0);
	ASSERT_TRUE(fOther.NextWith(B_ENTRY_MOVED, &message));
	EXPECT_STREQ(message.GetString("name", ""), "desk2");
	// ... and its entries are still watched where it went.
	fDir.Write("desk2/late", "x");
	ASSERT_TRUE(fHandler.NextWith(B_ENTRY_CREATED, &message));
	EXPECT_STREQ(message.GetString("name", ""), "late");
}
