#include <Application.h>

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

#include <AppFileInfo.h>
#include <File.h>
#include <Message.h>
#include <Roster.h>

#include "app/ApplicationPrivate.h"
#include "app/ExclusiveLaunch.h"
#include "app/LaunchEndpoint.h"
#include "app/LaunchSpawn.h"
#include "app/LooperPrivate.h"
#include "display/DisplayBackend.h"
#include "storage/AppRegistry.h"
#include "storage/EntryRefPath.h"
#include "storage/MimeSniffer.h"

BApplication* be_app = NULL;
BMessenger be_app_messenger;

// A signature is a MIME type of the "application" supertype.
// The display went away under the running program (the X server ended or
// the connection broke). Its windows cannot be shown again, and an orderly
// quit would have each window thread fail its way through a dead connection
// while static destructors run beside them; the program ends at once, on the
// display's event thread, with a status that says it failed.
static void end_without_display()
{
	fprintf(stderr, "%s: ending without a display\n", program_invocation_short_name);
	_exit(1);
}

static bool is_valid_signature(const char* signature)
{
	static const char kSupertype[] = "application/";
	if (signature == NULL || strncasecmp(signature, kSupertype, sizeof(kSupertype) - 1) != 0)
		return false;
	size_t length = strlen(signature);
	if (length == sizeof(kSupertype) - 1 || length >= B_MIME_TYPE_LENGTH)
		return false;
	for (const char* c = signature; *c != '\0'; c++) {
		if (*c <= ' ' || *c >= 127 || strchr("()<>@,;:\\\"[]?=", *c) != NULL)
			return false;
	}
	return strchr(signature + sizeof(kSupertype) - 1, '/') == NULL;
}

static bool executable_path(char (&path)[PATH_MAX])
{
	ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
	if (length <= 0)
		return false;
	path[length] = '\0';
	return true;
}

static status_t executable_ref(entry_ref* ref)
{
	char path[PATH_MAX];
	if (!executable_path(path))
		return B_ENTRY_NOT_FOUND;
	return BPrivate::ref_for_path(path, ref);
}

BApplication::BApplication(const char* signature)
    : BLooper("application"), fSignature(NULL), fInitError(B_NO_INIT), fAppFlags(B_MULTIPLE_LAUNCH),
      fReadyToRunCalled(false), fQuitBeforeRun(false), fLaunchEndpoint(NULL)
{
	_Init(signature, NULL);
}

BApplication::BApplication(const char* signature, status_t* error)
    : BLooper("application"), fSignature(NULL), fInitError(B_NO_INIT), fAppFlags(B_MULTIPLE_LAUNCH),
      fReadyToRunCalled(false), fQuitBeforeRun(false), fLaunchEndpoint(NULL)
{
	_Init(signature, error);
}

