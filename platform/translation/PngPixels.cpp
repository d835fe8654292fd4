#include "translation/PngPixels.h"

#include <string.h>

#include <emmintrin.h>
#include <tmmintrin.h>

#include "kernel/CpuFeatures.h"

namespace BPrivate {

namespace {

enum { kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4, kRgba = 6 };

inline void put(uint8* out, uint8 blue, uint8 green, uint8 red, uint8 alpha)
{
	out[0] = blue;
	out[1] = green;
	out[2] = red;
	out[3] = alpha;
}

// Sixteen grey pixels at a time: each byte spread to B, G and R beside an
// opaque alpha.
uint32 convert_grey_sse2(const uint8* row, uint8* out, uint32 width)
{
	const __m128i opaque = _mm_set1_epi8(char(0xff));
	uint32 x = 0;
	for (; x + 16 <= width; x += 16) {
		__m128i grey = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
		__m128i pairs[2] = {_mm_unpacklo_epi8(grey, grey), _mm_unpackhi_epi8(grey, grey)};
		__m128i withAlpha[2] = {_mm_unpacklo_epi8(grey, opaque), _mm_unpackhi_epi8(grey, opaque)};
		__m128i* to = reinterpret_cast<__m128i*>(out + 4 * x);
		for (int half = 0; half < 2; half++) {
			_mm_storeu_si128(to + 2 * half, _mm_unpacklo_epi16(pairs[half], withAlpha[half]));
			_mm_storeu_si128(to + 2 * half + 1, _mm_unpackhi_epi16(pairs[half], withAlpha[half]));
		}
	}
	return x;
}

// Four RGB or RGBA pixels at a time, reordered by one byte shuffle. The RGB
// loop reads 16 bytes for 12, so it stops while 16 are left in the row.
__attribute__((target("ssse3"))) uint32 convert_rgb_ssse3(const uint8* row, uint8* out,
                                                          uint32 width)
{
	const __m128i order = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
	const __m128i opaque = _mm_set1_epi32(int(0xff000000u));
	uint32 x = 0;
	for (; 3 * size_t(x) + 16 <= 3 * size_t(width); x += 4) {
		__m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 3 * x));
		_mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x),
		                 _mm_or_si128(_mm_shuffle_epi8(pixels, order), opaque));
	}
	return x;
}

__attribute__((target("ssse3"))) uint32 convert_rgba_ssse3(const uint8* row, uint8* out,
                                                           uint32 width, uint8* alpha)
{
	const __m128i order = _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
	__m128i all = _mm_set1_epi8(char(0xff));
	uint32 x = 0;
	for (; x + 4 <= width; x += 4) {
		__m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * x));
		all = _mm_and_si128(all, pixels);
		_mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), _mm_shuffle_epi8(pixels, order));
	}
	uint8 lanes[16];
	_mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), all);
	*alpha = lanes[3] & lanes[7] & lanes[11] & lanes[15];
	return x;
}

uint8 convert_grey(const PngPixelFormat& format, const uint8* row, uint8* out, uint32 width)
{
	if (!format.hasKey) {
		for (uint32 x = convert_grey_sse2(row, out, width); x < width; x++)
			put(out + 4 * x, row[x], row[x], row[x], 0xff);
		return 0xff;
	}
	uint8 all = 0xff;
	for (uint32 x = 0; x < width; x++) {
		uint8 alpha = row[x] == format.key[0] ? 0 : 0xff;
		put(out + 4 * x, row[x], row[x], row[x], alpha);
		all &= alpha;
	}
	return all;
}

uint8 convert_grey_alpha(const uint8* row, uint8* out, uint32 width)
{
	uint8 all = 0xff;
	for (uint32 x = 0; x < width; x++) {
		const uint8* in = row + 2 * x;
		put(out + 4 * x, in[0], in[0], in[0], in[1]);
		all &= in[1];
	}
	return all;
}

uint8 convert_rgb(const PngPixelFormat& format, const uint8* row, uint8* out, uint32 width)
{
	if (!format.hasKey) {
		for (uint32 x = cpu_has_ssse3() ? convert_rgb_ssse3(row, out, width) : 0; x < width; x++) {
			const uint8* in = row + 3 * x;
			put(out + 4 * x, in[2], in[1], in[0], 0xff);
		}
		return 0xff;
	}
	uint8 all = 0xff;
	for (uint32 x = 0; x < width; x++) {
		const uint8* in = row + 3 * x;
		bool keyed = in[0] == format.key[0] && in[1] == format.key[1] && in[2] == format.key[2];
		uint8 alpha = keyed ? 0 : 0xff;
		put(out + 4 * x, in[2], in[1], in[0], alpha);
		all &= alpha;
	}
	return all;
}

uint8 convert_rgba(const uint8* row, uint8* out, uint32 width)
{
	uint8 all = 0xff;
	for (uint32 x = cpu_has_ssse3() ? convert_rgba_ssse3(row, out, width, &all) : 0; x < width;
	     x++) {
		const uint8* in = row + 4 * x;
		put(out + 4 * x, in[2], in[1], in[0], in[3]);
		all &= in[3];
	}
	return all;
}

uint8 convert_palette(const PngPixelFormat& format, const uint8* row, uint8* out, uint32 width)
{
	uint8 all = 0xff;
	for (uint32 x = 0; x < width; x++) {
		const uint8* entry = format.palette[row[x]];
		memcpy(out + 4 * x, entry, 4);
		all &= entry[3];
	}
	return all;
}

} // namespace

bool png_pixel_format_init(PngPixelFormat* format, uint8 colorType)
{
	*format = PngPixelFormat();
	format->colorType = colorType;
	switch (colorType) {
		case kGrey:
		case kPalette:
			format->channels = 1;
			break;
		case kGreyAlpha:
			format->channels = 2;
			format->alpha = true;
			break;
		case kRgb:
			format->channels = 3;
			break;
		case kRgba:
			format->channels = 4;
			format->alpha = true;
			break;
		default:
			return false;
	}
	for (auto& entry : format->palette)
		entry[3] = 0xff;
	return true;
}

uint8 png_convert_row(const PngPixelFormat& format, const uint8* row, uint8* out, uint32 width)
{
	switch (format.colorType) {
		case kGrey:
			return convert_grey(format, row, out, width);
		case kGreyAlpha:
			return convert_grey_alpha(row, out, width);
		case kRgb:
			return convert_rgb(format, row, out, width);
		case kRgba:
			return convert_rgba(row, out, width);
		case kPalette:
			return convert_palette(format, row, out, width);
		default:
			return 0;
	}
}

} // namespace BPrivate
