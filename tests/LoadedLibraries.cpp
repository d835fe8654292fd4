#include "LoadedLibraries.h"

#include <link.h>
#include <string.h>

bool is_loaded(const char* stem)
{
	struct Search {
		const char* stem;
		bool found;
	} search = {stem, false};
	dl_iterate_phdr(
	    [](struct dl_phdr_info* info, size_t, void* data) {
		    Search* search = static_cast<Search*>(data);
		    const char* slash = strrchr(info->dlpi_name, '/');
		    const char* name = slash != NULL ? slash + 1 : info->dlpi_name;
		    if (strncmp(name, search->stem, strlen(search->stem)) == 0)
			    search->found = true;
		    return 0;
	    },
	    &search);
	return search.found;
}