void BApplication::_Init(const char* signature, status_t* error)
{
	fSignature = strdup(signature != NULL ? signature : "");
	if (be_app != NULL)
		fInitError = B_ALREADY_RUNNING;
	else if (!is_valid_signature(signature))
		fInitError = B_BAD_VALUE;
	else
		fInitError = B_OK;
	if (error != NULL)
		*error = fInitError;
	if (fInitError != B_OK)
		return;

	// Without a flags resource an application may be launched many times, as
	// the Be roster assumes.
	entry_ref executable;
	if (executable_ref(&executable) == B_OK) {
		BFile file(&executable, B_READ_ONLY);
		BAppFileInfo appInfo(&file);
		uint32 flags;
		if (appInfo.InitCheck() == B_OK && appInfo.GetAppFlags(&flags) == B_OK)
			fAppFlags = flags;
	}

	std::vector<std::string> arguments;
	BMessage argv;
	bool hasArguments = false;
	if (BPrivate::read_command_line(&arguments) == B_OK && arguments.size() > 1) {
		char cwd[PATH_MAX];
		hasArguments =
		    BPrivate::build_argv_message(arguments, getcwd(cwd, sizeof(cwd)), &argv) == B_OK;
	}

	// What the roster started this process with comes after its arguments.
	char path[PATH_MAX];
	std::vector<BMessage> initial;
	if (executable_path(path))
		BPrivate::take_initial_messages(path, &initial);

	if ((fAppFlags & B_LAUNCH_MASK) == B_EXCLUSIVE_LAUNCH) {
		std::vector<const BMessage*> launch;
		if (hasArguments)
			launch.push_back(&argv);
		for (const BMessage& message : initial)
			launch.push_back(&message);
		bool handedOver = false;
		fLaunchEndpoint =
		    BPrivate::claim_exclusive_launch(signature, getenv("DISPLAY"), launch, &handedOver);
		// The running instance has the files now; this launch ends here, as
		// it does on the Be roster, and never reaches Run().
		if (handedOver)
			exit(0);
	}
	// The files it was given are about to be sniffed for their types.
	if (hasArguments || !initial.empty())
		BPrivate::prepare_mime_sniffer();

	// An application is its windows: without a display (an X server that
	// cannot be reached) it would run on with nothing to show. It ends, as
	// BApplication ends without its server when nobody asked for the error.
	if (BPrivate::display_backend() == NULL) {
		fInitError = B_ERROR;
		delete fLaunchEndpoint;
		fLaunchEndpoint = NULL;
		if (error != NULL) {
			*error = fInitError;
			return;
		}
		fprintf(stderr,
		        "%s: no display to show windows on (PL_DISPLAY_BACKEND=offscreen runs "
		        "without one)\n",
		        program_invocation_short_name);
		exit(1);
	}
	BPrivate::set_display_lost_hook(end_without_display);

	be_app = this;
	be_app_messenger = BMessenger(NULL, this);
	BPrivate::set_default_reply_port(BPrivate::LooperAccess::Record(this)->id);
	fThread = find_thread(NULL);
	BPrivate::LooperAccess::Record(this)->thread = fThread;

	if (hasArguments)
		PostMessage(&argv);
	for (BMessage& message : initial)
		PostMessage(&message);
	PostMessage(B_READY_TO_RUN);
	BPrivate::record_running_application(signature, fAppFlags);

	// Later launches are taken only now, so that this launch's own arguments
	// come first.
	if (fLaunchEndpoint != NULL &&
	    (!executable_path(path) || fLaunchEndpoint->Start(be_app_messenger, path) != B_OK)) {
		delete fLaunchEndpoint;
		fLaunchEndpoint = NULL;
	}
}

BApplication::~BApplication()
{
	if (be_app == this) {
		BPrivate::set_display_lost_hook(NULL);
		// Later launches find no instance from here on.
		delete fLaunchEndpoint;
		fLaunchEndpoint = NULL;
		Lock();
		_QuitAllWindows(true);
		be_app = NULL;
		be_app_messenger = BMessenger();
		BPrivate::set_default_reply_port(-1);
	}
	free(fSignature);
}

status_t BApplication::InitCheck() const
{
	return fInitError;
}

thread_id BApplication::Run()
{
	if (fInitError != B_OK)
		return fInitError;
	if (fRunCalled)
		return B_ALREADY_RUNNING;
	fThread = find_thread(NULL);
	BPrivate::LooperAccess::Record(this)->thread = fThread;
	fRunCalled = true;
	if (fQuitBeforeRun) {
		if (IsLocked())
			Unlock();
		return fThread;
	}
	_Loop();
	return fThread;
}

void BApplication::Quit()
{
	bool locked = false;
	if (!IsLocked()) {
		if (!Lock())
			return;
		locked = true;
	}
	if (!fRunCalled) {
		fQuitBeforeRun = true;
	} else if (find_thread(NULL) == fThread) {
		fStopping = true;
	} else {
		// Ends the loop in the application's thread, after what was queued.
		BMessage quit(BPrivate::kQuitMessage);
		BPrivate::deliver(BPrivate::LooperAccess::Record(this)->id,
		                  BPrivate::LooperAccess::Token(this), &quit, -1, BPrivate::kNullToken);
	}
	if (locked)
		Unlock();
}

