#include "interface/BitmapPrefault.h"

#include <errno.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

#include "interface/BitmapPrivate.h"
#include "kernel/Processors.h"

namespace BPrivate {

namespace {

// A band faults in well under a millisecond, so stopping is quick, while the
// system calls stay few (96 of them for a 24-megapixel picture).
constexpr size_t kBandBytes = size_t(1) << 20;

size_t page_size()
{
	long size = sysconf(_SC_PAGESIZE);
	return size > 0 ? size_t(size) : 4096;
}

// Reads a byte of |page| from user mode. Some hypervisors (shadow paging)
// map a page for the guest's user mode only on its first access from there,
// however the kernel populated it: 5 microseconds a page here, which the
// writer's first store would pay otherwise (a 256 MB bitmap: 350 ms). The
// read is in assembly because it may meet the writer's store to the same
// byte, which the hardware allows and C++ calls a data race; its value is
// never used.
inline void touch_page(const uint8* page)
{
#if defined(__x86_64__) || defined(__i386__)
	asm volatile("movb (%0), %%al" : : "r"(page) : "al", "memory");
#elif defined(__aarch64__)
	uint32 value;
	asm volatile("ldrb %w0, [%1]" : "=r"(value) : "r"(page) : "memory");
#else
	(void) page; // the writer's first store pays, as without the helper
#endif
}

} // namespace

BitmapPrefault::BitmapPrefault(BBitmap* bitmap, Mode mode, int32 firstRow, int32 endRow)
    : fBits(NULL), fLength(0), fBytesPerRow(0), fMapped(0), fMapEnd(0), fWriterEnd(0), fStop(false)
{
	// Only a fresh mapping is page-aligned and untouched; memory from malloc
	// may share pages with other objects.
	if (bitmap == NULL || !BitmapAccess::StartsZeroed(bitmap) ||
	    size_t(bitmap->BitsLength()) < kMinimumBytes) {
		return;
	}
	size_t page = page_size();
	size_t length = size_t(bitmap->BitsLength()) / page * page;
	size_t bytesPerRow = size_t(bitmap->BytesPerRow());
	if (mode == kByWriter) {
		fBits = static_cast<uint8*>(bitmap->Bits());
		fLength = length;
		fBytesPerRow = bytesPerRow;
		// A page shared with the neighbouring band may be mapped by both
		// writers: the call leaves a present page alone.
		fMapped = size_t(firstRow < 0 ? 0 : firstRow) * bytesPerRow / page * page;
		fMapEnd = endRow >= bitmap->Bounds().IntegerHeight() + 1
		              ? length
		              : std::min(length, (size_t(endRow) * bytesPerRow + page - 1) / page * page);
		return;
	}
	if (!has_second_processor())
		return;
	fBits = static_cast<uint8*>(bitmap->Bits());
	fLength = length;
	fBytesPerRow = bytesPerRow;
	try {
		fThread = std::thread(&BitmapPrefault::_Run, this);
	} catch (...) {
		// No thread to spare: the writer faults its own pages.
	}
}

BitmapPrefault::~BitmapPrefault()
{
	fStop.store(true, std::memory_order_relaxed);
	if (fThread.joinable())
		fThread.join();
}

void BitmapPrefault::WritingUpTo(int32 row)
{
	if (row <= 0)
		return;
	if (fMapped < fMapEnd)
		_PopulateAhead(size_t(row) * fBytesPerRow);
	if (Started())
		fWriterEnd.store(size_t(row) * fBytesPerRow, std::memory_order_relaxed);
}

void BitmapPrefault::_PopulateAhead(size_t writerEnd)
{
	// Whole bands, each before the writer reaches it; a strip may span two.
	while (fMapped < fMapEnd && fMapped < writerEnd) {
		size_t length = std::min(kBandBytes, fMapEnd - fMapped);
		if (madvise(fBits + fMapped, length, MADV_POPULATE_WRITE) != 0 && errno != EINTR &&
		    errno != EAGAIN) {
			// An old kernel, or no memory to spare: the writer faults the rest.
			fMapEnd = fMapped;
			return;
		}
		fMapped += length;
	}
}

void BitmapPrefault::_Run()
{
	size_t page = page_size();
	size_t next = 0;
	while (next < fLength && !fStop.load(std::memory_order_relaxed)) {
		// Pages the writer is already on are its own to fault: two threads
		// faulting one page only wait for each other.
		size_t writerEnd = fWriterEnd.load(std::memory_order_relaxed);
		if (writerEnd > next)
			next = (writerEnd + page - 1) / page * page;
		if (next >= fLength)
			break;
		size_t length = fLength - next < kBandBytes ? fLength - next : kBandBytes;
		if (madvise(fBits + next, length, MADV_POPULATE_WRITE) != 0 && errno != EINTR &&
		    errno != EAGAIN) {
			// An old kernel, or no memory to spare: leave it to the writer.
			return;
		}
		for (size_t at = 0; at < length; at += page)
			touch_page(fBits + next + at);
		next += length;
	}
}

} // namespace BPrivate
