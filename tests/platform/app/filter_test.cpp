#include <gtest/gtest.h>

#include <List.h>
#include <Looper.h>
#include <Message.h>
#include <MessageFilter.h>

#include "AppTestUtils.h"
#include "app/MessagePrivate.h"

using test::Journal;
using test::RecordingHandler;
using test::RecordingLooper;

namespace {

// Records its name; optionally redirects to |redirect| or skips.
class NamedFilter : public BMessageFilter {
public:
	NamedFilter(const char* name, Journal* journal, BHandler* redirect = NULL,
	            filter_result result = B_DISPATCH_MESSAGE)
	    : BMessageFilter(B_ANY_DELIVERY, B_ANY_SOURCE), fName(name), fJournal(journal),
	      fRedirect(redirect), fResult(result)
	{
	}

	NamedFilter(message_delivery delivery, const char* name, Journal* journal)
	    : BMessageFilter(delivery, B_LOCAL_SOURCE), fName(name), fJournal(journal), fRedirect(NULL),
	      fResult(B_DISPATCH_MESSAGE)
	{
	}

	NamedFilter(uint32 command, const char* name, Journal* journal)
	    : BMessageFilter(command), fName(name), fJournal(journal), fRedirect(NULL),
	      fResult(B_DISPATCH_MESSAGE)
	{
	}

	filter_result Filter(BMessage* message, BHandler** target) override
	{
		// The fixture's end marker passes unrecorded.
		if (message->what == 'mark')
			return B_DISPATCH_MESSAGE;
		fJournal->Add(fName);
		if (fRedirect != NULL)
			*target = fRedirect;
		return fResult;
	}

private:
	std::string fName;
	Journal* fJournal;
	BHandler* fRedirect;
	filter_result fResult;
};

class HookedFilter : public BMessageFilter {
public:
	HookedFilter(Journal* journal)
	    : BMessageFilter(B_ANY_DELIVERY, B_ANY_SOURCE, &Hook), fJournal(journal)
	{
	}

	filter_result Filter(BMessage*, BHandler**) override
	{
		fJournal->Add("virtual");
		return B_DISPATCH_MESSAGE;
	}

	static filter_result Hook(BMessage*, BHandler**, BMessageFilter* filter)
	{
		static_cast<HookedFilter*>(filter)->fJournal->Add("hook");
		return B_DISPATCH_MESSAGE;
	}

private:
	Journal* fJournal;
};

struct Fixture {
	Journal journal;
	RecordingLooper* looper = new RecordingLooper("looper", &journal);
	RecordingHandler* first = new RecordingHandler("first", &journal);
	RecordingHandler* second = new RecordingHandler("second", &journal);

	Fixture()
	{
		looper->AddHandler(first);
		looper->AddHandler(second);
	}

	~Fixture() { test::quit_looper(looper); }

	// What the message caused: a marker posted after it shows when it is done.
	std::vector<std::string> Deliver(BMessage* message, BHandler* target, size_t entries)
	{
		const size_t before = journal.Count();
		looper->PostMessage(message, target);
		looper->PostMessage('mark', looper);
		EXPECT_TRUE(journal.WaitForCount(before + entries + 1));
		std::vector<std::string> seen = journal.Entries();
		seen.erase(seen.begin(), seen.begin() + before);
		EXPECT_EQ(seen.back(), "looper:mark");
		seen.pop_back();
		return seen;
	}

	std::vector<std::string> Deliver(uint32 what, BHandler* target, size_t entries)
	{
		BMessage message(what);
		return Deliver(&message, target, entries);
	}
};

} // namespace

TEST(MessageFilter, CommonThenTargetThenRedirectedTargetFilters)
{
	Fixture f;
	f.looper->AddCommonFilter(new NamedFilter("common 1", &f.journal));
	f.looper->AddCommonFilter(new NamedFilter("common 2", &f.journal));
	f.first->AddFilter(new NamedFilter("first 1", &f.journal, f.second));
	f.first->AddFilter(new NamedFilter("first 2", &f.journal));
	f.second->AddFilter(new NamedFilter("second", &f.journal));
	f.looper->Run();

	// A redirection takes effect after the filters of the list it was made
	// in; then the new target's filters run.
	EXPECT_EQ(f.Deliver('msg ', f.first, 6),
	          (std::vector<std::string>{"common 1", "common 2", "first 1", "first 2", "second",
	                                    "second:msg "}));
}

