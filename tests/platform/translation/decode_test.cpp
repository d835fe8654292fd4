#include <string.h>
#include <sys/stat.h>

#include <string>
#include <thread>

#include <DataIO.h>
#include <Entry.h>
#include <TranslationUtils.h>
#include <TranslatorRoster.h>

#include <gtest/gtest.h>

#include "TranslationTestUtils.h"
#include "storage/EntryRefPath.h"

namespace {

// Red, lime, blue and white quadrants of a 64 x 48 picture, checked at the
// corners and at the quadrants' centres.
void expect_quadrants(const BBitmap& bitmap, int tolerance)
{
	ASSERT_EQ(width_of(bitmap), 64);
	ASSERT_EQ(height_of(bitmap), 48);
	for (int32 y : {0, 12, 23}) {
		EXPECT_TRUE(looks_like(pixel_at(bitmap, 0, y), 255, 0, 0, tolerance)) << y;
		EXPECT_TRUE(looks_like(pixel_at(bitmap, 16, y), 255, 0, 0, tolerance)) << y;
		EXPECT_TRUE(looks_like(pixel_at(bitmap, 63, y), 0, 255, 0, tolerance)) << y;
	}
	for (int32 y : {24, 36, 47}) {
		EXPECT_TRUE(looks_like(pixel_at(bitmap, 0, y), 0, 0, 255, tolerance)) << y;
		EXPECT_TRUE(looks_like(pixel_at(bitmap, 48, y), 255, 255, 255, tolerance)) << y;
		EXPECT_TRUE(looks_like(pixel_at(bitmap, 63, y), 255, 255, 255, tolerance)) << y;
	}
	EXPECT_EQ(pixel_at(bitmap, 5, 5).alpha, 255);
	EXPECT_EQ(pixel_at(bitmap, 60, 40).alpha, 255);
}

} // namespace

TEST(Decode, EveryFormatGivesTheSamePixelsInBlueGreenRedOrder)
{
	// Lossless formats exactly; JPEG (no chroma subsampling, quality 95) nearly.
	const struct {
		const char* name;
		int tolerance;
	} samples[] = {
	    {"quadrants.png", 0},
	    {"quadrants.webp", 0},
	    {"quadrants.bmp", 0},
	    {"quadrants.jpg", 12},
	};
	for (const auto& sample : samples) {
		SCOPED_TRACE(sample.name);
		std::unique_ptr<BBitmap> bitmap = decode(read_sample(sample.name));
		ASSERT_NE(bitmap, nullptr);
		EXPECT_EQ(bitmap->ColorSpace(), B_RGB32);
		EXPECT_EQ(bitmap->Bounds(), BRect(0, 0, 63, 47));
		expect_quadrants(*bitmap, sample.tolerance);
	}
}

TEST(Decode, AlphaIsKeptAndNotPremultiplied)
{
	std::unique_ptr<BBitmap> bitmap = decode(read_sample("alpha.png"));
	ASSERT_NE(bitmap, nullptr);
	EXPECT_EQ(bitmap->ColorSpace(), B_RGBA32);
	Pixel opaque = pixel_at(*bitmap, 10, 10);
	EXPECT_TRUE(looks_like(opaque, 255, 0, 0, 0));
	EXPECT_EQ(opaque.alpha, 255);
	Pixel half = pixel_at(*bitmap, 40, 30);
	EXPECT_TRUE(looks_like(half, 0, 0, 255, 0)); // premultiplied would be 128
	EXPECT_EQ(half.alpha, 128);
	EXPECT_EQ(pixel_at(*bitmap, 60, 2).alpha, 0);
}

TEST(Decode, AnimationGivesItsFirstFrame)
{
	std::unique_ptr<BBitmap> bitmap = decode(read_sample("animated.gif"));
	ASSERT_NE(bitmap, nullptr);
	EXPECT_EQ(bitmap->Bounds(), BRect(0, 0, 31, 31));
	// The GIF loader always adds alpha; an opaque frame still is B_RGB32.
	EXPECT_EQ(bitmap->ColorSpace(), B_RGB32);
	EXPECT_TRUE(looks_like(pixel_at(*bitmap, 0, 0), 255, 0, 0, 0));
	EXPECT_TRUE(looks_like(pixel_at(*bitmap, 31, 31), 255, 0, 0, 0));
}

