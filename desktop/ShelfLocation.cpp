#include "desktop/ShelfLocation.h"

#include <Errors.h>

#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>

status_t desktop_shelf_path(std::string* path)
{
	const char* dataHome = getenv("XDG_DATA_HOME");
	const char* home = getenv("HOME");
	std::string folder;
	if (dataHome != NULL && dataHome[0] == '/')
		folder = dataHome;
	else if (home != NULL && home[0] == '/')
		folder = std::string(home) + "/.local/share";
	else
		return B_ENTRY_NOT_FOUND;
	folder += "/pl-platform/desktop";

	// Missing folders are made 0700, as the XDG base directories ask; the
	// replicants' archives are the user's alone.
	for (size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
		std::string part = folder.substr(0, end);
		if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
			return errno_to_status(errno);
		if (end == std::string::npos)
			break;
	}
	chmod(folder.c_str(), 0700);
	*path = folder + "/shelf";
	return B_OK;
}
