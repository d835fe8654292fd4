#include "interface/UriList.h"

#include <AppDefs.h>
#include <Entry.h>
#include <Path.h>

#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace BPrivate {

// A uri-list line longer than this is not a path this system could open.
static const size_t kMaxUriLength = 3 * 4096 + 64;

static int hex_value(char c)
{
	if (c >= '0' && c <= '9')
		return c - '0';
	if (c >= 'a' && c <= 'f')
		return c - 'a' + 10;
	if (c >= 'A' && c <= 'F')
		return c - 'A' + 10;
	return -1;
}

// The local path a file:// URI names, or false. A NUL (raw or encoded) or a
// broken escape spoils the whole URI.
static bool path_for_uri(const char* uri, size_t length, std::string* path)
{
	static const char kScheme[] = "file://";
	const size_t schemeLength = sizeof(kScheme) - 1;
	if (length <= schemeLength || strncasecmp(uri, kScheme, schemeLength) != 0)
		return false;
	const char* authority = uri + schemeLength;
	const char* end = uri + length;
	const char* slash = static_cast<const char*>(memchr(authority, '/', end - authority));
	if (slash == NULL)
		return false;
	std::string host(authority, slash - authority);
	if (!host.empty() && host != "localhost") {
		char name[256];
		if (gethostname(name, sizeof(name)) != 0)
			return false;
		name[sizeof(name) - 1] = '\0';
		if (host != name)
			return false;
	}
	path->clear();
	for (const char* c = slash; c < end; c++) {
		char byte = *c;
		if (byte == '%') {
			if (end - c < 3)
				return false;
			int high = hex_value(c[1]);
			int low = hex_value(c[2]);
			if (high < 0 || low < 0)
				return false;
			byte = static_cast<char>(high * 16 + low);
			c += 2;
		}
		if (byte == '\0')
			return false;
		path->push_back(byte);
	}
	return true;
}

status_t message_from_uri_list(const char* data, size_t size, BMessage* message)
{
	if (data == NULL || message == NULL)
		return B_BAD_VALUE;
	BMessage files(B_SIMPLE_DATA);
	int32 count = 0;
	const char* end = data + size;
	for (const char* line = data; line < end;) {
		const char* next = static_cast<const char*>(memchr(line, '\n', end - line));
		const char* lineEnd = next != NULL ? next : end;
		size_t length = lineEnd - line;
		if (length > 0 && line[length - 1] == '\r')
			length--;
		std::string path;
		struct stat st;
		entry_ref ref;
		if (length > 0 && length <= kMaxUriLength && line[0] != '#' &&
		    path_for_uri(line, length, &path) && lstat(path.c_str(), &st) == 0 &&
		    get_ref_for_path(path.c_str(), &ref) == B_OK && files.AddRef("refs", &ref) == B_OK)
			count++;
		line = next != NULL ? next + 1 : end;
	}
	if (count == 0)
		return B_BAD_VALUE;
	*message = files;
	return B_OK;
}

std::string uri_list_from_refs(const BMessage& message)
{
	static const char kHex[] = "0123456789ABCDEF";
	std::string list;
	entry_ref ref;
	for (int32 i = 0; message.FindRef("refs", i, &ref) == B_OK; i++) {
		BPath path(&ref);
		if (path.InitCheck() != B_OK)
			continue;
		list += "file://";
		for (const char* c = path.Path(); *c != '\0'; c++) {
			unsigned char byte = static_cast<unsigned char>(*c);
			// RFC 3986 unreserved characters and the path's slashes stay.
			if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
			    (byte >= '0' && byte <= '9') || strchr("-._~/", byte) != NULL) {
				list.push_back(static_cast<char>(byte));
			} else {
				list.push_back('%');
				list.push_back(kHex[byte >> 4]);
				list.push_back(kHex[byte & 15]);
			}
		}
		list += "\r\n";
	}
	return list;
}

} // namespace BPrivate
