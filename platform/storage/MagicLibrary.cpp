// libmagic is opened by the first sniff rather than linked, for the reason
// platform/translation/JpegLibrary.cpp gives: with the compression libraries
// it brings (liblzma, libbz2, libz) it is four libraries to load before
// main(). A program given files starts loading it on a thread of its own
// (prepare_mime_sniffer), beside its other start-up work. The sniffer calls
// libmagic by its own names; the definitions below stand in for them inside
// libplatform.so (hidden, so that no other module binds to them) and forward
// to the real functions.
//
// Without the library magic_open fails as it does without memory, and the
// sniffer reports that it has nothing to sniff with: only a cookie the
// library made reaches the other calls.

#include "support/LibrarySet.h"

#include <errno.h>

#include <magic.h>

namespace {

enum Library { kMagic, kLibraryCount };

// The soname of the interface magic.h describes.
const char* const kLibraryNames[kLibraryCount] = {"libmagic.so.1"};

// Constant-initialised, so that it is ready before any static initialiser.
constinit BPrivate::LibrarySet sLibraries(kLibraryNames);

} // namespace

#define PL_MAGIC_REAL(name) PL_LIBRARY_REAL(sLibraries, kMagic, name)

extern "C" {
#pragma GCC visibility push(hidden)

magic_t magic_open(int flags)
{
	PL_MAGIC_REAL(magic_open);
	if (real != nullptr)
		return real(flags);
	errno = ENOSYS;
	return nullptr;
}

void magic_close(magic_t cookie)
{
	PL_MAGIC_REAL(magic_close);
	if (real != nullptr)
		real(cookie);
}

int magic_load(magic_t cookie, const char* file)
{
	PL_MAGIC_REAL(magic_load);
	return real != nullptr ? real(cookie, file) : -1;
}

const char* magic_buffer(magic_t cookie, const void* buffer, size_t length)
{
	PL_MAGIC_REAL(magic_buffer);
	return real != nullptr ? real(cookie, buffer, length) : nullptr;
}

#pragma GCC visibility pop
}
