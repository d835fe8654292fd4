// The archive the drag-and-drop peer drags, made the same way by the peer and
// by the test that checks what arrived.
#ifndef _XDND_PEER_MESSAGE_H
#define _XDND_PEER_MESSAGE_H

#include <AppDefs.h>
#include <Message.h>

#include <string>

inline BMessage xdnd_peer_archive(size_t size)
{
	BMessage archive(B_ARCHIVED_OBJECT);
	archive.AddString("class", "PeerView");
	std::string data(size, '\0');
	for (size_t i = 0; i < size; i++)
		data[i] = static_cast<char>(i * 131 + 7);
	archive.AddData("data", B_RAW_TYPE, data.data(), data.size());
	BMessage dragger('nest');
	dragger.AddString("_name", "_dragger_");
	archive.AddMessage("_views", &dragger);
	return archive;
}

inline std::string xdnd_flat(const BMessage& message)
{
	std::string bytes(message.FlattenedSize(), '\0');
	message.Flatten(bytes.data(), bytes.size());
	return bytes;
}

#endif
