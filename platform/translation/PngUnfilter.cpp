#include "translation/PngUnfilter.h"

#include <stdlib.h>
#include <string.h>

#include <emmintrin.h>
#include <smmintrin.h>

#include "kernel/CpuFeatures.h"

namespace BPrivate {

namespace {

enum { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

inline uint8 paeth_predictor(int a, int b, int c)
{
	int pa = abs(b - c);
	int pb = abs(a - c);
	int pc = abs(a + b - 2 * c);
	if (pa <= pb && pa <= pc)
		return uint8(a);
	return uint8(pb <= pc ? b : c);
}

void unfilter_sub(uint8* row, size_t length, int bpp)
{
	for (size_t i = bpp; i < length; i++)
		row[i] = uint8(row[i] + row[i - bpp]);
}

void unfilter_up(uint8* row, const uint8* previous, size_t length)
{
	size_t i = 0;
	for (; i + 16 <= length; i += 16) {
		__m128i sum = _mm_add_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i)),
		                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(previous + i)));
		_mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), sum);
	}
	for (; i < length; i++)
		row[i] = uint8(row[i] + previous[i]);
}

void unfilter_average(uint8* row, const uint8* previous, size_t length, int bpp)
{
	size_t first = size_t(bpp) < length ? size_t(bpp) : length;
	for (size_t i = 0; i < first; i++)
		row[i] = uint8(row[i] + (previous[i] >> 1));
	for (size_t i = first; i < length; i++)
		row[i] = uint8(row[i] + ((row[i - bpp] + previous[i]) >> 1));
}

void unfilter_paeth(uint8* row, const uint8* previous, size_t length, int bpp)
{
	size_t first = size_t(bpp) < length ? size_t(bpp) : length;
	for (size_t i = 0; i < first; i++)
		row[i] = uint8(row[i] + previous[i]);
	for (size_t i = first; i < length; i++)
		row[i] = uint8(row[i] + paeth_predictor(row[i - bpp], previous[i], previous[i - bpp]));
}

// Three- and four-byte pixels, one pixel at a time in the low lanes of an SSE2
// register: each pixel depends on the one before it, so the gain is working
// on all its channels at once.
// The bytes of a pixel are put together in a register rather than through
// memory: a 4-byte load of bytes just stored one or two at a time would wait
// for those stores to retire.
template <int Bpp> inline __m128i load_pixel(const uint8* at)
{
	uint32 value;
	if constexpr (Bpp == 4) {
		memcpy(&value, at, 4);
	} else {
		uint16 low;
		memcpy(&low, at, 2);
		value = uint32(low) | uint32(at[2]) << 16;
	}
	return _mm_cvtsi32_si128(int(value));
}

template <int Bpp> inline void store_pixel(uint8* at, __m128i pixel)
{
	uint32 value = uint32(_mm_cvtsi128_si32(pixel));
	if constexpr (Bpp == 4) {
		memcpy(at, &value, 4);
	} else {
		uint16 low = uint16(value);
		memcpy(at, &low, 2);
		at[2] = uint8(value >> 16);
	}
}

template <int Bpp> void unfilter_sub_sse2(uint8* row, size_t length)
{
	__m128i left = _mm_setzero_si128();
	for (size_t i = 0; i + Bpp <= length; i += Bpp) {
		left = _mm_add_epi8(load_pixel<Bpp>(row + i), left);
		store_pixel<Bpp>(row + i, left);
	}
}

template <int Bpp> void unfilter_average_sse2(uint8* row, const uint8* previous, size_t length)
{
	const __m128i one = _mm_set1_epi8(1);
	__m128i left = _mm_setzero_si128();
	for (size_t i = 0; i + Bpp <= length; i += Bpp) {
		__m128i above = load_pixel<Bpp>(previous + i);
		// _mm_avg_epu8 rounds up; PNG's average rounds down.
		__m128i average =
		    _mm_sub_epi8(_mm_avg_epu8(left, above), _mm_and_si128(_mm_xor_si128(left, above), one));
		left = _mm_add_epi8(load_pixel<Bpp>(row + i), average);
		store_pixel<Bpp>(row + i, left);
	}
}

inline __m128i abs_epi16(__m128i value)
{
	return _mm_max_epi16(value, _mm_sub_epi16(_mm_setzero_si128(), value));
}

inline __m128i select(__m128i mask, __m128i ifSet, __m128i otherwise)
{
	return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, otherwise));
}

