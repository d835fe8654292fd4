#include <gtest/gtest.h>

#include <Looper.h>
#include <Message.h>
#include <MessageQueue.h>

#include "AppTestUtils.h"

TEST(MessageQueue, FindsRemovesAndHandsOutInOrder)
{
	BMessageQueue queue;
	EXPECT_TRUE(queue.IsEmpty());
	EXPECT_EQ(queue.NextMessage(), nullptr);
	auto* a = new BMessage('move');
	auto* b = new BMessage('key ');
	auto* c = new BMessage('move');
	queue.AddMessage(a);
	queue.AddMessage(b);
	queue.AddMessage(c);
	EXPECT_EQ(queue.CountMessages(), 3);
	EXPECT_EQ(queue.FindMessage((int32) 0), a);
	EXPECT_EQ(queue.FindMessage((int32) 2), c);
	EXPECT_EQ(queue.FindMessage((int32) 3), nullptr);
	EXPECT_EQ(queue.FindMessage((int32) -1), nullptr);
	EXPECT_EQ(queue.FindMessage('move', 0), a);
	EXPECT_EQ(queue.FindMessage('move', 1), c);
	EXPECT_EQ(queue.FindMessage('move', 2), nullptr);
	EXPECT_EQ(queue.FindMessage('none', 0), nullptr);
	EXPECT_TRUE(queue.IsNextMessage(a));
	// As in the Be API, a lone int argument is an index: FindMessage('move')
	// would look for the message at index 'move'.
	EXPECT_EQ(queue.FindMessage('move'), nullptr);

	// Removing hands ownership back; the rest keep their order.
	queue.RemoveMessage(a);
	delete a;
	queue.RemoveMessage(a);
	EXPECT_EQ(queue.CountMessages(), 2);
	EXPECT_EQ(queue.FindMessage('move', 0), c);

	EXPECT_TRUE(queue.Lock());
	EXPECT_TRUE(queue.Lock());
	EXPECT_TRUE(queue.IsLocked());
	queue.Unlock();
	EXPECT_TRUE(queue.IsLocked());
	queue.Unlock();
	EXPECT_FALSE(queue.IsLocked());

	BMessage* next = queue.NextMessage();
	EXPECT_EQ(next, b);
	delete next;
	// c is deleted with the queue.
}

namespace {

// On 'blk ' looks at the backlog and drops the queued B_MOUSE_MOVED-like
// messages, as a view drops stale mouse moves.
class BacklogLooper : public BLooper {
public:
	BacklogLooper(test::Journal* journal) : BLooper("backlog"), fJournal(journal) {}

	void MessageReceived(BMessage* message) override
	{
		if (message->what != 'blk ') {
			fJournal->Add(test::code(message->what));
			return;
		}
		BMessageQueue* queue = MessageQueue();
		fJournal->Add("count " + std::to_string(queue->CountMessages()));
		fJournal->Add(queue->FindMessage('blk ', 0) == NULL ? "current not queued"
		                                                    : "current queued");
		queue->Lock();
		while (BMessage* stale = queue->FindMessage('move', 0)) {
			queue->RemoveMessage(stale);
			delete stale;
		}
		queue->Unlock();
	}

private:
	test::Journal* fJournal;
};

} // namespace

TEST(MessageQueue, TheLoopShowsTheWholeBacklogBeforeDispatching)
{
	test::Journal journal;
	auto* looper = new BacklogLooper(&journal);
	looper->Run();
	ASSERT_TRUE(looper->Lock());
	for (uint32 what : {'blk ', 'move', 'key ', 'move', 'move', 'last'})
		looper->PostMessage(what);
	looper->Unlock();
	ASSERT_TRUE(journal.WaitForCount(4));
	EXPECT_EQ(journal.Entries(),
	          (std::vector<std::string>{"count 5", "current not queued", "key ", "last"}));
	test::quit_looper(looper);
}
