#include <Path.h>

#include <stdlib.h>
#include <string.h>

#include <string>

#include "storage/EntryRefPath.h"

namespace {

// Whether |path| (absolute) holds something only the file system can resolve:
// "//", "/./", "/../", a trailing "/." or "/..", or a trailing '/'.
bool must_normalize(const char* path)
{
	if (path[0] != '/')
		return true;
	size_t length = strlen(path);
	if (length == 1)
		return false;
	if (path[length - 1] == '/')
		return true;
	for (const char* component = path; component != NULL;) {
		component++; // past the '/'
		const char* next = strchr(component, '/');
		size_t size = next != NULL ? size_t(next - component) : strlen(component);
		if (size == 0 || (size == 1 && component[0] == '.') ||
		    (size == 2 && component[0] == '.' && component[1] == '.'))
			return true;
		component = next;
	}
	return false;
}

} // namespace

BPath::BPath() : fName(NULL), fStatus(B_NO_INIT) {}

BPath::BPath(const BPath& other) : fName(NULL), fStatus(B_NO_INIT)
{
	*this = other;
}

BPath::BPath(const entry_ref* ref) : fName(NULL), fStatus(B_NO_INIT)
{
	SetTo(ref);
}

BPath::BPath(const BEntry* entry) : fName(NULL), fStatus(B_NO_INIT)
{
	SetTo(entry);
}

BPath::BPath(const char* dir, const char* leaf, bool normalize) : fName(NULL), fStatus(B_NO_INIT)
{
	SetTo(dir, leaf, normalize);
}

BPath::~BPath()
{
	free(fName);
}

status_t BPath::InitCheck() const
{
	return fStatus;
}

status_t BPath::SetTo(const entry_ref* ref)
{
	Unset();
	if (ref == NULL)
		return fStatus = B_BAD_VALUE;
	std::string path;
	status_t status = BPrivate::path_for_ref(*ref, &path);
	if (status != B_OK)
		return fStatus = status;
	return fStatus = _SetPath(path.c_str());
}

status_t BPath::SetTo(const BEntry* entry)
{
	Unset();
	if (entry == NULL)
		return fStatus = B_BAD_VALUE;
	entry_ref ref;
	status_t status = entry->GetRef(&ref);
	if (status != B_OK)
		return fStatus = status;
	return SetTo(&ref);
}

status_t BPath::SetTo(const char* path, const char* leaf, bool normalize)
{
	// |path| may be our own fName (Append), so build the new name first.
	if (path == NULL || path[0] == '\0' || (leaf != NULL && leaf[0] == '/')) {
		Unset();
		return fStatus = B_BAD_VALUE;
	}
	std::string joined = path;
	if (leaf != NULL) {
		if (joined.back() != '/')
			joined += '/';
		joined += leaf;
	}
	if (joined.size() >= B_PATH_NAME_LENGTH) {
		Unset();
		return fStatus = B_NAME_TOO_LONG;
	}

	if (normalize || must_normalize(joined.c_str())) {
		BEntry entry(joined.c_str(), false);
		status_t status = entry.InitCheck();
		if (status != B_OK) {
			Unset();
			return fStatus = status;
		}
		return SetTo(&entry);
	}
	Unset();
	return fStatus = _SetPath(joined.c_str());
}

void BPath::Unset()
{
	free(fName);
	fName = NULL;
	fStatus = B_NO_INIT;
}

status_t BPath::Append(const char* path, bool normalize)
{
	if (fStatus != B_OK) {
		Unset();
		return fStatus = B_BAD_VALUE;
	}
	return SetTo(fName, path, normalize);
}

const char* BPath::Path() const
{
	return fName;
}

const char* BPath::Leaf() const
{
	if (fName == NULL)
		return NULL;
	return strrchr(fName, '/') + 1; // absolute, so there is a '/'
}

status_t BPath::GetParent(BPath* path) const
{
	if (path == NULL)
		return B_BAD_VALUE;
	if (fStatus != B_OK)
		return fStatus;
	if (strcmp(fName, "/") == 0)
		return B_ENTRY_NOT_FOUND;
	const char* slash = strrchr(fName, '/');
	std::string parent(fName, slash == fName ? 1 : size_t(slash - fName));
	return path->SetTo(parent.c_str());
}

bool BPath::operator==(const BPath& other) const
{
	return *this == other.fName;
}

bool BPath::operator==(const char* path) const
{
	if (fName == NULL || path == NULL)
		return fName == NULL && path == NULL;
	return strcmp(fName, path) == 0;
}

bool BPath::operator!=(const BPath& other) const
{
	return !(*this == other);
}

bool BPath::operator!=(const char* path) const
{
	return !(*this == path);
}

BPath& BPath::operator=(const BPath& other)
{
	if (this != &other) {
		Unset();
		if (other.fName != NULL)
			fStatus = _SetPath(other.fName);
		else
			fStatus = other.fStatus;
	}
	return *this;
}

BPath& BPath::operator=(const char* path)
{
	if (path == NULL)
		Unset();
	else
		SetTo(path);
	return *this;
}

status_t BPath::_SetPath(const char* path)
{
	char* copy = strdup(path);
	if (copy == NULL)
		return B_NO_MEMORY;
	free(fName);
	fName = copy;
	return B_OK;
}
