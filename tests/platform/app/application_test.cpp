#include <limits.h>
#include <string.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <Application.h>
#include <Roster.h>

#include "AppTestUtils.h"
#include "app/ApplicationPrivate.h"
#include "app/LaunchAddress.h"
#include "app/LaunchEndpoint.h"
#include "app/LaunchHandoff.h"

using test::Journal;

namespace {

class TestApp : public BApplication {
public:
	TestApp(Journal* journal) : BApplication("application/x-vnd.test-app"), fJournal(journal) {}

	void ReadyToRun() override { fJournal->Add("ready"); }

	void ArgvReceived(int32 argc, char** argv) override
	{
		std::string entry = "argv " + std::to_string(argc);
		for (int32 i = 0; i < argc; i++)
			entry += std::string(" ") + argv[i];
		const char* cwd = NULL;
		if (CurrentMessage() != NULL)
			CurrentMessage()->FindString("cwd", &cwd);
		entry += std::string(" in ") + (cwd != NULL ? cwd : "?");
		fJournal->Add(entry);
	}

	void MessageReceived(BMessage* message) override
	{
		if (message->what == 'done') {
			Quit();
			fJournal->Add("Quit returned");
			return;
		}
		fJournal->Add(test::code(message->what));
	}

private:
	Journal* fJournal;
};

// A looper standing in for a window, as the interface kit registers them.
class FakeWindow : public BLooper {
public:
	FakeWindow(const char* name, Journal* journal, bool agree)
	    : BLooper(name), fJournal(journal), fAgree(agree)
	{
		BPrivate::register_window(this, reinterpret_cast<BWindow*>(this));
	}

	~FakeWindow() override
	{
		BPrivate::unregister_window(this);
		fJournal->Add(std::string(Name()) + " closed");
	}

	bool QuitRequested() override
	{
		fJournal->Add(std::string(Name()) + (fAgree ? " agrees" : " refuses"));
		return fAgree;
	}

	void SetAgree(bool agree) { fAgree = agree; }

private:
	Journal* fJournal;
	bool fAgree;
};

} // namespace

TEST(Application, ArgvMessageCarriesArgcArgvAndCwd)
{
	BMessage message;
	EXPECT_EQ(BPrivate::build_argv_message({}, "/", &message), B_BAD_VALUE);
	ASSERT_EQ(BPrivate::build_argv_message({"/usr/bin/viewer", "a.png", "sub dir/b.jpg"}, "/home/u",
	                                       &message),
	          B_OK);
	EXPECT_EQ(message.what, (uint32) B_ARGV_RECEIVED);
	EXPECT_EQ(message.GetInt32("argc", 0), 3);
	EXPECT_STREQ(message.GetString("argv", 0, NULL), "/usr/bin/viewer");
	EXPECT_STREQ(message.GetString("argv", 2, NULL), "sub dir/b.jpg");
	EXPECT_STREQ(message.GetString("cwd"), "/home/u");

	std::vector<std::string> arguments;
	ASSERT_EQ(BPrivate::read_command_line(&arguments), B_OK);
	ASSERT_FALSE(arguments.empty());
	EXPECT_NE(arguments[0].find("app_application_test"), std::string::npos);
}

TEST(Application, RunHandlesArgvAndReadyToRunOnceAndQuitEndsIt)
{
	Journal journal;
	test::must_return_within("the application's life", [&] {
		// No arguments on the command line: the constructor posts only
		// B_READY_TO_RUN.
		TestApp app(&journal);
		ASSERT_EQ(app.InitCheck(), B_OK);
		EXPECT_EQ(be_app, &app);
		EXPECT_TRUE(be_app_messenger.IsValid());
		EXPECT_TRUE(app.IsLaunching());

		BMessage argv;
		BPrivate::build_argv_message({"viewer", "one.png", "two.png"}, "/pictures", &argv);
		app.PostMessage(&argv);
		app.PostMessage(B_READY_TO_RUN);
		// Claims more arguments than it holds: only the real ones are passed.
		argv.ReplaceInt32("argc", 7);
		app.PostMessage(&argv);
		app.PostMessage('done');
		app.PostMessage('late');
		EXPECT_EQ(app.Run(), find_thread(NULL));
		EXPECT_FALSE(app.IsLaunching());
		EXPECT_EQ(app.Run(), B_ALREADY_RUNNING);
	});
	EXPECT_EQ(be_app, nullptr);
	EXPECT_FALSE(be_app_messenger.IsValid());
	EXPECT_EQ(
	    journal.Entries(),
	    (std::vector<std::string>{"ready", "argv 3 viewer one.png two.png in /pictures",
	                              "argv 3 viewer one.png two.png in /pictures", "Quit returned"}));
}

