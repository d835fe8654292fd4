// libjpeg is opened by the first JPEG picture rather than linked, like the
// libraries of the other formats that the first picture may not need (WebP,
// colour profiles): each library a program loads costs every start-up some
// 60 microseconds of mapping, relocation and page faults, which a PNG picture
// must not pay. The translator calls libjpeg by its own names; the
// definitions below stand in for them inside libplatform.so (hidden, so that
// no other module binds to them) and forward to the real functions.
//
// Without the library every call fails the way libjpeg reports failure:
// through the error manager's error_exit, which the translator sets before
// its first call and which never returns. Creating and destroying a
// decompressor need no library and report nothing, as the translator calls
// them outside the reach of its error handling.

#include "support/LibrarySet.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jpeglib.h>

namespace {

enum Library { kJpeg, kLibraryCount };

// The soname of libjpeg-turbo's libjpeg 6.2 interface, whose structures the
// header describes.
const char* const kLibraryNames[kLibraryCount] = {"libjpeg.so.62"};

// Constant-initialised, so that it is ready before any static initialiser.
constinit BPrivate::LibrarySet sLibraries(kLibraryNames);

[[noreturn]] void fail(j_common_ptr info)
{
	info->err->error_exit(info);
	// error_exit must not return; should it, nothing is safe to go on with.
	abort();
}

} // namespace

#define PL_JPEG_REAL(name) PL_LIBRARY_REAL(sLibraries, kJpeg, name)

extern "C" {
#pragma GCC visibility push(hidden)

struct jpeg_error_mgr* jpeg_std_error(struct jpeg_error_mgr* err)
{
	PL_JPEG_REAL(jpeg_std_error);
	if (real != nullptr)
		return real(err);
	memset(err, 0, sizeof(*err));
	return err;
}

void jpeg_CreateDecompress(j_decompress_ptr info, int version, size_t size)
{
	PL_JPEG_REAL(jpeg_CreateDecompress);
	if (real != nullptr) {
		real(info, version, size);
		return;
	}
	// As the library leaves it: zeroed but for the error manager, so that
	// destroying it does nothing.
	struct jpeg_error_mgr* err = info->err;
	memset(info, 0, sizeof(*info));
	info->err = err;
}

void jpeg_destroy_decompress(j_decompress_ptr info)
{
	PL_JPEG_REAL(jpeg_destroy_decompress);
	if (real != nullptr)
		real(info);
}

void jpeg_mem_src(j_decompress_ptr info, const unsigned char* buffer, unsigned long size)
{
	PL_JPEG_REAL(jpeg_mem_src);
	if (real == nullptr)
		fail(reinterpret_cast<j_common_ptr>(info));
	real(info, buffer, size);
}

int jpeg_read_header(j_decompress_ptr info, boolean image)
{
	PL_JPEG_REAL(jpeg_read_header);
	if (real == nullptr)
		fail(reinterpret_cast<j_common_ptr>(info));
	return real(info, image);
}

boolean jpeg_start_decompress(j_decompress_ptr info)
{
	PL_JPEG_REAL(jpeg_start_decompress);
	if (real == nullptr)
		fail(reinterpret_cast<j_common_ptr>(info));
	return real(info);
}

JDIMENSION jpeg_read_scanlines(j_decompress_ptr info, JSAMPARRAY rows, JDIMENSION count)
{
	PL_JPEG_REAL(jpeg_read_scanlines);
	if (real == nullptr)
		fail(reinterpret_cast<j_common_ptr>(info));
	return real(info, rows, count);
}

boolean jpeg_has_multiple_scans(j_decompress_ptr info)
{
	PL_JPEG_REAL(jpeg_has_multiple_scans);
	if (real == nullptr)
		fail(reinterpret_cast<j_common_ptr>(info));
	return real(info);
}

JDIMENSION jpeg_skip_scanlines(j_decompress_ptr info, JDIMENSION count)
{
	PL_JPEG_REAL(jpeg_skip_scanlines);
	if (real == nullptr)
		fail(reinterpret_cast<j_common_ptr>(info));
	return real(info, count);
}

boolean jpeg_finish_decompress(j_decompress_ptr info)
{
	PL_JPEG_REAL(jpeg_finish_decompress);
	if (real == nullptr)
		fail(reinterpret_cast<j_common_ptr>(info));
	return real(info);
}

#pragma GCC visibility pop
}
