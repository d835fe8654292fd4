#ifndef PLATFORM_SUPPORT_LIBRARY_SET_H
#define PLATFORM_SUPPORT_LIBRARY_SET_H

#include <stddef.h>

#include <mutex>

namespace BPrivate {

// Libraries that libplatform.so opens on first use instead of linking them,
// because loading them would cost every program start-up time whether it ever
// needs them or not. The first Symbol() call opens the whole set (once,
// whichever thread gets there first); the libraries are never closed, as
// other threads may still be inside them.
//
// A library that cannot be opened gives no symbols: callers then fail the way
// the library itself reports failure.
class LibrarySet {
public:
	static constexpr int kMaxLibraries = 8;

	// |names| are sonames (with the major version the headers describe); the
	// array must outlive the set.
	template <size_t N>
	constexpr explicit LibrarySet(const char* const (&names)[N])
	    : fNames(names), fCount(int(N))
	{
		static_assert(N <= kMaxLibraries);
	}

	// The address of |name| in library |library| (an index into the names),
	// or NULL.
	void* Symbol(int library, const char* name);

private:
	const char* const* fNames;
	int fCount;
	std::once_flag fOpenOnce;
	void* fHandles[kMaxLibraries] = {}; // written once under fOpenOnce
};

} // namespace BPrivate

// Inside a stand-in for a library function |name|: |real| is the real
// function, looked up on the first call (a static local is initialised once,
// however many threads get there together).
#define PL_LIBRARY_REAL(set, library, name)                                                        \
	static decltype(&name) const real =                                                            \
	    reinterpret_cast<decltype(&name)>((set).Symbol(library, #name))

#endif // PLATFORM_SUPPORT_LIBRARY_SET_H
