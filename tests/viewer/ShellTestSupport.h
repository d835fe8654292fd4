#ifndef TESTS_VIEWER_SHELL_TEST_SUPPORT_H
#define TESTS_VIEWER_SHELL_TEST_SUPPORT_H

// The viewer's application in a thread of its own, as main() runs it, on the
// offscreen display (1024 x 768); sample pictures typed as the tests need.

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <Entry.h>
#include <Messenger.h>
#include <Rect.h>

#include "app/PLApplication.h"
#include "platform/storage/TempDir.h"

class BWindow;

namespace shell_test {

// Copies of the committed samples in a fresh folder.
class SampleDir : public TempDir {
public:
	// Copies samples/<sample> to <leaf>; with a type, stores it as the
	// file's MIME type (the xattr user.mime_type). Returns the path.
	std::string Copy(const std::string& sample, const std::string& leaf,
	                 const char* type = NULL) const;
	// A picture of |width| x |height| pixels, typed image/png.
	std::string Picture(const std::string& leaf, int width, int height) const;
	static void SetType(const std::string& path, const char* type);
	entry_ref Ref(const std::string& leaf) const;
};

// Runs a PLApplication in its own thread: |beforeRun| in that thread before
// Run() (like files given at launch), then the message loop. With
// |stayWithoutWindows| the application does not quit at start when it has no
// window, so that a test can hand it files afterwards.
class AppRunner {
public:
	explicit AppRunner(bool stayWithoutWindows = true,
	                   std::function<void(PLApplication*)> beforeRun = {});
	~AppRunner();

	// NULL once Run() has returned.
	PLApplication* App() const { return fApp; }
	// Runs |work| in the application's thread, between two messages; false
	// when it did not run within the deadline.
	bool InApp(const std::function<void()>& work, bigtime_t timeout = 10000000);
	// Posts |message| to the application and waits until it was handled.
	bool Deliver(BMessage* message);
	// True once Run() has returned (the application quit).
	bool Ended(bigtime_t timeout = 10000000);

	std::vector<BMessenger> Windows();
	// Waits until |window| is the active one and no other window of the
	// application still says it is.
	bool WaitActive(const BMessenger& window, bigtime_t timeout = 5000000);

private:
	std::thread fThread;
	std::atomic<PLApplication*> fApp;
	std::atomic<bool> fEnded;
};

// Under the window's lock; false when the window has gone.
bool with_window(const BMessenger& window, const std::function<void(BWindow*)> work);
BRect window_frame(const BMessenger& window);
std::string window_title(const BMessenger& window);
bool window_is_active(const BMessenger& window);
// Asks the window to close, as its close box does.
void close_window(const BMessenger& window);

// A window outside the application's registry, active in front of the others.
class ForeignWindow {
public:
	ForeignWindow();
	~ForeignWindow();
	BWindow* Window() const { return fWindow; }

private:
	BWindow* fWindow;
};

} // namespace shell_test

#endif
