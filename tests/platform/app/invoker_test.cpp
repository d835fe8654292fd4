#include <gtest/gtest.h>

#include <Invoker.h>
#include <Looper.h>
#include <Message.h>

#include "AppTestUtils.h"

using test::Journal;
using test::RecordingHandler;
using test::RecordingLooper;

TEST(Invoker, TargetIsBuiltWhenSetAndInvokeSendsCopies)
{
	Journal journal;
	auto* looper = new RecordingLooper("looper", &journal);
	auto* handler = new RecordingHandler("handler", &journal);
	BInvoker invoker(new BMessage('invk'), NULL);
	EXPECT_EQ(invoker.Command(), (uint32) 'invk');

	// Before the handler belongs to a looper there is nothing to aim at.
	EXPECT_EQ(invoker.SetTarget(handler), B_BAD_VALUE);
	EXPECT_FALSE(invoker.Messenger().IsValid());
	looper->AddHandler(handler);
	EXPECT_EQ(invoker.SetTarget(handler), B_OK);
	BLooper* targetLooper = NULL;
	EXPECT_EQ(invoker.Target(&targetLooper), handler);
	EXPECT_EQ(targetLooper, looper);
	EXPECT_TRUE(invoker.IsTargetLocal());

	looper->Run();
	EXPECT_EQ(invoker.Invoke(), B_OK);
	BMessage other('othr');
	EXPECT_EQ(invoker.Invoke(&other), B_OK);
	EXPECT_EQ(invoker.Message()->what, (uint32) 'invk');

	// (NULL, looper): the looper's preferred handler, here the looper.
	EXPECT_EQ(invoker.SetTarget(NULL, looper), B_OK);
	EXPECT_EQ(invoker.Invoke(), B_OK);
	ASSERT_TRUE(journal.WaitForCount(3));
	EXPECT_EQ(journal.Entries(),
	          (std::vector<std::string>{"handler:invk", "handler:othr", "looper:invk"}));

	invoker.SetMessage(NULL);
	EXPECT_EQ(invoker.Command(), 0u);
	EXPECT_EQ(invoker.Invoke(), B_BAD_VALUE);
	test::quit_looper(looper);
}
