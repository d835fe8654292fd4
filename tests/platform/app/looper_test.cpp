#include <gtest/gtest.h>

#include <AppDefs.h>
#include <Looper.h>
#include <Message.h>
#include <MessageQueue.h>

#include "AppTestUtils.h"

using test::Journal;
using test::RecordingHandler;
using test::RecordingLooper;

TEST(Looper, IsConstructedLockedAndRunUnlocks)
{
	Journal journal;
	auto* looper = new RecordingLooper("constructed", &journal);
	EXPECT_TRUE(looper->IsLocked());
	EXPECT_EQ(looper->LockingThread(), find_thread(NULL));
	EXPECT_EQ(looper->CountLocks(), 1);
	EXPECT_EQ(looper->Thread(), -1);
	// The looper is its own first handler.
	EXPECT_EQ(looper->Looper(), looper);
	EXPECT_EQ(looper->HandlerAt(0), looper);

	thread_id thread = looper->Run();
	ASSERT_GT(thread, 0);
	EXPECT_EQ(looper->Thread(), thread);
	EXPECT_NE(thread, find_thread(NULL));
	EXPECT_FALSE(looper->IsLocked());
	EXPECT_EQ(BLooper::LooperForThread(thread), looper);
	test::quit_looper(looper);
	EXPECT_EQ(BLooper::LooperForThread(thread), nullptr);
}

TEST(Looper, PostMessageTargetsTheLooperAHandlerOrThePreferredHandlerAtDispatch)
{
	Journal journal;
	auto* looper = new RecordingLooper("looper", &journal);
	auto* first = new RecordingHandler("first", &journal);
	auto* second = new RecordingHandler("second", &journal);
	looper->AddHandler(first);
	looper->AddHandler(second);
	looper->Run();

	RecordingHandler loose("loose", &journal);
	Journal otherJournal;
	auto* other = new RecordingLooper("other", &otherJournal);
	auto* foreign = new RecordingHandler("foreign", &otherJournal);
	other->AddHandler(foreign);

	EXPECT_EQ(looper->PostMessage('self'), B_OK);
	EXPECT_EQ(looper->PostMessage('hndl', first), B_OK);
	// No preferred handler yet: the looper.
	EXPECT_EQ(looper->PostMessage('pref', NULL), B_OK);
	EXPECT_EQ(looper->PostMessage('frgn', foreign), B_MISMATCHED_VALUES);
	EXPECT_EQ(looper->PostMessage('lose', &loose), B_MISMATCHED_VALUES);
	EXPECT_EQ(looper->PostMessage((BMessage*) NULL), B_BAD_VALUE);
	ASSERT_TRUE(journal.WaitForCount(3));

	// The preferred handler is read when the message is dispatched, not when
	// it is posted.
	ASSERT_TRUE(looper->Lock());
	looper->SetPreferredHandler(first);
	EXPECT_EQ(looper->PostMessage('late', NULL), B_OK);
	looper->SetPreferredHandler(second);
	EXPECT_EQ(looper->PreferredHandler(), second);
	// A handler of another looper cannot be preferred.
	looper->SetPreferredHandler(foreign);
	EXPECT_EQ(looper->PreferredHandler(), nullptr);
	looper->SetPreferredHandler(second);
	looper->Unlock();
	ASSERT_TRUE(journal.WaitForCount(4));

	EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"looper:self", "first:hndl",
	                                                       "looper:pref", "second:late"}));
	test::quit_looper(looper);
	delete other;
}

TEST(Looper, MessagesArriveInPostingOrderFromEverySource)
{
	Journal journal;
	auto* looper = new RecordingLooper("fifo", &journal);
	looper->Run();
	std::vector<std::string> expected;
	for (int i = 0; i < 200; i++) {
		BMessage message('nmbr');
		message.AddInt32("index", i);
		looper->PostMessage(&message);
		expected.push_back("fifo:nmbr");
	}
	ASSERT_TRUE(journal.WaitForCount(200));
	EXPECT_EQ(journal.Entries(), expected);
	test::quit_looper(looper);
}