TEST(Decode, OnePixelWidePicture)
{
	std::unique_ptr<BBitmap> bitmap = decode(read_sample("column.png"));
	ASSERT_NE(bitmap, nullptr);
	EXPECT_EQ(bitmap->Bounds(), BRect(0, 0, 0, 49));
	EXPECT_EQ(bitmap->BytesPerRow(), 4);
	EXPECT_TRUE(looks_like(pixel_at(*bitmap, 0, 0), 0, 0, 0, 2));
	EXPECT_TRUE(looks_like(pixel_at(*bitmap, 0, 49), 255, 255, 255, 2));
}

TEST(Decode, DemoPicturesDecodeAtTheirSize)
{
	const struct {
		const char* name;
		BRect bounds;
	} samples[] = {
	    {"harbour-at-dusk.jpg", BRect(0, 0, 639, 479)},
	    {"a.png", BRect(0, 0, 319, 239)},
	    {"b.jpg", BRect(0, 0, 399, 299)},
	};
	for (const auto& sample : samples) {
		std::unique_ptr<BBitmap> bitmap = decode(read_sample(sample.name));
		ASSERT_NE(bitmap, nullptr) << sample.name;
		EXPECT_EQ(bitmap->Bounds(), sample.bounds) << sample.name;
	}
}

TEST(Decode, NonPicturesGiveNull)
{
	EXPECT_EQ(decode(read_sample("notes.txt")), nullptr);
	EXPECT_EQ(decode({}), nullptr);
	EXPECT_EQ(decode({0}), nullptr);
	EXPECT_EQ(BTranslationUtils::GetBitmap(static_cast<BPositionIO*>(NULL)), nullptr);
}

TEST(Decode, StreamIsReadFromItsCurrentPosition)
{
	std::vector<uint8> bytes(13, 'x');
	std::vector<uint8> png = read_sample("quadrants.png");
	bytes.insert(bytes.end(), png.begin(), png.end());
	BMemoryIO stream(bytes.data(), bytes.size());
	ASSERT_EQ(stream.Seek(13, SEEK_SET), 13);
	std::unique_ptr<BBitmap> bitmap(BTranslationUtils::GetBitmap(&stream));
	ASSERT_NE(bitmap, nullptr);
	expect_quadrants(*bitmap, 0);
}

TEST(Decode, PathAndEntryRefOverloads)
{
	std::string path = sample_path("quadrants.jpg");
	std::unique_ptr<BBitmap> byPath(BTranslationUtils::GetBitmap(path.c_str()));
	ASSERT_NE(byPath, nullptr);
	expect_quadrants(*byPath, 12);

	entry_ref ref;
	ASSERT_EQ(BPrivate::ref_for_path(sample_path("quadrants.png").c_str(), &ref), B_OK);
	std::unique_ptr<BBitmap> byRef(BTranslationUtils::GetBitmap(&ref));
	ASSERT_NE(byRef, nullptr);
	expect_quadrants(*byRef, 0);

	EXPECT_EQ(BTranslationUtils::GetBitmap(sample_path("no-such-file.png").c_str()), nullptr);
	EXPECT_EQ(BTranslationUtils::GetBitmapFile(sample_path("").c_str()), nullptr); // a folder
	EXPECT_EQ(BTranslationUtils::GetBitmap(sample_path("notes.txt").c_str()), nullptr);
	EXPECT_EQ(BTranslationUtils::GetBitmap(static_cast<const entry_ref*>(NULL)), nullptr);
	EXPECT_EQ(BTranslationUtils::GetBitmap(static_cast<const char*>(NULL)), nullptr);
}

