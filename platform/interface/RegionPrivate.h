#ifndef _REGION_PRIVATE_H
#define _REGION_PRIVATE_H

#include <Region.h>

#include <pixman.h>

namespace BPrivate {

// The painter and the display backends work on the pixman region directly.
// pixman boxes have exclusive x2/y2; BRegion's public calls are inclusive.
class RegionPrivate {
public:
	static pixman_region32_t* Pixman(BRegion& region)
	{
		return reinterpret_cast<pixman_region32_t*>(region.fStorage);
	}
	static const pixman_region32_t* Pixman(const BRegion& region)
	{
		return reinterpret_cast<const pixman_region32_t*>(region.fStorage);
	}

	// The pixels a BRect touches, as a pixman box; false when it covers none
	// (invalid, NaN). Coordinates are clamped so that the box math never overflows.
	static bool ToBox(BRect rect, pixman_box32_t* box);
};

} // namespace BPrivate

#endif
