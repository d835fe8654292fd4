#include "interface/Painter.h"

#include <math.h>
#include <vector>

#include "interface/BitmapCache.h"
#include "interface/FontFile.h"
#include "interface/FontPrivate.h"
#include "interface/RegionPrivate.h"

namespace BPrivate {

// Lines longer than this are cut to the framebuffer before they are walked.
static const double kLongLine = 1 << 16;

static bool is_finite(BPoint point)
{
	return isfinite(point.x) && isfinite(point.y);
}

Painter::Painter()
    : fTarget(NULL), fWidth(0), fHeight(0), fOrigin(0, 0), fClipAll(true), fMode(B_OP_COPY)
{
}

Painter::~Painter()
{
	Detach();
}

status_t Painter::Attach(void* bits, int32 width, int32 height, int32 bytesPerRow)
{
	Detach();
	if (bits == NULL || width <= 0 || height <= 0 || bytesPerRow % 4 != 0 ||
	    bytesPerRow / 4 < width)
		return B_BAD_VALUE;
	fTarget = pixman_image_create_bits(PIXMAN_x8r8g8b8, width, height, static_cast<uint32_t*>(bits),
	                                   bytesPerRow);
	if (fTarget == NULL)
		return B_NO_MEMORY;
	fWidth = width;
	fHeight = height;
	_ApplyClipping();
	return B_OK;
}

void Painter::Detach()
{
	if (fTarget != NULL)
		pixman_image_unref(fTarget);
	fTarget = NULL;
	fWidth = fHeight = 0;
}

void Painter::SetClipping(const BRegion* clipping)
{
	fClipAll = clipping == NULL;
	if (clipping != NULL)
		fClipping = *clipping;
	_ApplyClipping();
}

void Painter::_ApplyClipping()
{
	if (fTarget == NULL)
		return;
	BRegion frame(BRect(0, 0, fWidth - 1, fHeight - 1));
	if (fClipAll)
		fClipping = frame;
	else
		fClipping.IntersectWith(&frame);
	pixman_image_set_clip_region32(fTarget, RegionPrivate::Pixman(fClipping));
}

bool Painter::_Color(rgb_color color, pixman_op_t* op, pixman_color_t* pixmanColor) const
{
	uint16 alpha = 0xffff;
	if (fMode == B_OP_ALPHA) {
		if (color.alpha == 0)
			return false;
		alpha = color.alpha * 257;
	} else if (fMode == B_OP_OVER && color == B_TRANSPARENT_32_BIT)
		return false;
	auto channel = [alpha](uint8 value) {
		uint32 wide = value * 257;
		return static_cast<uint16>((wide * alpha + 0x7fff) / 0xffff);
	};
	pixmanColor->red = channel(color.red);
	pixmanColor->green = channel(color.green);
	pixmanColor->blue = channel(color.blue);
	pixmanColor->alpha = alpha;
	*op = alpha == 0xffff ? PIXMAN_OP_SRC : PIXMAN_OP_OVER;
	return true;
}

void Painter::_FillBoxes(const pixman_box32_t* boxes, int count, rgb_color color)
{
	pixman_op_t op;
	pixman_color_t pixmanColor;
	if (fTarget == NULL || count <= 0 || !_Color(color, &op, &pixmanColor))
		return;
	// The target's clip region applies to fills as to composites.
	pixman_image_fill_boxes(op, fTarget, &pixmanColor, count, boxes);
}

void Painter::FillRect(BRect rect, rgb_color color)
{
	pixman_box32_t box;
	if (RegionPrivate::ToBox(rect.OffsetByCopy(fOrigin), &box))
		_FillBoxes(&box, 1, color);
}

void Painter::FillRegion(const BRegion& region, rgb_color color)
{
	BRegion moved(region);
	moved.OffsetBy(fOrigin);
	int count = 0;
	const pixman_box32_t* boxes = pixman_region32_rectangles(RegionPrivate::Pixman(moved), &count);
	_FillBoxes(boxes, count, color);
}

void Painter::StrokeRect(BRect rect, rgb_color color)
{
	pixman_box32_t box;
	if (!RegionPrivate::ToBox(rect.OffsetByCopy(fOrigin), &box))
		return;
	if (box.x2 - box.x1 <= 2 || box.y2 - box.y1 <= 2) {
		_FillBoxes(&box, 1, color);
		return;
	}
	// Four boxes that do not overlap, so a blended outline is even.
	pixman_box32_t sides[4] = {
	    {box.x1, box.y1, box.x2, box.y1 + 1},
	    {box.x1, box.y2 - 1, box.x2, box.y2},
	    {box.x1, box.y1 + 1, box.x1 + 1, box.y2 - 1},
	    {box.x2 - 1, box.y1 + 1, box.x2, box.y2 - 1},
	};
	_FillBoxes(sides, 4, color);
}

// Cuts the segment to |limits| (Liang-Barsky); false when nothing is left.
static bool clip_segment(double* x0, double* y0, double* x1, double* y1, const double limits[4])
{
	double t0 = 0, t1 = 1;
	double dx = *x1 - *x0, dy = *y1 - *y0;
	double p[4] = {-dx, dx, -dy, dy};
	double q[4] = {*x0 - limits[0], limits[2] - *x0, *y0 - limits[1], limits[3] - *y0};
	for (int i = 0; i < 4; i++) {
		if (p[i] == 0) {
			if (q[i] < 0)
				return false;
			continue;
		}
		double t = q[i] / p[i];
		if (p[i] < 0)
			t0 = t > t0 ? t : t0;
		else
			t1 = t < t1 ? t : t1;
	}
	if (t0 > t1)
		return false;
	double startX = *x0 + t0 * dx, startY = *y0 + t0 * dy;
	*x1 = *x0 + t1 * dx;
	*y1 = *y0 + t1 * dy;
	*x0 = startX;
	*y0 = startY;
	return true;
}

void Painter::StrokeLine(BPoint from, BPoint to, rgb_color color)
{
	if (fTarget == NULL || !is_finite(from) || !is_finite(to))
		return;
	double x0 = from.x + fOrigin.x, y0 = from.y + fOrigin.y;
	double x1 = to.x + fOrigin.x, y1 = to.y + fOrigin.y;
	if (fabs(x1 - x0) > kLongLine || fabs(y1 - y0) > kLongLine) {
		const double limits[4] = {-2.0, -2.0, fWidth + 1.0, fHeight + 1.0};
		if (!clip_segment(&x0, &y0, &x1, &y1, limits))
			return;
	}
	int32 x = static_cast<int32>(floor(x0 + 0.5)), y = static_cast<int32>(floor(y0 + 0.5));
	int32 endX = static_cast<int32>(floor(x1 + 0.5)), endY = static_cast<int32>(floor(y1 + 0.5));
	if (x == endX || y == endY) {
		pixman_box32_t box = {x < endX ? x : endX, y < endY ? y : endY, (x > endX ? x : endX) + 1,
		                      (y > endY ? y : endY) + 1};
		_FillBoxes(&box, 1, color);
		return;
	}

	// Bresenham, gathered into one box per row run so that every pixel is
	// drawn exactly once.
	std::vector<pixman_box32_t> boxes;
	int32 dx = endX > x ? endX - x : x - endX;
	int32 dy = -(endY > y ? endY - y : y - endY);
	int32 stepX = x < endX ? 1 : -1, stepY = y < endY ? 1 : -1;
	int32 error = dx + dy;
	pixman_box32_t run = {x, y, x + 1, y + 1};
	while (true) {
		if (y != run.y1) {
			boxes.push_back(run);
			run = {x, y, x + 1, y + 1};
		} else {
			run.x1 = x < run.x1 ? x : run.x1;
			run.x2 = x + 1 > run.x2 ? x + 1 : run.x2;
		}
		if (x == endX && y == endY)
			break;
		int32 twice = 2 * error;
		if (twice >= dy) {
			error += dy;
			x += stepX;
		}
		if (twice <= dx) {
			error += dx;
			y += stepY;
		}
	}
	boxes.push_back(run);
	_FillBoxes(boxes.data(), static_cast<int>(boxes.size()), color);
}

BPoint Painter::DrawString(const char* string, int32 length, BPoint baseline, const BFont& font,
                           rgb_color color)
{
	FontFile* file = FontPrivate::File(font);
	pixman_op_t op;
	pixman_color_t pixmanColor;
	if (fTarget == NULL || string == NULL || length <= 0 || !is_finite(baseline) ||
	    !_Color(color, &op, &pixmanColor)) {
		return BPoint(baseline.x + font.StringWidth(string, length), baseline.y);
	}
	pixman_image_t* solid = pixman_image_create_solid_fill(&pixmanColor);
	if (solid == NULL)
		return baseline;
	float end = file->Render(
	    font.Size(), string, length, baseline.x + fOrigin.x, baseline.y + fOrigin.y,
	    [&](const FontFile::Mask& mask, int32 left, int32 top) {
		    if (left >= fWidth || top >= fHeight || left + mask.width <= 0 ||
		        top + mask.height <= 0)
			    return;
		    pixman_image_t* coverage = pixman_image_create_bits(
		        PIXMAN_a8, mask.width, mask.height,
		        reinterpret_cast<uint32_t*>(const_cast<uint8*>(mask.bits.data())), mask.stride);
		    if (coverage == NULL)
			    return;
		    pixman_image_composite32(PIXMAN_OP_OVER, solid, coverage, fTarget, 0, 0, 0, 0, left,
		                             top, mask.width, mask.height);
		    pixman_image_unref(coverage);
	    });
	pixman_image_unref(solid);
	return BPoint(end - fOrigin.x, baseline.y);
}

status_t Painter::DrawBitmap(const BBitmap* bitmap, BRect source, BRect destination,
                             bool smoothMagnify)
{
	if (bitmap == NULL || bitmap->InitCheck() != B_OK || bitmap->Bits() == NULL)
		return B_BAD_VALUE;
	if (fTarget == NULL || !source.IsValid() || !destination.IsValid() || !isfinite(source.left) ||
	    !isfinite(source.right) || !isfinite(source.top) || !isfinite(source.bottom) ||
	    !isfinite(destination.left) || !isfinite(destination.right) || !isfinite(destination.top) ||
	    !isfinite(destination.bottom))
		return B_OK;

	// Destination in whole framebuffer pixels: a zero-width rect is one column.
	destination.OffsetBy(fOrigin);
	double dstLeft = floor(destination.left + 0.5), dstTop = floor(destination.top + 0.5);
	double dstWidth = floor(destination.right + 0.5) - dstLeft + 1;
	double dstHeight = floor(destination.bottom + 0.5) - dstTop + 1;
	// Source in continuous coordinates: pixel i spans [i, i + 1).
	double srcLeft = source.left, srcTop = source.top;
	double srcWidth = double(source.right) - source.left + 1;
	double srcHeight = double(source.bottom) - source.top + 1;
	double scaleX = srcWidth / dstWidth, scaleY = srcHeight / dstHeight; // source per pixel

	// Only the destination pixels whose centres fall inside the bitmap.
	BRect bounds = bitmap->Bounds();
	double bitmapWidth = bounds.Width() + 1, bitmapHeight = bounds.Height() + 1;
	double firstX = ceil((0 - srcLeft) / scaleX - 0.5);
	double endX = ceil((bitmapWidth - srcLeft) / scaleX - 0.5);
	double firstY = ceil((0 - srcTop) / scaleY - 0.5);
	double endY = ceil((bitmapHeight - srcTop) / scaleY - 0.5);
	firstX = fmax(firstX, 0), firstY = fmax(firstY, 0);
	endX = fmin(endX, dstWidth), endY = fmin(endY, dstHeight);
	// And within the framebuffer.
	firstX = fmax(firstX, -dstLeft), firstY = fmax(firstY, -dstTop);
	endX = fmin(endX, fWidth - dstLeft), endY = fmin(endY, fHeight - dstTop);
	if (firstX >= endX || firstY >= endY)
		return B_OK;

	bool shrinking = scaleX > 1 || scaleY > 1;
	int32 level = 0;
	if (shrinking) {
		// The level must keep at least one pixel per destination pixel across
		// the source rect.
		double needWidth = ceil(dstWidth * bitmapWidth / srcWidth - 1e-6);
		double needHeight = ceil(dstHeight * bitmapHeight / srcHeight - 1e-6);
		level = BitmapCache::LevelFor(bitmap, int32(fmin(needWidth, 1 << 30)),
		                              int32(fmin(needHeight, 1 << 30)));
	}
	std::shared_ptr<SourceLevel> picture;
	status_t status = BitmapCache::Get(bitmap, level, &picture);
	if (status != B_OK)
		return status;

	pixman_image_t* image = pixman_image_create_bits(
	    picture->format, picture->width, picture->height, picture->bits, picture->stride);
	if (image == NULL)
		return B_NO_MEMORY;

	double factor = ldexp(1.0, -level);
	int32 x = int32(dstLeft + firstX), y = int32(dstTop + firstY);
	int32 width = int32(endX - firstX), height = int32(endY - firstY);
	int32 sourceX, sourceY;
	if (level == 0 && scaleX == 1 && scaleY == 1 && srcLeft == floor(srcLeft) &&
	    srcTop == floor(srcTop)) {
		// Unscaled: a plain copy.
		sourceX = int32(srcLeft + firstX);
		sourceY = int32(srcTop + firstY);
	} else {
		// The first drawn pixel goes into the translation rather than into
		// the composite's source position: pixman keeps positions in 16.16
		// fixed point, and a picture magnified and scrolled far puts it tens
		// of thousands of pixels into the destination rect.
		pixman_f_transform matrix;
		pixman_f_transform_init_scale(&matrix, scaleX * factor, scaleY * factor);
		matrix.m[0][2] = (srcLeft + firstX * scaleX) * factor;
		matrix.m[1][2] = (srcTop + firstY * scaleY) * factor;
		pixman_transform transform;
		if (!pixman_transform_from_pixman_f_transform(&transform, &matrix)) {
			pixman_image_unref(image);
			return B_BAD_VALUE;
		}
		pixman_image_set_transform(image, &transform);
		pixman_filter_t filter =
		    shrinking || smoothMagnify ? PIXMAN_FILTER_BILINEAR : PIXMAN_FILTER_NEAREST;
		pixman_image_set_filter(image, filter, NULL, 0);
		// Bilinear samples at the edges repeat the edge instead of fading out.
		pixman_image_set_repeat(image, PIXMAN_REPEAT_PAD);
		sourceX = 0;
		sourceY = 0;
	}
	pixman_image_composite32(picture->opaque ? PIXMAN_OP_SRC : PIXMAN_OP_OVER, image, NULL, fTarget,
	                         sourceX, sourceY, 0, 0, x, y, width, height);
	pixman_image_unref(image);
	return B_OK;
}

} // namespace BPrivate
