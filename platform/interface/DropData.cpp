#include "interface/DropData.h"

#include <string.h>

#include "app/MessagePrivate.h"
#include "interface/UriList.h"

namespace BPrivate {

status_t drop_message_from_data(const char* type, const void* data, size_t size,
                                BMessage* message)
{
	if (type == NULL || message == NULL || (data == NULL && size > 0) || size > kMaxDropSize)
		return B_BAD_VALUE;
	if (strcmp(type, kDragMessageType) == 0) {
		BMessage dropped;
		status_t status = BMessage::Private(dropped).Unflatten(data, size);
		if (status != B_OK)
			return status;
		*message = dropped;
		return B_OK;
	}
	if (strcmp(type, kUriListType) == 0)
		return message_from_uri_list(static_cast<const char*>(data), size, message);
	return B_BAD_VALUE;
}

status_t drop_message_from_payload(const DragPayload& payload, BMessage* message)
{
	for (const char* type : {kDragMessageType, kUriListType}) {
		if (const DragPayload::Offer* offer = payload.Find(type))
			return drop_message_from_data(type, offer->data.data(), offer->data.size(), message);
	}
	return B_BAD_VALUE;
}

status_t drag_payload_for_message(const BMessage& message, DragPayload* payload)
{
	ssize_t size = message.FlattenedSize();
	if (size <= 0)
		return B_BAD_VALUE;
	if (static_cast<size_t>(size) > kMaxDropSize)
		return B_NO_MEMORY;
	try {
		DragPayload::Offer flattened;
		flattened.type = kDragMessageType;
		flattened.data.resize(size);
		status_t status = message.Flatten(flattened.data.data(), size);
		if (status != B_OK)
			return status;
		payload->offers.push_back(std::move(flattened));
		std::string uris = uri_list_from_refs(message);
		if (!uris.empty())
			payload->offers.push_back(DragPayload::Offer{kUriListType, std::move(uris)});
	} catch (const std::bad_alloc&) {
		return B_NO_MEMORY;
	}
	return B_OK;
}

static void set_point(BMessage* message, const char* name, BPoint point)
{
	if (message->ReplacePoint(name, point) != B_OK)
		message->AddPoint(name, point);
}

void mark_dropped(BMessage* message, BPoint screenWhere, BPoint offset, bool sourceRemote)
{
	set_point(message, "_drop_point_", screenWhere);
	set_point(message, "_drop_offset_", offset);
	MessageDelivery* delivery = BMessage::Private(message).Delivery();
	if (delivery == NULL)
		return;
	delivery->wasDropped = true;
	delivery->dropPoint = screenWhere;
	delivery->dropOffset = offset;
	delivery->sourceRemote = sourceRemote;
}

} // namespace BPrivate
