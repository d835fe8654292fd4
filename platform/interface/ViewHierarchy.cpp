// BView construction, the view tree, attachment to a window, Show/Hide.

#include <View.h>

#include <Window.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "interface/ViewPrivate.h"
#include "interface/WindowPrivate.h"

using BPrivate::ViewState;

BView::BView(BRect frame, const char* name, uint32 resizingMode, uint32 flags) : BHandler(name)
{
	_InitData(frame, name, resizingMode, flags);
}

void BView::_InitData(BRect frame, const char* /*name*/, uint32 resizingMode, uint32 flags)
{
	// Whole pixels: fractions of the left-top floor, the size keeps its width.
	float width = roundf(frame.Width());
	float height = roundf(frame.Height());
	fFrame.left = floorf(frame.left);
	fFrame.top = floorf(frame.top);
	fFrame.right = fFrame.left + width;
	fFrame.bottom = fFrame.top + height;
	fScrollOrigin = BPoint(0, 0);
	fFlags = (flags & _VIEW_FLAGS_MASK_) | (resizingMode & _RESIZE_MASK_);
	fShowLevel = 0;
	fParent = NULL;
	fFirstChild = NULL;
	fNextSibling = NULL;
	fPreviousSibling = NULL;
	fOwner = NULL;
	fState = new ViewState;
	fTopLevel = false;
}

BView::~BView()
{
	if (fOwner != NULL) {
		// Deleting an attached view is a programming error in the Be API; detach
		// first so the window keeps no dangling pointers.
		fprintf(stderr, "BView::~BView: view \"%s\" is still attached; removing it\n",
		        Name() != NULL ? Name() : "");
		if (fOwner->IsLocked())
			RemoveSelf();
	}
	if (fParent != NULL)
		fParent->RemoveChild(this);

	while (BView* child = fFirstChild) {
		RemoveChild(child);
		delete child;
	}
	delete fState;
}

// #pragma mark - tree

void BView::AddChild(BView* child, BView* before)
{
	if (child == NULL || child == this || child->fParent != NULL)
		return;
	if (before != NULL && before->fParent != this)
		before = NULL;
	if (fOwner != NULL && !fOwner->IsLocked()) {
		fprintf(stderr, "BView::AddChild: the window must be locked\n");
		return;
	}

	if (before != NULL) {
		child->fNextSibling = before;
		child->fPreviousSibling = before->fPreviousSibling;
		if (before->fPreviousSibling != NULL)
			before->fPreviousSibling->fNextSibling = child;
		else
			fFirstChild = child;
		before->fPreviousSibling = child;
	} else {
		BView* last = fFirstChild;
		while (last != NULL && last->fNextSibling != NULL)
			last = last->fNextSibling;
		child->fPreviousSibling = last;
		child->fNextSibling = NULL;
		if (last != NULL)
			last->fNextSibling = child;
		else
			fFirstChild = child;
	}
	child->fParent = this;
	child->SetNextHandler(this);

	if (fOwner != NULL) {
		child->_Attach(fOwner);
		child->_CallAttachedHooks();
		child->_CallAllAttachedHooks();
		child->Invalidate();
	}
}

bool BView::RemoveChild(BView* child)
{
	if (child == NULL || child->fParent != this)
		return false;
	if (fOwner != NULL && !fOwner->IsLocked()) {
		fprintf(stderr, "BView::RemoveChild: the window must be locked\n");
		return false;
	}

	if (child->fOwner != NULL) {
		// Still attached while the hooks run.
		child->_CallDetachedHooks();
		child->_CallAllDetachedHooks();
		if (!child->IsHidden())
			_InvalidateInParent(child->fFrame);
		child->_Detach();
	}

	if (child->fPreviousSibling != NULL)
		child->fPreviousSibling->fNextSibling = child->fNextSibling;
	else
		fFirstChild = child->fNextSibling;
	if (child->fNextSibling != NULL)
		child->fNextSibling->fPreviousSibling = child->fPreviousSibling;
	child->fParent = NULL;
	child->fNextSibling = NULL;
	child->fPreviousSibling = NULL;
	child->SetNextHandler(NULL);
	return true;
}

bool BView::RemoveSelf()
{
	if (fParent == NULL)
		return false;
	return fParent->RemoveChild(this);
}

int32 BView::CountChildren() const
{
	int32 count = 0;
	for (BView* child = fFirstChild; child != NULL; child = child->fNextSibling)
		count++;
	return count;
}

