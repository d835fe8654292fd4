#ifndef _ENTRY_H
#define _ENTRY_H

#include <StorageDefs.h>
#include <SupportDefs.h>

// An entry: the leaf "name" in the directory whose inode is "directory" on
// "device". On Linux, device and directory are st_dev and st_ino of the parent
// directory; the platform resolves a ref to a path through the directories it
// has seen (see storage/EntryRefPath.h).
struct entry_ref {
	entry_ref();
	entry_ref(dev_t device, ino_t dir, const char* name);
	entry_ref(const entry_ref& other);
	~entry_ref();

	status_t set_name(const char* name);

	bool operator==(const entry_ref& other) const;
	bool operator!=(const entry_ref& other) const;
	entry_ref& operator=(const entry_ref& other);

	dev_t device;
	ino_t directory;
	char* name; // owned copy, NULL when unset
};

// Device, then directory, then name (NULL first, else strcmp).
bool operator<(const entry_ref& a, const entry_ref& b);

#endif
