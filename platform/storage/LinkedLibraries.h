#ifndef PLATFORM_STORAGE_LINKED_LIBRARIES_H
#define PLATFORM_STORAGE_LINKED_LIBRARIES_H

#include <string>
#include <vector>

namespace BPrivate {

// The files of the shared libraries loaded in this process that name
// |soname| among the libraries they need (their DT_NEEDED entries), the
// executable left out. Only a library built on the platform can hold an
// application's archivable classes, whether they register themselves or are
// found by their exported Instantiate.
std::vector<std::string> loaded_libraries_needing(const char* soname);

// The files of the loaded shared libraries whose segments hold any of
// |addresses|, the executable left out, each once. Unlike dladdr(), which
// also looks for the nearest symbol (a walk through the library's whole
// symbol table for every address), this only compares address ranges.
std::vector<std::string> loaded_libraries_holding(const std::vector<const void*>& addresses);

} // namespace BPrivate

#endif
