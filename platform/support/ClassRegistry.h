#ifndef PLATFORM_SUPPORT_CLASS_REGISTRY_H
#define PLATFORM_SUPPORT_CLASS_REGISTRY_H

// The process-wide table of archivable classes by class name. A library of
// archivable classes registers each of them when it is loaded, with a static
// InstantiationRegistrar, so that instantiate_object() finds them by the name
// their archives carry. Classes that are not registered are still found by
// the mangled name of their Instantiate when their library exports it.

#include <vector>

#include <Archivable.h>

namespace BPrivate {

// Later registrations of the same name replace earlier ones (a library
// loaded again after dlclose registers again).
status_t register_instantiation_func(const char* className, instantiation_func func);
// Removes the entry only while it still holds |func|.
void unregister_instantiation_func(const char* className, instantiation_func func);
// Registered or exported; NULL when neither.
instantiation_func lookup_instantiation_func(const char* className);
// A copy of every registered function, so that the code holding them can be
// told apart by where they live.
std::vector<instantiation_func> registered_instantiation_funcs();

class InstantiationRegistrar {
public:
	InstantiationRegistrar(const char* className, instantiation_func func)
	{
		register_instantiation_func(className, func);
	}
};

// Loads the code of the application or add-on with |signature| so that its
// classes register themselves; fills |image| with what was loaded. Installed
// by the part of the platform that knows the installed applications; until
// then archives naming an "add_on" are instantiated only from loaded code.
typedef status_t (*add_on_loader)(const char* signature, image_id* image);
void set_add_on_loader(add_on_loader loader);

// Writes why an archive of |signature| built nothing to stderr, the first
// time only for each signature in this process: a replicant host would
// otherwise repeat it for every archive it meets.
void report_add_on_failure(const char* signature, const char* reason);

} // namespace BPrivate

#endif