namespace {

class QuittingLooper : public BLooper {
public:
	QuittingLooper(Journal* journal) : BLooper("quitter"), fJournal(journal) {}
	~QuittingLooper() override { fJournal->Add("deleted"); }

	struct Unwound {
		Journal* journal;
		~Unwound() { journal->Add("unwound"); }
	};

	void MessageReceived(BMessage* message) override
	{
		if (message->what == 'quit') {
			Unwound guard{fJournal};
			fJournal->Add("quitting");
			Quit();
			fJournal->Add("Quit returned");
			return;
		}
		fJournal->Add(test::code(message->what));
	}

	bool QuitRequested() override
	{
		fJournal->Add("asked");
		bool allowed = fAllowQuit;
		fAllowQuit = true;
		return allowed;
	}

private:
	Journal* fJournal;
	bool fAllowQuit = false;
};

} // namespace

TEST(Looper, QuitFromItsOwnThreadStopsAtOnceAndUnwindsBeforeDeleting)
{
	Journal journal;
	auto* looper = new QuittingLooper(&journal);
	looper->Run();
	ASSERT_TRUE(looper->Lock());
	looper->PostMessage('frst');
	looper->PostMessage('quit');
	looper->PostMessage('drop');
	looper->Unlock();

	ASSERT_TRUE(journal.WaitForCount(4));
	snooze(20000);
	EXPECT_EQ(journal.Entries(),
	          (std::vector<std::string>{"frst", "quitting", "unwound", "deleted"}));
	EXPECT_FALSE(test::lock_gone(looper));
}

TEST(Looper, QuitFromAnotherThreadHandlesEarlierMessagesFirst)
{
	Journal journal;
	auto* looper = new QuittingLooper(&journal);
	looper->Run();
	test::must_return_within("Quit", [&] {
		ASSERT_TRUE(looper->Lock());
		for (uint32 what : {'msg1', 'msg2', 'msg3'})
			looper->PostMessage(what);
		looper->Quit();
	});
	// Quit returns only once the looper is gone.
	EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"msg1", "msg2", "msg3", "deleted"}));
	EXPECT_FALSE(test::lock_gone(looper));
	EXPECT_EQ(test::lock_gone(looper, 1000), B_BAD_VALUE);
	EXPECT_EQ(test::post_to_gone(looper, 'gone'), B_BAD_VALUE);
}

TEST(Looper, QuitRequestedDecidesOverBQuitRequested)
{
	Journal journal;
	auto* looper = new QuittingLooper(&journal);
	looper->Run();
	looper->PostMessage(B_QUIT_REQUESTED);
	looper->PostMessage('aliv');
	ASSERT_TRUE(journal.WaitForCount(2));
	EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"asked", "aliv"}));

	looper->PostMessage(B_QUIT_REQUESTED);
	ASSERT_TRUE(journal.WaitForCount(4));
	EXPECT_EQ(journal.Entries()[2], "asked");
	EXPECT_EQ(journal.Entries()[3], "deleted");

	// Aimed at another handler, B_QUIT_REQUESTED is an ordinary message.
	Journal second;
	auto* other = new RecordingLooper("other", &second);
	auto* handler = new RecordingHandler("handler", &second);
	other->AddHandler(handler);
	other->Run();
	other->PostMessage(B_QUIT_REQUESTED, handler);
	ASSERT_TRUE(second.WaitForCount(1));
	EXPECT_EQ(second.Entries()[0], "handler:_QRQ");
	test::quit_looper(other);
}

TEST(Looper, QuitBeforeRunDeletesTheLooper)
{
	Journal journal;
	auto* looper = new RecordingLooper("unrun", &journal);
	looper->Quit();
	EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"unrun:deleted"}));
	EXPECT_FALSE(test::lock_gone(looper));
}

namespace {

class CurrentMessageLooper : public BLooper {
public:
	CurrentMessageLooper(Journal* journal) : BLooper("current"), fJournal(journal) {}

	void MessageReceived(BMessage* message) override
	{
		if (CurrentMessage() != message)
			fJournal->Add("wrong current message");
		if (message->what == 'kept') {
			std::lock_guard<std::mutex> lock(fLock);
			fKept = DetachCurrentMessage();
			if (CurrentMessage() != NULL)
				fJournal->Add("still current after detach");
		}
		fJournal->Add(test::code(message->what));
	}

