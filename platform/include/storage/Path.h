#ifndef _PATH_H
#define _PATH_H

#include <Entry.h>
#include <StorageDefs.h>
#include <SupportDefs.h>

// An absolute path name. SetTo() normalises when asked to or when it must: a
// relative path, ".", "..", "//" or a trailing '/'. Normalising resolves the
// path through the file system, so every component but the leaf must exist;
// otherwise the path is invalid (InitCheck() fails, Path() is NULL).
class BPath {
public:
	BPath();
	BPath(const BPath& other);
	BPath(const entry_ref* ref);
	BPath(const BEntry* entry);
	BPath(const char* dir, const char* leaf = NULL, bool normalize = false);
	virtual ~BPath();

	status_t InitCheck() const;

	status_t SetTo(const entry_ref* ref);
	status_t SetTo(const BEntry* entry);
	status_t SetTo(const char* path, const char* leaf = NULL, bool normalize = false);
	void Unset();

	// SetTo(Path(), path, normalize); |path| must be relative.
	status_t Append(const char* path, bool normalize = false);

	const char* Path() const;
	const char* Leaf() const;
	status_t GetParent(BPath* path) const;

	bool operator==(const BPath& other) const;
	bool operator==(const char* path) const;
	bool operator!=(const BPath& other) const;
	bool operator!=(const char* path) const;
	BPath& operator=(const BPath& other);
	BPath& operator=(const char* path);

private:
	status_t _SetPath(const char* path);

	char* fName; // owned, NULL when not initialised
	status_t fStatus;
};

#endif
