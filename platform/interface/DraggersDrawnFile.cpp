#include "interface/DraggersDrawnFile.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "storage/AtomicFile.h"

namespace BPrivate {

static const char kShown[] = "shown\n";
static const char kHidden[] = "hidden\n";

// The folder, made when |make| is set; empty without an absolute
// XDG_CONFIG_HOME or HOME.
static std::string switch_folder(bool make)
{
	const char* config = getenv("XDG_CONFIG_HOME");
	const char* home = getenv("HOME");
	std::string base;
	if (config != NULL && config[0] == '/')
		base = config;
	else if (home != NULL && home[0] == '/')
		base = std::string(home) + "/.config";
	else
		return std::string();
	std::string folder = base + "/pl-platform";
	if (make) {
		// The base directory too is owner-only when it is made, as the XDG
		// base directories ask.
		mkdir(base.c_str(), 0700);
		if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
			return std::string();
	}
	return folder;
}

bool read_saved_draggers_drawn(bool* drawn)
{
	std::string folder = switch_folder(false);
	if (folder.empty())
		return false;
	int fd = open((folder + "/show-replicants").c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
	if (fd < 0)
		return false;
	char buffer[16] = {};
	ssize_t got = read(fd, buffer, sizeof(buffer) - 1);
	close(fd);
	if (got <= 0)
		return false;
	// The whole file is the word: anything more is not ours.
	std::string text(buffer, size_t(got));
	if (text == kShown) {
		*drawn = true;
		return true;
	}
	if (text == kHidden) {
		*drawn = false;
		return true;
	}
	return false;
}

void save_draggers_drawn(bool drawn)
{
	std::string folder = switch_folder(true);
	if (folder.empty())
		return;
	const char* text = drawn ? kShown : kHidden;
	write_file_atomically((folder + "/show-replicants").c_str(), text, strlen(text), 0600);
}

} // namespace BPrivate
