#include "desktop/DesktopFolder.h"

#include <dirent.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>

std::string desktop_folder_path()
{
	const char* homeValue = getenv("HOME");
	if (homeValue == NULL || homeValue[0] != '/')
		return std::string();
	std::string home = homeValue;
	const char* config = getenv("XDG_CONFIG_HOME");
	std::string dirs = (config != NULL && config[0] == '/' ? std::string(config)
	                                                       : home + "/.config") +
	                   "/user-dirs.dirs";
	// Lines of the form XDG_DESKTOP_DIR="$HOME/Desktop", as xdg-user-dirs
	// writes them: an absolute path or one under $HOME.
	std::ifstream in(dirs);
	std::string line;
	const std::string key = "XDG_DESKTOP_DIR=\"";
	while (std::getline(in, line)) {
		if (line.compare(0, key.size(), key) != 0 || line.back() != '"')
			continue;
		std::string value = line.substr(key.size(), line.size() - key.size() - 1);
		if (value.compare(0, 5, "$HOME") == 0)
			value = home + value.substr(5);
		// "$HOME/" alone means no desktop folder of its own: the home is not it.
		if (!value.empty() && value[0] == '/' && value != home && value != home + "/")
			return value;
	}
	return home + "/Desktop";
}

std::vector<std::string> desktop_entries(const std::string& folder)
{
	std::vector<std::string> names;
	DIR* dir = folder.empty() ? NULL : opendir(folder.c_str());
	if (dir == NULL)
		return names;
	while (struct dirent* entry = readdir(dir)) {
		if (entry->d_name[0] == '.')
			continue;
		names.push_back(entry->d_name);
	}
	closedir(dir);
	std::sort(names.begin(), names.end());
	return names;
}
