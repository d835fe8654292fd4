#include "interface/BitmapPrefault.h"

#include <errno.h>
#include <sched.h>
#include <sys/mman.h>
#include <unistd.h>

#include "interface/BitmapPrivate.h"

namespace BPrivate {

namespace {

// A band faults in well under a millisecond, so stopping is quick, while the
// system calls stay few (96 of them for a 24-megapixel picture).
constexpr size_t kBandBytes = size_t(1) << 20;

bool has_second_processor()
{
	cpu_set_t cpus;
	if (sched_getaffinity(0, sizeof(cpus), &cpus) != 0)
		return false;
	return CPU_COUNT(&cpus) > 1;
}

size_t page_size()
{
	long size = sysconf(_SC_PAGESIZE);
	return size > 0 ? size_t(size) : 4096;
}

} // namespace

BitmapPrefault::BitmapPrefault(BBitmap* bitmap)
    : fBits(NULL), fLength(0), fBytesPerRow(0), fWriterEnd(0), fStop(false)
{
	// Only a fresh mapping is page-aligned and untouched; memory from malloc
	// may share pages with other objects.
	if (bitmap == NULL || !BitmapAccess::StartsZeroed(bitmap) ||
	    size_t(bitmap->BitsLength()) < kMinimumBytes || !has_second_processor()) {
		return;
	}
	fBits = static_cast<uint8*>(bitmap->Bits());
	size_t page = page_size();
	fLength = size_t(bitmap->BitsLength()) / page * page;
	fBytesPerRow = size_t(bitmap->BytesPerRow());
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
	if (!Started() || row <= 0)
		return;
	fWriterEnd.store(size_t(row) * fBytesPerRow, std::memory_order_relaxed);
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
		next += length;
	}
}

} // namespace BPrivate
