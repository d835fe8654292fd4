#include "desktop/IconTheme.h"

#include <Bitmap.h>
#include <TranslationUtils.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>

// An icon file bigger than this is no icon: it is not decoded.
static const off_t kMaxIconFileSize = 1024 * 1024;
// Lines read from a settings or generic-icons file, at most.
static const int kMaxLines = 100000;

static std::string home_folder()
{
	const char* home = getenv("HOME");
	return home != NULL && home[0] == '/' ? std::string(home) : std::string();
}

// The theme GTK is set to, from $XDG_CONFIG_HOME/gtk-3.0/settings.ini.
static std::string gtk_icon_theme()
{
	const char* config = getenv("XDG_CONFIG_HOME");
	std::string base = config != NULL && config[0] == '/' ? std::string(config)
	                                                       : home_folder() + "/.config";
	if (base == "/.config")
		return std::string();
	std::ifstream in(base + "/gtk-3.0/settings.ini");
	std::string line;
	const std::string key = "gtk-icon-theme-name";
	for (int lines = 0; lines < kMaxLines && std::getline(in, line); lines++) {
		if (line.compare(0, key.size(), key) != 0)
			continue;
		size_t equals = line.find('=', key.size());
		if (equals == std::string::npos)
			continue;
		std::string value = line.substr(equals + 1);
		value.erase(0, value.find_first_not_of(" \t\""));
		value.erase(value.find_last_not_of(" \t\"\r") + 1);
		// A theme is a folder's name, never a path.
		if (!value.empty() && value.find('/') == std::string::npos && value != "..")
			return value;
	}
	return std::string();
}

std::vector<std::string> IconTheme::DefaultIconFolders()
{
	std::vector<std::string> folders;
	const char* dataHome = getenv("XDG_DATA_HOME");
	std::string home = home_folder();
	if (dataHome != NULL && dataHome[0] == '/')
		folders.push_back(std::string(dataHome) + "/icons");
	else if (!home.empty())
		folders.push_back(home + "/.local/share/icons");
	if (!home.empty())
		folders.push_back(home + "/.icons");
	const char* dataDirs = getenv("XDG_DATA_DIRS");
	std::string dirs = dataDirs != NULL && dataDirs[0] != '\0' ? dataDirs
	                                                          : "/usr/local/share:/usr/share";
	for (size_t start = 0; start <= dirs.size();) {
		size_t end = dirs.find(':', start);
		if (end == std::string::npos)
			end = dirs.size();
		std::string dir = dirs.substr(start, end - start);
		if (!dir.empty() && dir[0] == '/')
			folders.push_back(dir + "/icons");
		start = end + 1;
	}
	return folders;
}

IconTheme::IconTheme(int32 size, const std::vector<std::string>& iconFolders)
    : fSize(size), fFolders(iconFolders), fGenericIconsRead(false)
{
	std::string chosen = gtk_icon_theme();
	if (!chosen.empty() && chosen != "Adwaita" && chosen != "hicolor")
		fThemes.push_back(chosen);
	fThemes.push_back("Adwaita");
	// Every theme inherits from hicolor in the end.
	fThemes.push_back("hicolor");
}

IconTheme::~IconTheme() = default;

void IconTheme::_ReadGenericIcons()
{
	fGenericIconsRead = true;
	// The icon folders' parents are the data folders shared-mime-info uses;
	// the first to name a type wins.
	for (const std::string& folder : fFolders) {
		size_t slash = folder.rfind('/');
		if (slash == std::string::npos || folder.compare(slash, std::string::npos, "/icons") != 0)
			continue;
		std::ifstream in(folder.substr(0, slash) + "/mime/generic-icons");
		std::string line;
		for (int lines = 0; lines < kMaxLines && std::getline(in, line); lines++) {
			size_t colon = line.find(':');
			if (colon == std::string::npos || colon == 0 || colon + 1 >= line.size())
				continue;
			fGenericIcons.emplace(line.substr(0, colon), line.substr(colon + 1));
		}
	}
}

std::vector<std::string> IconTheme::IconNames(const std::string& type)
{
	std::vector<std::string> names;
	auto add = [&](const std::string& name) {
		// An icon name is a file's name within the theme, never a path.
		if (!name.empty() && name.find('/') == std::string::npos && name[0] != '.')
			names.push_back(name);
	};
	if (type == "inode/directory") {
		add("folder");
		return names;
	}
	size_t slash = type.find('/');
	if (slash != std::string::npos) {
		std::string dashed = type;
		dashed[slash] = '-';
		add(dashed);
	}
	if (!fGenericIconsRead)
		_ReadGenericIcons();
	auto generic = fGenericIcons.find(type);
	if (generic != fGenericIcons.end())
		add(generic->second);
	if (slash != std::string::npos && slash > 0)
		add(type.substr(0, slash) + "-x-generic");
	add("application-x-generic");
	return names;
}

const BBitmap* IconTheme::IconFor(const std::string& type)
{
	auto known = fByType.find(type);
	if (known != fByType.end())
		return known->second.get();
	BBitmap* found = NULL;
	for (const std::string& name : IconNames(type)) {
		if ((found = _Load(name)) != NULL)
			break;
	}
	fByType[type].reset(found);
	return found;
}

BBitmap* IconTheme::_Load(const std::string& name) const
{
	// The size asked for first, then the sizes themes commonly carry, the
	// nearest first; the drawing scales.
	std::vector<int32> sizes = {fSize, 48, 24, 64, 22, 96, 128, 16, 256};
	for (const std::string& theme : fThemes) {
		for (const std::string& folder : fFolders) {
			std::string base = folder + "/" + theme + "/";
			struct stat st;
			if (stat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
				continue;
			for (int32 size : sizes) {
				std::string dimension = std::to_string(size) + "x" + std::to_string(size);
				for (const char* context : {"mimetypes", "places"}) {
					std::string path = base + dimension + "/" + context + "/" + name + ".png";
					if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
					    st.st_size > kMaxIconFileSize)
						continue;
					BBitmap* bitmap = BTranslationUtils::GetBitmapFile(path.c_str());
					if (bitmap != NULL && bitmap->IsValid())
						return bitmap;
					delete bitmap; // damaged: the next candidate may do
				}
			}
		}
	}
	return NULL;
}