bool BApplication::QuitRequested()
{
	return _QuitAllWindows(false);
}

bool BApplication::_QuitAllWindows(bool force)
{
	// A window may need the application's lock to finish what it is doing.
	int32 lockCount;
	_UnlockFully(&lockCount);

	std::vector<BPrivate::WindowEntry> windows = BPrivate::window_list();
	bool agreed = true;
	if (!force) {
		for (const BPrivate::WindowEntry& entry : windows) {
			// A window may have gone since the list was copied.
			if (BPrivate::lock_looper(entry.looper, B_INFINITE_TIMEOUT) != B_OK)
				continue;
			bool quit = entry.looper->QuitRequested();
			entry.looper->Unlock();
			if (!quit) {
				agreed = false;
				break;
			}
		}
	}
	if (agreed) {
		for (const BPrivate::WindowEntry& entry : windows) {
			if (BPrivate::lock_looper(entry.looper, B_INFINITE_TIMEOUT) == B_OK)
				entry.looper->Quit();
		}
	}

	_RelockFully(lockCount);
	return agreed;
}

void BApplication::ReadyToRun() {}

void BApplication::ArgvReceived(int32, char**) {}

void BApplication::RefsReceived(BMessage*) {}

void BApplication::AboutRequested() {}

void BApplication::MessageReceived(BMessage* message)
{
	BLooper::MessageReceived(message);
}

void BApplication::DispatchMessage(BMessage* message, BHandler* handler)
{
	if (handler != this) {
		BLooper::DispatchMessage(message, handler);
		return;
	}
	switch (message->what) {
		case B_ARGV_RECEIVED:
			_HandleArgv(message);
			break;
		case B_REFS_RECEIVED:
			RefsReceived(message);
			break;
		case B_READY_TO_RUN:
			if (!fReadyToRunCalled) {
				fReadyToRunCalled = true;
				ReadyToRun();
			}
			break;
		case B_ABOUT_REQUESTED:
			AboutRequested();
			break;
		case B_QUIT_REQUESTED:
			if (QuitRequested())
				Quit();
			break;
		default:
			BLooper::DispatchMessage(message, handler);
			break;
	}
}

void BApplication::_HandleArgv(BMessage* message)
{
	int32 argc = 0;
	if (message->FindInt32("argc", &argc) != B_OK || argc <= 0)
		return;
	// Never trust "argc" beyond the strings that are really there.
	std::vector<char*> argv;
	const char* argument;
	for (int32 i = 0; i < argc && message->FindString("argv", i, &argument) == B_OK; i++)
		argv.push_back(strdup(argument));
	if (!argv.empty()) {
		const int32 count = (int32) argv.size();
		argv.push_back(NULL);
		ArgvReceived(count, argv.data());
	}
	for (char* copy : argv)
		free(copy);
}

BWindow* BApplication::WindowAt(int32 index) const
{
	std::vector<BPrivate::WindowEntry> windows = BPrivate::window_list();
	if (index < 0 || (size_t) index >= windows.size())
		return NULL;
	return windows[index].window;
}

int32 BApplication::CountWindows() const
{
	return (int32) BPrivate::window_list().size();
}

status_t BApplication::GetAppInfo(app_info* info) const
{
	if (info == NULL)
		return B_BAD_VALUE;
	if (fInitError != B_OK)
		return fInitError;
	info->thread = fThread;
	info->team = getpid();
	info->port = BPrivate::LooperAccess::Record(this)->id;
	info->flags = fAppFlags;
	strncpy(info->signature, fSignature, sizeof(info->signature) - 1);
	info->signature[sizeof(info->signature) - 1] = '\0';
	return executable_ref(&info->ref);
}

bool BApplication::IsLaunching() const
{
	return !fReadyToRunCalled;
}
