#include "translation/ColorProfile.h"

#include <math.h>

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

#include <lcms2.h>

#include <Bitmap.h>

namespace BPrivate {

namespace {

struct Profile {
	cmsHPROFILE handle;
	explicit Profile(cmsHPROFILE profile) : handle(profile) {}
	~Profile()
	{
		if (handle != NULL)
			cmsCloseProfile(handle);
	}
	Profile(const Profile&) = delete;
	Profile& operator=(const Profile&) = delete;
};

bool same_colorant(cmsHPROFILE a, cmsHPROFILE b, cmsTagSignature tag)
{
	const cmsCIEXYZ* first = static_cast<const cmsCIEXYZ*>(cmsReadTag(a, tag));
	const cmsCIEXYZ* second = static_cast<const cmsCIEXYZ*>(cmsReadTag(b, tag));
	// Encoded in s15.16 fixed point; profiles that round differently are
	// still the same space.
	const double kTolerance = 0.0015;
	return first != NULL && second != NULL && fabs(first->X - second->X) < kTolerance &&
	       fabs(first->Y - second->Y) < kTolerance && fabs(first->Z - second->Z) < kTolerance;
}

bool same_curve(cmsHPROFILE a, cmsHPROFILE b, cmsTagSignature tag)
{
	const cmsToneCurve* first = static_cast<const cmsToneCurve*>(cmsReadTag(a, tag));
	const cmsToneCurve* second = static_cast<const cmsToneCurve*>(cmsReadTag(b, tag));
	if (first == NULL || second == NULL)
		return false;
	for (int i = 0; i <= 16; i++) {
		float x = float(i) / 16;
		if (fabsf(cmsEvalToneCurveFloat(first, x) - cmsEvalToneCurveFloat(second, x)) > 0.5f / 255)
			return false;
	}
	return true;
}

// A matrix profile with sRGB's primaries, white and curves describes sRGB,
// whatever its name or version; converting through it would only round.
bool is_srgb(cmsHPROFILE profile, cmsHPROFILE srgb)
{
	return same_colorant(profile, srgb, cmsSigRedColorantTag) &&
	       same_colorant(profile, srgb, cmsSigGreenColorantTag) &&
	       same_colorant(profile, srgb, cmsSigBlueColorantTag) &&
	       same_curve(profile, srgb, cmsSigRedTRCTag) &&
	       same_curve(profile, srgb, cmsSigGreenTRCTag) &&
	       same_curve(profile, srgb, cmsSigBlueTRCTag);
}

// lcms converts some 70 to 80 pixels a microsecond on one core here (a
// 24 MP picture costs about as much again as decoding it), so large pictures
// are converted in bands on every core; small ones are not worth a thread.
constexpr int64 kPixelsPerBand = int64(1) << 20;
constexpr unsigned kMaxBands = 8;

void transform_rows(cmsHTRANSFORM transform, uint8* bits, cmsUInt32Number width,
                    cmsUInt32Number rows, cmsUInt32Number bytesPerRow)
{
	cmsDoTransformLineStride(transform, bits, bits, width, rows, bytesPerRow, bytesPerRow, 0, 0);
}

} // namespace

bool convert_to_srgb(const uint8* data, size_t length, BBitmap* bitmap)
{
	if (data == NULL || length == 0 || length > UINT32_MAX || bitmap == NULL ||
	    (bitmap->ColorSpace() != B_RGB32 && bitmap->ColorSpace() != B_RGBA32))
		return false;
	Profile source(cmsOpenProfileFromMem(data, cmsUInt32Number(length)));
	if (source.handle == NULL || cmsGetColorSpace(source.handle) != cmsSigRgbData)
		return false;
	cmsProfileClassSignature kind = cmsGetDeviceClass(source.handle);
	if (kind != cmsSigInputClass && kind != cmsSigDisplayClass && kind != cmsSigColorSpaceClass &&
	    kind != cmsSigOutputClass)
		return false;
	Profile srgb(cmsCreate_sRGBProfile());
	if (srgb.handle == NULL || is_srgb(source.handle, srgb.handle))
		return false;

	// B_RGB32 and B_RGBA32 are both B, G, R and a fourth byte, which the
	// transform copies (alpha, or the padding of an opaque picture). Without
	// its one-pixel cache a transform may run on several threads at once.
	cmsHTRANSFORM transform =
	    cmsCreateTransform(source.handle, TYPE_BGRA_8, srgb.handle, TYPE_BGRA_8, INTENT_PERCEPTUAL,
	                       cmsFLAGS_COPY_ALPHA | cmsFLAGS_NOCACHE);
	if (transform == NULL)
		return false;
	BRect bounds = bitmap->Bounds();
	cmsUInt32Number width = cmsUInt32Number(bounds.IntegerWidth() + 1);
	cmsUInt32Number height = cmsUInt32Number(bounds.IntegerHeight() + 1);
	cmsUInt32Number bytesPerRow = cmsUInt32Number(bitmap->BytesPerRow());
	uint8* bits = static_cast<uint8*>(bitmap->Bits());

	unsigned bands = unsigned(std::min<int64>(int64(width) * height / kPixelsPerBand + 1,
	                                          std::max(1u, std::thread::hardware_concurrency())));
	bands = std::min(bands, kMaxBands);
	cmsUInt32Number rowsPerBand = (height + bands - 1) / bands;
	std::vector<std::thread> helpers;
	for (unsigned band = 1; band < bands; band++) {
		cmsUInt32Number first = band * rowsPerBand;
		if (first >= height)
			break;
		cmsUInt32Number rows = std::min(rowsPerBand, height - first);
		try {
			helpers.emplace_back(transform_rows, transform, bits + size_t(first) * bytesPerRow,
			                     width, rows, bytesPerRow);
		} catch (const std::system_error&) {
			// No thread to be had: this one converts the band itself.
			transform_rows(transform, bits + size_t(first) * bytesPerRow, width, rows, bytesPerRow);
		}
	}
	transform_rows(transform, bits, width, std::min(rowsPerBand, height), bytesPerRow);
	for (std::thread& helper : helpers)
		helper.join();
	cmsDeleteTransform(transform);
	return true;
}

} // namespace BPrivate
