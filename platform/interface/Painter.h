#ifndef _PAINTER_H
#define _PAINTER_H

#include <Bitmap.h>
#include <Font.h>
#include <GraphicsDefs.h>
#include <Rect.h>
#include <Region.h>

#include <pixman.h>

namespace BPrivate {

// The one drawing engine: every backend's window surface is a B_RGB32
// (x8r8g8b8) framebuffer and the interface kit draws into it with this.
// Coordinates follow BRect: integers are pixel centres, edges inclusive.
// A painter belongs to one thread at a time (the window's); the caches it
// uses (glyphs, bitmap pyramids) are shared and thread-safe.
class Painter {
public:
	Painter();
	~Painter();

	// |bits| stay the caller's and must outlive the attachment. B_BAD_VALUE for
	// an impossible geometry (leaves the painter detached).
	status_t Attach(void* bits, int32 width, int32 height, int32 bytesPerRow);
	void Detach();
	bool IsAttached() const { return fTarget != NULL; }
	int32 Width() const { return fWidth; }
	int32 Height() const { return fHeight; }

	// Added to every coordinate: a view's origin in the framebuffer.
	void SetOrigin(BPoint origin) { fOrigin = origin; }
	BPoint Origin() const { return fOrigin; }
	// Framebuffer coordinates (no origin). NULL: the whole framebuffer.
	void SetClipping(const BRegion* clipping);
	const BRegion& Clipping() const { return fClipping; }

	// B_OP_COPY draws colours opaque; B_OP_OVER too, except that the
	// transparent magic colour draws nothing; B_OP_ALPHA blends by the colour's
	// alpha. The other modes draw as B_OP_COPY.
	void SetDrawingMode(drawing_mode mode) { fMode = mode; }
	drawing_mode DrawingMode() const { return fMode; }

	// Every pixel the rectangle touches: with whole numbers, columns
	// left..right and rows top..bottom.
	void FillRect(BRect rect, rgb_color color);
	void FillRegion(const BRegion& region, rgb_color color);
	// The one-pixel outline of the pixels FillRect would cover.
	void StrokeRect(BRect rect, rgb_color color);
	// One pixel wide, both end points included.
	void StrokeLine(BPoint from, BPoint to, rgb_color color);
	// |length| bytes of UTF-8 from the baseline point; returns the pen
	// position after the string.
	BPoint DrawString(const char* string, int32 length, BPoint baseline, const BFont& font,
	                  rgb_color color);

	// Maps all of |source| (bitmap coordinates) onto |destination|, edges
	// inclusive, rounded to whole pixels. Magnification and 1:1 use nearest
	// neighbour (crisp pixels) unless |smoothMagnify|; reduction samples
	// bilinearly from the smallest pyramid level still at least the
	// destination's size. B_RGBA32 composites over what is there; B_RGB32,
	// B_RGB24, B_RGB16, B_RGB15, B_RGB32_BIG, B_RGBA32_BIG, B_GRAY8 and B_CMAP8
	// (through the Be system palette, B_TRANSPARENT_MAGIC_CMAP8 not drawn in
	// any mode) are drawn; other colour spaces return B_BAD_VALUE.
	status_t DrawBitmap(const BBitmap* bitmap, BRect source, BRect destination,
	                    bool smoothMagnify = false);

private:
	bool _Color(rgb_color color, pixman_op_t* op, pixman_color_t* pixmanColor) const;
	void _FillBoxes(const pixman_box32_t* boxes, int count, rgb_color color);
	void _ApplyClipping();

	pixman_image_t* fTarget;
	int32 fWidth;
	int32 fHeight;
	BPoint fOrigin;
	BRegion fClipping; // framebuffer coordinates, within the framebuffer
	bool fClipAll;     // NULL clipping: the whole framebuffer
	drawing_mode fMode;
};

} // namespace BPrivate

#endif
