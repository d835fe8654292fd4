#include <Roster.h>

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include <AppDefs.h>
#include <File.h>
#include <Message.h>
#include <NodeInfo.h>
#include <OS.h>

#include "app/ApplicationPrivate.h"
#include "app/ExclusiveLaunch.h"
#include "app/LaunchAddress.h"
#include "app/LaunchHandoff.h"
#include "app/LaunchSpawn.h"
#include "storage/AppRegistry.h"
#include "storage/EntryRefPath.h"

app_info::app_info() : thread(-1), team(-1), port(-1), flags(0)
{
	memset(signature, 0, sizeof(signature));
}

app_info::~app_info() {}

namespace {

// How long a launch waits for an exclusive instance that holds its lock but
// does not listen yet (it is starting) before it gives up.
const bigtime_t kStartingTimeout = 3000000;

bool is_exclusive(const BPrivate::AppRecord& record)
{
	return (record.flags & B_LAUNCH_MASK) == B_EXCLUSIVE_LAUNCH;
}

// An application's signature names it; any other type, the application
// that supports it.
status_t resolve_app(const char* mimeType, BPrivate::AppRecord* record)
{
	if (!BPrivate::is_valid_mime_type(mimeType))
		return B_BAD_VALUE;
	// An application that takes the whole "application" supertype must not
	// stand in for every signature that is not installed.
	const bool bySupertype = strncasecmp(mimeType, "application/", 12) != 0;
	if (BPrivate::find_app_record(mimeType, record) == B_OK ||
	    BPrivate::find_app_record_for_type(mimeType, record, bySupertype) == B_OK)
		return B_OK;
	return B_LAUNCH_FAILED_APP_NOT_FOUND;
}

status_t resolve_app_for_ref(const entry_ref* ref, BPrivate::AppRecord* record)
{
	if (ref == NULL)
		return B_BAD_VALUE;
	BFile file(ref, B_READ_ONLY);
	status_t status = file.InitCheck();
	if (status != B_OK)
		return status;
	BNodeInfo info(&file);
	char type[B_MIME_TYPE_LENGTH];
	status = info.InitCheck() == B_OK ? info.GetType(type) : info.InitCheck();
	if (status != B_OK)
		return B_LAUNCH_FAILED_NO_PREFERRED_APP;
	status = resolve_app(type, record);
	return status == B_LAUNCH_FAILED_APP_NOT_FOUND ? B_LAUNCH_FAILED_NO_PREFERRED_APP : status;
}

// Whether the instance of an exclusive application holds its lock on this
// display, without taking the lock from it.
bool holds_launch_lock(const BPrivate::LaunchAddress& address)
{
	int fd = open(address.lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
	if (fd < 0)
		return false;
	bool held = flock(fd, LOCK_SH | LOCK_NB) != 0;
	close(fd);
	return held;
}

// A process of this user running |executable|, found in /proc.
bool runs_executable(const std::string& executable)
{
	std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), closedir);
	if (proc == nullptr)
		return false;
	const std::string self = std::to_string(getpid());
	while (dirent* entry = readdir(proc.get())) {
		if (entry->d_name[0] < '0' || entry->d_name[0] > '9' || self == entry->d_name)
			continue;
		std::string folder = std::string("/proc/") + entry->d_name;
		struct stat owner;
		if (stat(folder.c_str(), &owner) != 0 || owner.st_uid != getuid())
			continue;
		std::string link = folder + "/exe";
		char target[PATH_MAX];
		ssize_t length = readlink(link.c_str(), target, sizeof(target) - 1);
		if (length <= 0)
			continue;
		target[length] = '\0';
		if (executable == target)
			return true;
	}
	return false;
}

// Hands |messages| to the running instance at |address|: B_OK when it took
// them all, B_ENTRY_NOT_FOUND when none runs there (any more).
status_t hand_over(const BPrivate::LaunchAddress& address,
                   const std::vector<const BMessage*>& messages)
{
	const bigtime_t deadline = system_time() + kStartingTimeout;
	size_t next = 0;
	while (next < messages.size()) {
		status_t status = BPrivate::hand_over_launch(address, *messages[next],
		                                             BPrivate::kHandOverTimeout);
		if (status == B_OK) {
			next++;
			continue;
		}
		// Starting: it holds the lock and listens soon.
		if (status != B_ENTRY_NOT_FOUND || !holds_launch_lock(address))
			return status;
		if (system_time() >= deadline)
			return B_TIMED_OUT;
		snooze(20000);
	}
	return B_OK;
}

