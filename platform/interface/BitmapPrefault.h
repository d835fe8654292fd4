#ifndef PLATFORM_INTERFACE_BITMAP_PREFAULT_H
#define PLATFORM_INTERFACE_BITMAP_PREFAULT_H

#include <Bitmap.h>

#include <atomic>
#include <thread>

namespace BPrivate {

// Takes the page faults of a fresh, large bitmap off the thread that fills it.
// A helper thread asks the kernel to map the pages in (MADV_POPULATE_WRITE,
// which allocates and zeroes a missing page and leaves a present one alone, so
// it never writes a byte and cannot race the writer), band by band, always
// ahead of the rows the writer has announced. Without a second processor, a
// kernel that lacks the call, or a bitmap that is small or was not freshly
// mapped, nothing starts and the writer faults its pages itself.
//
// The writer owns the object and keeps it no longer than the bitmap; the
// destructor stops the helper and waits for its current band (a millisecond
// at most).
class BitmapPrefault {
public:
	explicit BitmapPrefault(BBitmap* bitmap);
	~BitmapPrefault();

	BitmapPrefault(const BitmapPrefault&) = delete;
	BitmapPrefault& operator=(const BitmapPrefault&) = delete;

	// The writer is about to write rows up to (not including) |row|; the
	// helper skips whatever lies before their end.
	void WritingUpTo(int32 row);

	// Whether a helper was started.
	bool Started() const { return fThread.joinable(); }

	// Bitmaps smaller than this fault in too quickly to be worth a thread.
	static constexpr size_t kMinimumBytes = size_t(4) << 20;

private:
	void _Run();

	uint8* fBits;                   // fixed after construction
	size_t fLength;                 // fixed after construction, whole pages
	size_t fBytesPerRow;            // fixed after construction
	std::atomic<size_t> fWriterEnd; // byte offset the writer may reach next
	std::atomic<bool> fStop;
	std::thread fThread;
};

} // namespace BPrivate

#endif
