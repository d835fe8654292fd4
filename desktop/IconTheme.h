#ifndef _ICON_THEME_H
#define _ICON_THEME_H

#include <SupportDefs.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

class BBitmap;

// Icons of files by their type, from the freedesktop icon themes installed
// under the icon folders (the user's theme from GTK's settings when it names
// one, then Adwaita, then hicolor): "image/png" is looked up as "image-png",
// then as shared-mime-info's generic icon for it, then "image-x-generic",
// finally "application-x-generic". Only PNG icons are read, through the
// translation kit, at the size asked for or the nearest sizes the themes
// usually carry. Each type is looked up once; what was found, or that nothing
// was, is kept for the theme's life.
//
// Used from one thread (the desktop window's).
class IconTheme {
public:
	// |iconFolders|: where themes live, most important first.
	explicit IconTheme(int32 size = 32,
	                   const std::vector<std::string>& iconFolders = DefaultIconFolders());
	~IconTheme();

	// The icon for a file of |type| ("inode/directory" for a folder); NULL
	// when no theme has one, and the caller draws its own. Owned by the theme.
	const BBitmap* IconFor(const std::string& type);

	// The names an icon of |type| is looked up by, in order.
	std::vector<std::string> IconNames(const std::string& type);

	// $XDG_DATA_HOME/icons, ~/.icons, then icons/ under each of
	// $XDG_DATA_DIRS (else /usr/local/share:/usr/share).
	static std::vector<std::string> DefaultIconFolders();

private:
	IconTheme(const IconTheme&) = delete;
	IconTheme& operator=(const IconTheme&) = delete;

	BBitmap* _Load(const std::string& name) const;
	void _ReadGenericIcons();

	int32 fSize;
	std::vector<std::string> fFolders;
	std::vector<std::string> fThemes;
	std::map<std::string, std::unique_ptr<BBitmap>> fByType; // NULL: none was found
	std::map<std::string, std::string> fGenericIcons;        // type to icon name
	bool fGenericIconsRead;
};

#endif
