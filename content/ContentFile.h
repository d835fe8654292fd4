#ifndef PL_CONTENT_FILE_H
#define PL_CONTENT_FILE_H

#include <Entry.h>

// Whether |ref| names something a viewing view may hand to a decoder: a
// regular file (a link is followed) that this process can read. A replicant's
// archive comes from elsewhere, and a device, a FIFO or a directory must
// never reach a decoder, which could block on it for good or read without
// end. The kind is looked at without opening the node; only a regular file is
// then opened, which cannot block.
//
// B_OK, the error of the look-up (B_ENTRY_NOT_FOUND for a file that is
// gone), B_BAD_TYPE for anything but a regular file, or the error of opening
// it (B_PERMISSION_DENIED).
status_t check_content_file(const entry_ref& ref);

#endif
