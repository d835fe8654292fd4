#include "storage/AppRegistry.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include <AppFileInfo.h>
#include <File.h>
#include <Message.h>

#include "storage/AtomicFile.h"
#include "storage/LinkedLibraries.h"
#include "support/ClassRegistry.h"

namespace BPrivate {

namespace {

const char kFolder[] = "/pl-platform/applications";
const char kSuffix[] = ".app";

std::string real_path(const char* path)
{
	char resolved[PATH_MAX];
	return path != NULL && realpath(path, resolved) != NULL ? resolved : "";
}

std::string parent_folder(const std::string& path)
{
	size_t slash = path.rfind('/');
	if (slash == std::string::npos)
		return ".";
	return slash == 0 ? "/" : path.substr(0, slash);
}

bool owned_by_us_or_root(const struct stat& info)
{
	return info.st_uid == 0 || info.st_uid == getuid();
}

// Where libplatform.so itself was loaded from.
std::string platform_library_path()
{
	std::vector<std::string> holder =
	    loaded_libraries_holding({reinterpret_cast<const void*>(&app_registry_folders)});
	return holder.empty() ? "" : real_path(holder.front().c_str());
}

std::string lower(const std::string& text)
{
	std::string result = text;
	for (char& c : result)
		c = (char) tolower((unsigned char) c);
	return result;
}

// The record files of |folder|, sorted so that look-ups do not depend on
// the order of the folder's entries.
std::vector<std::string> record_files(const std::string& folder)
{
	std::vector<std::string> files;
	std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
	if (dir == nullptr)
		return files;
	while (dirent* entry = readdir(dir.get())) {
		size_t length = strlen(entry->d_name);
		if (entry->d_name[0] == '.' || length <= sizeof(kSuffix) - 1 ||
		    strcmp(entry->d_name + length - (sizeof(kSuffix) - 1), kSuffix) != 0)
			continue;
		files.push_back(folder + "/" + entry->d_name);
		if (files.size() >= kMaxRecordsPerFolder)
			break;
	}
	std::sort(files.begin(), files.end());
	return files;
}

bool executable_exists(const AppRecord& record)
{
	struct stat info;
	return stat(record.executable.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
	       access(record.executable.c_str(), X_OK) == 0;
}

// The record file's name in the user's folder: the signature, lower-cased
// (it has no '/' past its supertype's).
std::string record_file_name(const std::string& signature)
{
	std::string name = lower(signature);
	std::replace(name.begin(), name.end(), '/', '_');
	return name + kSuffix;
}

bool same_content(const std::string& path, const std::string& text)
{
	int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
	if (fd < 0)
		return false;
	std::string existing(text.size() + 1, '\0');
	ssize_t done = 0;
	while ((size_t) done < existing.size()) {
		ssize_t chunk = read(fd, existing.data() + done, existing.size() - (size_t) done);
		if (chunk < 0 && errno == EINTR)
			continue;
		if (chunk <= 0)
			break;
		done += chunk;
	}
	close(fd);
	return (size_t) done == text.size() && existing.compare(0, text.size(), text) == 0;
}

} // namespace

std::vector<std::string> app_registry_folders()
{
	std::vector<std::string> folders;
	const char* dataHome = getenv("XDG_DATA_HOME");
	const char* home = getenv("HOME");
	if (dataHome != NULL && dataHome[0] == '/')
		folders.push_back(std::string(dataHome) + kFolder);
	else if (home != NULL && home[0] == '/')
		folders.push_back(std::string(home) + "/.local/share" + kFolder);

	std::string platform = platform_library_path();
	if (!platform.empty())
		folders.push_back(parent_folder(platform) + "/../share" + kFolder);

	const char* dataDirs = getenv("XDG_DATA_DIRS");
	std::string list = dataDirs != NULL && dataDirs[0] != '\0' ? dataDirs : "/usr/local/share:/usr/share";
	size_t start = 0;
	while (start <= list.size()) {
		size_t end = list.find(':', start);
		if (end == std::string::npos)
			end = list.size();
		std::string entry = list.substr(start, end - start);
		// Relative entries are invalid, and would depend on where one stands.
		if (!entry.empty() && entry[0] == '/')
			folders.push_back(entry + kFolder);
		start = end + 1;
	}
	return folders;
}

status_t user_app_registry_folder(std::string* folder, bool create)
{
	std::vector<std::string> folders = app_registry_folders();
	const char* dataHome = getenv("XDG_DATA_HOME");
	const char* home = getenv("HOME");
	if ((dataHome == NULL || dataHome[0] != '/') && (home == NULL || home[0] != '/'))
		return B_ENTRY_NOT_FOUND;
	*folder = folders[0];
	if (!create)
		return B_OK;
	// Missing folders are made 0700, as the XDG base directories ask.
	for (size_t end = folder->find('/', 1);; end = folder->find('/', end + 1)) {
		std::string path = folder->substr(0, end);
		if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
			return B_NOT_ALLOWED;
		if (end == std::string::npos)
			break;
	}
	struct stat info;
	if (lstat(folder->c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid())
		return B_NOT_ALLOWED;
	if ((info.st_mode & 077) != 0 && chmod(folder->c_str(), 0700) != 0)
		return B_NOT_ALLOWED;
	return B_OK;
}

status_t check_trusted_file(int fd, const std::string& path, const char** reason)
{
	struct stat info;
	if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
		*reason = "not a regular file";
		return B_NOT_ALLOWED;
	}
	if (!owned_by_us_or_root(info)) {
		*reason = "owned by another user";
		return B_NOT_ALLOWED;
	}
	if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
		*reason = "writable by group or others";
		return B_NOT_ALLOWED;
	}
	struct stat folder;
	if (stat(parent_folder(path).c_str(), &folder) != 0 || !owned_by_us_or_root(folder) ||
	    (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
		*reason = "in a folder that others may write to";
		return B_NOT_ALLOWED;
	}
	return B_OK;
}

status_t read_app_record(const std::string& path, AppRecord* record)
{
	int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
	if (fd < 0)
		return B_ENTRY_NOT_FOUND;
	const char* reason;
	status_t status = check_trusted_file(fd, path, &reason);
	std::string data;
	if (status == B_OK) {
		char buffer[4096];
		for (;;) {
			ssize_t done = read(fd, buffer, sizeof(buffer));
			if (done < 0 && errno == EINTR)
				continue;
			if (done < 0)
				status = B_IO_ERROR;
			if (done <= 0)
				break;
			data.append(buffer, (size_t) done);
			if (data.size() > kMaxRecordSize) {
				status = B_BAD_DATA;
				break;
			}
		}
	}
	close(fd);
	if (status != B_OK)
		return status;
	return parse_app_record(data.data(), data.size(), record);
}

status_t find_app_record(const char* signature, AppRecord* record)
{
	if (!is_valid_mime_type(signature) || record == NULL)
		return B_BAD_VALUE;
	for (const std::string& folder : app_registry_folders()) {
		for (const std::string& file : record_files(folder)) {
			AppRecord candidate;
			if (read_app_record(file, &candidate) == B_OK &&
			    strcasecmp(candidate.signature.c_str(), signature) == 0 &&
			    executable_exists(candidate)) {
				*record = std::move(candidate);
				return B_OK;
			}
		}
	}
	return B_NAME_NOT_FOUND;
}

status_t find_app_record_for_type(const char* type, AppRecord* record, bool bySupertype)
{
	if (!is_valid_mime_type(type) || record == NULL)
		return B_BAD_VALUE;
	AppRecord supertypeMatch;
	bool haveSupertype = false;
	for (const std::string& folder : app_registry_folders()) {
		for (const std::string& file : record_files(folder)) {
			AppRecord candidate;
			if (read_app_record(file, &candidate) != B_OK || !executable_exists(candidate) ||
			    !record_supports_type(candidate, type))
				continue;
			bool exact = std::any_of(candidate.types.begin(), candidate.types.end(),
			                         [type](const std::string& supported) {
				                         return strcasecmp(supported.c_str(), type) == 0;
			                         });
			if (exact) {
				*record = std::move(candidate);
				return B_OK;
			}
			if (bySupertype && !haveSupertype) {
				supertypeMatch = std::move(candidate);
				haveSupertype = true;
			}
		}
	}
	if (!haveSupertype)
		return B_NAME_NOT_FOUND;
	*record = std::move(supertypeMatch);
	return B_OK;
}

status_t write_user_app_record(const AppRecord& record)
{
	std::string text;
	status_t status = format_app_record(record, &text);
	if (status != B_OK)
		return status;
	std::string folder;
	status = user_app_registry_folder(&folder, true);
	if (status != B_OK)
		return status;
	std::string path = folder + "/" + record_file_name(record.signature);
	if (same_content(path, text))
		return B_OK;

	return write_file_atomically(path.c_str(), text.data(), text.size(), 0600);
}

status_t running_app_record(const char* signature, uint32 flags, AppRecord* record)
{
	if (!is_valid_mime_type(signature) || record == NULL)
		return B_BAD_VALUE;
	AppRecord result;
	result.signature = signature;
	result.executable = real_path("/proc/self/exe");
	if (result.executable.empty())
		return B_ENTRY_NOT_FOUND;
	result.flags = flags;

	// An executable cannot be loaded into another process, and the platform
	// is loaded by every one already.
	const std::string platform = platform_library_path();
	// The libraries whose classes registered themselves, and those built on
	// the platform (whose classes are found by their exported Instantiate).
	std::vector<const void*> funcs;
	for (instantiation_func func : registered_instantiation_funcs())
		funcs.push_back(reinterpret_cast<const void*>(func));
	std::vector<std::string> candidates = loaded_libraries_holding(funcs);
	if (!platform.empty()) {
		std::string platformName = platform.substr(platform.rfind('/') + 1);
		for (const std::string& library : loaded_libraries_needing(platformName.c_str()))
			candidates.push_back(library);
	}
	for (const std::string& candidate : candidates) {
		std::string library = real_path(candidate.c_str());
		if (library.empty() || library == platform || library == result.executable ||
		    library.compare(0, 6, "/proc/") == 0 ||
		    std::find(result.libraries.begin(), result.libraries.end(), library) !=
		        result.libraries.end())
			continue;
		if (result.libraries.size() >= kMaxLibraries)
			break;
		result.libraries.push_back(library);
	}
	std::sort(result.libraries.begin(), result.libraries.end());

	BFile file(result.executable.c_str(), B_READ_ONLY);
	BAppFileInfo appInfo(&file);
	BMessage types;
	if (appInfo.InitCheck() == B_OK && appInfo.GetSupportedTypes(&types) == B_OK) {
		const char* type;
		for (int32 i = 0; result.types.size() < kMaxTypes && types.FindString("types", i, &type) == B_OK;
		     i++) {
			if (is_valid_mime_type(type))
				result.types.push_back(type);
		}
	}
	*record = std::move(result);
	return B_OK;
}

status_t record_running_application(const char* signature, uint32 flags)
{
	AppRecord record;
	status_t status = running_app_record(signature, flags, &record);
	if (status != B_OK)
		return status;
	return write_user_app_record(record);
}

} // namespace BPrivate
