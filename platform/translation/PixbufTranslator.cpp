#include "translation/PixbufTranslator.h"

#include <math.h>
#include <stdlib.h>

#include <algorithm>
#include <memory>
#include <new>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <Bitmap.h>

#include "interface/BitmapPrivate.h"
#include "translation/ColorProfile.h"
#include "translation/OrientedCopy.h"
#include "translation/StreamReader.h"
#include "translation/TiffAlpha.h"

namespace BPrivate {

namespace {

constexpr size_t kChunkSize = 64 * 1024;

struct LoadState {
	bool tooLarge = false;
};

// A pixbuf is a whole copy of the picture beside the bitmap made from it, so
// it must fit the decoding budget: 2^24 pixels (4096 x 4096) of four bytes.
constexpr int64 kMaxPixbufPixels = kDecodeBudgetBytes / 4;

// The loader announces the size before it allocates anything. Asking for a
// 0 x 0 picture is gdk-pixbuf's documented way to tell a loader to stop.
// Vector pictures (SVG) have no pixels of their own and are rendered as
// large as the budget allows instead; the raster loaders decode at full size
// whatever size is asked for, so larger pictures of theirs are refused.
void size_prepared(GdkPixbufLoader* loader, gint width, gint height, gpointer data)
{
	int64 pixels = int64(width) * height;
	if (width > 0 && height > 0 && pixels > kMaxPixbufPixels) {
		GdkPixbufFormat* format = gdk_pixbuf_loader_get_format(loader);
		if (format != NULL && gdk_pixbuf_format_is_scalable(format)) {
			double scale = sqrt(double(kMaxPixbufPixels) / double(pixels));
			gdk_pixbuf_loader_set_size(loader, std::max(1, int(width * scale)),
			                           std::max(1, int(height * scale)));
			return;
		}
	}
	if (!bitmap_size_allowed(width, height) || pixels > kMaxPixbufPixels) {
		static_cast<LoadState*>(data)->tooLarge = true;
		gdk_pixbuf_loader_set_size(loader, 0, 0);
	}
}

struct LoaderHolder {
	GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
	bool closed = false;
	~LoaderHolder()
	{
		if (!closed)
			gdk_pixbuf_loader_close(loader, NULL);
		g_object_unref(loader);
	}
};

bool loaded_by(GdkPixbufLoader* loader, const char* formatName)
{
	GdkPixbufFormat* format = gdk_pixbuf_loader_get_format(loader);
	if (format == NULL)
		return false;
	gchar* name = gdk_pixbuf_format_get_name(format);
	bool same = g_strcmp0(name, formatName) == 0;
	g_free(name);
	return same;
}

// JPEG, PNG and WebP have translators of their own, stricter about damaged files;
// data they did not recognise is not let in through the lenient loaders.
bool claimed_by_another_translator(GdkPixbufLoader* loader)
{
	return loaded_by(loader, "jpeg") || loaded_by(loader, "png") || loaded_by(loader, "webp");
}

// Straight colour of a pixel whose colour was multiplied by its alpha; a
// transparent pixel has none left and becomes transparent black.
uint8 unmultiplied(uint8 colour, uint8 alpha)
{
	if (alpha == 0)
		return 0;
	return uint8(std::min(255, (colour * 255 + alpha / 2) / alpha));
}

// The loaders that expose the picture's ICC profile (TIFF, and AVIF/HEIF
// where theirs does) give it base64-coded as an option.
void convert_embedded_profile(GdkPixbuf* pixbuf, BBitmap* bitmap)
{
	const gchar* option = gdk_pixbuf_get_option(pixbuf, "icc-profile");
	if (option == NULL)
		return;
	gsize length = 0;
	guchar* profile = g_base64_decode(option, &length);
	if (profile != NULL)
		convert_to_srgb(profile, length, bitmap);
	g_free(profile);
}

uint32 le32(const uint8* at)
{
	return uint32(at[0]) | uint32(at[1]) << 8 | uint32(at[2]) << 16 | uint32(at[3]) << 24;
}

// gdk-pixbuf's BMP loader sizes its buffers from the headers before it looks
// at anything else: to the claimed info header size, to the claimed number of
// palette entries and to the gap before the pixel data, each up to 4 GiB. A
// hostile header is refused here: the Windows and OS/2 info headers come in
// these sizes only, a palette of more than 256 entries indexes nothing, and
// the pixel data cannot start beyond the end of the file. |fileSize| is -1
// when the stream cannot tell.
bool bmp_header_is_sane(const uint8* data, size_t length, off_t fileSize)
{
	if (length < 2 || data[0] != 'B' || data[1] != 'M')
		return true;
	if (length < 18)
		return false;
	uint32 infoSize = le32(data + 14);
	switch (infoSize) {
		case 12:
		case 16:
		case 40:
		case 52:
		case 56:
		case 64:
		case 108:
		case 124:
			break;
		default:
			return false;
	}
	uint32 dataOffset = le32(data + 10);
	if (fileSize >= 0 && off_t(dataOffset) > fileSize)
		return false;
	if (infoSize >= 40) {
		if (length < 50)
			return false;
		uint16 bitsPerPixel = uint16(data[28] | data[29] << 8);
		if (bitsPerPixel <= 8 && le32(data + 46) > 256)
			return false;
	}
	return true;
}

int embedded_orientation(GdkPixbuf* pixbuf)
{
	const gchar* option = gdk_pixbuf_get_option(pixbuf, "orientation");
	if (option == NULL)
		return 1;
	int value = atoi(option);
	return value >= 1 && value <= 8 ? value : 1;
}

} // namespace

const char* PixbufTranslator::Name() const
{
	return "gdk-pixbuf images";
}

const char* PixbufTranslator::Info() const
{
	return "Decoder for every installed gdk-pixbuf loader (gdk-pixbuf " GDK_PIXBUF_VERSION ")";
}

int32 PixbufTranslator::Version() const
{
	return 100;
}

bool PixbufTranslator::Recognizes(const uint8*, size_t length) const
{
	return length > 0;
}

status_t PixbufTranslator::Decode(BPositionIO* stream, off_t start, BBitmap** outBitmap) const
{
	LoaderHolder holder;
	LoadState state;
	g_signal_connect(holder.loader, "size-prepared", G_CALLBACK(size_prepared), &state);

	std::unique_ptr<uint8[]> chunk(new (std::nothrow) uint8[kChunkSize]);
	if (!chunk)
		return B_NO_MEMORY;
	off_t fileSize = -1;
	if (stream->GetSize(&fileSize) != B_OK || fileSize < start)
		fileSize = -1;
	else
		fileSize -= start;
	StreamReader reader(stream, start);
	for (bool first = true;; first = false) {
		ssize_t length = reader.Read(chunk.get(), kChunkSize);
		if (length < 0)
			return status_t(length);
		if (length == 0)
			break;
		if (first && !bmp_header_is_sane(chunk.get(), size_t(length), fileSize))
			return B_BAD_DATA;
		if (!gdk_pixbuf_loader_write(holder.loader, chunk.get(), size_t(length), NULL))
			return state.tooLarge ? B_NO_MEMORY : B_BAD_DATA;
		if (state.tooLarge)
			return B_NO_MEMORY;
		if (claimed_by_another_translator(holder.loader))
			return B_BAD_DATA;
	}
	holder.closed = true;
	if (!gdk_pixbuf_loader_close(holder.loader, NULL) || state.tooLarge)
		return state.tooLarge ? B_NO_MEMORY : B_BAD_DATA;

	// For an animation this is its first frame. The loader keeps the reference.
	GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(holder.loader);
	if (pixbuf == NULL || gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB ||
	    gdk_pixbuf_get_bits_per_sample(pixbuf) != 8) {
		return B_BAD_DATA;
	}
	int width = gdk_pixbuf_get_width(pixbuf);
	int height = gdk_pixbuf_get_height(pixbuf);
	int channels = gdk_pixbuf_get_n_channels(pixbuf);
	int stride = gdk_pixbuf_get_rowstride(pixbuf);
	bool hasAlpha = gdk_pixbuf_get_has_alpha(pixbuf);
	if (!bitmap_size_allowed(width, height) || int64(width) * height > kMaxPixbufPixels ||
	    channels != (hasAlpha ? 4 : 3))
		return B_BAD_DATA;
	const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
	int orientation = embedded_orientation(pixbuf);
	bool swap = orientation_swaps_axes(orientation);
	int32 outWidth = swap ? height : width;
	int32 outHeight = swap ? width : height;
	std::unique_ptr<BBitmap> bitmap(new (std::nothrow) BBitmap(
	    BRect(0, 0, outWidth - 1, outHeight - 1), hasAlpha ? B_RGBA32 : B_RGB32));
	if (!bitmap || bitmap->InitCheck() != B_OK)
		return B_NO_MEMORY;

	OrientedTarget target = {static_cast<uint8*>(bitmap->Bits()), bitmap->BytesPerRow(), width,
	                         height, orientation};
	// The kit's bitmaps have straight alpha; gdk-pixbuf promises it too, but
	// its TIFF loader mostly hands colour on multiplied by alpha.
	bool premultiplied =
	    hasAlpha && loaded_by(holder.loader, "tiff") && tiff_colour_premultiplied(stream, start);
	if (premultiplied) {
		copy_oriented<4>(target, pixels, stride, 0, height, [](const uint8* p) {
			return uint32(p[3]) << 24 | uint32(unmultiplied(p[0], p[3])) << 16 |
			       uint32(unmultiplied(p[1], p[3])) << 8 | unmultiplied(p[2], p[3]);
		});
	} else if (hasAlpha) {
		copy_oriented<4>(target, pixels, stride, 0, height, [](const uint8* p) {
			return uint32(p[3]) << 24 | uint32(p[0]) << 16 | uint32(p[1]) << 8 | p[2];
		});
	} else {
		copy_oriented<3>(target, pixels, stride, 0, height, [](const uint8* p) {
			return 0xff000000u | uint32(p[0]) << 16 | uint32(p[1]) << 8 | p[2];
		});
	}
	convert_embedded_profile(pixbuf, bitmap.get());
	// Loaders such as GIF's always give an alpha channel; a picture whose
	// every pixel is opaque is still an opaque picture.
	if (hasAlpha && bitmap_is_opaque(bitmap.get()))
		BitmapAccess::SetAlphaUsed(bitmap.get(), false);
	*outBitmap = bitmap.release();
	return B_OK;
}

} // namespace BPrivate
