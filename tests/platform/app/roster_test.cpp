// The roster: launching an installed application with a message, handing
// later messages to its running instance, opening a document with the
// application of its type, and giving the desktop what no window took.
// app_roster_helper writes to a log file what reaches it.

#include <ftw.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <AppDefs.h>
#include <Entry.h>
#include <File.h>
#include <Message.h>
#include <NodeInfo.h>
#include <OS.h>
#include <Path.h>
#include <Roster.h>

#include "app/DesktopHandoff.h"
#include "app/MessagePrivate.h"
#include "storage/AppRegistry.h"

namespace {

const char kSignature[] = "application/x-vnd.test-roster";
const char kDocumentType[] = "application/x-vnd.test-roster-document";

int remove_entry(const char* path, const struct stat*, int, struct FTW*)
{
	remove(path);
	return 0;
}

std::string real(const char* path)
{
	char resolved[PATH_MAX];
	return realpath(path, resolved) != NULL ? resolved : "";
}

class RosterTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		char path[] = "/tmp/pl-roster-test-XXXXXX";
		ASSERT_NE(mkdtemp(path), nullptr);
		fRoot = path;
		fLog = fRoot + "/log";
		setenv("XDG_DATA_HOME", (fRoot + "/home").c_str(), 1);
		setenv("XDG_DATA_DIRS", (fRoot + "/system").c_str(), 1);
		setenv("PL_TEST_LOG", fLog.c_str(), 1);
		setenv("PL_TEST_SIGNATURE", kSignature, 1);
	}

	void TearDown() override
	{
		for (team_id team : fTeams)
			kill(team, SIGKILL);
		unsetenv("PL_TEST_LOG");
		unsetenv("PL_TEST_SIGNATURE");
		nftw(fRoot.c_str(), remove_entry, 8, FTW_DEPTH | FTW_PHYS);
	}

	// The helper, installed under |signature| as the user's.
	void Register(const char* signature)
	{
		BPrivate::AppRecord record;
		record.signature = signature;
		record.executable = real(PL_ROSTER_HELPER);
		record.flags = B_EXCLUSIVE_LAUNCH;
		record.types = {kDocumentType};
		ASSERT_EQ(BPrivate::write_user_app_record(record), B_OK);
	}

	void Started(team_id team) { fTeams.insert(team); }

	// The next line of the log, "" when none comes within 20 s.
	std::string NextLine()
	{
		const bigtime_t deadline = system_time() + 20000000;
		while (system_time() < deadline) {
			std::ifstream in(fLog);
			std::string line;
			for (size_t i = 0; std::getline(in, line); i++) {
				if (i == fLinesRead && in.good()) {
					fLinesRead++;
					return line;
				}
			}
			snooze(10000);
		}
		return "";
	}

	// Quits the helper |team| through a launch and waits for its end.
	void Quit(team_id team)
	{
		const char* args[] = {"quit"};
		EXPECT_EQ(be_roster->Launch(kSignature, 1, args), B_ALREADY_RUNNING);
		EXPECT_EQ(NextLine(), std::to_string(team) + " argv quit");
		EXPECT_EQ(NextLine(), std::to_string(team) + " ended");
	}

	std::string fRoot;
	std::string fLog;
	std::set<team_id> fTeams;
	size_t fLinesRead = 0;
};

BMessage dropped_message(uint32 what, const char* text, BPoint where, BPoint offset)
{
	BMessage message(what);
	message.AddString("text", text);
	BPrivate::MessageDelivery* delivery = BMessage::Private(message).Delivery();
	delivery->wasDropped = true;
	delivery->dropPoint = where;
	delivery->dropOffset = offset;
	return message;
}

} // namespace

