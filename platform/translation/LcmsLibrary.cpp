// Little CMS is opened by the first picture with a colour profile rather than
// linked, for the reason JpegLibrary.cpp gives: most pictures carry no
// profile (or an sRGB one, which needs no transform), and their start-up
// must not load a library they never call. The colour code calls lcms by its
// own names; the definitions below stand in for them inside libplatform.so
// (hidden, so that no other module binds to them) and forward to the real
// functions.
//
// Without the library every call fails the way lcms reports failure: no
// profile, no tag, no transform. A picture with a profile is then shown with
// its pixels as they are, unconverted.

#include "support/LibrarySet.h"

#include <lcms2.h>

namespace {

enum Library { kLcms, kLibraryCount };

const char* const kLibraryNames[kLibraryCount] = {"liblcms2.so.2"};

// Constant-initialised, so that it is ready before any static initialiser.
constinit BPrivate::LibrarySet sLibraries(kLibraryNames);

} // namespace

#define PL_LCMS_REAL(name) PL_LIBRARY_REAL(sLibraries, kLcms, name)

extern "C" {
#pragma GCC visibility push(hidden)

cmsHPROFILE cmsOpenProfileFromMem(const void* data, cmsUInt32Number size)
{
	PL_LCMS_REAL(cmsOpenProfileFromMem);
	return real != nullptr ? real(data, size) : nullptr;
}

cmsHPROFILE cmsCreate_sRGBProfile(void)
{
	PL_LCMS_REAL(cmsCreate_sRGBProfile);
	return real != nullptr ? real() : nullptr;
}

cmsBool cmsCloseProfile(cmsHPROFILE profile)
{
	PL_LCMS_REAL(cmsCloseProfile);
	return real != nullptr ? real(profile) : FALSE;
}

void* cmsReadTag(cmsHPROFILE profile, cmsTagSignature tag)
{
	PL_LCMS_REAL(cmsReadTag);
	return real != nullptr ? real(profile, tag) : nullptr;
}

cmsFloat32Number cmsEvalToneCurveFloat(const cmsToneCurve* curve, cmsFloat32Number value)
{
	PL_LCMS_REAL(cmsEvalToneCurveFloat);
	return real != nullptr ? real(curve, value) : 0;
}

cmsColorSpaceSignature cmsGetColorSpace(cmsHPROFILE profile)
{
	PL_LCMS_REAL(cmsGetColorSpace);
	return real != nullptr ? real(profile) : cmsColorSpaceSignature(0);
}

cmsProfileClassSignature cmsGetDeviceClass(cmsHPROFILE profile)
{
	PL_LCMS_REAL(cmsGetDeviceClass);
	return real != nullptr ? real(profile) : cmsProfileClassSignature(0);
}

cmsHTRANSFORM cmsCreateTransform(cmsHPROFILE input, cmsUInt32Number inputFormat,
                                 cmsHPROFILE output, cmsUInt32Number outputFormat,
                                 cmsUInt32Number intent, cmsUInt32Number flags)
{
	PL_LCMS_REAL(cmsCreateTransform);
	return real != nullptr ? real(input, inputFormat, output, outputFormat, intent, flags)
	                       : nullptr;
}

void cmsDoTransformLineStride(cmsHTRANSFORM transform, const void* input, void* output,
                              cmsUInt32Number pixelsPerLine, cmsUInt32Number lines,
                              cmsUInt32Number bytesPerLineIn, cmsUInt32Number bytesPerLineOut,
                              cmsUInt32Number bytesPerPlaneIn, cmsUInt32Number bytesPerPlaneOut)
{
	PL_LCMS_REAL(cmsDoTransformLineStride);
	if (real != nullptr)
		real(transform, input, output, pixelsPerLine, lines, bytesPerLineIn, bytesPerLineOut,
		     bytesPerPlaneIn, bytesPerPlaneOut);
}

void cmsDeleteTransform(cmsHTRANSFORM transform)
{
	PL_LCMS_REAL(cmsDeleteTransform);
	if (real != nullptr)
		real(transform);
}

#pragma GCC visibility pop
}
