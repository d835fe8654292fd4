// The registry of installed applications, and instantiate_object() loading
// code through it: an application that ran is found again, its library is
// loaded for its archives, and nothing is loaded from anywhere else.

#include <fcntl.h>
#include <ftw.h>
#include <limits.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <Archivable.h>
#include <Entry.h>
#include <Message.h>
#include <OS.h>
#include <Path.h>
#include <Roster.h>

#include "storage/AppRegistry.h"
#include "support/ClassRegistry.h"

extern char** environ;

namespace {

const char kHelperSignature[] = "application/x-vnd.test-registry";

std::string real(const char* path)
{
	char resolved[PATH_MAX];
	return realpath(path, resolved) != NULL ? resolved : "";
}

int remove_entry(const char* path, const struct stat*, int, struct FTW*)
{
	remove(path);
	return 0;
}

void write_file(const std::string& path, const std::string& text, mode_t mode)
{
	std::ofstream(path, std::ios::binary) << text;
	chmod(path.c_str(), mode);
}

void copy_file(const std::string& from, const std::string& to, mode_t mode)
{
	std::ifstream in(from, std::ios::binary);
	std::ofstream(to, std::ios::binary) << in.rdbuf();
	chmod(to.c_str(), mode);
}

// Runs |program| to its end; false when it does not end within 20 s.
bool run_to_end(const char* program)
{
	char* argv[] = {const_cast<char*>(program), NULL};
	pid_t pid;
	if (posix_spawn(&pid, program, NULL, NULL, argv, environ) != 0)
		return false;
	const bigtime_t deadline = system_time() + 20000000;
	int status = 0;
	while (waitpid(pid, &status, WNOHANG) == 0) {
		if (system_time() > deadline) {
			kill(pid, SIGKILL);
			waitpid(pid, NULL, 0);
			return false;
		}
		snooze(10000);
	}
	return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Each test has user and system data folders of its own.
class RegistryTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		char path[] = "/tmp/pl-registry-test-XXXXXX";
		ASSERT_NE(mkdtemp(path), nullptr);
		fRoot = path;
		fSystem = fRoot + "/system/pl-platform/applications";
		ASSERT_EQ(mkdir((fRoot + "/system").c_str(), 0755), 0);
		ASSERT_EQ(mkdir((fRoot + "/system/pl-platform").c_str(), 0755), 0);
		ASSERT_EQ(mkdir(fSystem.c_str(), 0755), 0);
		setenv("XDG_DATA_HOME", (fRoot + "/home").c_str(), 1);
		setenv("XDG_DATA_DIRS", (fRoot + "/system").c_str(), 1);
	}

	void TearDown() override { nftw(fRoot.c_str(), remove_entry, 8, FTW_DEPTH | FTW_PHYS); }

	// A system record of |signature| whose library is |library|.
	void Install(const std::string& folder, const char* signature, const std::string& library)
	{
		std::string text = std::string("pl-app-record 1\nsignature ") + signature +
		                   "\nexecutable " + real(PL_REGISTRY_HELPER) + "\nlibrary " + library +
		                   "\n";
		write_file(folder + "/" + (strrchr(signature, '/') + 1) + ".app", text, 0644);
	}

	std::string fRoot;
	std::string fSystem;
};

BArchivable* instantiate(const char* className, const char* addOn, int32 value = 0)
{
	BMessage archive;
	archive.AddString("class", className);
	archive.AddString("add_on", addOn);
	archive.AddInt32("value", value);
	return instantiate_object(&archive);
}

} // namespace

