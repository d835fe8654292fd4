#ifndef _APPLICATION_H
#define _APPLICATION_H

#include <AppDefs.h>
#include <Looper.h>
#include <Messenger.h>

struct app_info;
class BWindow;
namespace BPrivate {
class LaunchEndpoint;
}

// The application object: a looper whose loop runs in the thread that calls
// Run(). The constructor posts B_ARGV_RECEIVED (only with arguments) and
// B_READY_TO_RUN, which Run() then handles.
class BApplication : public BLooper {
public:
	BApplication(const char* signature);
	BApplication(const char* signature, status_t* error);
	virtual ~BApplication();

	status_t InitCheck() const;

	// Loops in the calling thread until Quit(); returns that thread's id.
	virtual thread_id Run();
	// Never deletes the application. In the application's thread the loop
	// ends after the current message; from another thread, after the
	// messages queued before.
	virtual void Quit();
	// Asks each window's QuitRequested() (the application unlocked
	// meanwhile); if all agree, quits every window and returns true.
	virtual bool QuitRequested();

	virtual void ReadyToRun();
	virtual void ArgvReceived(int32 argc, char** argv);
	virtual void RefsReceived(BMessage* message);
	virtual void AboutRequested();

	virtual void MessageReceived(BMessage* message);
	// Handles the application's own messages before MessageReceived.
	virtual void DispatchMessage(BMessage* message, BHandler* handler);

	BWindow* WindowAt(int32 index) const;
	int32 CountWindows() const;

	status_t GetAppInfo(app_info* info) const;
	bool IsLaunching() const;

	// Hides the pointer until the mouse next moves (defined by the interface
	// kit, which owns the display).
	void ObscureCursor();

private:
	BApplication(const BApplication&) = delete;
	BApplication& operator=(const BApplication&) = delete;

	void _Init(const char* signature, status_t* error);
	void _HandleArgv(BMessage* message);
	bool _QuitAllWindows(bool force);

	char* fSignature;
	status_t fInitError;
	uint32 fAppFlags;       // from the executable's resources; fixed after _Init
	bool fReadyToRunCalled; // application thread
	bool fQuitBeforeRun;
	// Where later launches reach this one, when it was launched exclusively.
	BPrivate::LaunchEndpoint* fLaunchEndpoint;
};

extern BApplication* be_app;
extern BMessenger be_app_messenger;

#endif
