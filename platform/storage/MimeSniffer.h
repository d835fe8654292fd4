#ifndef PLATFORM_STORAGE_MIME_SNIFFER_H
#define PLATFORM_STORAGE_MIME_SNIFFER_H

#include <SupportDefs.h>

namespace BPrivate {

// The MIME type the content of the open file |fd| shows (libmagic on its first
// bytes, read with pread so the file position is untouched). |type| holds
// B_MIME_TYPE_LENGTH bytes. An empty file is "application/x-empty".
status_t sniff_mime_type(int fd, char* type);

} // namespace BPrivate

#endif
