// BView input: focus, the mouse event mask, GetMouse and the default hooks.

#include <View.h>

#include <AppDefs.h>
#include <InterfaceDefs.h>
#include <Message.h>
#include <MessageQueue.h>
#include <Window.h>

#include <vector>

#include "display/DisplayBackend.h"
#include "interface/ViewPrivate.h"
#include "interface/WindowPrivate.h"

void BView::MakeFocus(bool focus)
{
	if (fOwner == NULL || fTopLevel)
		return;
	BPrivate::WindowData* data = fOwner->fData;
	BView* current = data->focus;
	if (focus) {
		if (current == this)
			return;
		if (current != NULL)
			current->MakeFocus(false);
		data->focus = this;
		fOwner->SetPreferredHandler(this);
	} else {
		if (current != this)
			return;
		data->focus = NULL;
		fOwner->SetPreferredHandler(NULL);
	}
}

bool BView::IsFocus() const
{
	return fOwner != NULL && fOwner->fData->focus == this;
}

status_t BView::SetMouseEventMask(uint32 mask, uint32 options)
{
	if (fOwner == NULL)
		return B_ERROR;
	return fOwner->fData->dispatcher.SetMouseEventMask(this, mask, options);
}

status_t BView::SetEventMask(uint32 mask, uint32 options)
{
	fState->eventMask = mask;
	fState->eventOptions = options;
	if (fOwner != NULL)
		fOwner->fData->dispatcher.SetEventMask(this, mask, options);
	return B_OK;
}

uint32 BView::EventMask()
{
	return fState->eventMask;
}

void BView::GetMouse(BPoint* location, uint32* buttons, bool checkMessageQueue)
{
	if (fOwner == NULL) {
		if (location != NULL)
			*location = BPoint(0, 0);
		if (buttons != NULL)
			*buttons = 0;
		return;
	}

	if (checkMessageQueue) {
		// The display's input waits in the queue in window coordinates. A
		// mouse-moved is taken out; a mouse-up stays, so that the view still
		// gets MouseUp() and the event mask still ends with it.
		BMessageQueue* queue = fOwner->MessageQueue();
		queue->Lock();
		for (int32 i = 0;; i++) {
			BMessage* message = queue->FindMessage(i);
			if (message == NULL)
				break;
			if (message->what != B_MOUSE_MOVED && message->what != B_MOUSE_UP)
				continue;
			BPoint where;
			if (message->FindPoint("where", &where) != B_OK)
				continue;
			if (location != NULL)
				*location = where - _WindowOffset();
			if (buttons != NULL) {
				int32 pressed = 0;
				message->FindInt32("buttons", &pressed);
				*buttons = static_cast<uint32>(pressed);
			}
			if (message->what == B_MOUSE_MOVED) {
				queue->RemoveMessage(message);
				delete message;
			}
			queue->Unlock();
			return;
		}
		queue->Unlock();
	}

	BPoint screen;
	uint32 pressed = 0;
	if (BPrivate::DisplayBackend* backend = BPrivate::display_backend())
		backend->GetPointer(&screen, &pressed, NULL);
	if (location != NULL)
		*location = ConvertFromScreen(screen);
	if (buttons != NULL)
		*buttons = pressed;
}

// #pragma mark - hooks

void BView::MessageReceived(BMessage* message)
{
	BHandler::MessageReceived(message);
}

void BView::MouseDown(BPoint /*where*/) {}

void BView::MouseUp(BPoint /*where*/) {}

void BView::MouseMoved(BPoint /*where*/, uint32 /*transit*/, const BMessage* /*dragMessage*/) {}

static void collect_navigable(BView* view, std::vector<BView*>* views)
{
	for (int32 i = 0; BView* child = view->ChildAt(i); i++) {
		if (child->IsHidden())
			continue;
		if ((child->Flags() & B_NAVIGABLE) != 0)
			views->push_back(child);
		collect_navigable(child, views);
	}
}

// Tab moves the focus to the next navigable view, Shift+Tab to the previous.
void BView::KeyDown(const char* bytes, int32 numBytes)
{
	if (fOwner == NULL || numBytes != 1 || bytes == NULL || bytes[0] != B_TAB)
		return;
	int32 mods = 0;
	if (BMessage* current = fOwner->CurrentMessage())
		current->FindInt32("modifiers", &mods);
	if ((mods & (B_COMMAND_KEY | B_CONTROL_KEY | B_OPTION_KEY)) != 0)
		return;

	std::vector<BView*> views;
	for (int32 i = 0; BView* child = fOwner->ChildAt(i); i++) {
		if (child->IsHidden())
			continue;
		if ((child->Flags() & B_NAVIGABLE) != 0)
			views.push_back(child);
		collect_navigable(child, &views);
	}
	if (views.empty())
		return;
	BView* focus = fOwner->CurrentFocus();
	size_t index = views.size();
	for (size_t i = 0; i < views.size(); i++) {
		if (views[i] == focus)
			index = i;
	}
	bool backwards = (mods & B_SHIFT_KEY) != 0;
	size_t next;
	if (index == views.size())
		next = backwards ? views.size() - 1 : 0;
	else if (backwards)
		next = index == 0 ? views.size() - 1 : index - 1;
	else
		next = (index + 1) % views.size();
	views[next]->MakeFocus(true);
}

void BView::KeyUp(const char* /*bytes*/, int32 /*numBytes*/) {}

void BView::FrameMoved(BPoint /*newPosition*/) {}

void BView::FrameResized(float /*newWidth*/, float /*newHeight*/) {}

void BView::WindowActivated(bool /*active*/) {}
