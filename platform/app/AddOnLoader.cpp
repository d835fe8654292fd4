// The add-on loader of instantiate_object(): an archive's "add_on" is a
// signature, and only the libraries the registry of installed applications
// lists for that signature are ever loaded. Nothing else the archive says (a
// path, a library name) reaches dlopen().

#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <string>

#include <image.h>

#include "storage/AppRegistry.h"
#include "support/ClassRegistry.h"

namespace BPrivate {

namespace {

// Libraries stay loaded for the life of the process (RTLD_NODELETE, never
// dlclose'd): a view built from one may live anywhere until the end.
struct LoadedLibraries {
	std::mutex lock;                   // held across dlopen: one load at a time
	std::map<std::string, image_id> ids; // by real path; guarded by lock
	image_id next = 1;                 // guarded by lock
};

LoadedLibraries& loaded_libraries()
{
	static LoadedLibraries* libraries = new LoadedLibraries;
	return *libraries;
}

status_t load_library(const std::string& listed, image_id* image, std::string* reason)
{
	char resolved[PATH_MAX];
	if (realpath(listed.c_str(), resolved) == NULL) {
		*reason = "its library " + listed + " is missing";
		return B_ENTRY_NOT_FOUND;
	}
	const std::string path = resolved;
	LoadedLibraries& libraries = loaded_libraries();
	std::lock_guard<std::mutex> guard(libraries.lock);
	auto found = libraries.ids.find(path);
	if (found != libraries.ids.end()) {
		*image = found->second;
		return B_OK;
	}

	int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
	if (fd < 0) {
		*reason = "its library " + path + " cannot be opened";
		return B_ENTRY_NOT_FOUND;
	}
	const char* why = NULL;
	if (check_trusted_file(fd, path, &why) != B_OK) {
		close(fd);
		*reason = "its library " + path + " is " + why;
		return B_NOT_ALLOWED;
	}
	close(fd);
	// Loaded by the path that was checked. Nobody but root and the user may
	// change the file or its folder, so it is still the file checked. (Not
	// through /proc/self/fd: the loader would take that name for a library
	// loaded earlier through a descriptor of the same number.)
	// Global, so that classes that do not register themselves are found by
	// their exported Instantiate, as those of libraries linked at start are.
	void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
	if (handle == NULL) {
		const char* error = dlerror();
		*reason = "its library " + path + " does not load: " + (error != NULL ? error : "?");
		return B_ERROR;
	}
	*image = libraries.next++;
	libraries.ids[path] = *image;
	return B_OK;
}

status_t load_registered_add_on(const char* signature, image_id* image)
{
	AppRecord record;
	if (find_app_record(signature, &record) != B_OK) {
		report_add_on_failure(signature, "no application of that signature is registered");
		return B_NAME_NOT_FOUND;
	}
	if (record.libraries.empty()) {
		report_add_on_failure(signature, "its application has no library of classes");
		return B_NAME_NOT_FOUND;
	}
	status_t result = B_NAME_NOT_FOUND;
	std::string reasons;
	for (const std::string& library : record.libraries) {
		image_id id = -1;
		std::string reason;
		status_t status = load_library(library, &id, &reason);
		if (status == B_OK) {
			if (result != B_OK)
				*image = id;
			result = B_OK;
		} else {
			reasons += (reasons.empty() ? "" : "; ") + reason;
		}
	}
	if (result != B_OK)
		report_add_on_failure(signature, reasons.c_str());
	return result;
}

struct LoaderInstaller {
	LoaderInstaller() { set_add_on_loader(&load_registered_add_on); }
} sLoaderInstaller;

} // namespace

} // namespace BPrivate
