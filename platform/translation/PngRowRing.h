#ifndef PLATFORM_TRANSLATION_PNG_ROW_RING_H
#define PLATFORM_TRANSLATION_PNG_ROW_RING_H

#include <stddef.h>

#include <condition_variable>
#include <memory>
#include <mutex>

#include <SupportDefs.h>

namespace BPrivate {

// The filtered rows of a PNG on their way from the thread that inflates them
// to the one that unfilters them: a fixed ring of row slots, each the row's
// filter byte and its bytes, laid end to end as the inflated stream has them,
// so that one inflate call can fill several rows.
//
// The consumer unfilters a row in its slot and reads the row above from the
// slot before, so the producer stays behind the row above the one being
// unfiltered. Each side waits only for the other's progress; Cancel() (from
// either side, or on any way out of the producer) ends every wait, so no
// wait outlasts the other thread.
class PngRowRing {
public:
	// |stride| is a row's bytes with its filter byte; at least 3 slots.
	PngRowRing(size_t stride, uint32 height, uint32 slots);

	status_t InitCheck() const { return fSlots != NULL ? B_OK : B_NO_MEMORY; }
	size_t Stride() const { return fStride; }

	// Producer side. Where the inflated bytes at stream offset |written| go,
	// and in |size| how many fit there contiguously (at least 1); waits for
	// room. NULL once cancelled, or when every row is written.
	uint8* WaitForSpace(uint64 written, size_t* size);
	// The first |written| bytes of the stream are in place; the complete rows
	// among them go to the consumer.
	void Publish(uint64 written);

	// Consumer side. Waits until row |y| is complete; returns the number of
	// complete rows (more than |y|), or 0 once cancelled.
	uint32 WaitForRows(uint32 y);
	uint8* Row(uint32 y) const { return fSlots.get() + size_t(y % fSlotCount) * fStride; }
	// Rows before |done| are unfiltered and converted.
	void Release(uint32 done);

	void Cancel();
	bool IsCancelled();

private:
	const size_t fStride;
	const uint32 fHeight;
	const uint32 fSlotCount;
	const std::unique_ptr<uint8[]> fSlots;

	std::mutex fLock;
	std::condition_variable fRowsReady;
	std::condition_variable fSpaceFree;
	uint64 fWritten = 0;     // guarded by fLock
	uint32 fReleased = 0;    // guarded by fLock
	bool fCancelled = false; // guarded by fLock
};

} // namespace BPrivate

#endif
