#ifndef PLATFORM_APP_MESSAGE_PRIVATE_H
#define PLATFORM_APP_MESSAGE_PRIVATE_H

// The seam between BMessage and the messaging layer (loopers, messengers,
// drag and drop): delivery facts that the public API only reads.

#include <Message.h>

namespace BPrivate {

// Set by whoever delivers the message; copied with the message.
struct MessageDelivery {
	int32 targetToken = -1; // the handler's token in the looper's registry
	bool usePreferredTarget = false;
	int32 replyPort = -1; // where replies go: a looper id and handler token
	int32 replyToken = -1;
	bool wasDelivered = false;
	bool isReply = false;
	bool sourceWaiting = false; // the sender waits for a reply
	bool sourceRemote = false;  // it came from another process
	bool wasDropped = false;
	BPoint dropPoint;  // screen coordinates of the drop
	BPoint dropOffset; // where the drag image was held, from its top left
};

} // namespace BPrivate

class BMessage::Private {
public:
	explicit Private(BMessage* message) : fMessage(message) {}
	explicit Private(BMessage& message) : fMessage(&message) {}

	// Created on first use; NULL from Peek when nothing was ever set.
	// Returns NULL only when memory runs out.
	BPrivate::MessageDelivery* Delivery();
	const BPrivate::MessageDelivery* PeekDelivery() const { return fMessage->fDelivery; }
	void ClearDelivery();

	// The bounded form used for every buffer that came from elsewhere.
	status_t Unflatten(const void* data, size_t size);

	// PrintToStream at a nesting level (4 spaces each).
	void PrintTo(int indent) const { fMessage->_PrintToStream(indent); }

private:
	BMessage* fMessage;
};

#endif
