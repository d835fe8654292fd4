#ifndef _DESKTOP_FOLDER_H
#define _DESKTOP_FOLDER_H

#include <string>
#include <vector>

// The user's desktop folder: XDG_DESKTOP_DIR of
// $XDG_CONFIG_HOME/user-dirs.dirs (else ~/.config/user-dirs.dirs), else
// ~/Desktop. Empty without a HOME.
std::string desktop_folder_path();

// The names of the entries of |folder| that a desktop shows (hidden ones
// left out), sorted; empty when it cannot be read.
std::vector<std::string> desktop_entries(const std::string& folder);

#endif
