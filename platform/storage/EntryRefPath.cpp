#include "storage/EntryRefPath.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <utility>

namespace BPrivate {

namespace {

struct DirectoryTable {
	std::mutex lock;
	std::map<std::pair<dev_t, ino_t>, std::string> paths; // guarded by lock
};

DirectoryTable& directory_table()
{
	static DirectoryTable* table = new DirectoryTable; // never destroyed: used at exit
	return *table;
}

bool is_directory(const std::string& path, dev_t device, ino_t inode)
{
	struct stat st;
	return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_dev == device
		&& st.st_ino == inode;
}

} // namespace

void remember_directory(dev_t device, ino_t inode, const std::string& path)
{
	DirectoryTable& table = directory_table();
	std::lock_guard<std::mutex> guard(table.lock);
	table.paths[{device, inode}] = path;
}

status_t directory_path(dev_t device, ino_t inode, std::string* path)
{
	std::string candidate;
	{
		DirectoryTable& table = directory_table();
		std::lock_guard<std::mutex> guard(table.lock);
		auto found = table.paths.find({device, inode});
		if (found != table.paths.end())
			candidate = found->second;
	}
	if (candidate.empty() || !is_directory(candidate, device, inode))
		return B_ENTRY_NOT_FOUND;
	*path = candidate;
	return B_OK;
}

void remember_node(dev_t device, ino_t inode, const std::string& path)
{
	remember_directory(device, inode, path);
}

status_t node_path(dev_t device, ino_t inode, std::string* path)
{
	std::string candidate;
	{
		DirectoryTable& table = directory_table();
		std::lock_guard<std::mutex> guard(table.lock);
		auto found = table.paths.find({device, inode});
		if (found != table.paths.end())
			candidate = found->second;
	}
	struct stat st;
	// lstat: a node may be a symlink itself (a BEntry's node_ref).
	if (candidate.empty() || lstat(candidate.c_str(), &st) != 0 || st.st_dev != device
		|| st.st_ino != inode)
		return B_ENTRY_NOT_FOUND;
	*path = candidate;
	return B_OK;
}

status_t path_for_ref(const entry_ref& ref, std::string* path)
{
	if (ref.name == NULL || ref.name[0] == '\0' || strchr(ref.name, '/') != NULL ||
	    strcmp(ref.name, "..") == 0)
		return B_BAD_VALUE;
	std::string directory;
	status_t status = directory_path(ref.device, ref.directory, &directory);
	if (status != B_OK)
		return status;
	if (strcmp(ref.name, ".") == 0) {
		*path = directory;
		return B_OK;
	}
	*path = directory == "/" ? "/" + std::string(ref.name) : directory + "/" + ref.name;
	return B_OK;
}

status_t ref_for_path(const char* path, entry_ref* ref)
{
	if (path == NULL || path[0] == '\0' || ref == NULL)
		return B_ENTRY_NOT_FOUND;

	std::string full = path;
	if (full[0] != '/') {
		char cwd[PATH_MAX];
		if (getcwd(cwd, sizeof(cwd)) == NULL)
			return errno_to_status(errno);
		full = std::string(cwd) + "/" + full;
	}
	while (full.size() > 1 && full.back() == '/')
		full.pop_back();

	std::string parent;
	std::string leaf;
	size_t slash = full.rfind('/');
	if (full == "/") {
		parent = "/";
		leaf = ".";
	} else {
		parent = slash == 0 ? "/" : full.substr(0, slash);
		leaf = full.substr(slash + 1);
	}

	char resolved[PATH_MAX];
	if (realpath(parent.c_str(), resolved) == NULL)
		return B_ENTRY_NOT_FOUND;
	struct stat st;
	if (stat(resolved, &st) != 0)
		return errno_to_status(errno);
	if (!S_ISDIR(st.st_mode))
		return B_ENTRY_NOT_FOUND;

	if (leaf == "." || leaf == "..") {
		// The ref of a directory names it inside its own parent.
		std::string dir = resolved;
		if (leaf == "..") {
			size_t cut = dir.rfind('/');
			dir = cut == 0 ? "/" : dir.substr(0, cut);
		}
		if (dir == "/") {
			remember_directory(st.st_dev, st.st_ino, "/");
			ref->device = st.st_dev;
			ref->directory = st.st_ino;
			return ref->set_name(".");
		}
		return ref_for_path(dir.c_str(), ref);
	}

	remember_directory(st.st_dev, st.st_ino, resolved);
	// A ref to a directory is often followed by refs to what it holds (a
	// BPath or BEntry walking down, a node monitor message naming it as the
	// "to directory"), so remember it too.
	std::string full_leaf = std::string(resolved) + (strcmp(resolved, "/") == 0 ? "" : "/") + leaf;
	struct stat leaf_st;
	if (lstat(full_leaf.c_str(), &leaf_st) == 0 && S_ISDIR(leaf_st.st_mode))
		remember_directory(leaf_st.st_dev, leaf_st.st_ino, full_leaf);
	ref->device = st.st_dev;
	ref->directory = st.st_ino;
	return ref->set_name(leaf.c_str());
}

} // namespace BPrivate
