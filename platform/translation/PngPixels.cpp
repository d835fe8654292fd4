#include "translation/PngPixels.h"

#include <string.h>

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

uint8 convert_grey(const PngPixelFormat& format, const uint8* row, uint8* out, uint32 width)
{
	if (!format.hasKey) {
		for (uint32 x = 0; x < width; x++)
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
		for (uint32 x = 0; x < width; x++) {
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
	for (uint32 x = 0; x < width; x++) {
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