template <int Bpp> void unfilter_paeth_sse2(uint8* row, const uint8* previous, size_t length)
{
	const __m128i zero = _mm_setzero_si128();
	__m128i a = zero; // left, 16-bit lanes
	__m128i c = zero; // above left
	for (size_t i = 0; i + Bpp <= length; i += Bpp) {
		__m128i b = _mm_unpacklo_epi8(load_pixel<Bpp>(previous + i), zero);
		__m128i bc = _mm_sub_epi16(b, c);
		__m128i ac = _mm_sub_epi16(a, c);
		__m128i pa = abs_epi16(bc);
		__m128i pb = abs_epi16(ac);
		__m128i pc = abs_epi16(_mm_add_epi16(bc, ac));
		// a on ties with either, then b before c.
		__m128i predictor = select(_mm_cmplt_epi16(pb, pa), b, a);
		predictor = select(_mm_cmplt_epi16(pc, _mm_min_epi16(pa, pb)), c, predictor);
		__m128i pixel =
		    _mm_add_epi8(load_pixel<Bpp>(row + i), _mm_packus_epi16(predictor, predictor));
		store_pixel<Bpp>(row + i, pixel);
		a = _mm_unpacklo_epi8(pixel, zero);
		c = b;
	}
}

// The same with SSSE3's absolute value and SSE4.1's blend, and the sum kept
// in 16-bit lanes: fewer steps on the chain from one pixel to the next.
template <int Bpp>
__attribute__((target("sse4.1"))) void unfilter_paeth_sse41(uint8* row, const uint8* previous,
                                                            size_t length)
{
	const __m128i zero = _mm_setzero_si128();
	const __m128i low = _mm_set1_epi16(0xff);
	__m128i a = zero;
	__m128i c = zero;
	for (size_t i = 0; i + Bpp <= length; i += Bpp) {
		__m128i b = _mm_unpacklo_epi8(load_pixel<Bpp>(previous + i), zero);
		__m128i x = _mm_unpacklo_epi8(load_pixel<Bpp>(row + i), zero);
		__m128i bc = _mm_sub_epi16(b, c);
		__m128i ac = _mm_sub_epi16(a, c);
		__m128i pa = _mm_abs_epi16(bc);
		__m128i pb = _mm_abs_epi16(ac);
		__m128i pc = _mm_abs_epi16(_mm_add_epi16(bc, ac));
		__m128i predictor = _mm_blendv_epi8(a, b, _mm_cmpgt_epi16(pa, pb));
		predictor = _mm_blendv_epi8(predictor, c, _mm_cmpgt_epi16(_mm_min_epi16(pa, pb), pc));
		a = _mm_and_si128(_mm_add_epi16(x, predictor), low);
		store_pixel<Bpp>(row + i, _mm_packus_epi16(a, a));
		c = b;
	}
}

} // namespace

bool png_unfilter_row(uint8 filter, uint8* row, const uint8* previous, size_t length,
                      int bytesPerPixel)
{
	switch (filter) {
		case kNone:
			return true;
		case kSub:
			if (bytesPerPixel == 4)
				unfilter_sub_sse2<4>(row, length);
			else if (bytesPerPixel == 3)
				unfilter_sub_sse2<3>(row, length);
			else
				unfilter_sub(row, length, bytesPerPixel);
			return true;
		case kUp:
			unfilter_up(row, previous, length);
			return true;
		case kAverage:
			if (bytesPerPixel == 4)
				unfilter_average_sse2<4>(row, previous, length);
			else if (bytesPerPixel == 3)
				unfilter_average_sse2<3>(row, previous, length);
			else
				unfilter_average(row, previous, length, bytesPerPixel);
			return true;
		case kPaeth:
			if (bytesPerPixel == 4 && cpu_has_sse41())
				unfilter_paeth_sse41<4>(row, previous, length);
			else if (bytesPerPixel == 3 && cpu_has_sse41())
				unfilter_paeth_sse41<3>(row, previous, length);
			else if (bytesPerPixel == 4)
				unfilter_paeth_sse2<4>(row, previous, length);
			else if (bytesPerPixel == 3)
				unfilter_paeth_sse2<3>(row, previous, length);
			else
				unfilter_paeth(row, previous, length, bytesPerPixel);
			return true;
		default:
			return false;
	}
}

} // namespace BPrivate