TEST(Roster, DefaultHoldsTheBuiltInTranslators)
{
	BTranslatorRoster* roster = BTranslatorRoster::Default();
	ASSERT_NE(roster, nullptr);
	EXPECT_EQ(roster, BTranslatorRoster::Default());
	translator_id* ids = NULL;
	int32 count = 0;
	ASSERT_EQ(roster->GetAllTranslators(&ids, &count), B_OK);
	EXPECT_GE(count, 3);
	for (int32 i = 0; i < count; i++) {
		const char* name = NULL;
		const char* info = NULL;
		int32 version = 0;
		ASSERT_EQ(roster->GetTranslatorInfo(ids[i], &name, &info, &version), B_OK);
		EXPECT_NE(name, nullptr);
		EXPECT_GT(version, 0);
	}
	delete[] ids;
	EXPECT_EQ(roster->GetTranslatorInfo(0, NULL, NULL, NULL), B_NO_TRANSLATOR);
	EXPECT_EQ(roster->GetTranslatorInfo(9999, NULL, NULL, NULL), B_NO_TRANSLATOR);
}

TEST(Roster, AnEmptyRosterDecodesNothingUntilTranslatorsAreAdded)
{
	std::vector<uint8> png = read_sample("quadrants.png");
	BTranslatorRoster roster;
	BMemoryIO stream(png.data(), png.size());
	EXPECT_EQ(BTranslationUtils::GetBitmap(&stream, &roster), nullptr);
	EXPECT_EQ(roster.AddTranslators("/usr/lib/translators"), B_UNSUPPORTED);
	ASSERT_EQ(roster.AddTranslators(), B_OK);
	ASSERT_EQ(roster.AddTranslators(), B_OK); // no duplicates
	translator_id* ids = NULL;
	int32 count = 0;
	ASSERT_EQ(roster.GetAllTranslators(&ids, &count), B_OK);
	delete[] ids;
	int32 defaultCount = 0;
	ASSERT_EQ(BTranslatorRoster::Default()->GetAllTranslators(&ids, &defaultCount), B_OK);
	delete[] ids;
	EXPECT_EQ(count, defaultCount);
	std::unique_ptr<BBitmap> bitmap(BTranslationUtils::GetBitmap(&stream, &roster));
	ASSERT_NE(bitmap, nullptr);
	expect_quadrants(*bitmap, 0);
}

TEST(Decode, StrayBytesBetweenJpegSegmentsAreHarmless)
{
	// Some writers leave padding between segments; libjpeg skips it with a
	// warning and loses no pixel, so the picture still decodes.
	std::vector<uint8> jpeg = read_sample("quadrants.jpg");
	ASSERT_GT(jpeg.size(), 6u);
	size_t app0End = 4 + (size_t(jpeg[4]) << 8 | jpeg[5]); // after SOI and APP0
	std::vector<uint8> padded(jpeg.size() + 3);
	memcpy(padded.data(), jpeg.data(), app0End);
	memset(padded.data() + app0End, 0, 3);
	memcpy(padded.data() + app0End + 3, jpeg.data() + app0End, jpeg.size() - app0End);
	std::unique_ptr<BBitmap> bitmap = decode(padded);
	ASSERT_NE(bitmap, nullptr);
	expect_quadrants(*bitmap, 12);
}

TEST(Decode, SeveralThreadsDecodeAtOnce)
{
	const char* const names[] = {"quadrants.jpg", "quadrants-exif6.jpg", "quadrants.png",
	                             "animated.gif",  "quadrants.webp",      "quadrants.bmp"};
	std::vector<std::vector<uint8>> files;
	for (const char* name : names)
		files.push_back(read_sample(name));
	std::vector<int> failures(4, 0);
	std::vector<std::thread> threads;
	for (int t = 0; t < 4; t++) {
		threads.emplace_back([&, t] {
			for (int round = 0; round < 10; round++) {
				for (const std::vector<uint8>& file : files) {
					if (decode(file) == nullptr)
						failures[t]++;
				}
			}
		});
	}
	for (std::thread& thread : threads)
		thread.join();
	for (int t = 0; t < 4; t++)
		EXPECT_EQ(failures[t], 0) << "thread " << t;
}
