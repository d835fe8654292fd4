#ifndef _MENU_TRACKER_H
#define _MENU_TRACKER_H

#include <Looper.h>
#include <Messenger.h>
#include <Rect.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

class BMenu;
class BMenuItem;
class BPopUpMenu;
class BWindow;

namespace BPrivate {

class MenuWindow;

enum {
	// Closes the open menus without a choice.
	kMsgCancelTracking = '_MCn',
	// Opens the root menu; the first message a tracker handles.
	kMsgStartTracking = '_MSt'
};

// What a Go() shares with its tracker: the outcome, and whether the tracker
// is done with the menu. Also what a menu being deleted waits for.
struct PopUpTracking : std::enable_shared_from_this<PopUpTracking> {
	// The tracker closed the menus and no longer touches the menu.
	void Finish(BMenuItem* chosen);
	// Blocks until Finish(); the chosen item or NULL. A window calling from
	// its own thread, locked, keeps drawing what becomes due meanwhile.
	BMenuItem* Wait(BWindow* caller = NULL);
	void Cancel();
	// The tracker has begun to close the menus: from then on it only
	// delivers the choice and lets go of the menu, a matter of moments.
	void Closing() { fClosing.store(true); }
	bool IsClosing() const { return fClosing.load(); }
	// Waits at most |timeout| for Finish(); whether it came.
	bool WaitFinished(bigtime_t timeout);

	// The tracking in progress for |menu|, or null.
	static std::shared_ptr<PopUpTracking> Of(BPopUpMenu* menu);
	// Marks |menu| open (false if it already is) or closed.
	static bool Attach(BPopUpMenu* menu, PopUpTracking* tracking);
	static void Detach(BPopUpMenu* menu);

	BMessenger tracker; // fixed once the tracker runs

private:
	std::mutex fLock;
	std::condition_variable fChanged;
	bool fFinished = false;    // guarded by fLock
	BMenuItem* fChosen = NULL; // guarded by fLock
	std::atomic<bool> fClosing{false};
};

// What Go() asked for.
struct TrackingOptions {
	BPoint where; // the root menu's left-top, screen coordinates
	bool openAnyway = false;
	bool hasClickToOpen = false;
	BRect clickToOpen; // screen coordinates
	bool async = false;
	bool deliversMessage = false;
};

// The thread of an open pop-up menu and its submenus. It opens each menu in a
// MenuWindow, holds the pointer grab for them, follows the pointer and keys
// those windows forward to it, and closes them all when the user has chosen
// or given up. Lock order: the tracker locks menu windows; they never wait
// for it (they only post to it), and it never needs any other window.
class MenuTracker : public BLooper {
public:
	// Starts tracking |menu| in a new thread. Null when the menu is open
	// already or no thread could be made.
	static std::shared_ptr<PopUpTracking> Start(BPopUpMenu* menu, const TrackingOptions& options);

	virtual void MessageReceived(BMessage* message);

private:
	struct OpenMenu {
		BMenu* menu;
		MenuWindow* window;
		BRect frame; // screen coordinates
		bool byKeyboard;
	};

	MenuTracker(BPopUpMenu* menu, const TrackingOptions& options,
	            std::shared_ptr<PopUpTracking> tracking);

	void _Start();
	bool _OpenMenu(BMenu* menu, BRect frame, bool byKeyboard);
	void _OpenSubmenu(int32 level, bool byKeyboard);
	void _CloseMenusAbove(int32 level);
	void _Finish(BMenuItem* chosen);

	void _MouseDown(BPoint where);
	void _MouseUp(BPoint where);
	void _MouseMoved(BPoint where);
	void _KeyDown(const char* bytes);

	// The deepest open menu under |where| (-1: none) and its item there.
	int32 _HitTest(BPoint where, BMenuItem** item) const;
	void _Select(int32 level, BMenuItem* item);
	void _SelectNext(int32 level, int32 direction);
	BMenuItem* _Selected(int32 level) const;
	static bool _Choosable(BMenuItem* item);

	BRect _ScreenFrame() const;
	BRect _RootFrame(BPoint size) const;
	BRect _SubmenuFrame(int32 level, BMenuItem* superitem, BPoint size) const;

	// Fixed.
	BPopUpMenu* fRoot;
	TrackingOptions fOptions;
	std::shared_ptr<PopUpTracking> fTracking;

	// Tracker thread only.
	std::vector<OpenMenu> fOpen; // root first
	BPoint fOpenedAt;            // the pointer when the root opened
	uint32 fButtonsAtOpen;       // held since before the menu opened
	bool fMovedAway;             // the pointer left the spot where the menu opened
	bool fReleased;              // a button went up since the menu opened
	bool fGrabbed;
	bool fDone;
};

} // namespace BPrivate

#endif
