#include "app/DesktopHandoff.h"

#include <Message.h>
#include <Roster.h>

#include "app/MessagePrivate.h"

namespace BPrivate {

const char kDesktopSignature[] = "application/x-vnd.Be-TRAK";

void hand_unclaimed_drop_to_desktop(BMessage* drop, BPoint screenWhere)
{
	if (drop == NULL)
		return;
	BMessage message(*drop);
	MessageDelivery* delivery = BMessage::Private(message).Delivery();
	if (delivery == NULL)
		return;
	// Whoever drops it onto the desktop drops it there, whatever the drag
	// said before it ended.
	delivery->wasDropped = true;
	delivery->dropPoint = screenWhere;
	be_roster->Launch(kDesktopSignature, &message);
}

} // namespace BPrivate
