#include "storage/AppRecord.h"

#include <limits.h>
#include <string.h>
#include <strings.h>

#include <new>

#include <StorageDefs.h>

namespace BPrivate {

namespace {

const char kHeader[] = "pl-app-record 1";

bool is_valid_path(const std::string& path)
{
	if (path.empty() || path[0] != '/' || path.size() >= PATH_MAX)
		return false;
	for (unsigned char c : path) {
		if (c < ' ' || c == 127)
			return false;
	}
	return true;
}

status_t parse_flags(const std::string& text, uint32* flags)
{
	if (text.empty() || text.size() > 10)
		return B_BAD_DATA;
	uint64 value = 0;
	for (char c : text) {
		if (c < '0' || c > '9')
			return B_BAD_DATA;
		value = value * 10 + (uint64) (c - '0');
	}
	if (value > 0xffffffffULL)
		return B_BAD_DATA;
	*flags = (uint32) value;
	return B_OK;
}

status_t parse_line(const std::string& line, AppRecord* record, bool* sawSignature,
                    bool* sawExecutable, bool* sawFlags)
{
	size_t space = line.find(' ');
	if (space == std::string::npos || space == 0)
		return B_BAD_DATA;
	std::string key = line.substr(0, space);
	std::string value = line.substr(space + 1);
	if (key == "signature") {
		if (*sawSignature || !is_valid_mime_type(value.c_str()) ||
		    strncasecmp(value.c_str(), "application/", 12) != 0)
			return B_BAD_DATA;
		record->signature = value;
		*sawSignature = true;
	} else if (key == "executable") {
		if (*sawExecutable || !is_valid_path(value))
			return B_BAD_DATA;
		record->executable = value;
		*sawExecutable = true;
	} else if (key == "library") {
		if (record->libraries.size() >= kMaxLibraries || !is_valid_path(value))
			return B_BAD_DATA;
		record->libraries.push_back(value);
	} else if (key == "flags") {
		if (*sawFlags || parse_flags(value, &record->flags) != B_OK)
			return B_BAD_DATA;
		*sawFlags = true;
	} else if (key == "type") {
		if (record->types.size() >= kMaxTypes || !is_valid_mime_type(value.c_str()))
			return B_BAD_DATA;
		record->types.push_back(value);
	} else {
		return B_BAD_DATA;
	}
	return B_OK;
}

} // namespace

bool is_valid_mime_type(const char* type)
{
	if (type == NULL)
		return false;
	size_t length = strlen(type);
	if (length == 0 || length >= B_MIME_TYPE_LENGTH)
		return false;
	int slashes = 0;
	for (const char* c = type; *c != '\0'; c++) {
		if (*c <= ' ' || *c >= 127 || strchr("()<>@,;:\\\"[]?=", *c) != NULL)
			return false;
		if (*c == '/')
			slashes++;
	}
	return slashes <= 1 && type[0] != '/' && type[length - 1] != '/';
}

status_t parse_app_record(const char* data, size_t size, AppRecord* record)
{
	if (data == NULL || record == NULL || size > kMaxRecordSize)
		return B_BAD_DATA;
	try {
		AppRecord parsed;
		bool sawHeader = false, sawSignature = false, sawExecutable = false, sawFlags = false;
		size_t start = 0;
		while (start < size) {
			const void* newline = memchr(data + start, '\n', size - start);
			// An unterminated last line is a record cut short.
			if (newline == NULL)
				return B_BAD_DATA;
			size_t end = (size_t) ((const char*) newline - data);
			std::string line(data + start, end - start);
			start = end + 1;
			if (memchr(line.data(), '\0', line.size()) != NULL)
				return B_BAD_DATA;
			if (!sawHeader) {
				if (line != kHeader)
					return B_BAD_DATA;
				sawHeader = true;
				continue;
			}
			status_t status =
			    parse_line(line, &parsed, &sawSignature, &sawExecutable, &sawFlags);
			if (status != B_OK)
				return status;
		}
		if (!sawSignature || !sawExecutable)
			return B_BAD_DATA;
		*record = std::move(parsed);
	} catch (const std::bad_alloc&) {
		return B_NO_MEMORY;
	}
	return B_OK;
}

status_t format_app_record(const AppRecord& record, std::string* text)
{
	if (text == NULL)
		return B_BAD_VALUE;
	std::string out = std::string(kHeader) + "\n";
	out += "signature " + record.signature + "\n";
	out += "executable " + record.executable + "\n";
	for (const std::string& library : record.libraries)
		out += "library " + library + "\n";
	out += "flags " + std::to_string(record.flags) + "\n";
	for (const std::string& type : record.types)
		out += "type " + type + "\n";
	// Whatever would not be read back as the same record is not written: a
	// value with a line break in it would otherwise add lines of its own.
	AppRecord check;
	if (parse_app_record(out.data(), out.size(), &check) != B_OK ||
	    check.signature != record.signature || check.executable != record.executable ||
	    check.libraries != record.libraries || check.flags != record.flags ||
	    check.types != record.types)
		return B_BAD_VALUE;
	*text = std::move(out);
	return B_OK;
}

bool record_supports_type(const AppRecord& record, const char* type)
{
	if (!is_valid_mime_type(type))
		return false;
	const char* slash = strchr(type, '/');
	size_t superLength = slash != NULL ? (size_t) (slash - type) : strlen(type);
	for (const std::string& supported : record.types) {
		if (strcasecmp(supported.c_str(), type) == 0)
			return true;
		if (supported.find('/') == std::string::npos && supported.size() == superLength &&
		    strncasecmp(supported.c_str(), type, superLength) == 0)
			return true;
	}
	return false;
}

} // namespace BPrivate
