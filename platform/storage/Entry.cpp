#include <Entry.h>

#include <errno.h>
#include <limits.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include <Path.h>

#include "storage/EntryRefPath.h"

namespace {

// Replaces |path| by what it points to, link after link, until it names
// something that is not a symlink. A dangling link gives the abstract entry it
// names; a cycle gives B_LINK_LIMIT.
status_t traverse_links(std::string* path)
{
	for (int hops = 0;; hops++) {
		struct stat st;
		if (lstat(path->c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
			return B_OK;
		if (hops == B_MAX_SYMLINKS)
			return B_LINK_LIMIT;
		char target[PATH_MAX];
		ssize_t length = readlink(path->c_str(), target, sizeof(target) - 1);
		if (length < 0)
			return errno_to_status(errno);
		target[length] = '\0';
		if (target[0] == '/') {
			*path = target;
		} else {
			// Relative to the directory that holds the link.
			size_t slash = path->rfind('/');
			*path =
			    (slash == std::string::npos ? std::string() : path->substr(0, slash + 1)) + target;
		}
	}
}

} // namespace

status_t get_ref_for_path(const char* path, entry_ref* ref)
{
	if (ref == NULL)
		return B_BAD_VALUE;
	if (path == NULL || path[0] == '\0')
		return B_ENTRY_NOT_FOUND;
	if (strlen(path) >= B_PATH_NAME_LENGTH)
		return B_NAME_TOO_LONG;
	return BPrivate::ref_for_path(path, ref);
}

BEntry::BEntry() : fStatus(B_NO_INIT) {}

BEntry::BEntry(const entry_ref* ref, bool traverse) : fStatus(B_NO_INIT)
{
	SetTo(ref, traverse);
}

BEntry::BEntry(const char* path, bool traverse) : fStatus(B_NO_INIT)
{
	SetTo(path, traverse);
}

BEntry::BEntry(const BEntry& other) : BStatable(), fRef(other.fRef), fStatus(other.fStatus) {}

BEntry::~BEntry() = default;

status_t BEntry::SetTo(const char* path, bool traverse)
{
	Unset();
	if (path == NULL)
		return fStatus = B_BAD_VALUE;
	if (path[0] == '\0')
		return fStatus = B_ENTRY_NOT_FOUND;
	if (strlen(path) >= B_PATH_NAME_LENGTH)
		return fStatus = B_NAME_TOO_LONG;

	std::string target = path;
	// "link/" names the link's target already; without the slash the leaf is
	// the link itself, which |traverse| decides about.
	while (target.size() > 1 && target.back() == '/')
		target.pop_back();
	if (traverse) {
		status_t status = traverse_links(&target);
		if (status != B_OK)
			return fStatus = status;
	}
	entry_ref ref;
	status_t status = BPrivate::ref_for_path(target.c_str(), &ref);
	if (status != B_OK)
		return fStatus = status;
	fRef = ref;
	return fStatus = B_OK;
}

status_t BEntry::SetTo(const entry_ref* ref, bool traverse)
{
	Unset();
	if (ref == NULL)
		return fStatus = B_BAD_VALUE;
	std::string path;
	status_t status = BPrivate::path_for_ref(*ref, &path);
	if (status != B_OK)
		return fStatus = status;
	if (traverse)
		return SetTo(path.c_str(), true);
	fRef = *ref;
	return fStatus = B_OK;
}

void BEntry::Unset()
{
	fRef = entry_ref();
	fStatus = B_NO_INIT;
}

status_t BEntry::InitCheck() const
{
	return fStatus;
}

bool BEntry::Exists() const
{
	struct stat st;
	return GetStat(&st) == B_OK;
}

status_t BEntry::GetStat(struct stat* st) const
{
	if (fStatus != B_OK)
		return fStatus;
	if (st == NULL)
		return B_BAD_VALUE;
	std::string path;
	status_t status = BPrivate::path_for_ref(fRef, &path);
	if (status != B_OK)
		return status;
	if (lstat(path.c_str(), st) != 0)
		return errno_to_status(errno);
	return B_OK;
}

status_t BEntry::GetNodeRef(node_ref* ref) const
{
	if (fStatus != B_OK)
		return fStatus;
	if (ref == NULL)
		return B_BAD_VALUE;
	std::string path;
	status_t status = BPrivate::path_for_ref(fRef, &path);
	if (status != B_OK)
		return status;
	struct stat st;
	if (lstat(path.c_str(), &st) != 0)
		return errno_to_status(errno);
	BPrivate::remember_node(st.st_dev, st.st_ino, path);
	ref->device = st.st_dev;
	ref->node = st.st_ino;
	return B_OK;
}

status_t BEntry::GetRef(entry_ref* ref) const
{
	if (fStatus != B_OK)
		return fStatus;
	if (ref == NULL)
		return B_BAD_VALUE;
	*ref = fRef;
	return B_OK;
}

status_t BEntry::GetPath(BPath* path) const
{
	if (fStatus != B_OK)
		return fStatus;
	if (path == NULL)
		return B_BAD_VALUE;
	return path->SetTo(&fRef);
}

status_t BEntry::GetParent(BEntry* entry) const
{
	if (fStatus != B_OK)
		return fStatus;
	if (entry == NULL)
		return B_BAD_VALUE;
	if (strcmp(fRef.name, ".") == 0)
		return B_ENTRY_NOT_FOUND; // the root has no parent
	std::string directory;
	status_t status = BPrivate::directory_path(fRef.device, fRef.directory, &directory);
	if (status != B_OK)
		return status;
	return entry->SetTo(directory.c_str());
}

status_t BEntry::GetName(char* buffer) const
{
	if (fStatus != B_OK)
		return fStatus;
	if (buffer == NULL)
		return B_BAD_VALUE;
	size_t length = strlen(fRef.name);
	if (length >= B_FILE_NAME_LENGTH)
		return B_NAME_TOO_LONG;
	memcpy(buffer, fRef.name, length + 1);
	return B_OK;
}

BEntry& BEntry::operator=(const BEntry& other)
{
	if (this != &other) {
		fRef = other.fRef;
		fStatus = other.fStatus;
	}
	return *this;
}

bool BEntry::operator==(const BEntry& other) const
{
	if (fStatus != B_OK || other.fStatus != B_OK)
		return fStatus != B_OK && other.fStatus != B_OK;
	return fRef == other.fRef;
}

bool BEntry::operator!=(const BEntry& other) const
{
	return !(*this == other);
}
