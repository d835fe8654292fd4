#include <gtest/gtest.h>

#include <AppDefs.h>
#include <Looper.h>
#include <Message.h>
#include <Messenger.h>

#include "AppTestUtils.h"

using test::Journal;
using test::RecordingHandler;
using test::RecordingLooper;

TEST(Messenger, TargetsAHandlerOrThePreferredHandler)
{
	Journal journal;
	auto* looper = new RecordingLooper("looper", &journal);
	auto* handler = new RecordingHandler("handler", &journal);
	looper->AddHandler(handler);

	status_t status;
	BMessenger toHandler(handler, NULL, &status);
	EXPECT_EQ(status, B_OK);
	EXPECT_TRUE(toHandler.IsValid());
	EXPECT_TRUE(toHandler.IsTargetLocal());
	BLooper* targetLooper = NULL;
	EXPECT_EQ(toHandler.Target(&targetLooper), handler);
	EXPECT_EQ(targetLooper, looper);
	EXPECT_EQ(BMessenger(handler, looper), toHandler);

	BMessenger toPreferred(NULL, looper, &status);
	EXPECT_EQ(status, B_OK);
	EXPECT_EQ(toPreferred.Target(&targetLooper), nullptr);
	EXPECT_EQ(targetLooper, looper);
	EXPECT_NE(toPreferred, toHandler);

	BHandler loose("loose");
	BMessenger invalid(&loose, NULL, &status);
	EXPECT_EQ(status, B_BAD_VALUE);
	EXPECT_FALSE(invalid.IsValid());
	EXPECT_EQ(invalid.SendMessage('none'), B_BAD_PORT_ID);
	EXPECT_FALSE(BMessenger().IsValid());

	auto* other = new BLooper("other");
	BMessenger mismatched(handler, other, &status);
	EXPECT_EQ(status, B_MISMATCHED_VALUES);
	other->Quit();

	looper->SetPreferredHandler(handler);
	looper->Run();
	EXPECT_EQ(toHandler.SendMessage('hndl'), B_OK);
	BMessage message('pref');
	EXPECT_EQ(toPreferred.SendMessage(&message), B_OK);
	ASSERT_TRUE(journal.WaitForCount(2));
	EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"handler:hndl", "handler:pref"}));

	EXPECT_TRUE(toHandler.LockTarget());
	EXPECT_TRUE(looper->IsLocked());
	looper->Unlock();
	test::quit_looper(looper);
}

TEST(Messenger, AGoneTargetFailsWithoutTouchingIt)
{
	Journal journal;
	auto* looper = new RecordingLooper("looper", &journal);
	auto* handler = new RecordingHandler("handler", &journal);
	looper->AddHandler(handler);
	BMessenger toHandler(handler);
	BMessenger toLooper(looper);
	looper->Run();

	// The handler leaves its looper, then is deleted.
	ASSERT_TRUE(looper->Lock());
	looper->RemoveHandler(handler);
	looper->Unlock();
	EXPECT_FALSE(toHandler.IsValid());
	EXPECT_EQ(toHandler.SendMessage('left'), B_BAD_HANDLER);
	delete handler;
	EXPECT_EQ(toHandler.SendMessage('gone'), B_BAD_HANDLER);
	BLooper* targetLooper = looper;
	EXPECT_EQ(toHandler.Target(&targetLooper), nullptr);
	EXPECT_EQ(targetLooper, nullptr);

	test::quit_looper(looper);
	EXPECT_FALSE(toLooper.IsValid());
	EXPECT_EQ(toLooper.SendMessage('gone'), B_BAD_PORT_ID);
	EXPECT_FALSE(toLooper.LockTarget());
	EXPECT_EQ(toLooper.LockTargetWithTimeout(1000), B_BAD_PORT_ID);
}

TEST(Messenger, AHandlerRemovedAfterSendingNeverSeesTheMessage)
{
	Journal journal;
	auto* looper = new RecordingLooper("looper", &journal);
	auto* handler = new RecordingHandler("handler", &journal);
	looper->AddHandler(handler);
	BMessenger toHandler(handler);
	looper->Run();
	ASSERT_TRUE(looper->Lock());
	EXPECT_EQ(toHandler.SendMessage('lost'), B_OK);
	looper->RemoveHandler(handler);
	looper->PostMessage('mark');
	looper->Unlock();
	ASSERT_TRUE(journal.WaitForCount(1));
	EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"looper:mark"}));
	delete handler;
	test::quit_looper(looper);
}

namespace {

// Replies to 'ask ' with 'answ', and records replies it gets.
class Responder : public BHandler {
public:
	Responder(const char* name, Journal* journal) : BHandler(name), fJournal(journal) {}

	void MessageReceived(BMessage* message) override
	{
		std::string entry = std::string(Name()) + ":" + test::code(message->what);
		if (message->IsReply())
			entry += " (reply)";
		fJournal->Add(entry);
		if (message->what == 'ask ') {
			BMessenger address = message->ReturnAddress();
			fJournal->Add(address.IsValid() ? "valid return address" : "no return address");
			message->SendReply('answ');
		}
	}

private:
	Journal* fJournal;
};

} // namespace

TEST(Messenger, RepliesGoToTheNamedHandler)
{
	Journal journal;
	auto* looper = new RecordingLooper("looper", &journal);
	auto* asker = new Responder("asker", &journal);
	auto* answerer = new Responder("answerer", &journal);
	looper->AddHandler(asker);
	looper->AddHandler(answerer);
	looper->Run();

	BMessenger(answerer).SendMessage('ask ', asker);
	ASSERT_TRUE(journal.WaitForCount(3));
	EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"answerer:ask ", "valid return address",
	                                                       "asker:answ (reply)"}));

	BMessage notDelivered('ask ');
	EXPECT_EQ(notDelivered.SendReply('answ'), B_BAD_REPLY);
	EXPECT_FALSE(notDelivered.ReturnAddress().IsValid());
	test::quit_looper(looper);
}
