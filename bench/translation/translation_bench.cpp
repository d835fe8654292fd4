// Decoding big pictures through BTranslationUtils::GetBitmap against the bare
// library doing the same work in the same run, the PNG fast path against
// libpng's path, and the first touch of a fresh bitmap against a fresh malloc
// block. The inputs (a 6000 x 4000 JPEG, 1920 x 1080 and 8192 x 8192 PNGs)
// are made in /tmp on first use and never committed.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <png.h>
#include <turbojpeg.h>

#include <Bitmap.h>
#include <DataIO.h>
#include <TranslationUtils.h>

#include "BenchPictures.h"
#include "translation/PngFastPath.h"
#include "translation/PngTranslator.h"

namespace {

const char* const kPngPath = "/tmp/pelivant-bench-8192x8192.png";
const char* const kSmallPngPath = "/tmp/pelivant-bench-1920x1080.png";
constexpr int kPngSide = 8192;

void make_png(const char* path, int width, int height)
{
	if (exists(path))
		return;
	std::vector<uint8> pixels = photo_like(width, height, 3);
	FILE* file = fopen(path, "wb");
	png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
	png_infop info = png_create_info_struct(png);
	if (file == NULL || png == NULL || info == NULL || setjmp(png_jmpbuf(png)) != 0) {
		fprintf(stderr, "cannot make %s\n", path);
		exit(1);
	}
	png_init_io(png, file);
	png_set_compression_level(png, 1);
	png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
	             PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
	png_write_info(png, info);
	for (int y = 0; y < height; y++)
		png_write_row(png, pixels.data() + size_t(y) * width * 3);
	png_write_end(png, NULL);
	png_destroy_write_struct(&png, &info);
	fclose(file);
}

const std::vector<uint8>& png_bytes()
{
	static std::vector<uint8> bytes = (make_png(kPngPath, kPngSide, kPngSide), read_file(kPngPath));
	return bytes;
}

const std::vector<uint8>& small_png_bytes()
{
	static std::vector<uint8> bytes =
	    (make_png(kSmallPngPath, 1920, 1080), read_file(kSmallPngPath));
	return bytes;
}

void BM_GetBitmap_Jpeg6000x4000(benchmark::State& state)
{
	decode_through_translation_kit(state, jpeg_bytes());
}

// The same picture with EXIF orientation 6: decoded in strips and turned
// while copied, into a 4000 x 6000 bitmap.
void BM_GetBitmap_Jpeg6000x4000_Turned(benchmark::State& state)
{
	static const uint8 kApp1[] = {0xff, 0xe1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0,    0,    'M', 'M',
	                              0,    0x2a, 0,    0,    0,   8,   0,   1,   0x01, 0x12, 0,   3,
	                              0,    0,    0,    1,    0,   6,   0,   0,   0,    0,    0,   0};
	const std::vector<uint8>& plain = jpeg_bytes();
	std::vector<uint8> bytes(plain.size() + sizeof(kApp1));
	memcpy(bytes.data(), plain.data(), 2);
	memcpy(bytes.data() + 2, kApp1, sizeof(kApp1));
	memcpy(bytes.data() + 2 + sizeof(kApp1), plain.data() + 2, plain.size() - 2);
	decode_through_translation_kit(state, bytes);
}

void BM_GetBitmap_Png8192x8192(benchmark::State& state)
{
	decode_through_translation_kit(state, png_bytes());
}

// The translator's two PNG paths on their own, each making its bitmap.
void decode_png_fast_path(benchmark::State& state, const std::vector<uint8>& bytes)
{
	for (auto _ : state) {
		BMemoryIO stream(bytes.data(), bytes.size());
		BBitmap* bitmap = NULL;
		bool opaque;
		if (BPrivate::png_fast_decode(&stream, 0, &bitmap, &opaque) !=
		    BPrivate::PngOutcome::kDone) {
			state.SkipWithError("the fast path did not decode");
			return;
		}
		benchmark::DoNotOptimize(bitmap->Bits());
		delete bitmap;
	}
}

void decode_png_libpng(benchmark::State& state, const std::vector<uint8>& bytes)
{
	for (auto _ : state) {
		BMemoryIO stream(bytes.data(), bytes.size());
		BBitmap* bitmap = NULL;
		if (BPrivate::png_decode_with_libpng(&stream, 0, &bitmap) != B_OK) {
			state.SkipWithError("libpng did not decode");
			return;
		}
		benchmark::DoNotOptimize(bitmap->Bits());
		delete bitmap;
	}
}

void BM_PngFastPath_1920x1080(benchmark::State& state)
{
	decode_png_fast_path(state, small_png_bytes());
}

void BM_PngLibpng_1920x1080(benchmark::State& state)
{
	decode_png_libpng(state, small_png_bytes());
}

void BM_PngFastPath_8192x8192(benchmark::State& state)
{
	decode_png_fast_path(state, png_bytes());
}

void BM_PngLibpng_8192x8192(benchmark::State& state)
{
	decode_png_libpng(state, png_bytes());
}

// TurboJPEG alone into a fresh malloc block at 4 bytes a pixel: what the
// translator does, without its stream copy and bitmap.
void BM_Raw_TurboJpeg6000x4000(benchmark::State& state)
{
	const std::vector<uint8>& bytes = jpeg_bytes();
	tjhandle handle = tjInitDecompress();
	for (auto _ : state) {
		uint8* buffer = static_cast<uint8*>(malloc(size_t(kJpegWidth) * kJpegHeight * 4));
		if (tjDecompress2(handle, bytes.data(), bytes.size(), buffer, kJpegWidth, kJpegWidth * 4,
		                  kJpegHeight, TJPF_BGRX, 0) != 0) {
			state.SkipWithError(tjGetErrorStr2(handle));
		}
		benchmark::DoNotOptimize(buffer);
		free(buffer);
	}
	tjDestroy(handle);
}

// The same into one buffer touched before: the decoding alone.
void BM_Raw_TurboJpeg6000x4000_WarmBuffer(benchmark::State& state)
{
	const std::vector<uint8>& bytes = jpeg_bytes();
	tjhandle handle = tjInitDecompress();
	std::vector<uint8> buffer(size_t(kJpegWidth) * kJpegHeight * 4, 1);
	for (auto _ : state) {
		tjDecompress2(handle, bytes.data(), bytes.size(), buffer.data(), kJpegWidth, kJpegWidth * 4,
		              kJpegHeight, TJPF_BGRX, 0);
		benchmark::DoNotOptimize(buffer.data());
	}
	tjDestroy(handle);
}

struct MemoryReader {
	const uint8* data;
	size_t length;
	size_t at;
};

void read_memory(png_structp png, png_bytep out, size_t length)
{
	MemoryReader* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
	if (length > reader->length - reader->at)
		png_error(png, "short");
	memcpy(out, reader->data + reader->at, length);
	reader->at += length;
}

// libpng alone reading rows as B, G, R, X into a fresh malloc block.
void BM_Raw_Libpng8192x8192(benchmark::State& state)
{
	const std::vector<uint8>& bytes = png_bytes();
	for (auto _ : state) {
		MemoryReader reader = {bytes.data(), bytes.size(), 0};
		png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
		png_infop info = png_create_info_struct(png);
		uint8* buffer = static_cast<uint8*>(malloc(size_t(kPngSide) * kPngSide * 4));
		if (setjmp(png_jmpbuf(png)) != 0) {
			state.SkipWithError("libpng failed");
			return;
		}
		png_set_read_fn(png, &reader, read_memory);
		png_read_info(png, info);
		png_set_bgr(png);
		png_set_filler(png, 0xff, PNG_FILLER_AFTER);
		png_read_update_info(png, info);
		for (int y = 0; y < kPngSide; y++)
			png_read_row(png, buffer + size_t(y) * kPngSide * 4, NULL);
		png_read_end(png, NULL);
		png_destroy_read_struct(&png, &info, NULL);
		benchmark::DoNotOptimize(buffer);
		free(buffer);
	}
}

// Making a 6000 x 4000 bitmap and writing every byte of it once.
void BM_FirstTouch_Bitmap6000x4000(benchmark::State& state)
{
	for (auto _ : state) {
		BBitmap bitmap(BRect(0, 0, kJpegWidth - 1, kJpegHeight - 1), B_RGB32);
		memset(bitmap.Bits(), 0x80, bitmap.BitsLength());
		benchmark::DoNotOptimize(bitmap.Bits());
	}
}

void BM_FirstTouch_Malloc6000x4000(benchmark::State& state)
{
	size_t length = size_t(kJpegWidth) * kJpegHeight * 4;
	for (auto _ : state) {
		void* block = malloc(length);
		memset(block, 0x80, length);
		benchmark::DoNotOptimize(block);
		free(block);
	}
}

} // namespace

BENCHMARK(BM_GetBitmap_Jpeg6000x4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetBitmap_Jpeg6000x4000_Turned)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raw_TurboJpeg6000x4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raw_TurboJpeg6000x4000_WarmBuffer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetBitmap_Png8192x8192)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raw_Libpng8192x8192)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngFastPath_1920x1080)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngLibpng_1920x1080)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngFastPath_8192x8192)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngLibpng_8192x8192)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstTouch_Bitmap6000x4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstTouch_Malloc6000x4000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
