// The small text files the desktop and the handles' switch read from the
// user's folders, made of arbitrary bytes: shared-mime-info's generic-icons
// list, GTK's settings.ini (the icon theme's name), and the saved "show
// replicants" choice. Reading them must stay within bounds and never turn a
// line into a path: every icon name the theme would look up is a plain name.
//
// The input is split at its first two NUL bytes: generic-icons, settings.ini,
// then the type to look up (also written as the saved switch).

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "desktop/IconTheme.h"
#include "interface/DraggersDrawnFile.h"

static std::string sRoot;

static void set_up()
{
	char folder[] = "/tmp/fuzz_desktop_settings_XXXXXX";
	if (mkdtemp(folder) == NULL)
		abort();
	sRoot = folder;
	mkdir((sRoot + "/mime").c_str(), 0700);
	mkdir((sRoot + "/icons").c_str(), 0700);
	mkdir((sRoot + "/config").c_str(), 0700);
	mkdir((sRoot + "/config/gtk-3.0").c_str(), 0700);
	mkdir((sRoot + "/config/pl-platform").c_str(), 0700);
	setenv("XDG_CONFIG_HOME", (sRoot + "/config").c_str(), 1);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if (sRoot.empty())
		set_up();
	std::string input(reinterpret_cast<const char*>(data), size);
	size_t first = input.find('\0');
	size_t second = first == std::string::npos ? std::string::npos : input.find('\0', first + 1);
	std::string generic = input.substr(0, first);
	std::string settings = first == std::string::npos ? "" : input.substr(first + 1, second - first - 1);
	std::string type = second == std::string::npos ? "image/png" : input.substr(second + 1);

	std::ofstream(sRoot + "/mime/generic-icons", std::ios::trunc) << generic;
	std::ofstream(sRoot + "/config/gtk-3.0/settings.ini", std::ios::trunc) << settings;
	std::ofstream(sRoot + "/config/pl-platform/show-replicants", std::ios::trunc) << type;

	IconTheme theme(32, {sRoot + "/icons"});
	for (const std::string& name : theme.IconNames(type)) {
		if (name.empty() || name.find('/') != std::string::npos || name[0] == '.')
			abort();
	}
	// No theme is installed there: nothing may be found.
	if (theme.IconFor(type) != NULL)
		abort();
	bool drawn = false;
	if (BPrivate::read_saved_draggers_drawn(&drawn) && type != "shown\n" && type != "hidden\n")
		abort();
	return 0;
}
