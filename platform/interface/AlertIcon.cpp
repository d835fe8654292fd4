// The alert type icons, drawn from signed distances (positive inside) with
// 4 x 4 samples per pixel for smooth edges.

#include "interface/AlertIcon.h"

#include <Bitmap.h>
#include <GraphicsDefs.h>

#include <math.h>

namespace BPrivate {

namespace {

struct Shape {
	// Signed distance of (x, y) to the outline; positive inside.
	float (*distance)(float x, float y);
	rgb_color rim;
	rgb_color fill;
	rgb_color mark;
	// The mark on the shape: inside any of these rectangles (left, top,
	// right, bottom, exclusive edges).
	const float (*marks)[4];
	int markCount;
};

const float kRimWidth = 1.5f;

float disc(float x, float y)
{
	return 14.5f - hypotf(x - 16.0f, y - 16.0f);
}

float bulb(float x, float y)
{
	// A round glass over a narrower screw base.
	float glass = 11.5f - hypotf(x - 16.0f, y - 13.0f);
	float base = fminf(fminf(x - 11.0f, 21.0f - x), fminf(y - 21.0f, 30.0f - y));
	return fmaxf(glass, base);
}

float triangle(float x, float y)
{
	// Apex (16, 2), base from (2, 29) to (30, 29): the distance to the nearest
	// of the three edges.
	const float slope = 27.0f / 14.0f;
	const float norm = sqrtf(1.0f + slope * slope);
	float left = (slope * (x - 16.0f) + (y - 2.0f)) / norm;
	float right = (-slope * (x - 16.0f) + (y - 2.0f)) / norm;
	float bottom = 29.0f - y;
	return fminf(fminf(left, right), bottom);
}

const float kInfoMarks[][4] = {{14.5f, 7.0f, 17.5f, 10.0f}, {14.5f, 12.5f, 17.5f, 25.0f}};
const float kIdeaMarks[][4] = {{11.0f, 24.0f, 21.0f, 25.0f}, {11.0f, 27.0f, 21.0f, 28.0f}};
const float kWarningMarks[][4] = {{14.5f, 10.0f, 17.5f, 21.0f}, {14.5f, 23.5f, 17.5f, 26.5f}};
const float kStopMarks[][4] = {{7.0f, 14.0f, 25.0f, 18.0f}};

bool shape_for(alert_type type, Shape* shape)
{
	switch (type) {
		case B_INFO_ALERT:
			*shape = {disc,
			          {0x1c, 0x3f, 0x8c, 255},
			          {0x3a, 0x70, 0xd0, 255},
			          {255, 255, 255, 255},
			          kInfoMarks,
			          2};
			return true;
		case B_IDEA_ALERT:
			*shape = {bulb,
			          {0x8a, 0x6a, 0x08, 255},
			          {0xf6, 0xd0, 0x30, 255},
			          {0x70, 0x70, 0x70, 255},
			          kIdeaMarks,
			          2};
			return true;
		case B_WARNING_ALERT:
			*shape = {triangle,
			          {0x8a, 0x56, 0x00, 255},
			          {0xf4, 0xb0, 0x20, 255},
			          {0x20, 0x20, 0x20, 255},
			          kWarningMarks,
			          2};
			return true;
		case B_STOP_ALERT:
			*shape = {disc,
			          {0x7a, 0x10, 0x10, 255},
			          {0xd8, 0x28, 0x28, 255},
			          {255, 255, 255, 255},
			          kStopMarks,
			          1};
			return true;
		default:
			return false;
	}
}

} // namespace

BBitmap* make_alert_icon(alert_type type)
{
	Shape shape;
	if (!shape_for(type, &shape))
		return NULL;
	BBitmap* icon = new BBitmap(BRect(0, 0, kAlertIconSize - 1, kAlertIconSize - 1), B_RGBA32);
	if (icon->InitCheck() != B_OK) {
		delete icon;
		return NULL;
	}

	const int kSamples = 4;
	uint8* bits = static_cast<uint8*>(icon->Bits());
	for (int32 y = 0; y < kAlertIconSize; y++) {
		uint8* pixel = bits + y * icon->BytesPerRow();
		for (int32 x = 0; x < kAlertIconSize; x++, pixel += 4) {
			// Sums of colour times coverage, and the coverage.
			float red = 0, green = 0, blue = 0, cover = 0;
			for (int sy = 0; sy < kSamples; sy++) {
				for (int sx = 0; sx < kSamples; sx++) {
					float px = x + (sx + 0.5f) / kSamples;
					float py = y + (sy + 0.5f) / kSamples;
					float d = shape.distance(px, py);
					if (d <= 0)
						continue;
					rgb_color color = d < kRimWidth ? shape.rim : shape.fill;
					for (int m = 0; m < shape.markCount && d >= kRimWidth; m++) {
						const float* r = shape.marks[m];
						if (px >= r[0] && px < r[2] && py >= r[1] && py < r[3])
							color = shape.mark;
					}
					red += color.red;
					green += color.green;
					blue += color.blue;
					cover += 1;
				}
			}
			if (cover == 0) {
				pixel[0] = pixel[1] = pixel[2] = pixel[3] = 0;
				continue;
			}
			pixel[0] = static_cast<uint8>(blue / cover + 0.5f);
			pixel[1] = static_cast<uint8>(green / cover + 0.5f);
			pixel[2] = static_cast<uint8>(red / cover + 0.5f);
			pixel[3] = static_cast<uint8>(255.0f * cover / (kSamples * kSamples) + 0.5f);
		}
	}
	return icon;
}

} // namespace BPrivate
