#include "TestProfiles.h"

#include <fstream>

#include <lcms2.h>

namespace {

std::vector<uint8_t> save_profile(cmsHPROFILE profile)
{
	std::vector<uint8_t> bytes;
	cmsUInt32Number length = 0;
	if (profile != NULL && cmsSaveProfileToMem(profile, NULL, &length)) {
		bytes.resize(length);
		cmsSaveProfileToMem(profile, bytes.data(), &length);
	}
	if (profile != NULL)
		cmsCloseProfile(profile);
	return bytes;
}

// A matrix profile of the given primaries under D65.
std::vector<uint8_t> rgb_profile(const cmsCIExyYTRIPLE& primaries, cmsToneCurve* curve)
{
	cmsCIExyY white = {0.3127, 0.3290, 1.0};
	cmsToneCurve* curves[3] = {curve, curve, curve};
	std::vector<uint8_t> bytes = save_profile(cmsCreateRGBProfile(&white, &primaries, curves));
	cmsFreeToneCurve(curve);
	return bytes;
}

} // namespace

std::vector<uint8_t> adobe_rgb_profile()
{
	cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
	return rgb_profile(primaries, cmsBuildGamma(NULL, 563.0 / 256.0));
}

std::vector<uint8_t> display_p3_profile()
{
	// sRGB's curve: type 4, y = ((a x + b)^g) above d, c x below.
	const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
	cmsCIExyYTRIPLE primaries = {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
	return rgb_profile(primaries, cmsBuildParametricToneCurve(NULL, 4, srgb));
}

std::vector<uint8_t> srgb_profile()
{
	return save_profile(cmsCreate_sRGBProfile());
}

std::vector<uint8_t> grey_profile()
{
	cmsToneCurve* gamma = cmsBuildGamma(NULL, 1.8);
	std::vector<uint8_t> bytes = save_profile(cmsCreateGrayProfile(cmsD50_xyY(), gamma));
	cmsFreeToneCurve(gamma);
	return bytes;
}

bool write_profile(const std::string& path, const std::vector<uint8_t>& profile)
{
	std::ofstream out(path, std::ios::binary | std::ios::trunc);
	out.write(reinterpret_cast<const char*>(profile.data()), std::streamsize(profile.size()));
	return !profile.empty() && out.good();
}
