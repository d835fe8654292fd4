#include <Node.h>

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <TypeConstants.h>

#include "storage/EntryRefPath.h"

namespace {

const char* kTypeAttribute = "BEOS:TYPE";
const char* kTypeXattr = "user.mime_type";

// The extended attribute that holds the Be attribute |name|.
status_t xattr_name(const char* name, std::string* xattr)
{
	if (name == NULL || name[0] == '\0' || strlen(name) > B_ATTR_NAME_LENGTH)
		return B_BAD_VALUE;
	*xattr = strcmp(name, kTypeAttribute) == 0 ? kTypeXattr : std::string("user.") + name;
	return B_OK;
}

} // namespace

BNode::BNode() : fFd(-1), fPathOnly(false), fStatus(B_NO_INIT) {}

BNode::BNode(const entry_ref* ref) : fFd(-1), fPathOnly(false), fStatus(B_NO_INIT)
{
	SetTo(ref);
}

BNode::BNode(const BEntry* entry) : fFd(-1), fPathOnly(false), fStatus(B_NO_INIT)
{
	SetTo(entry);
}

BNode::BNode(const char* path) : fFd(-1), fPathOnly(false), fStatus(B_NO_INIT)
{
	SetTo(path);
}

BNode::~BNode()
{
	Unset();
}

status_t BNode::SetTo(const entry_ref* ref)
{
	Unset();
	if (ref == NULL)
		return fStatus = B_BAD_VALUE;
	std::string path;
	status_t status = BPrivate::path_for_ref(*ref, &path);
	if (status != B_OK)
		return fStatus = status;
	return fStatus = _OpenPath(path.c_str());
}

status_t BNode::SetTo(const BEntry* entry)
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

status_t BNode::SetTo(const char* path)
{
	Unset();
	if (path == NULL)
		return fStatus = B_BAD_VALUE;
	if (path[0] == '\0')
		return fStatus = B_ENTRY_NOT_FOUND;
	return fStatus = _OpenPath(path);
}

void BNode::Unset()
{
	_SetFd(-1);
	fStatus = B_NO_INIT;
}

status_t BNode::InitCheck() const
{
	return fStatus;
}

status_t BNode::GetStat(struct stat* st) const
{
	if (fStatus != B_OK)
		return fStatus;
	if (st == NULL)
		return B_BAD_VALUE;
	if (fstat(fFd, st) != 0)
		return errno_to_status(errno);
	return B_OK;
}

status_t BNode::GetNodeRef(node_ref* ref) const
{
	status_t status = BStatable::GetNodeRef(ref);
	if (status != B_OK)
		return status;
	char procPath[64];
	_ProcPath(procPath, sizeof(procPath));
	char path[PATH_MAX];
	ssize_t length = readlink(procPath, path, sizeof(path) - 1);
	if (length > 0 && path[0] == '/') {
		path[length] = '\0';
		// A node that lost its last name has nothing to remember.
		struct stat st;
		if (stat(path, &st) == 0 && st.st_dev == ref->device && st.st_ino == ref->node)
			BPrivate::remember_node(ref->device, ref->node, path);
	}
	return B_OK;
}

ssize_t BNode::ReadAttr(const char* name, type_code, off_t offset, void* buffer,
                        size_t length) const
{
	if (fStatus != B_OK)
		return fStatus;
	std::string xattr;
	if (xattr_name(name, &xattr) != B_OK || offset < 0 || (buffer == NULL && length > 0))
		return B_BAD_VALUE;
	char procPath[64];
	_ProcPath(procPath, sizeof(procPath));
	auto get = [&](void* into, size_t size) {
		return fPathOnly ? getxattr(procPath, xattr.c_str(), into, size)
		                 : fgetxattr(fFd, xattr.c_str(), into, size);
	};

	if (offset == 0) {
		ssize_t got = get(buffer, length);
		if (got >= 0)
			return got;
		if (errno != ERANGE)
			return errno_to_status(errno);
	}
	// The attribute is longer than |buffer| or read from the middle: xattrs
	// only come whole, so fetch all of it and copy the part asked for.
	for (int attempt = 0; attempt < 4; attempt++) {
		ssize_t size = get(NULL, 0);
		if (size < 0)
			return errno_to_status(errno);
		std::vector<char> whole(size_t(size) + 1);
		ssize_t got = get(whole.data(), whole.size());
		if (got < 0) {
			if (errno == ERANGE)
				continue; // grew in between
			return errno_to_status(errno);
		}
		if (offset >= got)
			return 0;
		size_t count = std::min(length, size_t(got - offset));
		memcpy(buffer, whole.data() + offset, count);
		return ssize_t(count);
	}
	return B_BUSY;
}