TEST_F(RosterTest, LaunchStartsTheApplicationThenHandsItTheLaterMessages)
{
	EXPECT_EQ(be_roster->Launch(kSignature), B_LAUNCH_FAILED_APP_NOT_FOUND);
	Register(kSignature);
	EXPECT_FALSE(be_roster->IsRunning(kSignature));

	// Started with its message, which it gets before it is ready.
	BMessage first = dropped_message('TEST', "first", BPoint(10, 20), BPoint(3, 4));
	team_id team = -1;
	ASSERT_EQ(be_roster->Launch(kSignature, &first, &team), B_OK);
	ASSERT_GT(team, 0);
	Started(team);
	const std::string pid = std::to_string(team);
	EXPECT_EQ(NextLine(), pid + " message TEST dropped 1 at 10,20 offset 3,4 text first pointer 0");
	EXPECT_EQ(NextLine(), pid + " ready");
	EXPECT_TRUE(be_roster->IsRunning(kSignature));

	// Running: the same instance gets the next ones, as they were.
	BMessage second('TEST');
	second.AddString("text", "second");
	second.AddPointer("pointer", &second);
	EXPECT_EQ(be_roster->Launch(kSignature, &second), B_ALREADY_RUNNING);
	EXPECT_EQ(NextLine(), pid + " message TEST dropped 0 at 0,0 offset 0,0 text second pointer 0");

	BMessage archive = dropped_message(B_ARCHIVED_OBJECT, "archive", BPoint(-5, 7.5), BPoint(0, 1));
	EXPECT_EQ(be_roster->Launch(kSignature, &archive), B_ALREADY_RUNNING);
	EXPECT_EQ(NextLine(), pid + " message ARCV dropped 1 at -5,7.5 offset 0,1 text archive pointer 0");

	// Refs arrive as refs; those gone by then are left out.
	std::string document = fRoot + "/picture.png";
	std::ofstream(document) << "x";
	entry_ref present, gone;
	ASSERT_EQ(get_ref_for_path(document.c_str(), &present), B_OK);
	ASSERT_EQ(get_ref_for_path((fRoot + "/gone.png").c_str(), &gone), B_OK);
	BMessage refs(B_REFS_RECEIVED);
	refs.AddRef("refs", &gone);
	refs.AddRef("refs", &present);
	EXPECT_EQ(be_roster->Launch(kSignature, &refs), B_ALREADY_RUNNING);
	EXPECT_EQ(NextLine(), pid + " refs " + real(document.c_str()));

	Quit(team);
	// Gone: the lock it held is free once its process has ended.
	const bigtime_t deadline = system_time() + 20000000;
	while (be_roster->IsRunning(kSignature) && system_time() < deadline)
		snooze(10000);
	EXPECT_FALSE(be_roster->IsRunning(kSignature));
}

TEST_F(RosterTest, ADocumentOpensWithTheApplicationOfItsType)
{
	Register(kSignature);
	std::string path = fRoot + "/notes.doc";
	std::ofstream(path) << "some text";
	BFile file(path.c_str(), B_READ_WRITE);
	BNodeInfo info(&file);
	if (info.SetType(kDocumentType) != B_OK)
		GTEST_SKIP() << "no extended attributes in " << fRoot;
	entry_ref ref, app;
	ASSERT_EQ(get_ref_for_path(path.c_str(), &ref), B_OK);
	ASSERT_EQ(be_roster->FindApp(&ref, &app), B_OK);
	EXPECT_EQ(real(BPath(&app).Path()), real(PL_ROSTER_HELPER));

	team_id team = -1;
	ASSERT_EQ(be_roster->Launch(&ref, NULL, &team), B_OK);
	Started(team);
	const std::string pid = std::to_string(team);
	EXPECT_EQ(NextLine(), pid + " refs " + real(path.c_str()));
	EXPECT_EQ(NextLine(), pid + " ready");
	Quit(team);

	// A type nobody supports opens nothing.
	ASSERT_EQ(info.SetType("application/x-vnd.test-unsupported"), B_OK);
	EXPECT_EQ(be_roster->Launch(&ref), B_LAUNCH_FAILED_NO_PREFERRED_APP);
}

TEST_F(RosterTest, ADropNoWindowTookGoesToTheDesktopApplication)
{
	// Without a desktop application nothing happens.
	BMessage drop = dropped_message(B_SIMPLE_DATA, "lost", BPoint(1, 1), BPoint(2, 3));
	BPrivate::hand_unclaimed_drop_to_desktop(&drop, BPoint(640, 480));
	EXPECT_FALSE(be_roster->IsRunning(BPrivate::kDesktopSignature));

	// The stand-in desktop is started, and gets the drop where it ended.
	setenv("PL_TEST_SIGNATURE", BPrivate::kDesktopSignature, 1);
	Register(BPrivate::kDesktopSignature);
	BPrivate::hand_unclaimed_drop_to_desktop(&drop, BPoint(640, 480));
	std::string line = NextLine();
	std::istringstream words(line);
	team_id team = -1;
	words >> team;
	ASSERT_GT(team, 0) << line;
	Started(team);
	EXPECT_EQ(line, std::to_string(team) +
	                    " message DATA dropped 1 at 640,480 offset 2,3 text lost pointer 0");
	EXPECT_EQ(NextLine(), std::to_string(team) + " ready");

	// And the next one, by the running desktop.
	BMessage next = dropped_message(B_ARCHIVED_OBJECT, "next", BPoint(0, 0), BPoint(0, 0));
	BPrivate::hand_unclaimed_drop_to_desktop(&next, BPoint(5, 6));
	EXPECT_EQ(NextLine(), std::to_string(team) +
	                          " message ARCV dropped 1 at 5,6 offset 0,0 text next pointer 0");
	kill(team, SIGTERM);
}
