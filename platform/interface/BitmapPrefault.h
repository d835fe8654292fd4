#ifndef PLATFORM_INTERFACE_BITMAP_PREFAULT_H
#define PLATFORM_INTERFACE_BITMAP_PREFAULT_H

#include <Bitmap.h>

#include <stdint.h>

#include <atomic>
#include <thread>

namespace BPrivate {

// Takes the page faults of a fresh, large bitmap off the thread that fills it.
// A helper thread asks the kernel to map the pages in (MADV_POPULATE_WRITE,
// which allocates and zeroes a missing page and leaves a present one alone, so
// it never writes a byte and cannot race the writer), band by band, always
// ahead of the rows the writer has announced, and reads a byte of each page
// so that a hypervisor maps it for user mode too. Without a second processor, a
// kernel that lacks the call, or a bitmap that is small or was not freshly
// mapped, nothing starts and the writer faults its pages itself.
//
// Where every processor already writes a band of rows of its own, a helper
// would only take time from them; each writer then maps its own pages in with
// the same call, a band ahead of its rows (kByWriter): one call for 256 pages
// costs a third less than their 256 faults.
//
// The writer owns the object and keeps it no longer than the bitmap; the
// destructor stops the helper and waits for its current band (a millisecond
// at most).
class BitmapPrefault {
public:
	enum Mode { kByHelper, kByWriter };

	// kByWriter serves the writer of rows [firstRow, endRow) alone.
	explicit BitmapPrefault(BBitmap* bitmap, Mode mode = kByHelper, int32 firstRow = 0,
	                        int32 endRow = INT32_MAX);
	~BitmapPrefault();

	BitmapPrefault(const BitmapPrefault&) = delete;
	BitmapPrefault& operator=(const BitmapPrefault&) = delete;

	// The writer is about to write rows up to (not including) |row|; the
	// helper skips whatever lies before their end, while kByWriter maps the
	// next band in if they reach past what is mapped.
	void WritingUpTo(int32 row);

	// Whether a helper was started.
	bool Started() const { return fThread.joinable(); }

	// Bitmaps smaller than this fault in too quickly to be worth a thread.
	static constexpr size_t kMinimumBytes = size_t(4) << 20;

private:
	void _Run();
	void _PopulateAhead(size_t writerEnd);

	uint8* fBits;                   // fixed after construction
	size_t fLength;                 // fixed after construction, whole pages
	size_t fBytesPerRow;            // fixed after construction
	size_t fMapped;                 // kByWriter: byte offset mapped in up to
	size_t fMapEnd;                 // kByWriter: end of the writer's pages
	std::atomic<size_t> fWriterEnd; // byte offset the writer may reach next
	std::atomic<bool> fStop;
	std::thread fThread;
};

} // namespace BPrivate

#endif
