#ifndef _ENTRY_H
#define _ENTRY_H

#include <Statable.h>
#include <StorageDefs.h>
#include <SupportDefs.h>

class BPath;

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

// Fills |ref| for |path| (absolute, or relative to the working directory). The
// leaf need not exist; B_ENTRY_NOT_FOUND for an empty path or a missing
// directory component. A trailing symlink is not followed.
status_t get_ref_for_path(const char* path, entry_ref* ref);

// A named entry in a directory. The directory must exist, the leaf need not
// ("abstract entry"): InitCheck() is B_OK for a file that was deleted, and
// only the calls that need the node (GetNodeRef, GetStat, ...) then fail.
class BEntry : public BStatable {
public:
	BEntry();
	BEntry(const entry_ref* ref, bool traverse = false);
	BEntry(const char* path, bool traverse = false);
	BEntry(const BEntry& other);
	virtual ~BEntry();

	// |traverse| replaces a symlink by the entry it points to, link after link.
	status_t SetTo(const entry_ref* ref, bool traverse = false);
	status_t SetTo(const char* path, bool traverse = false);
	void Unset();
	status_t InitCheck() const;

	bool Exists() const;
	virtual status_t GetStat(struct stat* st) const;
	// As BStatable's; also lets the platform find the node again by its
	// node_ref (watch_node()).
	status_t GetNodeRef(node_ref* ref) const;

	status_t GetRef(entry_ref* ref) const;
	status_t GetPath(BPath* path) const;
	status_t GetParent(BEntry* entry) const;
	status_t GetName(char* buffer) const; // |buffer| holds B_FILE_NAME_LENGTH bytes

	BEntry& operator=(const BEntry& other);
	bool operator==(const BEntry& other) const;
	bool operator!=(const BEntry& other) const;

private:
	entry_ref fRef;
	status_t fStatus;
};

#endif
