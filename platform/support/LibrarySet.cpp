#include "support/LibrarySet.h"

#include <dlfcn.h>

namespace BPrivate {

void* LibrarySet::Symbol(int library, const char* name)
{
	std::call_once(fOpenOnce, [this] {
		// Local: the stand-ins keep their names to themselves, and nothing
		// else in the process should bind to a library it did not ask for.
		for (int i = 0; i < fCount; i++)
			fHandles[i] = dlopen(fNames[i], RTLD_LAZY | RTLD_LOCAL);
	});
	if (library < 0 || library >= fCount || fHandles[library] == nullptr)
		return nullptr;
	return dlsym(fHandles[library], name);
}

} // namespace BPrivate
