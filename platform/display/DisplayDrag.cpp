#include "display/DisplayDrag.h"

#include <string.h>

namespace BPrivate {

const char kDragMessageType[] = "application/x-vnd.pl-platform-message";
const char kUriListType[] = "text/uri-list";

const DragPayload::Offer* DragPayload::Find(const char* type) const
{
	for (const Offer& offer : offers) {
		if (type != NULL && offer.type == type)
			return &offer;
	}
	return NULL;
}

} // namespace BPrivate
