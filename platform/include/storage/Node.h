#ifndef _NODE_H
#define _NODE_H

#include <Entry.h>
#include <Statable.h>
#include <fs_attr.h>

// An open file system node (file, directory, ...), following symlinks. Holds a
// descriptor for as long as it is set.
class BNode : public BStatable {
public:
	BNode();
	BNode(const entry_ref* ref);
	BNode(const BEntry* entry);
	BNode(const char* path);
	virtual ~BNode();

	status_t SetTo(const entry_ref* ref);
	status_t SetTo(const BEntry* entry);
	status_t SetTo(const char* path);
	void Unset();
	status_t InitCheck() const;

	virtual status_t GetStat(struct stat* st) const;
	// As BStatable's; also lets the platform find the node again by its
	// node_ref (watch_node()).
	status_t GetNodeRef(node_ref* ref) const;

	// Attributes are the node's "user." extended attributes. |type| is not
	// stored: GetAttrInfo reports B_MIME_STRING_TYPE for "BEOS:TYPE" and
	// B_RAW_TYPE for the rest. Return the byte count or an error.
	ssize_t ReadAttr(const char* name, type_code type, off_t offset, void* buffer,
	                 size_t length) const;
	ssize_t WriteAttr(const char* name, type_code type, off_t offset, const void* buffer,
	                  size_t length);
	status_t RemoveAttr(const char* name);
	status_t GetAttrInfo(const char* name, attr_info* info) const;

	bool operator==(const BNode& other) const;
	bool operator!=(const BNode& other) const;

protected:
	// Takes over |fd| (opened by a subclass with its own mode); closes the old one.
	void _SetFd(int fd);
	int _Fd() const { return fFd; }
	void _SetStatus(status_t status) { fStatus = status; }

private:
	friend class BNodeInfo;

	BNode(const BNode&) = delete;
	BNode& operator=(const BNode&) = delete;

	status_t _OpenPath(const char* path);
	// The path the *xattr calls use for an O_PATH descriptor.
	void _ProcPath(char* buffer, size_t size) const;

	int fFd;
	bool fPathOnly; // fFd is O_PATH: the node could not be opened for reading
	status_t fStatus;
};

#endif
