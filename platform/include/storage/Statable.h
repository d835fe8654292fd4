#ifndef _STATABLE_H
#define _STATABLE_H

#include <sys/stat.h>

#include <StorageDefs.h>
#include <SupportDefs.h>

// What BEntry and BNode share: questions answered from a stat structure.
// A BEntry answers for the entry itself (a symlink is a symlink); a BNode for
// the node it opened.
class BStatable {
public:
	virtual ~BStatable();

	virtual status_t GetStat(struct stat* st) const = 0;

	bool IsFile() const;
	bool IsDirectory() const;
	bool IsSymLink() const;

	status_t GetNodeRef(node_ref* ref) const;
	status_t GetSize(off_t* size) const;
	status_t GetModificationTime(time_t* mtime) const;
	status_t GetPermissions(mode_t* permissions) const;
};

#endif