TEST(Application, QuitFromAnotherThreadEndsRunAfterQueuedMessages)
{
	Journal journal;
	std::atomic<bool> running{false};
	std::thread appThread([&] {
		TestApp app(&journal);
		app.PostMessage('frst');
		running = true;
		app.Run();
		journal.Add("run returned");
	});
	ASSERT_TRUE(test::eventually([&] { return running.load(); }));
	ASSERT_TRUE(test::eventually([&] { return journal.Count() >= 2; }));
	test::must_return_within("BApplication::Quit", [&] {
		ASSERT_TRUE(be_app->Lock());
		be_app->PostMessage('scnd');
		be_app->Quit();
		be_app->Unlock();
	});
	test::must_return_within("Run", [&] { appThread.join(); });
	EXPECT_EQ(journal.Entries(),
	          (std::vector<std::string>{"ready", "frst", "scnd", "run returned"}));
}

TEST(Application, QuitRequestedAsksEveryWindowFirst)
{
	Journal journal;
	test::must_return_within("the application's life", [&] {
		TestApp app(&journal);
		auto* first = new FakeWindow("first", &journal, true);
		auto* second = new FakeWindow("second", &journal, false);
		first->Run();
		second->Run();
		EXPECT_EQ(app.CountWindows(), 2);
		EXPECT_EQ(app.WindowAt(1), reinterpret_cast<BWindow*>(second));
		EXPECT_EQ(app.WindowAt(2), nullptr);

		// The second refuses: nobody quits, the application goes on.
		app.PostMessage(B_QUIT_REQUESTED);
		app.PostMessage('aliv');
		// Then it agrees.
		BMessage allow('allw');
		app.PostMessage(&allow);
		app.PostMessage(B_QUIT_REQUESTED);
		app.PostMessage('late');
		class Allower : public BHandler {
		public:
			Allower(FakeWindow* window) : BHandler("allower"), fWindow(window) {}
			void MessageReceived(BMessage*) override
			{
				if (fWindow->Lock()) {
					fWindow->SetAgree(true);
					fWindow->Unlock();
				}
			}

		private:
			FakeWindow* fWindow;
		};
		Allower allower(second);
		app.AddHandler(&allower);
		app.PostMessage('allw', &allower);
		app.PostMessage(B_QUIT_REQUESTED);
		app.Run();
		EXPECT_EQ(app.CountWindows(), 0);
		app.RemoveHandler(&allower);
	});
	std::vector<std::string> entries = journal.Entries();
	std::vector<std::string> expected{"ready",          "first agrees", "second refuses",
	                                  "aliv",           "allw",         "first agrees",
	                                  "second refuses", "late",         "first agrees",
	                                  "second agrees",  "first closed", "second closed"};
	EXPECT_EQ(entries, expected);
}

TEST(Application, GetAppInfoDescribesThisProcess)
{
	test::must_return_within("the application's life", [&] {
		TestApp app(NULL);
		app_info info;
		ASSERT_EQ(app.GetAppInfo(&info), B_OK);
		EXPECT_STREQ(info.signature, "application/x-vnd.test-app");
		EXPECT_EQ(info.team, getpid());
		EXPECT_EQ(info.thread, find_thread(NULL));
		EXPECT_GE(info.port, 0);
		EXPECT_STREQ(info.ref.name, "app_application_test");
		// From the executable's own resources.
		EXPECT_EQ(info.flags, (uint32) (B_EXCLUSIVE_LAUNCH | B_ARGV_ONLY));
		EXPECT_EQ(info.flags & B_LAUNCH_MASK, (uint32) B_EXCLUSIVE_LAUNCH);
	});
}

