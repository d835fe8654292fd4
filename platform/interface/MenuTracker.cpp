// The tracking of an open pop-up menu: its windows, the pointer grab, the
// user's pointer and keys, and the choice.

#include "interface/MenuTracker.h"

#include <AppDefs.h>
#include <InterfaceDefs.h>
#include <Menu.h>
#include <MenuItem.h>
#include <Message.h>
#include <OS.h>
#include <PopUpMenu.h>
#include <Window.h>

#include <math.h>

#include "display/DisplayBackend.h"
#include "interface/MenuPrivate.h"
#include "interface/MenuWindow.h"
#include "interface/WindowPrivate.h"

namespace BPrivate {

// The pointer may wander this far (pixels) from where the menu opened and
// still count as the click that opened it.
static const float kClickSlop = 3.0f;
// A grab can fail while the server has not yet made the new window viewable.
static const int32 kGrabAttempts = 20;
static const bigtime_t kGrabRetryDelay = 10000;
// How often a window waiting in a synchronous Go() draws what is due.
static const bigtime_t kCallerUpdateInterval = 50000;

// Guards every BPopUpMenu::fTracking.
static std::mutex sTrackingLock;

// #pragma mark - PopUpTracking

void PopUpTracking::Finish(BMenuItem* chosen)
{
	std::lock_guard<std::mutex> guard(fLock);
	fFinished = true;
	fChosen = chosen;
	fChanged.notify_all();
}

BMenuItem* PopUpTracking::Wait(BWindow* caller)
{
	std::unique_lock<std::mutex> guard(fLock);
	while (!fFinished) {
		if (caller == NULL) {
			fChanged.wait(guard);
			continue;
		}
		guard.unlock();
		caller->UpdateIfNeeded();
		guard.lock();
		fChanged.wait_for(guard, std::chrono::microseconds(kCallerUpdateInterval),
		                  [this] { return fFinished; });
	}
	return fChosen;
}

bool PopUpTracking::WaitFinished(bigtime_t timeout)
{
	std::unique_lock<std::mutex> guard(fLock);
	return fChanged.wait_for(guard, std::chrono::microseconds(timeout),
	                         [this] { return fFinished; });
}

void PopUpTracking::Cancel()
{
	BMessage cancel(kMsgCancelTracking);
	tracker.SendMessage(&cancel);
}

std::shared_ptr<PopUpTracking> PopUpTracking::Of(BPopUpMenu* menu)
{
	std::lock_guard<std::mutex> guard(sTrackingLock);
	if (menu->fTracking == NULL)
		return nullptr;
	return menu->fTracking->shared_from_this();
}

bool PopUpTracking::Attach(BPopUpMenu* menu, PopUpTracking* tracking)
{
	std::lock_guard<std::mutex> guard(sTrackingLock);
	if (menu->fTracking != NULL)
		return false;
	menu->fTracking = tracking;
	return true;
}

void PopUpTracking::Detach(BPopUpMenu* menu)
{
	std::lock_guard<std::mutex> guard(sTrackingLock);
	menu->fTracking = NULL;
}

// #pragma mark - MenuTracker

std::shared_ptr<PopUpTracking> MenuTracker::Start(BPopUpMenu* menu, const TrackingOptions& options)
{
	// A menu shown somewhere else (a submenu that is open) cannot open twice.
	if (menu == NULL || menu->Window() != NULL)
		return nullptr;
	auto tracking = std::make_shared<PopUpTracking>();
	MenuTracker* tracker = new MenuTracker(menu, options, tracking);
	tracking->tracker = BMessenger(tracker);
	if (!PopUpTracking::Attach(menu, tracking.get())) {
		tracker->Quit();
		return nullptr;
	}
	tracker->PostMessage(kMsgStartTracking);
	if (tracker->Run() < B_OK) {
		PopUpTracking::Detach(menu);
		tracker->Quit();
		return nullptr;
	}
	return tracking;
}

MenuTracker::MenuTracker(BPopUpMenu* menu, const TrackingOptions& options,
                         std::shared_ptr<PopUpTracking> tracking)
    : BLooper("menu tracker", B_DISPLAY_PRIORITY), fRoot(menu), fOptions(options),
      fTracking(tracking), fButtonsAtOpen(0), fMovedAway(false), fReleased(false), fGrabbed(false),
      fDone(false)
{
}

void MenuTracker::MessageReceived(BMessage* message)
{
	if (fDone)
		return;
	BPoint where;
	switch (message->what) {
		case kMsgStartTracking:
			_Start();
			break;
		case kMsgCancelTracking:
			_Finish(NULL);
			break;
		case B_MOUSE_DOWN:
			if (message->FindPoint("screen_where", &where) == B_OK)
				_MouseDown(where);
			break;
		case B_MOUSE_UP:
			// Only when the last button is up.
			if (message->GetInt32("buttons", 0) == 0 &&
			    message->FindPoint("screen_where", &where) == B_OK)
				_MouseUp(where);
			break;
		case B_MOUSE_MOVED:
			if (message->FindPoint("screen_where", &where) == B_OK)
				_MouseMoved(where);
			break;
		case B_KEY_DOWN: {
			const char* bytes = NULL;
			if (message->FindString("bytes", &bytes) == B_OK)
				_KeyDown(bytes);
			break;
		}
		default:
			BLooper::MessageReceived(message);
			return;
	}
	if (fDone)
		Quit();
}

void MenuTracker::_Start()
{
	DisplayBackend* backend = display_backend();
	if (backend != NULL)
		backend->GetPointer(&fOpenedAt, &fButtonsAtOpen, NULL);

	if (!MenuAccess::AddDynamicItems(fRoot, [] { return true; }) || fRoot->CountItems() == 0) {
		_Finish(NULL);
		return;
	}
	BPoint size = MenuAccess::Layout(fRoot);
	if (!_OpenMenu(fRoot, _RootFrame(size), false)) {
		_Finish(NULL);
		return;
	}

	// Every pointer event and key now comes to the root menu's window,
	// wherever the pointer is, until the menus close.
	DisplaySurface* surface = WindowAccess::Surface(fOpen[0].window);
	if (backend == NULL || surface == NULL)
		return;
	for (int32 attempt = 0; attempt < kGrabAttempts && !fGrabbed; attempt++) {
		if (backend->GrabPointer(surface, true) == B_OK)
			fGrabbed = true;
		else
			snooze(kGrabRetryDelay);
	}
}

bool MenuTracker::_OpenMenu(BMenu* menu, BRect frame, bool byKeyboard)
{
	MenuWindow* window = new MenuWindow(frame, menu, BMessenger(this));
	fOpen.push_back(OpenMenu{menu, window, frame, byKeyboard});
	window->Show();
	return true;
}

void MenuTracker::_OpenSubmenu(int32 level, bool byKeyboard)
{
	BMenuItem* superitem = _Selected(level);
	if (superitem == NULL || superitem->Submenu() == NULL || !superitem->IsEnabled())
		return;
	BMenu* submenu = superitem->Submenu();
	if (level + 1 < (int32) fOpen.size() && fOpen[level + 1].menu == submenu)
		return;
	_CloseMenusAbove(level);
	if (submenu->Window() != NULL)
		return;

	// The user gives up on the submenu by leaving its item before it opened.
	BRect itemFrame = superitem->Frame().OffsetByCopy(fOpen[level].frame.LeftTop());
	auto stillWanted = [byKeyboard, itemFrame] {
		DisplayBackend* backend = display_backend();
		if (byKeyboard || backend == NULL)
			return true;
		BPoint pointer;
		backend->GetPointer(&pointer, NULL, NULL);
		return itemFrame.Contains(pointer);
	};
	if (!MenuAccess::AddDynamicItems(submenu, stillWanted) || submenu->CountItems() == 0)
		return;
	BPoint size = MenuAccess::Layout(submenu);
	_OpenMenu(submenu, _SubmenuFrame(level, superitem, size), byKeyboard);
}

void MenuTracker::_CloseMenusAbove(int32 level)
{
	while ((int32) fOpen.size() > level + 1) {
		OpenMenu open = fOpen.back();
		fOpen.pop_back();
		// Locking fails only when the window is gone already (an application
		// quitting closes it), and then it took the menu out itself.
		if (open.window->Lock()) {
			MenuAccess::Select(open.menu, NULL);
			open.window->RemoveChild(open.menu);
			open.window->Quit();
		}
	}
}

void MenuTracker::_Finish(BMenuItem* chosen)
{
	if (fDone)
		return;
	fDone = true;
	fTracking->Closing();
	if (fGrabbed) {
		if (DisplayBackend* backend = display_backend())
			backend->UngrabPointer();
		fGrabbed = false;
	}
	_CloseMenusAbove(-1);

	// An asynchronous menu delivers its choice itself, while it still counts
	// as open, so that deleting it waits for the delivery.
	if (chosen != NULL && fOptions.async)
		chosen->Invoke();
	bool destroy = fOptions.async && fRoot->AsyncAutoDestruct();
	PopUpTracking::Detach(fRoot);
	// From here on the menu may be deleted by whoever owns it.
	fTracking->Finish(chosen);
	if (destroy)
		delete fRoot;
	fRoot = NULL;
}

// #pragma mark - pointer

void MenuTracker::_MouseDown(BPoint where)
{
	// A new press: the button that opened the menu is no longer held.
	fButtonsAtOpen = 0;
	BMenuItem* item = NULL;
	if (_HitTest(where, &item) < 0) {
		_Finish(NULL);
		return;
	}
	_MouseMoved(where);
}

void MenuTracker::_MouseUp(BPoint where)
{
	bool openingClick = !fReleased && fButtonsAtOpen != 0;
	fReleased = true;
	// The release of the click that opened the menu, where it opened: the
	// menu stays open for another click.
	if (openingClick && !fMovedAway)
		return;
	if (openingClick && fOptions.hasClickToOpen && fOptions.clickToOpen.Contains(where))
		return;

	BMenuItem* item = NULL;
	int32 level = _HitTest(where, &item);
	if (level >= 0) {
		if (_Choosable(item) && item->Submenu() == NULL)
			_Finish(item);
		// Over the menus but nothing to choose: they stay open.
		return;
	}
	if (openingClick && fOptions.openAnyway)
		return;
	_Finish(NULL);
}

void MenuTracker::_MouseMoved(BPoint where)
{
	if (fOpen.empty())
		return;
	if (!fMovedAway &&
	    (fabsf(where.x - fOpenedAt.x) > kClickSlop || fabsf(where.y - fOpenedAt.y) > kClickSlop))
		fMovedAway = true;

	BMenuItem* item = NULL;
	int32 level = _HitTest(where, &item);
	if (level < 0) {
		// Outside: the deepest menu shows no selection (its parents keep
		// theirs, which lead to it).
		_Select((int32) fOpen.size() - 1, NULL);
		return;
	}
	if (item != NULL && item == _Selected(level) && level + 1 < (int32) fOpen.size() &&
	    fOpen[level + 1].menu == item->Submenu()) {
		_CloseMenusAbove(level + 1);
		_Select(level + 1, NULL);
		return;
	}
	_CloseMenusAbove(level);
	_Select(level, _Choosable(item) ? item : NULL);
	if (item != NULL && _Choosable(item) && item->Submenu() != NULL)
		_OpenSubmenu(level, false);
}

int32 MenuTracker::_HitTest(BPoint where, BMenuItem** item) const
{
	for (int32 level = (int32) fOpen.size() - 1; level >= 0; level--) {
		const OpenMenu& open = fOpen[level];
		if (!open.frame.Contains(where))
			continue;
		*item = MenuAccess::ItemAt(open.menu, where - open.frame.LeftTop());
		return level;
	}
	*item = NULL;
	return -1;
}

// #pragma mark - keys

void MenuTracker::_KeyDown(const char* bytes)
{
	if (fOpen.empty() || bytes == NULL)
		return;
	int32 level = (int32) fOpen.size() - 1;
	BMenuItem* selected = _Selected(level);
	switch (bytes[0]) {
		case B_UP_ARROW:
			_SelectNext(level, -1);
			break;
		case B_DOWN_ARROW:
			_SelectNext(level, 1);
			break;
		case B_LEFT_ARROW:
			if (level > 0)
				_CloseMenusAbove(level - 1);
			break;
		case B_RIGHT_ARROW:
			if (selected != NULL && selected->Submenu() != NULL) {
				_OpenSubmenu(level, true);
				if ((int32) fOpen.size() > level + 1)
					_SelectNext(level + 1, 1);
			}
			break;
		case B_ENTER:
		case B_SPACE:
			if (selected == NULL)
				break;
			if (selected->Submenu() != NULL) {
				_OpenSubmenu(level, true);
				if ((int32) fOpen.size() > level + 1)
					_SelectNext(level + 1, 1);
			} else
				_Finish(selected);
			break;
		case B_ESCAPE:
			_Finish(NULL);
			break;
		default:
			break;
	}
}

// #pragma mark - selection

bool MenuTracker::_Choosable(BMenuItem* item)
{
	return item != NULL && item->IsEnabled() && !MenuAccess::IsSeparator(item);
}

BMenuItem* MenuTracker::_Selected(int32 level) const
{
	if (level < 0 || level >= (int32) fOpen.size())
		return NULL;
	return MenuAccess::Selected(fOpen[level].menu);
}

void MenuTracker::_Select(int32 level, BMenuItem* item)
{
	if (level < 0 || level >= (int32) fOpen.size())
		return;
	OpenMenu& open = fOpen[level];
	if (MenuAccess::Selected(open.menu) == item)
		return;
	if (open.window->Lock()) {
		MenuAccess::Select(open.menu, item);
		open.window->Unlock();
	}
}

void MenuTracker::_SelectNext(int32 level, int32 direction)
{
	BMenu* menu = fOpen[level].menu;
	int32 count = menu->CountItems();
	if (count == 0)
		return;
	int32 start = menu->IndexOf(_Selected(level));
	if (start < 0)
		start = direction > 0 ? -1 : count;
	for (int32 step = 1; step <= count; step++) {
		int32 index = ((start + direction * step) % count + count) % count;
		BMenuItem* item = menu->ItemAt(index);
		if (_Choosable(item)) {
			_CloseMenusAbove(level);
			_Select(level, item);
			return;
		}
	}
}

// #pragma mark - placement

BRect MenuTracker::_ScreenFrame() const
{
	if (DisplayBackend* backend = display_backend())
		return backend->ScreenFrame();
	return BRect(0, 0, 1023, 767);
}

static float clamp_to(float position, float size, float low, float high)
{
	if (position + size > high)
		position = high - size;
	return position < low ? low : position;
}

BRect MenuTracker::_RootFrame(BPoint size) const
{
	// Where there is no room right of or below the point, the menu opens to
	// its left or above it.
	BRect screen = _ScreenFrame();
	BPoint where(roundf(fOptions.where.x), roundf(fOptions.where.y));
	float left = where.x;
	float top = where.y;
	if (left + size.x > screen.right)
		left = where.x - size.x;
	if (top + size.y > screen.bottom)
		top = where.y - size.y;
	left = clamp_to(left, size.x, screen.left, screen.right);
	top = clamp_to(top, size.y, screen.top, screen.bottom);
	return BRect(left, top, left + size.x, top + size.y);
}

BRect MenuTracker::_SubmenuFrame(int32 level, BMenuItem* superitem, BPoint size) const
{
	// Beside its item, its first item level with it; on the left side of the
	// parent when the right side has no room.
	BRect screen = _ScreenFrame();
	BRect parent = fOpen[level].frame;
	float left = parent.right + 1;
	float top = parent.top + superitem->Frame().top - MenuMetrics::kBorder;
	if (left + size.x > screen.right)
		left = parent.left - 1 - size.x;
	left = clamp_to(left, size.x, screen.left, screen.right);
	top = clamp_to(top, size.y, screen.top, screen.bottom);
	return BRect(left, top, left + size.x, top + size.y);
}

} // namespace BPrivate
