#include "interface/BitmapCache.h"

#include "interface/SystemPalette.h"

#include <mutex>
#include <new>
#include <string.h>
#include <unordered_map>
#include <vector>

namespace BPrivate {

namespace {

// Enough for a few large pictures' pyramids (a 6000 x 4000 picture's levels
// take 32 MB, 128 MB with a converted full-size copy).
const size_t kCacheBudget = size_t(384) << 20;

struct Entry {
	// What the bitmap was when the entry was made: a bitmap deleted and another
	// made at the same address must not find the old levels.
	const void* bits;
	int32 bytesPerRow;
	color_space colorSpace;
	int32 width;
	int32 height;

	std::mutex lock;                                  // guards levels
	std::vector<std::shared_ptr<SourceLevel>> levels; // [0]: full size when converted

	size_t bytes = 0;   // guarded by sCacheLock
	uint64 lastUse = 0; // guarded by sCacheLock
};

std::mutex sCacheLock;
std::unordered_map<const BBitmap*, std::shared_ptr<Entry>> sEntries; // guarded by sCacheLock
size_t sCachedBytes = 0;                                             // guarded by sCacheLock
uint64 sClock = 0;                                                   // guarded by sCacheLock

int32 bitmap_width(const BBitmap* bitmap)
{
	return static_cast<int32>(bitmap->Bounds().Width()) + 1;
}

int32 bitmap_height(const BBitmap* bitmap)
{
	return static_cast<int32>(bitmap->Bounds().Height()) + 1;
}

// The pixman format that reads the bitmap's memory as it is, or 0.
pixman_format_code_t direct_format(const BBitmap* bitmap)
{
	bool aligned = bitmap->BytesPerRow() % 4 == 0;
	switch (bitmap->ColorSpace()) {
		case B_RGB32:
			return aligned ? PIXMAN_x8r8g8b8 : pixman_format_code_t(0);
		case B_RGB32_BIG:
			return aligned ? PIXMAN_b8g8r8x8 : pixman_format_code_t(0);
		case B_RGB24:
			return aligned ? PIXMAN_r8g8b8 : pixman_format_code_t(0);
		case B_RGB16:
			return aligned ? PIXMAN_r5g6b5 : pixman_format_code_t(0);
		case B_RGB15:
			return aligned ? PIXMAN_x1r5g5b5 : pixman_format_code_t(0);
		default:
			return pixman_format_code_t(0);
	}
}

// True when some pixel of a B_CMAP8 bitmap is B_TRANSPARENT_MAGIC_CMAP8.
bool has_transparent_index(const BBitmap* bitmap)
{
	const uint8* bits = static_cast<const uint8*>(bitmap->Bits());
	int32 width = bitmap_width(bitmap);
	for (int32 y = 0; y < bitmap_height(bitmap); y++) {
		if (memchr(bits + int64(y) * bitmap->BytesPerRow(), kTransparentIndex, width) != NULL)
			return true;
	}
	return false;
}

inline uint32 premultiply(uint32 blue, uint32 green, uint32 red, uint32 alpha)
{
	if (alpha == 255)
		return 0xff000000 | red << 16 | green << 8 | blue;
	auto scale = [alpha](uint32 c) {
		uint32 t = c * alpha + 128;
		return (t + (t >> 8)) >> 8;
	};
	return alpha << 24 | scale(red) << 16 | scale(green) << 8 | scale(blue);
}

std::shared_ptr<SourceLevel> new_level(int32 width, int32 height, pixman_format_code_t format,
                                       bool opaque)
{
	std::shared_ptr<SourceLevel> level(new (std::nothrow) SourceLevel);
	if (!level)
		return level;
	level->format = format;
	level->width = width;
	level->height = height;
	level->stride = width * 4;
	level->owned.reset(new (std::nothrow) uint32[size_t(width) * height]);
	level->bits = level->owned.get();
	level->opaque = opaque;
	if (level->bits == NULL)
		level.reset();
	return level;
}

// A full-size 32-bit copy of a bitmap pixman cannot read directly, or of one
// whose format the pyramid cannot halve.
status_t convert(const BBitmap* bitmap, std::shared_ptr<SourceLevel>* result)
{
	int32 width = bitmap_width(bitmap);
	int32 height = bitmap_height(bitmap);
	const uint8* bits = static_cast<const uint8*>(bitmap->Bits());
	int32 bytesPerRow = bitmap->BytesPerRow();
	color_space space = bitmap->ColorSpace();
	bool alpha = space == B_RGBA32 || space == B_RGBA32_BIG ||
	             (space == B_CMAP8 && has_transparent_index(bitmap));
	pixman_format_code_t direct = direct_format(bitmap);
	if (!alpha && direct == 0 && space != B_GRAY8 && space != B_RGB24 && space != B_RGB32 &&
	    space != B_CMAP8)
		return B_BAD_VALUE;

	std::shared_ptr<SourceLevel> level =
	    new_level(width, height, alpha ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8, !alpha);
	if (!level)
		return B_NO_MEMORY;

	if (direct != 0) {
		// pixman converts between the formats it knows.
		pixman_image_t* from = pixman_image_create_bits(
		    direct, width, height, reinterpret_cast<uint32_t*>(const_cast<uint8*>(bits)),
		    bytesPerRow);
		pixman_image_t* to =
		    pixman_image_create_bits(PIXMAN_x8r8g8b8, width, height, level->bits, level->stride);
		if (from == NULL || to == NULL) {
			if (from != NULL)
				pixman_image_unref(from);
			if (to != NULL)
				pixman_image_unref(to);
			return B_NO_MEMORY;
		}
		pixman_image_composite32(PIXMAN_OP_SRC, from, NULL, to, 0, 0, 0, 0, 0, 0, width, height);
		pixman_image_unref(from);
		pixman_image_unref(to);
		*result = level;
		return B_OK;
	}

	for (int32 y = 0; y < height; y++) {
		const uint8* in = bits + int64(y) * bytesPerRow;
		uint32* out = level->bits + int64(y) * width;
		switch (space) {
			case B_RGBA32: // B, G, R, A, not premultiplied
				for (int32 x = 0; x < width; x++, in += 4)
					out[x] = premultiply(in[0], in[1], in[2], in[3]);
				break;
			case B_RGBA32_BIG: // A, R, G, B
				for (int32 x = 0; x < width; x++, in += 4)
					out[x] = premultiply(in[3], in[2], in[1], in[0]);
				break;
			case B_RGB32: // unaligned rows
				for (int32 x = 0; x < width; x++, in += 4)
					out[x] = 0xff000000 | uint32(in[2]) << 16 | uint32(in[1]) << 8 | in[0];
				break;
			case B_RGB24:
				for (int32 x = 0; x < width; x++, in += 3)
					out[x] = 0xff000000 | uint32(in[2]) << 16 | uint32(in[1]) << 8 | in[0];
				break;
			case B_GRAY8:
				for (int32 x = 0; x < width; x++)
					out[x] = 0xff000000 | uint32(in[x]) * 0x010101;
				break;
			case B_CMAP8: // indices into the system palette; the magic one is no pixel
				for (int32 x = 0; x < width; x++) {
					out[x] = in[x] == kTransparentIndex ? 0 : 0xff000000 | kSystemPalette[in[x]];
				}
				break;
			default:
				return B_BAD_VALUE;
		}
	}
	*result = level;
	return B_OK;
}

// A 2x2 box average (the last row or column repeats on odd sizes), channel by
// channel with rounding, two channels per 32-bit lane.
std::shared_ptr<SourceLevel> halve(const SourceLevel& from)
{
	int32 width = (from.width + 1) / 2;
	int32 height = (from.height + 1) / 2;
	std::shared_ptr<SourceLevel> level = new_level(width, height, from.format, from.opaque);
	if (!level)
		return level;
	const uint32 mask = 0x00ff00ff;
	const uint32 round = 0x00020002;
	auto average = [&](uint32 a, uint32 b, uint32 c, uint32 d) {
		uint32 low = (a & mask) + (b & mask) + (c & mask) + (d & mask) + round;
		uint32 high =
		    ((a >> 8) & mask) + ((b >> 8) & mask) + ((c >> 8) & mask) + ((d >> 8) & mask) + round;
		return ((low >> 2) & mask) | (((high >> 2) & mask) << 8);
	};
	int32 pairs = from.width / 2;
	for (int32 y = 0; y < height; y++) {
		const uint32* row0 = reinterpret_cast<const uint32*>(
		    reinterpret_cast<const uint8*>(from.bits) + int64(2 * y) * from.stride);
		int32 nextRow = 2 * y + 1 < from.height ? 2 * y + 1 : 2 * y;
		const uint32* row1 = reinterpret_cast<const uint32*>(
		    reinterpret_cast<const uint8*>(from.bits) + int64(nextRow) * from.stride);
		uint32* out = level->bits + int64(y) * width;
		for (int32 x = 0; x < pairs; x++)
			out[x] = average(row0[2 * x], row0[2 * x + 1], row1[2 * x], row1[2 * x + 1]);
		if (width > pairs) {
			int32 last = from.width - 1;
			out[pairs] = average(row0[last], row0[last], row1[last], row1[last]);
		}
	}
	return level;
}

std::shared_ptr<SourceLevel> wrap_direct(const BBitmap* bitmap, pixman_format_code_t format)
{
	std::shared_ptr<SourceLevel> level(new (std::nothrow) SourceLevel);
	if (!level)
		return level;
	level->format = format;
	level->width = bitmap_width(bitmap);
	level->height = bitmap_height(bitmap);
	level->stride = bitmap->BytesPerRow();
	level->bits = static_cast<uint32*>(bitmap->Bits());
	level->opaque = true;
	return level;
}

std::shared_ptr<Entry> find_entry(const BBitmap* bitmap)
{
	// Called with sCacheLock held.
	auto found = sEntries.find(bitmap);
	if (found != sEntries.end()) {
		Entry& entry = *found->second;
		if (entry.bits == bitmap->Bits() && entry.bytesPerRow == bitmap->BytesPerRow() &&
		    entry.colorSpace == bitmap->ColorSpace() && entry.width == bitmap_width(bitmap) &&
		    entry.height == bitmap_height(bitmap)) {
			entry.lastUse = ++sClock;
			return found->second;
		}
		sCachedBytes -= entry.bytes;
		sEntries.erase(found);
	}
	std::shared_ptr<Entry> entry(new (std::nothrow) Entry);
	if (!entry)
		return entry;
	entry->bits = bitmap->Bits();
	entry->bytesPerRow = bitmap->BytesPerRow();
	entry->colorSpace = bitmap->ColorSpace();
	entry->width = bitmap_width(bitmap);
	entry->height = bitmap_height(bitmap);
	entry->lastUse = ++sClock;
	sEntries.emplace(bitmap, entry);
	return entry;
}

void account(const BBitmap* bitmap, const std::shared_ptr<Entry>& entry, size_t added)
{
	std::lock_guard<std::mutex> lock(sCacheLock);
	auto found = sEntries.find(bitmap);
	if (found == sEntries.end() || found->second != entry)
		return; // forgotten meanwhile; the levels die with the last user
	entry->bytes += added;
	sCachedBytes += added;
	while (sCachedBytes > kCacheBudget && sEntries.size() > 1) {
		auto oldest = sEntries.end();
		for (auto it = sEntries.begin(); it != sEntries.end(); ++it)
			if (it->second != entry &&
			    (oldest == sEntries.end() || it->second->lastUse < oldest->second->lastUse))
				oldest = it;
		if (oldest == sEntries.end())
			break;
		sCachedBytes -= oldest->second->bytes;
		sEntries.erase(oldest);
	}
}

} // namespace

int32 BitmapCache::LevelFor(const BBitmap* bitmap, int32 width, int32 height)
{
	int32 levelWidth = bitmap_width(bitmap);
	int32 levelHeight = bitmap_height(bitmap);
	int32 level = 0;
	while (levelWidth > 1 || levelHeight > 1) {
		int32 nextWidth = (levelWidth + 1) / 2;
		int32 nextHeight = (levelHeight + 1) / 2;
		if (nextWidth < width || nextHeight < height)
			break;
		levelWidth = nextWidth;
		levelHeight = nextHeight;
		level++;
	}
	return level;
}

status_t BitmapCache::Get(const BBitmap* bitmap, int32 level, std::shared_ptr<SourceLevel>* result)
{
	if (bitmap == NULL || bitmap->InitCheck() != B_OK || bitmap->Bits() == NULL || level < 0)
		return B_BAD_VALUE;
	pixman_format_code_t direct = direct_format(bitmap);
	if (level == 0 && direct != 0) {
		*result = wrap_direct(bitmap, direct);
		return *result ? B_OK : B_NO_MEMORY;
	}

	std::shared_ptr<Entry> entry;
	{
		std::lock_guard<std::mutex> lock(sCacheLock);
		entry = find_entry(bitmap);
	}
	if (!entry)
		return B_NO_MEMORY;

	size_t added = 0;
	status_t status = B_OK;
	{
		std::lock_guard<std::mutex> lock(entry->lock);
		if (entry->levels.empty()) {
			std::shared_ptr<SourceLevel> base;
			// 32-bit x8r8g8b8 bitmaps are halved straight from their own bits.
			if (direct == PIXMAN_x8r8g8b8)
				base = wrap_direct(bitmap, direct);
			else {
				status = convert(bitmap, &base);
				if (base)
					added += size_t(base->stride) * base->height;
			}
			if (base)
				entry->levels.push_back(base);
			else if (status == B_OK)
				status = B_NO_MEMORY;
		}
		while (status == B_OK && int32(entry->levels.size()) <= level) {
			const SourceLevel& above = *entry->levels.back();
			if (above.width == 1 && above.height == 1)
				break;
			std::shared_ptr<SourceLevel> next = halve(above);
			if (!next) {
				status = B_NO_MEMORY;
				break;
			}
			added += size_t(next->stride) * next->height;
			entry->levels.push_back(next);
		}
		if (status == B_OK) {
			int32 index = level < int32(entry->levels.size()) ? level : entry->levels.size() - 1;
			if (index == 0 && direct != 0)
				*result = wrap_direct(bitmap, direct);
			else
				*result = entry->levels[index];
		}
	}
	if (added > 0)
		account(bitmap, entry, added);
	return status;
}

void BitmapCache::Forget(const BBitmap* bitmap)
{
	std::shared_ptr<Entry> entry; // released outside the lock
	std::lock_guard<std::mutex> lock(sCacheLock);
	auto found = sEntries.find(bitmap);
	if (found == sEntries.end())
		return;
	entry = found->second;
	sCachedBytes -= entry->bytes;
	sEntries.erase(found);
}

size_t BitmapCache::CachedBytes()
{
	std::lock_guard<std::mutex> lock(sCacheLock);
	return sCachedBytes;
}

void bitmap_bits_changed(const BBitmap* bitmap)
{
	BitmapCache::Forget(bitmap);
}

void bitmap_bits_changed_at(const void* bits)
{
	std::vector<std::shared_ptr<Entry>> forgotten; // released outside the lock
	std::lock_guard<std::mutex> lock(sCacheLock);
	for (auto it = sEntries.begin(); it != sEntries.end();) {
		if (it->second->bits != bits) {
			++it;
			continue;
		}
		sCachedBytes -= it->second->bytes;
		forgotten.push_back(std::move(it->second));
		it = sEntries.erase(it);
	}
}

} // namespace BPrivate
