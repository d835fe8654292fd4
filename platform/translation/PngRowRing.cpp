#include "translation/PngRowRing.h"

#include <new>

namespace BPrivate {

PngRowRing::PngRowRing(size_t stride, uint32 height, uint32 slots)
    : fStride(stride), fHeight(height), fSlotCount(slots < 3 ? 3 : slots),
      fSlots(new (std::nothrow) uint8[size_t(fSlotCount) * stride])
{
}

uint8* PngRowRing::WaitForSpace(uint64 written, size_t* size)
{
	// The slot of row |released - 1| is still read as the row above.
	if (written >= uint64(fHeight) * fStride)
		return NULL;
	std::unique_lock<std::mutex> lock(fLock);
	auto limit = [this] {
		uint64 rows = uint64(fReleased > 0 ? fReleased - 1 : 0) + fSlotCount;
		return (rows < fHeight ? rows : fHeight) * fStride;
	};
	fSpaceFree.wait(lock, [&] { return fCancelled || limit() > written; });
	if (fCancelled)
		return NULL;
	uint64 ringBytes = uint64(fSlotCount) * fStride;
	uint64 offset = written % ringBytes;
	uint64 room = limit() - written;
	*size = size_t(room < ringBytes - offset ? room : ringBytes - offset);
	return fSlots.get() + offset;
}

void PngRowRing::Publish(uint64 written)
{
	bool newRow;
	{
		std::lock_guard<std::mutex> lock(fLock);
		newRow = written / fStride > fWritten / fStride;
		fWritten = written;
	}
	if (newRow)
		fRowsReady.notify_one();
}

uint32 PngRowRing::WaitForRows(uint32 y)
{
	std::unique_lock<std::mutex> lock(fLock);
	fRowsReady.wait(lock, [&] { return fCancelled || fWritten / fStride > y; });
	if (fCancelled)
		return 0;
	return uint32(fWritten / fStride);
}

void PngRowRing::Release(uint32 done)
{
	{
		std::lock_guard<std::mutex> lock(fLock);
		fReleased = done;
	}
	fSpaceFree.notify_one();
}

void PngRowRing::Cancel()
{
	{
		std::lock_guard<std::mutex> lock(fLock);
		fCancelled = true;
	}
	fRowsReady.notify_all();
	fSpaceFree.notify_all();
}

bool PngRowRing::IsCancelled()
{
	std::lock_guard<std::mutex> lock(fLock);
	return fCancelled;
}

} // namespace BPrivate
