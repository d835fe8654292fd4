#ifndef _TESTS_LOADED_LIBRARIES_H
#define _TESTS_LOADED_LIBRARIES_H

// Whether this process has loaded a shared library whose file name begins
// with |stem| ("libjxl", "libavcodec.so"), for tests of libraries opened on
// first use.
bool is_loaded(const char* stem);

#endif
