#ifndef PL_APPLICATION_H
#define PL_APPLICATION_H

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <Application.h>
#include <Entry.h>
#include <Messenger.h>

class PLControlView;
class PLWindowLink;

// The viewer's application: one document window per file, opened from the
// command line and from open requests, with a registry of the open windows
// that cycles between them and quits the application when the last one has
// closed.
//
// Threads. The registry is changed only in the application's thread. Window
// threads read it (the context menu) through GetWindowList() and
// ActiveWindow(), which take fListLock, a leaf lock of the registry's own,
// rather than the application's looper lock: a window thread that waited for
// the looper lock would hang while the about box holds the application's
// thread, and would invert the order in which the application's thread,
// holding its looper lock, reaches windows. Windows are reached only through
// their links (PLWindowLink), so a window that has quit but whose closing
// notice is still queued is never touched; such a window no longer counts:
// indices, cycling and the window list cover the windows that exist.
class PLApplication : public BApplication {
public:
	PLApplication();
	virtual ~PLApplication();

	virtual void MessageReceived(BMessage* message);
	virtual void ReadyToRun();
	virtual void ArgvReceived(int32 argc, char** argv);
	virtual void RefsReceived(BMessage* message);
	// Shows the about text in an alert; the application handles no other
	// message until the user dismisses it.
	virtual void AboutRequested();

	// Shows the file in a new window, or brings the window that already
	// shows it to the front. Files that cannot be shown are skipped silently.
	void OpenWindow(const entry_ref& ref);
	// The window opened for |ref| has closed; quits after the last one.
	void WindowClosed(const entry_ref& ref);
	void NextWindow();
	void PrevWindow();
	// Does nothing unless 0 <= index < the number of windows.
	void ActivateWindow(int index);
	// The index of the first active window; 0 when none is. Any thread.
	int ActiveWindow();
	// Replaces |windows| with messengers to the open windows, in opening
	// order. Any thread. Nothing keeps a window alive once the call returns:
	// lock one through its messenger (LockTargetWithTimeout, which fails
	// cleanly for a window that has gone) before touching it.
	void GetWindowList(std::vector<BMessenger>& windows);

	void InitAboutContents();
	const std::string& AboutContents() const { return fAboutContents; }

private:
	typedef std::shared_ptr<PLWindowLink> Link;

	PLControlView* _CreateView(const entry_ref& ref);
	void _Register(const entry_ref& ref, const Link& link);
	// The windows that have not quit, in opening order.
	std::vector<Link> _LiveWindows() const;
	// Index of the first active window among |windows|, else 0.
	static int _Current(const std::vector<Link>& windows);

	std::map<entry_ref, Link> fWindows; // application thread only
	std::vector<Link> fWindowList;      // written in the application thread
	                                    // under fListLock; read under it
	int32 fWindowCount;                 // application thread only
	std::string fAboutContents;         // fixed after construction
	mutable std::mutex fListLock;
};

#endif