BView* BView::ChildAt(int32 index) const
{
	if (index < 0)
		return NULL;
	BView* child = fFirstChild;
	while (child != NULL && index-- > 0)
		child = child->fNextSibling;
	return child;
}

BView* BView::NextSibling() const
{
	return fNextSibling;
}

BView* BView::PreviousSibling() const
{
	return fPreviousSibling;
}

BView* BView::FindView(const char* name) const
{
	if (name == NULL)
		return NULL;
	if (Name() != NULL && strcmp(Name(), name) == 0)
		return const_cast<BView*>(this);
	for (BView* child = fFirstChild; child != NULL; child = child->fNextSibling) {
		if (BView* found = child->FindView(name))
			return found;
	}
	return NULL;
}

BView* BView::Parent() const
{
	if (fParent != NULL && fParent->fTopLevel)
		return NULL;
	return fParent;
}

BWindow* BView::Window() const
{
	return fOwner;
}

// #pragma mark - attachment

void BView::_Attach(BWindow* window)
{
	fOwner = window;
	// AddHandler() makes the window the next handler; messages a view leaves
	// alone go to its parent first.
	window->AddHandler(this);
	SetNextHandler(fParent != NULL ? static_cast<BHandler*>(fParent) : window);
	if (fState->eventMask != 0)
		window->fData->dispatcher.SetEventMask(this, fState->eventMask, fState->eventOptions);
	for (BView* child = fFirstChild; child != NULL; child = child->fNextSibling)
		child->_Attach(window);
}

void BView::_CallAttachedHooks()
{
	if (!fTopLevel)
		AttachedToWindow();
	for (BView* child = fFirstChild; child != NULL; child = child->fNextSibling)
		child->_CallAttachedHooks();
}

void BView::_CallAllAttachedHooks()
{
	for (BView* child = fFirstChild; child != NULL; child = child->fNextSibling)
		child->_CallAllAttachedHooks();
	if (!fTopLevel)
		AllAttached();
}

void BView::_CallDetachedHooks()
{
	DetachedFromWindow();
	for (BView* child = fFirstChild; child != NULL; child = child->fNextSibling)
		child->_CallDetachedHooks();
}

void BView::_CallAllDetachedHooks()
{
	for (BView* child = fFirstChild; child != NULL; child = child->fNextSibling)
		child->_CallAllDetachedHooks();
	AllDetached();
}

void BView::_Detach()
{
	for (BView* child = fFirstChild; child != NULL; child = child->fNextSibling)
		child->_Detach();
	if (fOwner == NULL)
		return;
	fOwner->fData->ForgetView(this);
	fOwner->RemoveHandler(this);
	// RemoveHandler() clears the next handler; keep the chain to the parent.
	if (fParent != NULL)
		SetNextHandler(fParent);
	fOwner = NULL;
}

void BView::AttachedToWindow() {}

void BView::AllAttached() {}

void BView::DetachedFromWindow() {}

void BView::AllDetached() {}

// #pragma mark - visibility

void BView::Show()
{
	fShowLevel--;
	if (fShowLevel == 0 && fOwner != NULL && fParent != NULL)
		_InvalidateInParent(fFrame);
}

void BView::Hide()
{
	if (fShowLevel == 0 && fOwner != NULL && fParent != NULL) {
		_InvalidateInParent(fFrame);
	}
	fShowLevel++;
}

bool BView::IsHidden() const
{
	return IsHidden(NULL);
}

bool BView::IsHidden(const BView* lookingFrom) const
{
	if (fShowLevel > 0)
		return true;
	if (lookingFrom == this)
		return false;
	if (fParent != NULL)
		return fParent->IsHidden(lookingFrom);
	if (fOwner != NULL && lookingFrom == NULL)
		return fOwner->IsHidden();
	return false;
}

// #pragma mark - flags

uint32 BView::Flags() const
{
	return fFlags & _VIEW_FLAGS_MASK_;
}

void BView::SetFlags(uint32 flags)
{
	uint32 old = fFlags;
	fFlags = (flags & _VIEW_FLAGS_MASK_) | (fFlags & _RESIZE_MASK_);
	// Drawing on the children changes what the view's clipping covers.
	if (((old ^ fFlags) & B_DRAW_ON_CHILDREN) != 0)
		Invalidate();
}

uint32 BView::ResizingMode() const
{
	return fFlags & _RESIZE_MASK_;
}

void BView::SetResizingMode(uint32 mode)
{
	fFlags = (fFlags & _VIEW_FLAGS_MASK_) | (mode & _RESIZE_MASK_);
}
