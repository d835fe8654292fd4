#ifndef _ROSTER_H
#define _ROSTER_H

#include <Entry.h>
#include <OS.h>
#include <StorageDefs.h>

struct app_info {
	app_info();
	~app_info();

	thread_id thread;
	team_id team;
	port_id port;
	uint32 flags;
	entry_ref ref;
	char signature[B_MIME_TYPE_LENGTH];
};

// Launch flags, stored in the application's resources ("BEOS:APP_FLAGS").
#define B_LAUNCH_MASK (0x3)
#define B_SINGLE_LAUNCH (0x0)
#define B_MULTIPLE_LAUNCH (0x1)
#define B_EXCLUSIVE_LAUNCH (0x2)
#define B_BACKGROUND_APP (0x4)
#define B_ARGV_ONLY (0x8)

class BMessage;

// The applications of this user: those installed, and those that have run,
// as the registry of installed applications knows them. Signatures and types
// compare without case. A type names the application that supports it
// ("BEOS:FILE_TYPES"; a supported supertype such as "image" covers
// "image/png"); an application's own signature names that application.
class BRoster {
public:
	BRoster();
	~BRoster();

	// Whether an instance of |signature| runs: for an exclusive one, on this
	// X display; for others, anywhere on this machine as this user.
	bool IsRunning(const char* signature) const;

	// The executable of the application |mimeType| names.
	// B_LAUNCH_FAILED_APP_NOT_FOUND when none does.
	status_t FindApp(const char* mimeType, entry_ref* app) const;
	// The executable of the application that supports the type of |ref|.
	status_t FindApp(const entry_ref* ref, entry_ref* app) const;

	// Starts the application |mimeType| names and gives it |initialMessage|
	// before B_READY_TO_RUN; *appTeam is its process. When it is exclusive
	// and already runs on this display, the running instance gets the
	// message (as it was: dropped messages stay dropped) and the call
	// returns B_ALREADY_RUNNING.
	status_t Launch(const char* mimeType, BMessage* initialMessage = NULL,
	                team_id* appTeam = NULL) const;
	// The same with a command line: |args| become argv[1]... of the new
	// process, or the B_ARGV_RECEIVED of the running one.
	status_t Launch(const char* mimeType, int argc, const char* const* args,
	                team_id* appTeam = NULL) const;
	// Opens |ref| with the application that supports its type: it gets
	// B_REFS_RECEIVED with the file under "refs", after |initialMessage|.
	status_t Launch(const entry_ref* ref, const BMessage* initialMessage = NULL,
	                team_id* appTeam = NULL) const;
};

extern const BRoster* be_roster;

#endif