TEST(Application, ABadSignatureOrASecondApplicationIsRefused)
{
	Journal journal;
	status_t error = B_OK;
	{
		BApplication bad("text/plain", &error);
		EXPECT_EQ(error, B_BAD_VALUE);
		EXPECT_EQ(bad.InitCheck(), B_BAD_VALUE);
		EXPECT_EQ(be_app, nullptr);
		EXPECT_EQ(bad.Run(), B_BAD_VALUE);
	}
	test::must_return_within("the application's life", [&] {
		TestApp app(&journal);
		BApplication second("application/x-vnd.second", &error);
		EXPECT_EQ(error, B_ALREADY_RUNNING);
		EXPECT_EQ(be_app, &app);
	});
}

TEST(Application, AnExclusiveApplicationTakesLaterLaunchesUntilItEnds)
{
	// This test program's resources ask for exclusive launch; the test
	// runner gave it a runtime folder of its own.
	BPrivate::LaunchAddress address;
	ASSERT_EQ(BPrivate::launch_address("application/x-vnd.test-app", getenv("DISPLAY"), &address),
	          B_OK);
	BMessage launch;
	ASSERT_EQ(BPrivate::build_argv_message({"/elsewhere/viewer", "x.png"}, "/pictures", &launch),
	          B_OK);
	EXPECT_EQ(BPrivate::hand_over_launch(address, launch, 1000000), B_ENTRY_NOT_FOUND);

	Journal journal;
	std::thread appThread([&] {
		TestApp app(&journal);
		app.Run();
		journal.Add("run returned");
	});
	ASSERT_TRUE(journal.WaitForCount(1));
	BPrivate::LaunchEndpoint* endpoint = NULL;
	EXPECT_EQ(BPrivate::LaunchEndpoint::Claim(address, &endpoint), B_BUSY);
	EXPECT_EQ(endpoint, nullptr);

	EXPECT_EQ(BPrivate::hand_over_launch(address, launch, 5000000), B_OK);
	// Any message goes over, but not files that are not there.
	BMessage other('abcd');
	other.AddString("argv", "y.png");
	EXPECT_EQ(BPrivate::hand_over_launch(address, other, 5000000), B_OK);
	BMessage refs(B_REFS_RECEIVED);
	entry_ref gone;
	ASSERT_EQ(get_ref_for_path("/tmp/pl-application-test-no-such-picture.png", &gone), B_OK);
	refs.AddRef("refs", &gone);
	EXPECT_EQ(BPrivate::hand_over_launch(address, refs, 5000000), B_NOT_ALLOWED);
	ASSERT_TRUE(journal.WaitForCount(3));
	be_app_messenger.SendMessage('done');
	test::must_return_within("Run", [&] { appThread.join(); });

	char executable[PATH_MAX] = {};
	ASSERT_GT(readlink("/proc/self/exe", executable, sizeof(executable) - 1), 0);
	EXPECT_EQ(journal.Entries(),
	          (std::vector<std::string>{"ready",
	                                    std::string("argv 2 ") + executable + " x.png in /pictures",
	                                    "abcd", "Quit returned", "run returned"}));

	// Gone with the application: the next launch is the instance.
	EXPECT_NE(access(address.socketPath.c_str(), F_OK), 0);
	EXPECT_NE(access(address.lockPath.c_str(), F_OK), 0);
	EXPECT_EQ(BPrivate::hand_over_launch(address, launch, 1000000), B_ENTRY_NOT_FOUND);
	ASSERT_EQ(BPrivate::LaunchEndpoint::Claim(address, &endpoint), B_OK);
	delete endpoint;
}
