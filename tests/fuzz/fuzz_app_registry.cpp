// Parses arbitrary bytes as a registry record. Whatever is accepted must
// hold only what a record may hold, and write back to text that parses to
// the same record.

#include <stdlib.h>
#include <string.h>

#include <string>

#include "storage/AppRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	BPrivate::AppRecord record;
	if (BPrivate::parse_app_record(reinterpret_cast<const char*>(data), size, &record) != B_OK)
		return 0;
	if (record.signature.empty() || record.executable.empty() || record.executable[0] != '/' ||
	    record.libraries.size() > BPrivate::kMaxLibraries || record.types.size() > BPrivate::kMaxTypes)
		abort();
	for (const std::string& library : record.libraries) {
		if (library.empty() || library[0] != '/' || library.find('\n') != std::string::npos)
			abort();
	}
	std::string text;
	if (BPrivate::format_app_record(record, &text) != B_OK)
		abort();
	BPrivate::AppRecord again;
	if (BPrivate::parse_app_record(text.data(), text.size(), &again) != B_OK ||
	    again.signature != record.signature || again.executable != record.executable ||
	    again.libraries != record.libraries || again.flags != record.flags ||
	    again.types != record.types)
		abort();
	return 0;
}
