#ifndef PLATFORM_INTERFACE_SHELF_FILE_H
#define PLATFORM_INTERFACE_SHELF_FILE_H

// The shelf's file: one flattened message (what kShelfFileWhat) whose
// "replicant" field holds one entry per replicant, each a message (what
// kShelfEntryWhat) with "message" (the replicant's archive), "position" (its
// frame's left top in the container) and "uniqueid" (uint32 as int32).
//
// A damaged file still gives what it can: each entry is itself a whole
// flattened message inside the file, so the reader looks for entries byte by
// byte where the whole does not read, with a bounded amount of work.

#include <string>
#include <vector>

#include <Message.h>

namespace BPrivate {

const uint32 kShelfFileWhat = 'PLsf';
const uint32 kShelfEntryWhat = 'PLsr';
// A bigger file is damaged: only its first bytes are read.
const size_t kMaxShelfFileSize = 64 * 1024 * 1024;
const size_t kMaxShelfEntries = 4096;

bool is_shelf_entry(const BMessage& entry);

status_t flatten_shelf(const std::vector<BMessage>& entries, std::string* bytes);

// The entries that can be read, in file order. B_OK when the file was whole,
// B_BAD_DATA when something was skipped (entries then holds the rest).
status_t read_shelf(const void* data, size_t size, std::vector<BMessage>* entries);

} // namespace BPrivate

#endif
