#ifndef PLATFORM_STORAGE_APP_RECORD_H
#define PLATFORM_STORAGE_APP_RECORD_H

// One entry of the registry of installed applications: which executable and
// which libraries of archivable classes belong to a signature.
//
// On disk a record is a UTF-8 text file of at most kMaxRecordSize bytes, one
// "key value" pair a line (a single space after the key, the value runs to
// the end of the line, "\n" ends every line, no other control characters):
//
//   pl-app-record 1
//   signature application/x-vnd.Example-App
//   executable /usr/bin/ExampleApp
//   library /usr/lib/libExampleApp.so
//   flags 2
//   type image
//   type video/mp4
//
// The first line is the header, exactly as shown. "signature" and
// "executable" appear once each; "flags" (the launch flags, decimal) at most
// once, 0 (B_SINGLE_LAUNCH) when absent; "library" up to kMaxLibraries
// times and "type" (the supported types, "BEOS:FILE_TYPES") up to kMaxTypes
// times. Paths are absolute. Anything else, an unknown key included, makes
// the whole record garbage: a record decides which code a process loads, so
// nothing in it is guessed at.

#include <stddef.h>

#include <string>
#include <vector>

#include <SupportDefs.h>

namespace BPrivate {

const size_t kMaxRecordSize = 64 * 1024;
const size_t kMaxLibraries = 16;
const size_t kMaxTypes = 256;

struct AppRecord {
	std::string signature;
	std::string executable;
	std::vector<std::string> libraries;
	uint32 flags = 0;
	std::vector<std::string> types;
};

// B_BAD_DATA for anything but a well-formed record as described above.
status_t parse_app_record(const char* data, size_t size, AppRecord* record);

// The text of |record|; B_BAD_VALUE when it would not parse back.
status_t format_app_record(const AppRecord& record, std::string* text);

// A MIME type as records and the roster take it: "super" or "super/sub",
// printable ASCII without spaces or MIME specials, shorter than
// B_MIME_TYPE_LENGTH.
bool is_valid_mime_type(const char* type);

// Whether |record| names an application supporting |type|: the type itself,
// or its supertype ("image" supports "image/png"); without case.
bool record_supports_type(const AppRecord& record, const char* type);

} // namespace BPrivate

#endif
