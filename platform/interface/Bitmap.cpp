#include <Bitmap.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>

#include "interface/BitmapCache.h"
#include "interface/BitmapPrivate.h"
#include "interface/SystemPalette.h"

namespace {

// Big pixel buffers get a mapping of their own: fresh pages come zeroed and
// page-aligned, and the memory goes back to the system with the bitmap.
// Ordinary pages on purpose: asking for transparent huge pages
// (MADV_HUGEPAGE) makes the kernel compact memory on the spot whenever no free
// 2 MiB block is at hand, which stalled a 96 MB picture for hundreds of
// milliseconds on a machine whose memory had been in use for a while. A
// decoder takes the remaining cost of the faults off its own thread with
// BitmapPrefault.
constexpr size_t kOwnMappingBytes = size_t(2) << 20;

uint8* map_pixels(size_t length, size_t* mappedLength)
{
	void* bits = mmap(NULL, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
	if (bits == MAP_FAILED)
		return NULL;
	*mappedLength = length;
	return static_cast<uint8*>(bits);
}

bool is_32bit(color_space space)
{
	return space == B_RGB32 || space == B_RGBA32;
}

} // namespace

namespace BPrivate {

int32 minimum_bytes_per_row(color_space space, int32 width)
{
	int64 bits;
	switch (space) {
		case B_RGB32:
		case B_RGBA32:
		case B_RGB32_BIG:
		case B_RGBA32_BIG:
			bits = 32;
			break;
		case B_RGB24:
		case B_RGB24_BIG:
			bits = 24;
			break;
		case B_RGB16:
		case B_RGB15:
		case B_RGBA15:
		case B_RGB16_BIG:
		case B_RGB15_BIG:
		case B_RGBA15_BIG:
			bits = 16;
			break;
		case B_CMAP8:
		case B_GRAY8:
			bits = 8;
			break;
		case B_GRAY1:
			bits = 1;
			break;
		default:
			return 0;
	}
	if (width <= 0)
		return 0;
	int64 bytes = (int64(width) * bits + 31) / 32 * 4;
	return bytes > INT32_MAX ? 0 : int32(bytes);
}

bool bitmap_size_allowed(int64 width, int64 height)
{
	return width >= 1 && height >= 1 && width <= kMaxBitmapPixels && height <= kMaxBitmapPixels &&
	       width * height <= kMaxBitmapPixels && width * height * 4 <= kMaxBitmapBytes;
}

bool bitmap_is_opaque(const BBitmap* bitmap)
{
	const uint8* bits = static_cast<const uint8*>(bitmap->Bits());
	if (bits == NULL)
		return false;
	int64 width = bitmap->Bounds().IntegerWidth() + 1;
	int64 height = bitmap->Bounds().IntegerHeight() + 1;
	for (int64 y = 0; y < height; y++) {
		const uint8* alpha = bits + y * bitmap->BytesPerRow() + 3;
		uint8 all = 0xff;
		for (int64 x = 0; x < width; x++)
			all &= alpha[x * 4];
		if (all != 0xff)
			return false;
	}
	return true;
}

} // namespace BPrivate

BBitmap::BBitmap(BRect bounds, uint32 flags, color_space colorSpace, int32 bytesPerRow, screen_id)
{
	_Init(bounds, flags, colorSpace, bytesPerRow);
}

BBitmap::BBitmap(BRect bounds, color_space colorSpace, bool acceptsViews, bool needsContiguous)
{
	uint32 flags = (acceptsViews ? B_BITMAP_ACCEPTS_VIEWS : 0) |
	               (needsContiguous ? B_BITMAP_IS_CONTIGUOUS : 0);
	_Init(bounds, flags, colorSpace, B_ANY_BYTES_PER_ROW);
}

BBitmap::BBitmap(const BBitmap& source)
{
	_Init(source.fBounds, source.fFlags, source.fColorSpace, source.fBytesPerRow);
	if (fBits != NULL && source.fBits != NULL)
		memcpy(fBits, source.fBits, fBitsLength);
}

BBitmap::~BBitmap()
{
	_Free();
}

BBitmap& BBitmap::operator=(const BBitmap& source)
{
	if (this == &source)
		return *this;
	_Free();
	_Init(source.fBounds, source.fFlags, source.fColorSpace, source.fBytesPerRow);
	if (fBits != NULL && source.fBits != NULL)
		memcpy(fBits, source.fBits, fBitsLength);
	return *this;
}

void BBitmap::_Init(BRect bounds, uint32 flags, color_space colorSpace, int32 bytesPerRow)
{
	fBounds = bounds;
	fColorSpace = colorSpace;
	fFlags = flags;
	fBytesPerRow = 0;
	fBitsLength = 0;
	fBits = NULL;
	fMappedLength = 0;
	fInitStatus = B_BAD_VALUE;

	if (!isfinite(bounds.left) || !isfinite(bounds.top) || !isfinite(bounds.right) ||
	    !isfinite(bounds.bottom) || !bounds.IsValid()) {
		return;
	}
	// Widths in double: a float difference of huge edges must not wrap.
	double width = ceil(double(bounds.right) - double(bounds.left)) + 1;
	double height = ceil(double(bounds.bottom) - double(bounds.top)) + 1;
	if (width > double(BPrivate::kMaxBitmapPixels) || height > double(BPrivate::kMaxBitmapPixels)) {
		fInitStatus = B_NO_MEMORY;
		return;
	}
	int32 minimumRow = BPrivate::minimum_bytes_per_row(colorSpace, int32(width));
	if (minimumRow == 0)
		return;
	if (bytesPerRow == B_ANY_BYTES_PER_ROW)
		bytesPerRow = minimumRow;
	else if (bytesPerRow < minimumRow)
		return;

	int64 length = int64(bytesPerRow) * int64(height);
	if (int64(width) * int64(height) > BPrivate::kMaxBitmapPixels ||
	    length > BPrivate::kMaxBitmapBytes) {
		fInitStatus = B_NO_MEMORY;
		return;
	}

	if (size_t(length) >= kOwnMappingBytes)
		fBits = map_pixels(size_t(length), &fMappedLength);
	else
		fBits = static_cast<uint8*>(malloc(size_t(length)));
	if (fBits == NULL) {
		fInitStatus = B_NO_MEMORY;
		return;
	}
	fBytesPerRow = bytesPerRow;
	fBitsLength = int32(length);
	fInitStatus = B_OK;

	if ((flags & B_BITMAP_CLEAR_TO_WHITE) != 0)
		memset(fBits, colorSpace == B_CMAP8 ? BPrivate::kWhiteIndex : 0xff, fBitsLength);
}

void BBitmap::_Free()
{
	// Scaled drawing keeps converted copies and reductions of these pixels.
	BPrivate::bitmap_bits_changed(this);
	if (fMappedLength > 0)
		munmap(fBits, fMappedLength);
	else
		free(fBits);
	fBits = NULL;
	fMappedLength = 0;
}

status_t BBitmap::InitCheck() const
{
	return fInitStatus;
}

bool BBitmap::IsValid() const
{
	return fInitStatus == B_OK;
}

void* BBitmap::Bits() const
{
	return fBits;
}

int32 BBitmap::BitsLength() const
{
	return fBitsLength;
}

int32 BBitmap::BytesPerRow() const
{
	return fBytesPerRow;
}

color_space BBitmap::ColorSpace() const
{
	return fColorSpace;
}

BRect BBitmap::Bounds() const
{
	return fBounds;
}

uint32 BBitmap::Flags() const
{
	return fFlags;
}

void BBitmap::SetBits(const void* data, int32 length, int32 offset, color_space colorSpace)
{
	ImportBits(data, length, fBytesPerRow, offset, colorSpace);
}

status_t BBitmap::ImportBits(const void* data, int32 length, int32 bytesPerRow, int32 offset,
                             color_space colorSpace)
{
	if (fBits == NULL)
		return B_NO_INIT;
	if (data == NULL || length < 0 || offset < 0 || offset > fBitsLength)
		return B_BAD_VALUE;
	bool compatible = colorSpace == fColorSpace || (is_32bit(colorSpace) && is_32bit(fColorSpace));
	if (!compatible)
		return B_BAD_VALUE;

	int32 width = fBounds.IntegerWidth() + 1;
	int32 rowBytes = BPrivate::minimum_bytes_per_row(fColorSpace, width);
	if (bytesPerRow == B_ANY_BYTES_PER_ROW)
		bytesPerRow = rowBytes;
	if (bytesPerRow <= 0)
		return B_BAD_VALUE;

	// Row by row from |offset| on: each source row fills one bitmap row as far
	// as both reach.
	const uint8* source = static_cast<const uint8*>(data);
	int64 sourceLeft = length;
	int64 target = offset;
	while (sourceLeft > 0 && target < fBitsLength) {
		int64 inRow = target % fBytesPerRow;
		int64 count = min_c(min_c(sourceLeft, int64(bytesPerRow)), int64(fBitsLength) - target);
		count = min_c(count, int64(fBytesPerRow) - inRow);
		memcpy(fBits + target, source, size_t(count));
		source += min_c(sourceLeft, int64(bytesPerRow));
		sourceLeft -= min_c(sourceLeft, int64(bytesPerRow));
		target += fBytesPerRow;
	}
	BPrivate::bitmap_bits_changed(this);
	return B_OK;
}

status_t BBitmap::ImportBits(const BBitmap* bitmap)
{
	if (bitmap == NULL || bitmap->fBits == NULL)
		return B_BAD_VALUE;
	if (fBits == NULL)
		return B_NO_INIT;
	bool compatible = bitmap->fColorSpace == fColorSpace ||
	                  (is_32bit(bitmap->fColorSpace) && is_32bit(fColorSpace));
	if (!compatible)
		return B_BAD_VALUE;
	int32 rows = min_c(bitmap->fBounds.IntegerHeight(), fBounds.IntegerHeight()) + 1;
	int32 width = min_c(bitmap->fBounds.IntegerWidth(), fBounds.IntegerWidth()) + 1;
	int32 rowBytes = BPrivate::minimum_bytes_per_row(fColorSpace, width);
	for (int32 y = 0; y < rows; y++) {
		memcpy(fBits + int64(y) * fBytesPerRow, bitmap->fBits + int64(y) * bitmap->fBytesPerRow,
		       size_t(rowBytes));
	}
	BPrivate::bitmap_bits_changed(this);
	return B_OK;
}
