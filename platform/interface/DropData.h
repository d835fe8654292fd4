#ifndef _DROP_DATA_H
#define _DROP_DATA_H

// From a drag's bytes to the message a target gets, and back: both ends of
// the platform's drag and drop share these, whatever the display.

#include <Message.h>

#include "display/DisplayDrag.h"

namespace BPrivate {

// The message that data of |type| stands for: a flattened BMessage of the
// platform's own type (bounded unflattening: truncated or garbled data is
// B_BAD_DATA), or a uri-list as B_SIMPLE_DATA with "refs". Any other type,
// or more than kMaxDropSize bytes, is B_BAD_VALUE. |message| is unchanged on
// failure.
status_t drop_message_from_data(const char* type, const void* data, size_t size,
                                BMessage* message);
// The same from the best type the payload offers.
status_t drop_message_from_payload(const DragPayload& payload, BMessage* message);

// What a drag of |message| offers: the flattened message, and a uri-list when
// it has "refs" that name files.
status_t drag_payload_for_message(const BMessage& message, DragPayload* payload);

// Makes |message| a dropped one: WasDropped(), DropPoint() and
// IsSourceRemote() as given, and the "_drop_point_" / "_drop_offset_" fields
// that Be programs read.
void mark_dropped(BMessage* message, BPoint screenWhere, BPoint offset, bool sourceRemote);

} // namespace BPrivate

#endif
