#ifndef _URI_LIST_H
#define _URI_LIST_H

// text/uri-list (RFC 2483), as file managers drag files: file:// URIs of
// local files, percent-encoded, one a line.

#include <Message.h>

#include <string>

namespace BPrivate {

// The files of a uri-list as a B_SIMPLE_DATA message with their entry_refs
// under "refs", the way Be programs receive dropped files. Only file:// URIs
// of this host whose entry exists count; comments and other schemes are
// skipped. B_BAD_VALUE when no file is left (garbage, or nothing local).
status_t message_from_uri_list(const char* data, size_t size, BMessage* message);

// The "refs" of |message| as a uri-list; empty when it has none that
// resolve to a path.
std::string uri_list_from_refs(const BMessage& message);

} // namespace BPrivate

#endif
