#ifndef _SHELF_LOCATION_H
#define _SHELF_LOCATION_H

#include <SupportDefs.h>

#include <string>

// The file the desktop keeps its replicants in:
// $XDG_DATA_HOME/pl-platform/desktop/shelf (else ~/.local/share/...). Its
// folders are made, owner-only, when missing. B_ENTRY_NOT_FOUND without
// an absolute XDG_DATA_HOME or HOME.
status_t desktop_shelf_path(std::string* path);

#endif
