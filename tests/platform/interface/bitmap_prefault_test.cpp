#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <Bitmap.h>

#include "ThreadTestUtils.h"
#include "interface/BitmapPrefault.h"
#include "kernel/Processors.h"

using BPrivate::BitmapPrefault;

namespace {

// Pages of the bitmap's bits that are mapped in.
size_t resident_pages(const BBitmap& bitmap)
{
	size_t page = size_t(sysconf(_SC_PAGESIZE));
	size_t pages = size_t(bitmap.BitsLength()) / page;
	std::vector<unsigned char> map(pages);
	if (mincore(bitmap.Bits(), pages * page, map.data()) != 0)
		return 0;
	size_t resident = 0;
	for (unsigned char entry : map)
		resident += entry & 1;
	return resident;
}

// The writers below fill row r with the byte 1 + r % 251: the rows that do
// not hold it throughout.
int32 rows_not_as_written(const BBitmap& bitmap)
{
	const int32 rows = bitmap.Bounds().IntegerHeight() + 1;
	const int32 bytesPerRow = bitmap.BytesPerRow();
	const uint8* bits = static_cast<const uint8*>(bitmap.Bits());
	int32 wrongRows = 0;
	for (int32 row = 0; row < rows; row++) {
		const uint8* line = bits + int64(row) * bytesPerRow;
		uint8 expected = uint8(1 + row % 251);
		for (int32 i = 0; i < bytesPerRow; i++) {
			if (line[i] != expected) {
				wrongRows++;
				break;
			}
		}
	}
	return wrongRows;
}

// 64 MiB: a few tens of milliseconds of faults.
std::unique_ptr<BBitmap> big_bitmap()
{
	return std::make_unique<BBitmap>(BRect(0, 0, 4095, 4095), B_RGB32);
}

} // namespace

TEST(BitmapPrefault, FaultsEveryPageInWithoutChangingAByte)
{
	if (!BPrivate::has_second_processor())
		GTEST_SKIP() << "one processor: nothing is started";
	std::unique_ptr<BBitmap> bitmap = big_bitmap();
	ASSERT_EQ(bitmap->InitCheck(), B_OK);
	size_t page = size_t(sysconf(_SC_PAGESIZE));
	size_t pages = size_t(bitmap->BitsLength()) / page;
	ASSERT_LT(resident_pages(*bitmap), pages);
	{
		BitmapPrefault prefault(bitmap.get());
		ASSERT_TRUE(prefault.Started());
		EXPECT_TRUE(test::eventually([&] { return resident_pages(*bitmap) == pages; }, 20000000))
		    << resident_pages(*bitmap) << " of " << pages << " pages";
	}
	const uint8* bits = static_cast<const uint8*>(bitmap->Bits());
	size_t nonZero = 0;
	for (int32 i = 0; i < bitmap->BitsLength(); i++)
		nonZero += bits[i] != 0;
	EXPECT_EQ(nonZero, 0u);
}

TEST(BitmapPrefault, RowsTheWriterWroteAreKept)
{
	// The writer fills rows one strip at a time, announcing each strip, while
	// the helper works ahead; every row must keep exactly what the writer put
	// there, including rows it wrote while the helper was still behind it.
	std::unique_ptr<BBitmap> bitmap = big_bitmap();
	ASSERT_EQ(bitmap->InitCheck(), B_OK);
	const int32 rows = bitmap->Bounds().IntegerHeight() + 1;
	const int32 bytesPerRow = bitmap->BytesPerRow();
	uint8* bits = static_cast<uint8*>(bitmap->Bits());
	{
		BitmapPrefault prefault(bitmap.get());
		for (int32 first = 0; first < rows; first += 16) {
			prefault.WritingUpTo(first + 16);
			for (int32 row = first; row < first + 16 && row < rows; row++)
				memset(bits + int64(row) * bytesPerRow, 1 + row % 251, size_t(bytesPerRow));
		}
	}
	EXPECT_EQ(rows_not_as_written(*bitmap), 0);
}

TEST(BitmapPrefault, EndsAtOnceWhenTheWriterStopsEarly)
{
	// A decoder that fails on its first rows drops the helper at once; over
	// and over, that must neither hang nor leave a thread behind, and the
	// bitmap stays usable.
	std::unique_ptr<BBitmap> bitmap(new BBitmap(BRect(0, 0, 8191, 8191), B_RGB32));
	ASSERT_EQ(bitmap->InitCheck(), B_OK);
	for (int round = 0; round < 20; round++) {
		BitmapPrefault prefault(bitmap.get());
		prefault.WritingUpTo(16);
	}
	memset(bitmap->Bits(), 0x42, size_t(bitmap->BitsLength()));
	EXPECT_EQ(static_cast<const uint8*>(bitmap->Bits())[bitmap->BitsLength() - 1], 0x42);
}

TEST(BitmapPrefault, SmallAndUsedMemoryIsLeftAlone)
{
	BitmapPrefault none(NULL);
	EXPECT_FALSE(none.Started());
	none.WritingUpTo(10);

	// Below the threshold a bitmap may come from malloc, sharing pages with
	// other objects.
	int32 side = 512;
	ASSERT_LT(size_t(side) * side * 4, BitmapPrefault::kMinimumBytes);
	BBitmap small(BRect(0, 0, side - 1, side - 1), B_RGB32);
	ASSERT_EQ(small.InitCheck(), B_OK);
	BitmapPrefault prefault(&small);
	EXPECT_FALSE(prefault.Started());
}

TEST(BitmapPrefault, TwoWritersMapTheirOwnBandsAndKeepEveryRow)
{
	// Two threads fill the upper and the lower rows, split off a page's edge,
	// each mapping its own pages a band ahead: every row keeps what its writer
	// put there, and the pages of rows still to come are not mapped early.
	std::unique_ptr<BBitmap> bitmap = big_bitmap();
	ASSERT_EQ(bitmap->InitCheck(), B_OK);
	const int32 rows = bitmap->Bounds().IntegerHeight() + 1;
	const int32 bytesPerRow = bitmap->BytesPerRow();
	const int32 split = 2501;
	uint8* bits = static_cast<uint8*>(bitmap->Bits());
	auto write = [&](int32 first, int32 end) {
		BitmapPrefault prefault(bitmap.get(), BitmapPrefault::kByWriter, first, end);
		EXPECT_FALSE(prefault.Started());
		for (int32 at = first; at < end; at += 16) {
			int32 stop = std::min(at + 16, end);
			prefault.WritingUpTo(stop);
			for (int32 row = at; row < stop; row++)
				memset(bits + int64(row) * bytesPerRow, 1 + row % 251, size_t(bytesPerRow));
		}
	};
	{
		BitmapPrefault lowerHalf(bitmap.get(), BitmapPrefault::kByWriter, split, rows);
		lowerHalf.WritingUpTo(split + 1);
		size_t page = size_t(sysconf(_SC_PAGESIZE));
		// One band (a mebibyte, 64 rows here) and the page the split falls in.
		EXPECT_LE(resident_pages(*bitmap), (size_t(1) << 20) / page + 1);
		EXPECT_GE(resident_pages(*bitmap), (size_t(1) << 20) / page);
	}
	std::thread lower(write, split, rows);
	write(0, split);
	lower.join();
	EXPECT_EQ(rows_not_as_written(*bitmap), 0);
}
