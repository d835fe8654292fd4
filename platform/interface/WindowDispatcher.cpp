// Input dispatch of a window: from the display's raw events (window
// coordinates) to the view hooks, in the Be order: target, its filters (which
// may redirect or drop), then the hook of the final target.

#include "interface/WindowDispatcher.h"

#include <AppDefs.h>
#include <Handler.h>
#include <InterfaceDefs.h>
#include <List.h>
#include <Message.h>
#include <MessageFilter.h>
#include <MessageQueue.h>
#include <View.h>
#include <Window.h>

#include <math.h>
#include <string.h>

#include <algorithm>

#include "app/LooperPrivate.h"
#include "display/DisplayDrag.h"
#include "interface/DropData.h"
#include "interface/WindowPrivate.h"

namespace BPrivate {

// Two presses of the same buttons this close in time and place count as one
// double click.
static const bigtime_t kClickSpeed = 500000;
static const float kClickSlop = 4.0f;
// Filters redirecting to each other in a circle stop here.
static const int32 kMaxRedirects = 32;

static void set_point(BMessage* message, const char* name, BPoint point)
{
	if (message->ReplacePoint(name, point) != B_OK)
		message->AddPoint(name, point);
}

static void set_int32(BMessage* message, const char* name, int32 value)
{
	if (message->ReplaceInt32(name, value) != B_OK)
		message->AddInt32(name, value);
}

WindowDispatcher::WindowDispatcher(BWindow* window)
    : fWindow(window), fLastMouseMoved(NULL), fMaskView(NULL), fMaskOptions(0),
      fMaskViewHadPointer(false), fKeyMaskView(NULL), fKeyMaskOptions(0), fDragging(false),
      fLastClickTime(0), fLastClickButtons(0), fClickCount(0)
{
}

bool WindowDispatcher::DispatchInput(BMessage* message)
{
	BPoint where;
	switch (message->what) {
		case B_MOUSE_DOWN:
		case B_MOUSE_UP:
		case B_MOUSE_MOVED:
			if (message->FindPoint("where", &where) != B_OK)
				return true;
			if (message->what == B_MOUSE_DOWN)
				_MouseDown(message, where);
			else if (message->what == B_MOUSE_UP)
				_MouseUp(message, where);
			else
				_MouseMoved(message, where);
			return true;
		case B_MOUSE_WHEEL_CHANGED:
			if (message->FindPoint("where", &where) != B_OK)
				where = BPoint(-1, -1);
			_Wheel(message, where);
			return true;
		case B_KEY_DOWN:
		case B_KEY_UP:
		case B_UNMAPPED_KEY_DOWN:
		case B_UNMAPPED_KEY_UP:
		case B_MODIFIERS_CHANGED:
			_Key(message);
			return true;
		default:
			return false;
	}
}

BView* WindowDispatcher::ViewAt(BPoint where) const
{
	BView* view = fWindow->fTopView;
	BPoint local = where;
	for (;;) {
		BView* hit = NULL;
		// The last child is drawn last, so it is the one on top.
		BView* child = view->fFirstChild;
		while (child != NULL && child->fNextSibling != NULL)
			child = child->fNextSibling;
		for (; child != NULL; child = child->fPreviousSibling) {
			if (child->fShowLevel <= 0 && child->fFrame.Contains(local)) {
				hit = child;
				break;
			}
		}
		if (hit == NULL)
			return view;
		hit->ConvertFromParent(&local);
		view = hit;
	}
}

status_t WindowDispatcher::SetMouseEventMask(BView* view, uint32 mask, uint32 options)
{
	BMessage* current = fWindow->CurrentMessage();
	if (current == NULL || current->what != B_MOUSE_DOWN)
		return B_ERROR;
	if ((mask & B_POINTER_EVENTS) != 0) {
		fMaskView = view;
		fMaskOptions = options;
		fMaskViewHadPointer = true;
	}
	if ((mask & B_KEYBOARD_EVENTS) != 0) {
		fKeyMaskView = view;
		fKeyMaskOptions = options;
	}
	// The pointer's events keep coming here even outside the window; with
	// B_LOCK_WINDOW_FOCUS the keyboard's too, so the focus cannot leave.
	bool keyboard = (options & B_LOCK_WINDOW_FOCUS) != 0;
	if ((mask & B_POINTER_EVENTS) != 0 || keyboard) {
		WindowData* data = fWindow->fData;
		if (data->surface != NULL && (!data->pointerGrabbed || keyboard)) {
			if (data->pointerGrabbed)
				display_backend()->UngrabPointer();
			data->pointerGrabbed = display_backend()->GrabPointer(data->surface, keyboard) == B_OK;
		}
	}
	return B_OK;
}

void WindowDispatcher::SetEventMask(BView* view, uint32 mask, uint32 options)
{
	for (size_t i = 0; i < fEventMasks.size(); i++) {
		if (fEventMasks[i].view != view)
			continue;
		if (mask == 0) {
			fEventMasks.erase(fEventMasks.begin() + i);
		} else {
			fEventMasks[i].mask = mask;
			fEventMasks[i].options = options;
		}
		return;
	}
	if (mask != 0)
		fEventMasks.push_back(EventMask{view, mask, options, false});
}

void WindowDispatcher::_ReleaseMask()
{
	fMaskView = NULL;
	fKeyMaskView = NULL;
	WindowData* data = fWindow->fData;
	if (data->pointerGrabbed) {
		data->pointerGrabbed = false;
		display_backend()->UngrabPointer();
	}
}

void WindowDispatcher::ForgetView(BView* view)
{
	if (fLastMouseMoved == view)
		fLastMouseMoved = NULL;
	if (fMaskView == view || fKeyMaskView == view)
		_ReleaseMask();
	SetEventMask(view, 0, 0);
}

bool WindowDispatcher::_NewerMoveQueued() const
{
	BMessageQueue* queue = fWindow->MessageQueue();
	if (queue == NULL || !queue->Lock())
		return false;
	bool newer = false;
	for (int32 i = 0; BMessage* message = queue->FindMessage(i); i++) {
		if (message->what == B_MOUSE_DOWN || message->what == B_MOUSE_UP)
			break;
		if (message->what == B_MOUSE_MOVED) {
			newer = true;
			break;
		}
	}
	queue->Unlock();
	return newer;
}

// #pragma mark - mouse

void WindowDispatcher::_MouseDown(BMessage* message, BPoint where)
{
	bigtime_t when = 0;
	message->FindInt64("when", &when);
	int32 buttons = 0;
	message->FindInt32("buttons", &buttons);
	if (!message->HasInt32("clicks")) {
		BPoint delta = where - fLastClickWhere;
		if (buttons == fLastClickButtons && when - fLastClickTime <= kClickSpeed &&
		    fabsf(delta.x) <= kClickSlop && fabsf(delta.y) <= kClickSlop)
			fClickCount++;
		else
			fClickCount = 1;
		message->AddInt32("clicks", fClickCount);
	}
	fLastClickTime = when;
	fLastClickWhere = where;
	fLastClickButtons = buttons;

	BView* view = fMaskView != NULL ? fMaskView : ViewAt(where);
	BPoint viewWhere = where - view->_WindowOffset();
	set_point(message, "where", viewWhere);
	set_point(message, "be:view_where", viewWhere);

	BMessage original;
	if (!fEventMasks.empty())
		original = *message;
	BHandler* target = view;
	if (_Filter(message, &target))
		_CallMouseHook(message, target);
	_SendToEventMasks(&original, where, view);
}

void WindowDispatcher::_MouseUp(BMessage* message, BPoint where)
{
	BView* view = fMaskView != NULL ? fMaskView : ViewAt(where);
	BPoint viewWhere = where - view->_WindowOffset();
	set_point(message, "where", viewWhere);
	set_point(message, "be:view_where", viewWhere);

	BMessage original;
	if (!fEventMasks.empty())
		original = *message;
	BHandler* target = view;
	if (_Filter(message, &target))
		_CallMouseHook(message, target);
	_SendToEventMasks(&original, where, view);

	// The mask lasts until every button is up.
	int32 buttons = 0;
	message->FindInt32("buttons", &buttons);
	if (buttons == 0 && fMaskView != NULL) {
		BView* masked = fMaskView;
		_ReleaseMask();
		// The view under the pointer gets its entered transit with the next move.
		fLastMouseMoved = ViewAt(where) == masked ? masked : NULL;
	}
}

void WindowDispatcher::_MouseMoved(BMessage* message, BPoint where)
{
	if (!fEventMasks.empty()) {
		BMessage original(*message);
		BView* handled = fMaskView != NULL ? fMaskView : ViewAt(where);
		_SendToEventMasks(&original, where, handled);
	}
	if (fMaskView != NULL) {
		if ((fMaskOptions & B_NO_POINTER_HISTORY) != 0 && _NewerMoveQueued())
			return;
		BPoint local = where - fMaskView->_WindowOffset();
		bool inside = fMaskView->Bounds().Contains(local);
		uint32 transit;
		if (inside)
			transit = fMaskViewHadPointer ? B_INSIDE_VIEW : B_ENTERED_VIEW;
		else
			transit = fMaskViewHadPointer ? B_EXITED_VIEW : B_OUTSIDE_VIEW;
		fMaskViewHadPointer = inside;
		_SendMoved(fMaskView, message, where, transit);
		return;
	}

	BView* view = ViewAt(where);
	if (view == fLastMouseMoved) {
		_SendMoved(view, message, where, B_INSIDE_VIEW);
		return;
	}
	if (fLastMouseMoved != NULL) {
		BView* previous = fLastMouseMoved;
		fLastMouseMoved = NULL;
		BMessage exited(*message);
		_SendMoved(previous, &exited, where, B_EXITED_VIEW);
		// The hook may have moved or removed views.
		view = ViewAt(where);
	}
	fLastMouseMoved = view;
	_SendMoved(view, message, where, B_ENTERED_VIEW);
}

void WindowDispatcher::_SendMoved(BView* view, BMessage* message, BPoint where, uint32 transit)
{
	set_point(message, "be:view_where", where - view->_WindowOffset());
	set_int32(message, "be:transit", static_cast<int32>(transit));
	BHandler* target = view;
	if (_Filter(message, &target))
		_CallMouseHook(message, target);
}

void WindowDispatcher::_SendToEventMasks(BMessage* message, BPoint where, BView* handled)
{
	if (fEventMasks.empty())
		return;
	// Hooks may change the masks: work on a copy, and skip views that left.
	std::vector<EventMask> masks = fEventMasks;
	for (const EventMask& entry : masks) {
		if ((entry.mask & B_POINTER_EVENTS) == 0)
			continue;
		auto current = std::find_if(fEventMasks.begin(), fEventMasks.end(),
		                            [&](const EventMask& e) { return e.view == entry.view; });
		if (current == fEventMasks.end())
			continue;
		BView* view = entry.view;
		BPoint local = where - view->_WindowOffset();
		bool inside = view->Bounds().Contains(local);
		if (view == handled) {
			// It had this event as the view under the pointer.
			current->hadPointer = inside;
			continue;
		}
		BMessage copy(*message);
		if (message->what == B_MOUSE_MOVED) {
			if ((entry.options & B_NO_POINTER_HISTORY) != 0 && _NewerMoveQueued())
				continue;
			uint32 transit;
			if (inside)
				transit = current->hadPointer ? B_INSIDE_VIEW : B_ENTERED_VIEW;
			else
				transit = current->hadPointer ? B_EXITED_VIEW : B_OUTSIDE_VIEW;
			current->hadPointer = inside;
			set_int32(&copy, "be:transit", static_cast<int32>(transit));
		} else {
			set_point(&copy, "where", local);
		}
		set_point(&copy, "be:view_where", local);
		BHandler* target = view;
		if (_Filter(&copy, &target))
			_CallMouseHook(&copy, target);
	}
}

void WindowDispatcher::_Wheel(BMessage* message, BPoint where)
{
	BView* view;
	if (where.x >= 0 && where.y >= 0)
		view = ViewAt(where);
	else if (fLastMouseMoved != NULL)
		view = fLastMouseMoved;
	else
		view = fWindow->fTopView;
	BHandler* target = view;
	if (_Filter(message, &target))
		target->MessageReceived(message);
}

void WindowDispatcher::_CallMouseHook(BMessage* message, BHandler* target)
{
	BView* view = dynamic_cast<BView*>(target);
	if (view == NULL || view->Window() != fWindow) {
		if (target != NULL)
			target->MessageReceived(message);
		return;
	}
	BPoint where;
	if (message->FindPoint("be:view_where", &where) != B_OK)
		message->FindPoint("where", &where);
	switch (message->what) {
		case B_MOUSE_DOWN:
			view->MouseDown(where);
			break;
		case B_MOUSE_UP:
			view->MouseUp(where);
			break;
		case B_MOUSE_MOVED: {
			int32 transit = B_INSIDE_VIEW;
			message->FindInt32("be:transit", &transit);
			BMessage drag;
			bool hasDrag = message->FindMessage("be:drag_message", &drag) == B_OK;
			view->MouseMoved(where, static_cast<uint32>(transit), hasDrag ? &drag : NULL);
			break;
		}
	}
}

// #pragma mark - drag and drop

void WindowDispatcher::DispatchDrag(BMessage* message)
{
	int32 phase = -1;
	BPoint where;
	if (message->FindInt32("phase", &phase) != B_OK || message->FindPoint("where", &where) != B_OK)
		return;
	if (message->FindMessage("message", &fDragMessage) == B_OK)
		fDragging = true;
	if (!fDragging)
		return;

	if (phase == kDragDropped) {
		_Drop(message, where);
		fDragging = false;
		fDragMessage.MakeEmpty();
		return;
	}

	BMessage moved(B_MOUSE_MOVED);
	moved.AddInt64("when", message->GetInt64("when", system_time()));
	moved.AddPoint("where", where);
	moved.AddPoint("screen_where", message->GetPoint("screen_where", BPoint()));
	moved.AddInt32("buttons", message->GetInt32("buttons", 0));
	moved.AddInt32("modifiers", message->GetInt32("modifiers", 0));
	moved.AddMessage("be:drag_message", &fDragMessage);
	if (phase == kDragMoved) {
		_MouseMoved(&moved, where);
		return;
	}
	// Left (or cancelled over the window): the view that had it hears so
	// once; the next plain move enters afresh.
	if (fLastMouseMoved != NULL) {
		BView* previous = fLastMouseMoved;
		fLastMouseMoved = NULL;
		_SendMoved(previous, &moved, where, B_EXITED_VIEW);
	}
	fDragging = false;
	fDragMessage.MakeEmpty();
}

// The view under the drop point gets the message through its looper, so
// that its filters (a shelf's, for one) see a dropped message.
void WindowDispatcher::_Drop(BMessage* message, BPoint where)
{
	BView* view = ViewAt(where);
	if (fLastMouseMoved != NULL && fLastMouseMoved != view) {
		BMessage exited(B_MOUSE_MOVED);
		exited.AddPoint("where", where);
		exited.AddInt32("buttons", 0);
		BView* previous = fLastMouseMoved;
		fLastMouseMoved = NULL;
		_SendMoved(previous, &exited, where, B_EXITED_VIEW);
		view = ViewAt(where);
	}
	BMessage dropped(fDragMessage);
	mark_dropped(&dropped, message->GetPoint("screen_where", BPoint()),
	             message->GetPoint("offset", BPoint()), message->GetBool("remote", false));
	BMessenger replyTo;
	int32 port;
	int32 token;
	if (message->FindInt32("reply_port", &port) == B_OK &&
	    message->FindInt32("reply_token", &token) == B_OK)
		replyTo = MessengerAccess::Make(port, token);
	BMessenger(view).SendMessage(&dropped, replyTo);
}

// #pragma mark - keys

bool WindowDispatcher::_FocusSuspended() const
{
	if ((fMaskView != NULL && (fMaskOptions & B_SUSPEND_VIEW_FOCUS) != 0) ||
	    (fKeyMaskView != NULL && (fKeyMaskOptions & B_SUSPEND_VIEW_FOCUS) != 0))
		return true;
	for (const EventMask& entry : fEventMasks) {
		if ((entry.options & B_SUSPEND_VIEW_FOCUS) != 0)
			return true;
	}
	return false;
}

void WindowDispatcher::_Key(BMessage* message)
{
	BView* focus = fWindow->fData->focus;
	// Besides the focus view, the views that asked for the keyboard.
	std::vector<BView*> listeners;
	if (fKeyMaskView != NULL && fKeyMaskView != focus)
		listeners.push_back(fKeyMaskView);
	for (const EventMask& entry : fEventMasks) {
		if ((entry.mask & B_KEYBOARD_EVENTS) != 0 && entry.view != focus &&
		    entry.view != fKeyMaskView)
			listeners.push_back(entry.view);
	}
	BMessage original(listeners.empty() ? BMessage() : *message);

	if (!_FocusSuspended())
		_DeliverKey(message, focus != NULL ? static_cast<BHandler*>(focus) : fWindow->fTopView);
	for (BView* view : listeners) {
		// A hook may have removed it meanwhile.
		if (view->Window() != fWindow)
			continue;
		BMessage copy(original);
		_DeliverKey(&copy, view);
	}
}

void WindowDispatcher::_DeliverKey(BMessage* message, BHandler* target)
{
	if (!_Filter(message, &target))
		return;

	BView* view = dynamic_cast<BView*>(target);
	const char* bytes = NULL;
	if (view == NULL || view->Window() != fWindow ||
	    (message->what != B_KEY_DOWN && message->what != B_KEY_UP) ||
	    message->FindString("bytes", &bytes) != B_OK) {
		target->MessageReceived(message);
		return;
	}
	int32 length = static_cast<int32>(strlen(bytes));
	if (message->what == B_KEY_DOWN)
		view->KeyDown(bytes, length);
	else
		view->KeyUp(bytes, length);
}

// #pragma mark - filters

static bool filter_applies(BMessageFilter* filter, BMessage* message)
{
	if (!filter->FiltersAnyCommand() && filter->Command() != message->what)
		return false;
	switch (filter->MessageDelivery()) {
		case B_DROPPED_DELIVERY:
			if (!message->WasDropped())
				return false;
			break;
		case B_PROGRAMMED_DELIVERY:
			if (message->WasDropped())
				return false;
			break;
		default:
			break;
	}
	switch (filter->MessageSource()) {
		case B_REMOTE_SOURCE:
			return message->IsSourceRemote();
		case B_LOCAL_SOURCE:
			return !message->IsSourceRemote();
		default:
			return true;
	}
}

bool WindowDispatcher::_Filter(BMessage* message, BHandler** target)
{
	BHandler* handler = *target;
	for (int32 round = 0; round < kMaxRedirects; round++) {
		BHandler* next = handler;
		BList* filters = handler->FilterList();
		for (int32 i = 0; filters != NULL && i < filters->CountItems(); i++) {
			BMessageFilter* filter = static_cast<BMessageFilter*>(filters->ItemAt(i));
			if (filter == NULL || !filter_applies(filter, message))
				continue;
			filter_result result;
			if (filter_hook hook = LooperAccess::Hook(filter))
				result = hook(message, &next, filter);
			else
				result = filter->Filter(message, &next);
			if (result == B_SKIP_MESSAGE)
				return false;
			// A filter may only redirect within this window.
			if (next == NULL || next->Looper() != fWindow)
				next = handler;
		}
		if (next == handler)
			break;
		handler = next;
	}
	*target = handler;
	return true;
}

} // namespace BPrivate