ssize_t BNode::WriteAttr(const char* name, type_code, off_t offset, const void* buffer,
                         size_t length)
{
	if (fStatus != B_OK)
		return fStatus;
	std::string xattr;
	if (xattr_name(name, &xattr) != B_OK || offset < 0 || (buffer == NULL && length > 0))
		return B_BAD_VALUE;

	// Writing at offset 0 replaces the attribute; further in, it is spliced
	// into what is there (zero-filled up to |offset|).
	std::vector<char> value;
	if (offset > 0) {
		attr_info info;
		status_t status = GetAttrInfo(name, &info);
		if (status == B_OK) {
			value.resize(size_t(info.size));
			ssize_t got = ReadAttr(name, info.type, 0, value.data(), value.size());
			if (got < 0)
				return got;
			value.resize(size_t(got));
		} else if (status != B_ENTRY_NOT_FOUND) {
			return status;
		}
		if (value.size() < size_t(offset) + length)
			value.resize(size_t(offset) + length, 0);
		memcpy(value.data() + offset, buffer, length);
	}
	const void* data = offset > 0 ? static_cast<const void*>(value.data()) : buffer;
	size_t size = offset > 0 ? value.size() : length;

	char procPath[64];
	_ProcPath(procPath, sizeof(procPath));
	int result = fPathOnly ? setxattr(procPath, xattr.c_str(), data, size, 0)
	                       : fsetxattr(fFd, xattr.c_str(), data, size, 0);
	if (result != 0)
		return errno_to_status(errno);
	return ssize_t(length);
}

status_t BNode::RemoveAttr(const char* name)
{
	if (fStatus != B_OK)
		return fStatus;
	std::string xattr;
	if (xattr_name(name, &xattr) != B_OK)
		return B_BAD_VALUE;
	char procPath[64];
	_ProcPath(procPath, sizeof(procPath));
	int result =
	    fPathOnly ? removexattr(procPath, xattr.c_str()) : fremovexattr(fFd, xattr.c_str());
	if (result != 0)
		return errno_to_status(errno);
	return B_OK;
}

status_t BNode::GetAttrInfo(const char* name, attr_info* info) const
{
	if (fStatus != B_OK)
		return fStatus;
	std::string xattr;
	if (xattr_name(name, &xattr) != B_OK || info == NULL)
		return B_BAD_VALUE;
	char procPath[64];
	_ProcPath(procPath, sizeof(procPath));
	ssize_t size = fPathOnly ? getxattr(procPath, xattr.c_str(), NULL, 0)
	                         : fgetxattr(fFd, xattr.c_str(), NULL, 0);
	if (size < 0)
		return errno_to_status(errno);
	info->type = strcmp(name, kTypeAttribute) == 0 ? B_MIME_STRING_TYPE : B_RAW_TYPE;
	info->size = size;
	return B_OK;
}

bool BNode::operator==(const BNode& other) const
{
	if (fStatus != B_OK || other.fStatus != B_OK)
		return fStatus != B_OK && other.fStatus != B_OK;
	node_ref mine;
	node_ref theirs;
	return GetNodeRef(&mine) == B_OK && other.GetNodeRef(&theirs) == B_OK && mine == theirs;
}

bool BNode::operator!=(const BNode& other) const
{
	return !(*this == other);
}

void BNode::_SetFd(int fd)
{
	if (fFd >= 0)
		close(fFd);
	fFd = fd;
	fPathOnly = false;
}

status_t BNode::_OpenPath(const char* path)
{
	// Non-blocking so that a FIFO does not hang the open.
	int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
	bool pathOnly = false;
	if (fd < 0 && (errno == EACCES || errno == EPERM)) {
		// A node one may not read still has a type and attributes.
		fd = open(path, O_PATH | O_CLOEXEC);
		pathOnly = true;
	}
	if (fd < 0)
		return errno_to_status(errno);
	_SetFd(fd);
	fPathOnly = pathOnly;
	return B_OK;
}

void BNode::_ProcPath(char* buffer, size_t size) const
{
	snprintf(buffer, size, "/proc/self/fd/%d", fFd);
}
