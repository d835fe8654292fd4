#ifndef _BITMAP_H
#define _BITMAP_H

#include <GraphicsDefs.h>
#include <Rect.h>

enum {
	B_BITMAP_CLEAR_TO_WHITE = 0x00000001,
	B_BITMAP_ACCEPTS_VIEWS = 0x00000002,
	B_BITMAP_IS_AREA = 0x00000004,
	B_BITMAP_IS_LOCKED = 0x00000008 | B_BITMAP_IS_AREA,
	B_BITMAP_IS_CONTIGUOUS = 0x00000010 | B_BITMAP_IS_LOCKED,
	B_BITMAP_IS_OFFSCREEN = 0x00000020,
	B_BITMAP_WILL_OVERLAY = 0x00000040 | B_BITMAP_IS_OFFSCREEN,
	B_BITMAP_RESERVE_OVERLAY_CHANNEL = 0x00000080,
	B_BITMAP_NO_SERVER_LINK = 0x00000100
};

#define B_ANY_BYTES_PER_ROW -1

namespace BPrivate {
struct BitmapAccess;
}

// A block of pixels in one colour space. The pixel data is uninitialised unless
// B_BITMAP_CLEAR_TO_WHITE is asked for, stays at one address for the bitmap's
// life, and its rows may be padded: always step rows by BytesPerRow().
//
// The bounds give the size: (0, 0, W - 1, H - 1) is W x H pixels. Bitmaps of
// more than 2^28 pixels (16384 x 16384) or 1 GiB of pixel data are refused
// with InitCheck() == B_NO_MEMORY; bounds that are invalid or not finite, an
// unknown colour space or too small a bytesPerRow give B_BAD_VALUE. Either
// way Bits() is NULL.
class BBitmap {
public:
	BBitmap(BRect bounds, uint32 flags, color_space colorSpace,
	        int32 bytesPerRow = B_ANY_BYTES_PER_ROW, screen_id screenID = B_MAIN_SCREEN_ID);
	BBitmap(BRect bounds, color_space colorSpace, bool acceptsViews = false,
	        bool needsContiguous = false);
	BBitmap(const BBitmap& source);
	virtual ~BBitmap();

	status_t InitCheck() const;
	bool IsValid() const;

	void* Bits() const;
	int32 BitsLength() const;
	int32 BytesPerRow() const;
	color_space ColorSpace() const;
	BRect Bounds() const;
	uint32 Flags() const;

	// Copies |length| bytes of |data| to |offset| in the bitmap. B_RGB32 data
	// may be given to a B_RGB32 or B_RGBA32 bitmap and is then copied as is;
	// other colour spaces must match the bitmap's own.
	void SetBits(const void* data, int32 length, int32 offset, color_space colorSpace);
	// Copies rows of |bytesPerRow| bytes (B_ANY_BYTES_PER_ROW: packed) from
	// |data| into the bitmap from |offset| on, row by row; the colour space must
	// be the bitmap's own, or B_RGB32/B_RGBA32 into either of those two.
	status_t ImportBits(const void* data, int32 length, int32 bytesPerRow, int32 offset,
	                    color_space colorSpace);
	// The overlapping area of |bitmap| (same size rules as above).
	status_t ImportBits(const BBitmap* bitmap);

	BBitmap& operator=(const BBitmap& source);

private:
	friend struct BPrivate::BitmapAccess;

	void _Init(BRect bounds, uint32 flags, color_space colorSpace, int32 bytesPerRow);
	void _Free();

	BRect fBounds;
	color_space fColorSpace;
	uint32 fFlags;
	int32 fBytesPerRow;
	int32 fBitsLength;
	uint8* fBits;
	// Size of the mapping behind fBits when it was mapped rather than
	// malloc'ed (0 otherwise).
	size_t fMappedLength;
	status_t fInitStatus;
};

#endif