TEST(MessageFilter, ACommonFilterRedirectsBeforeTheTargetsFiltersRun)
{
	Fixture f;
	f.looper->AddCommonFilter(new NamedFilter("common", &f.journal, f.second));
	f.first->AddFilter(new NamedFilter("first", &f.journal));
	f.second->AddFilter(new NamedFilter("second", &f.journal));
	f.looper->Run();
	EXPECT_EQ(f.Deliver('msg ', f.first, 3),
	          (std::vector<std::string>{"common", "second", "second:msg "}));
}

TEST(MessageFilter, SkipCommandsAndHooks)
{
	Fixture f;
	f.looper->AddCommonFilter(new NamedFilter('only', "only", &f.journal));
	f.first->AddFilter(new NamedFilter("skipper", &f.journal, NULL, B_SKIP_MESSAGE));
	// The hook wins over Filter().
	f.second->AddFilter(new HookedFilter(&f.journal));
	f.looper->Run();

	EXPECT_EQ(f.Deliver('msg ', f.first, 1), (std::vector<std::string>{"skipper"}));
	EXPECT_EQ(f.Deliver('only', f.second, 3),
	          (std::vector<std::string>{"only", "hook", "second:only"}));
}

TEST(MessageFilter, ARedirectionOutOfTheLooperDropsTheMessage)
{
	Fixture f;
	Journal otherJournal;
	auto* other = new RecordingLooper("other", &otherJournal);
	auto* foreign = new RecordingHandler("foreign", &otherJournal);
	other->AddHandler(foreign);
	other->Run();
	f.first->AddFilter(new NamedFilter("escape", &f.journal, foreign));
	f.looper->Run();
	EXPECT_EQ(f.Deliver('msg ', f.first, 1), (std::vector<std::string>{"escape"}));
	EXPECT_EQ(otherJournal.Count(), 0u);
	test::quit_looper(other);
}

TEST(MessageFilter, DeliveryKindSelectsFilters)
{
	Fixture f;
	f.first->AddFilter(new NamedFilter("any", &f.journal));
	f.first->AddFilter(new NamedFilter(B_DROPPED_DELIVERY, "dropped", &f.journal));
	f.first->AddFilter(new NamedFilter(B_PROGRAMMED_DELIVERY, "programmed", &f.journal));
	f.looper->Run();

	EXPECT_EQ(f.Deliver('prog', f.first, 3),
	          (std::vector<std::string>{"any", "programmed", "first:prog"}));

	BMessage dropped('drop');
	BMessage::Private(dropped).Delivery()->wasDropped = true;
	EXPECT_EQ(f.Deliver(&dropped, f.first, 3),
	          (std::vector<std::string>{"any", "dropped", "first:drop"}));
}

TEST(MessageFilter, FiltersBelongToOneOwnerAndCanBeAddedBeforeTheLooper)
{
	Journal journal;
	BHandler* handler = new RecordingHandler("early", &journal);
	auto* filter = new NamedFilter("early filter", &journal);
	handler->AddFilter(filter);
	EXPECT_EQ(filter->Looper(), nullptr);
	EXPECT_EQ(handler->FilterList()->CountItems(), 1);

	// A filter serves one handler at a time.
	BHandler other("other");
	other.AddFilter(filter);
	EXPECT_EQ(other.FilterList() == NULL ? 0 : other.FilterList()->CountItems(), 0);

	auto* looper = new RecordingLooper("looper", &journal);
	looper->AddHandler(handler);
	EXPECT_EQ(filter->Looper(), looper);
	looper->Run();
	looper->PostMessage('msg ', handler);
	ASSERT_TRUE(journal.WaitForCount(2));
	EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"early filter", "early:msg "}));

	ASSERT_TRUE(looper->Lock());
	EXPECT_TRUE(handler->RemoveFilter(filter));
	EXPECT_FALSE(handler->RemoveFilter(filter));
	EXPECT_EQ(filter->Looper(), nullptr);
	looper->Unlock();
	// Ownership came back: now it may serve another handler.
	other.AddFilter(filter);
	EXPECT_EQ(other.FilterList()->CountItems(), 1);
	test::quit_looper(looper);
	delete handler;
}
