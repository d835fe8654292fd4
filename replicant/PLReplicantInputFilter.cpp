#include "replicant/PLReplicantInputFilter.h"

#include <AppDefs.h>
#include <Message.h>

#include "replicant/PLReplicantableView.h"

PLReplicantInputFilter::PLReplicantInputFilter(PLReplicantableView* view)
    : BMessageFilter(B_ANY_DELIVERY, B_ANY_SOURCE), fView(view)
{
}

PLReplicantInputFilter::~PLReplicantInputFilter() {}

filter_result PLReplicantInputFilter::Filter(BMessage* message, BHandler** target)
{
	if (!fView->IsLocked())
		return B_DISPATCH_MESSAGE;

	switch (message->what) {
		case B_MOUSE_DOWN:
		case B_MOUSE_UP:
		case B_MOUSE_MOVED:
		case B_KEY_DOWN:
			break;
		default:
			return B_DISPATCH_MESSAGE;
	}

	// Locked elsewhere than on the desktop, the replicant simply takes no
	// input; a replicant without a parent has nowhere to pass it either.
	BView* parent = fView->Parent();
	if (!fView->IsOnTracker() || parent == NULL)
		return B_SKIP_MESSAGE;

	// Wallpaper: the desktop gets the input at the matching place of its
	// own. A move keeps its "where", as the desktop reads only the view's.
	if (message->what == B_MOUSE_DOWN || message->what == B_MOUSE_UP)
		_ConvertToParent(message, "where");
	if (message->what != B_KEY_DOWN)
		_ConvertToParent(message, "be:view_where");
	*target = parent;
	return B_DISPATCH_MESSAGE;
}

void PLReplicantInputFilter::_ConvertToParent(BMessage* message, const char* field)
{
	BPoint point;
	if (message->FindPoint(field, 0, &point) != B_OK)
		return;
	message->ReplacePoint(field, 0, fView->ConvertToParent(point));
}