TEST_F(RegistryTest, AnApplicationThatRanIsFoundAndItsClassesAreBuiltFromItsLibrary)
{
	ASSERT_TRUE(run_to_end(PL_REGISTRY_HELPER));

	BPrivate::AppRecord record;
	ASSERT_EQ(BPrivate::find_app_record("Application/X-Vnd.Test-Registry", &record), B_OK);
	EXPECT_EQ(record.executable, real(PL_REGISTRY_HELPER));
	// Its own library; not the platform, which every process has.
	ASSERT_EQ(record.libraries.size(), 1u);
	EXPECT_EQ(record.libraries[0], real(PL_REGISTRY_CLASSES));
	EXPECT_EQ(record.flags, (uint32) B_MULTIPLE_LAUNCH);
	EXPECT_EQ(record.types, (std::vector<std::string>{"image", "video/mp4"}));

	// Written where only the user may look.
	struct stat folder, file;
	std::string user = fRoot + "/home/pl-platform/applications";
	ASSERT_EQ(stat(user.c_str(), &folder), 0);
	EXPECT_EQ(folder.st_mode & 0777, 0700u);
	ASSERT_EQ(stat((user + "/application_x-vnd.test-registry.app").c_str(), &file), 0);
	EXPECT_EQ(file.st_mode & 077, 0u);

	// By signature, by a type of a supertype it supports, by a type it names.
	entry_ref app;
	for (const char* type : {kHelperSignature, "image/png", "IMAGE/JPEG", "video/mp4"}) {
		ASSERT_EQ(be_roster->FindApp(type, &app), B_OK) << type;
		EXPECT_EQ(real(BPath(&app).Path()), real(PL_REGISTRY_HELPER)) << type;
	}
	EXPECT_EQ(be_roster->FindApp("video/webm", &app), B_LAUNCH_FAILED_APP_NOT_FOUND);
	EXPECT_EQ(be_roster->FindApp("application/x-vnd.test-nobody", &app),
	          B_LAUNCH_FAILED_APP_NOT_FOUND);

	// This process never linked the library: the archive's signature loads it.
	ASSERT_EQ(BPrivate::lookup_instantiation_func("RegistryThing"), nullptr);
	std::unique_ptr<BArchivable> object(instantiate("RegistryThing", kHelperSignature, 42));
	ASSERT_NE(object, nullptr);
	BMessage archive;
	ASSERT_EQ(object->Archive(&archive), B_OK);
	EXPECT_STREQ(archive.GetString("class"), "RegistryThing");
	EXPECT_EQ(archive.GetInt32("value", 0), 42);
	// Loaded once: the next archive finds it without a record.
	nftw((fRoot + "/home").c_str(), remove_entry, 8, FTW_DEPTH | FTW_PHYS);
	std::unique_ptr<BArchivable> again(instantiate("RegistryThing", kHelperSignature, 7));
	EXPECT_NE(again, nullptr);
}

TEST_F(RegistryTest, LoadsNothingFromAnUnsafeOrUnregisteredPlace)
{
	const std::string libs = fRoot + "/libs";
	const std::string open = fRoot + "/open";
	ASSERT_EQ(mkdir(libs.c_str(), 0755), 0);
	ASSERT_EQ(mkdir(open.c_str(), 0755), 0);
	ASSERT_EQ(chmod(open.c_str(), 0777), 0);
	copy_file(PL_REGISTRY_REFUSED, libs + "/group.so", 0664);
	copy_file(PL_REGISTRY_REFUSED, libs + "/world.so", 0646);
	copy_file(PL_REGISTRY_REFUSED, open + "/safe.so", 0644);
	copy_file(PL_REGISTRY_REFUSED, libs + "/safe.so", 0644);
	Install(fSystem, "application/x-vnd.test-group", libs + "/group.so");
	Install(fSystem, "application/x-vnd.test-world", libs + "/world.so");
	Install(fSystem, "application/x-vnd.test-open-folder", open + "/safe.so");
	Install(fSystem, "application/x-vnd.test-missing", libs + "/missing.so");

	// A record in a folder others may write to is no record.
	const std::string openRecords = fRoot + "/open-system/pl-platform/applications";
	ASSERT_EQ(mkdir((fRoot + "/open-system").c_str(), 0755), 0);
	ASSERT_EQ(mkdir((fRoot + "/open-system/pl-platform").c_str(), 0755), 0);
	ASSERT_EQ(mkdir(openRecords.c_str(), 0777), 0);
	ASSERT_EQ(chmod(openRecords.c_str(), 0777), 0);
	Install(openRecords, "application/x-vnd.test-open-record", libs + "/safe.so");
	setenv("XDG_DATA_DIRS", (fRoot + "/system:" + fRoot + "/open-system").c_str(), 1);
	BPrivate::AppRecord record;
	EXPECT_EQ(BPrivate::find_app_record("application/x-vnd.test-open-record", &record),
	          B_NAME_NOT_FOUND);

	const std::string refused[] = {
	    "application/x-vnd.test-nobody",
	    "application/x-vnd.test-group",
	    "application/x-vnd.test-world",
	    "application/x-vnd.test-open-folder",
	    "application/x-vnd.test-missing",
	    "application/x-vnd.test-open-record",
	    // What the archive says is a signature, never a file.
	    libs + "/safe.so",
	    "safe.so",
	    "libregistry_refused.so",
	};
	for (const std::string& name : refused) {
		const char* addOn = name.c_str();
		testing::internal::CaptureStderr();
		EXPECT_EQ(instantiate("RefusedThing", addOn), nullptr) << addOn;
		EXPECT_EQ(instantiate("RefusedThing", addOn), nullptr) << addOn;
		std::string log = testing::internal::GetCapturedStderr();
		EXPECT_EQ(BPrivate::lookup_instantiation_func("RefusedThing"), nullptr) << addOn;
		// Said once, whatever the number of archives.
		size_t lines = std::count(log.begin(), log.end(), '\n');
		EXPECT_EQ(lines, 1u) << addOn << ": " << log;
	}

	// The same library, installed as it should be, does load: the refusals
	// above were for where it was, not for what it is.
	Install(fSystem, "application/x-vnd.test-safe", libs + "/safe.so");
	std::unique_ptr<BArchivable> object(instantiate("RefusedThing", "application/x-vnd.test-safe"));
	EXPECT_NE(object, nullptr);
}