status_t launch(const BPrivate::AppRecord& record, const std::vector<std::string>& arguments,
                const std::vector<const BMessage*>& messages, team_id* team)
{
	if (team != NULL)
		*team = -1;
	if (is_exclusive(record)) {
		BPrivate::LaunchAddress address;
		if (BPrivate::launch_address(record.signature.c_str(), getenv("DISPLAY"), &address) ==
		        B_OK &&
		    holds_launch_lock(address)) {
			std::vector<const BMessage*> all = messages;
			BMessage argv;
			if (!arguments.empty()) {
				std::vector<std::string> command = {record.executable};
				command.insert(command.end(), arguments.begin(), arguments.end());
				char cwd[PATH_MAX];
				status_t status = BPrivate::build_argv_message(
				    command, getcwd(cwd, sizeof(cwd)) != NULL ? cwd : "/", &argv);
				if (status != B_OK)
					return status;
				all.insert(all.begin(), &argv);
			}
			status_t status = hand_over(address, all);
			if (status == B_OK)
				return B_ALREADY_RUNNING;
			// It ended meanwhile: start it again. Otherwise it would not
			// take the launch, and a second instance must not start.
			if (status != B_ENTRY_NOT_FOUND)
				return B_LAUNCH_FAILED;
		}
	}
	pid_t pid = -1;
	status_t status = BPrivate::spawn_application(record.executable, arguments, messages, &pid);
	if (status != B_OK)
		return status;
	if (team != NULL)
		*team = pid;
	return B_OK;
}

} // namespace

static const BRoster sRoster;
const BRoster* be_roster = &sRoster;

BRoster::BRoster() {}

BRoster::~BRoster() {}

bool BRoster::IsRunning(const char* signature) const
{
	BPrivate::AppRecord record;
	if (!BPrivate::is_valid_mime_type(signature) ||
	    BPrivate::find_app_record(signature, &record) != B_OK)
		return false;
	if (is_exclusive(record)) {
		BPrivate::LaunchAddress address;
		return BPrivate::launch_address(signature, getenv("DISPLAY"), &address) == B_OK &&
		       holds_launch_lock(address);
	}
	return runs_executable(record.executable);
}

status_t BRoster::FindApp(const char* mimeType, entry_ref* app) const
{
	if (app == NULL)
		return B_BAD_VALUE;
	BPrivate::AppRecord record;
	status_t status = resolve_app(mimeType, &record);
	if (status != B_OK)
		return status;
	return BPrivate::ref_for_path(record.executable.c_str(), app);
}

status_t BRoster::FindApp(const entry_ref* ref, entry_ref* app) const
{
	if (app == NULL)
		return B_BAD_VALUE;
	BPrivate::AppRecord record;
	status_t status = resolve_app_for_ref(ref, &record);
	if (status != B_OK)
		return status;
	return BPrivate::ref_for_path(record.executable.c_str(), app);
}

status_t BRoster::Launch(const char* mimeType, BMessage* initialMessage, team_id* appTeam) const
{
	BPrivate::AppRecord record;
	status_t status = resolve_app(mimeType, &record);
	if (status != B_OK)
		return status;
	std::vector<const BMessage*> messages;
	if (initialMessage != NULL)
		messages.push_back(initialMessage);
	return launch(record, {}, messages, appTeam);
}

status_t BRoster::Launch(const char* mimeType, int argc, const char* const* args,
                         team_id* appTeam) const
{
	if (argc < 0 || (argc > 0 && args == NULL))
		return B_BAD_VALUE;
	BPrivate::AppRecord record;
	status_t status = resolve_app(mimeType, &record);
	if (status != B_OK)
		return status;
	std::vector<std::string> arguments;
	for (int i = 0; i < argc; i++) {
		if (args[i] == NULL)
			return B_BAD_VALUE;
		arguments.push_back(args[i]);
	}
	return launch(record, arguments, {}, appTeam);
}

status_t BRoster::Launch(const entry_ref* ref, const BMessage* initialMessage,
                         team_id* appTeam) const
{
	BPrivate::AppRecord record;
	status_t status = resolve_app_for_ref(ref, &record);
	if (status != B_OK)
		return status;
	BMessage refs(B_REFS_RECEIVED);
	status = refs.AddRef("refs", ref);
	if (status != B_OK)
		return status;
	std::vector<const BMessage*> messages;
	if (initialMessage != NULL)
		messages.push_back(initialMessage);
	messages.push_back(&refs);
	return launch(record, {}, messages, appTeam);
}
