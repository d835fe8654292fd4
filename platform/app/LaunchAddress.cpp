#include "app/LaunchAddress.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cctype>

namespace BPrivate {

namespace {

// Others could otherwise connect to the socket or swap the files under us.
bool is_private_folder(const char* path)
{
	struct stat info;
	return lstat(path, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
	       (info.st_mode & 077) == 0;
}

// FNV-1a: the name only has to tell signatures and displays apart.
uint64 hash_text(const std::string& text)
{
	uint64 hash = 0xcbf29ce484222325ULL;
	for (unsigned char c : text) {
		hash ^= c;
		hash *= 0x100000001b3ULL;
	}
	return hash;
}

} // namespace

std::string normalize_display(const char* display)
{
	if (display == NULL || display[0] == '\0')
		return "";
	std::string text(display);
	size_t colon = text.rfind(':');
	if (colon == std::string::npos)
		return text;
	std::string host = text.substr(0, colon);
	std::string number = text.substr(colon + 1);
	// The screen after the dot is a part of the same server.
	size_t dot = number.find('.');
	if (dot != std::string::npos)
		number.erase(dot);
	for (char& c : host)
		c = (char) tolower((unsigned char) c);
	if (host == "unix")
		host.clear();
	return host + ":" + number;
}

status_t launch_folder(std::string* folder)
{
	const char* runtime = getenv("XDG_RUNTIME_DIR");
	if (runtime != NULL && runtime[0] == '/' && is_private_folder(runtime)) {
		*folder = runtime;
		return B_OK;
	}
	char path[64];
	snprintf(path, sizeof(path), "/tmp/pl-runtime-%u", (unsigned) getuid());
	if (mkdir(path, 0700) != 0 && errno != EEXIST)
		return B_NOT_ALLOWED;
	// A folder of ours that a umask or a hand left open is closed again.
	struct stat info;
	if (lstat(path, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
	    (info.st_mode & 077) != 0)
		chmod(path, 0700);
	// Someone else may have made it first, or left a link there.
	if (!is_private_folder(path))
		return B_NOT_ALLOWED;
	*folder = path;
	return B_OK;
}

status_t launch_address(const char* signature, const char* display, LaunchAddress* address)
{
	if (signature == NULL || address == NULL)
		return B_BAD_VALUE;
	std::string folder;
	status_t status = launch_folder(&folder);
	if (status != B_OK)
		return status;

	std::string key(signature);
	for (char& c : key)
		c = (char) tolower((unsigned char) c);
	// A readable part for whoever looks into the folder, and the hash that
	// keeps long signatures and their displays apart.
	const char* slash = strchr(key.c_str(), '/');
	std::string readable;
	for (const char* c = slash != NULL ? slash + 1 : key.c_str();
	     *c != '\0' && readable.size() < 32; c++)
		readable += isalnum((unsigned char) *c) || *c == '.' || *c == '-' ? *c : '_';
	key += '\n';
	key += normalize_display(display);
	char hash[17];
	snprintf(hash, sizeof(hash), "%016llx", (unsigned long long) hash_text(key));

	std::string base = folder + "/be-launch-" + readable + "-" + hash;
	address->socketPath = base + ".socket";
	address->lockPath = base + ".lock";
	if (address->socketPath.size() >= sizeof(sockaddr_un::sun_path))
		return B_NAME_TOO_LONG;
	return B_OK;
}

} // namespace BPrivate
