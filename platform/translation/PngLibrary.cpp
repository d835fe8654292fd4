// libpng is opened by the first PNG picture that the fast path
// (PngFastPath.cpp) hands over, rather than linked, for the reason
// JpegLibrary.cpp gives: 8-bit pictures, the common case, never need it, and
// with libz it is two libraries to load before main(). The translator calls
// libpng by its own names; the definitions below stand in for them inside
// libplatform.so (hidden, so that no other module binds to them) and forward
// to the real functions.
//
// Without the library png_create_read_struct fails as it does without
// memory, and the translator reports the picture unreadable: only a
// png_struct the library made reaches the other calls.

#include "support/LibrarySet.h"

#include <stdlib.h>

#include <png.h>

namespace {

enum Library { kPng, kLibraryCount };

// The soname of the interface png.h describes.
const char* const kLibraryNames[kLibraryCount] = {"libpng16.so.16"};

// Constant-initialised, so that it is ready before any static initialiser.
constinit BPrivate::LibrarySet sLibraries(kLibraryNames);

} // namespace

#define PL_PNG_REAL(name) PL_LIBRARY_REAL(sLibraries, kPng, name)

extern "C" {
#pragma GCC visibility push(hidden)

png_structp png_create_read_struct(png_const_charp version, png_voidp errorPointer,
                                   png_error_ptr errorHandler, png_error_ptr warningHandler)
{
	PL_PNG_REAL(png_create_read_struct);
	return real != nullptr ? real(version, errorPointer, errorHandler, warningHandler) : nullptr;
}

png_infop png_create_info_struct(png_const_structrp png)
{
	PL_PNG_REAL(png_create_info_struct);
	return real != nullptr ? real(png) : nullptr;
}

void png_destroy_read_struct(png_structpp png, png_infopp info, png_infopp endInfo)
{
	PL_PNG_REAL(png_destroy_read_struct);
	if (real != nullptr)
		real(png, info, endInfo);
}

jmp_buf* png_set_longjmp_fn(png_structrp png, png_longjmp_ptr longjmpFunction, size_t size)
{
	PL_PNG_REAL(png_set_longjmp_fn);
	return real != nullptr ? real(png, longjmpFunction, size) : nullptr;
}

void png_longjmp(png_const_structrp png, int value)
{
	PL_PNG_REAL(png_longjmp);
	if (real != nullptr)
		real(png, value);
	abort(); // declared not to return
}

void png_error(png_const_structrp png, png_const_charp message)
{
	PL_PNG_REAL(png_error);
	if (real != nullptr)
		real(png, message);
	abort(); // declared not to return
}

void png_set_read_fn(png_structrp png, png_voidp ioPointer, png_rw_ptr readFunction)
{
	PL_PNG_REAL(png_set_read_fn);
	if (real != nullptr)
		real(png, ioPointer, readFunction);
}

png_voidp png_get_io_ptr(png_const_structrp png)
{
	PL_PNG_REAL(png_get_io_ptr);
	return real != nullptr ? real(png) : nullptr;
}

void png_set_user_limits(png_structrp png, png_uint_32 maxWidth, png_uint_32 maxHeight)
{
	PL_PNG_REAL(png_set_user_limits);
	if (real != nullptr)
		real(png, maxWidth, maxHeight);
}

void png_read_info(png_structrp png, png_inforp info)
{
	PL_PNG_REAL(png_read_info);
	if (real != nullptr)
		real(png, info);
}

png_uint_32 png_get_IHDR(png_const_structrp png, png_const_inforp info, png_uint_32* width,
                         png_uint_32* height, int* bitDepth, int* colorType, int* interlace,
                         int* compression, int* filter)
{
	PL_PNG_REAL(png_get_IHDR);
	if (real == nullptr)
		return 0;
	return real(png, info, width, height, bitDepth, colorType, interlace, compression, filter);
}

png_uint_32 png_get_valid(png_const_structrp png, png_const_inforp info, png_uint_32 flag)
{
	PL_PNG_REAL(png_get_valid);
	return real != nullptr ? real(png, info, flag) : 0;
}

png_uint_32 png_get_iCCP(png_const_structrp png, png_inforp info, png_charpp name, int* compression,
                         png_bytepp profile, png_uint_32* length)
{
	PL_PNG_REAL(png_get_iCCP);
	return real != nullptr ? real(png, info, name, compression, profile, length) : 0;
}

size_t png_get_rowbytes(png_const_structrp png, png_const_inforp info)
{
	PL_PNG_REAL(png_get_rowbytes);
	return real != nullptr ? real(png, info) : 0;
}

void png_set_palette_to_rgb(png_structrp png)
{
	PL_PNG_REAL(png_set_palette_to_rgb);
	if (real != nullptr)
		real(png);
}

void png_set_expand_gray_1_2_4_to_8(png_structrp png)
{
	PL_PNG_REAL(png_set_expand_gray_1_2_4_to_8);
	if (real != nullptr)
		real(png);
}

void png_set_tRNS_to_alpha(png_structrp png)
{
	PL_PNG_REAL(png_set_tRNS_to_alpha);
	if (real != nullptr)
		real(png);
}

void png_set_scale_16(png_structrp png)
{
	PL_PNG_REAL(png_set_scale_16);
	if (real != nullptr)
		real(png);
}

void png_set_gray_to_rgb(png_structrp png)
{
	PL_PNG_REAL(png_set_gray_to_rgb);
	if (real != nullptr)
		real(png);
}

void png_set_bgr(png_structrp png)
{
	PL_PNG_REAL(png_set_bgr);
	if (real != nullptr)
		real(png);
}

void png_set_filler(png_structrp png, png_uint_32 filler, int flags)
{
	PL_PNG_REAL(png_set_filler);
	if (real != nullptr)
		real(png, filler, flags);
}

int png_set_interlace_handling(png_structrp png)
{
	PL_PNG_REAL(png_set_interlace_handling);
	return real != nullptr ? real(png) : 1;
}

void png_read_update_info(png_structrp png, png_inforp info)
{
	PL_PNG_REAL(png_read_update_info);
	if (real != nullptr)
		real(png, info);
}

void png_read_row(png_structrp png, png_bytep row, png_bytep displayRow)
{
	PL_PNG_REAL(png_read_row);
	if (real != nullptr)
		real(png, row, displayRow);
}

void png_read_end(png_structrp png, png_inforp info)
{
	PL_PNG_REAL(png_read_end);
	if (real != nullptr)
		real(png, info);
}

#pragma GCC visibility pop
}