	BMessage* TakeKept()
	{
		std::lock_guard<std::mutex> lock(fLock);
		BMessage* kept = fKept;
		fKept = NULL;
		return kept;
	}

private:
	Journal* fJournal;
	std::mutex fLock;
	BMessage* fKept = NULL;
};

} // namespace

TEST(Looper, CurrentMessageDuringDispatchAndDetaching)
{
	Journal journal;
	auto* looper = new CurrentMessageLooper(&journal);
	EXPECT_EQ(looper->CurrentMessage(), nullptr);
	looper->Run();
	BMessage kept('kept');
	kept.AddString("cwd", "/somewhere");
	looper->PostMessage(&kept);
	looper->PostMessage('next');
	ASSERT_TRUE(journal.WaitForCount(2));
	EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"kept", "next"}));

	BMessage* detached = looper->TakeKept();
	ASSERT_NE(detached, nullptr);
	EXPECT_STREQ(detached->GetString("cwd"), "/somewhere");
	delete detached;
	test::quit_looper(looper);
}

TEST(Looper, HandlersBelongToOneLooperAndForwardToIt)
{
	Journal journal;
	auto* looper = new RecordingLooper("owner", &journal);
	BHandler plain("plain");
	looper->AddHandler(&plain);
	EXPECT_EQ(looper->CountHandlers(), 2);
	EXPECT_EQ(looper->IndexOf(&plain), 1);
	EXPECT_EQ(plain.Looper(), looper);
	EXPECT_EQ(plain.NextHandler(), looper);

	// A handler already in a looper is not taken by another one.
	Journal otherJournal;
	auto* other = new RecordingLooper("other", &otherJournal);
	other->AddHandler(&plain);
	EXPECT_EQ(plain.Looper(), looper);
	EXPECT_EQ(other->CountHandlers(), 1);

	EXPECT_FALSE(looper->RemoveHandler(looper));
	EXPECT_FALSE(other->RemoveHandler(&plain));

	looper->Run();
	// BHandler::MessageReceived passes what it does not handle to the looper.
	looper->PostMessage('fwrd', &plain);
	ASSERT_TRUE(journal.WaitForCount(1));
	EXPECT_EQ(journal.Entries()[0], "owner:fwrd");

	ASSERT_TRUE(looper->Lock());
	EXPECT_TRUE(looper->RemoveHandler(&plain));
	EXPECT_EQ(plain.Looper(), nullptr);
	EXPECT_EQ(plain.NextHandler(), nullptr);
	EXPECT_EQ(looper->CountHandlers(), 1);
	EXPECT_EQ(looper->HandlerAt(1), nullptr);
	looper->Unlock();
	test::quit_looper(looper);
	delete other;
}

TEST(Looper, DeletingAHandlerRemovesItFromItsLooper)
{
	Journal journal;
	auto* looper = new RecordingLooper("owner", &journal);
	auto* handler = new RecordingHandler("handler", &journal);
	looper->AddHandler(handler);
	looper->Unlock();
	delete handler;
	ASSERT_TRUE(looper->Lock());
	EXPECT_EQ(looper->CountHandlers(), 1);
	looper->Quit();
}

TEST(Handler, ArchivesItsName)
{
	BHandler handler("named");
	BMessage archive;
	ASSERT_EQ(handler.Archive(&archive), B_OK);
	EXPECT_STREQ(archive.GetString("_name"), "named");
	EXPECT_STREQ(archive.GetString("class"), "BHandler");

	BArchivable* object = BHandler::Instantiate(&archive);
	auto* copy = dynamic_cast<BHandler*>(object);
	ASSERT_NE(copy, nullptr);
	EXPECT_STREQ(copy->Name(), "named");
	EXPECT_EQ(copy->Looper(), nullptr);
	delete copy;

	BMessage other;
	other.AddString("class", "BView");
	EXPECT_EQ(BHandler::Instantiate(&other), nullptr);
}
