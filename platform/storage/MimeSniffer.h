#ifndef PLATFORM_STORAGE_MIME_SNIFFER_H
#define PLATFORM_STORAGE_MIME_SNIFFER_H

#include <SupportDefs.h>

namespace BPrivate {

// The MIME type the content of the open file |fd| shows (libmagic on its first
// bytes, read with pread so the file position is untouched). |type| holds
// B_MIME_TYPE_LENGTH bytes. An empty file is "application/x-empty".
status_t sniff_mime_type(int fd, char* type);

// Loads libmagic's database on a thread of its own, so that the first sniff
// does not wait for it; a sniff made meanwhile waits for that load instead
// of starting another. Does nothing once the database is loaded or loading.
void prepare_mime_sniffer();

} // namespace BPrivate

#endif
