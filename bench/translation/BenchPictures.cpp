#include "BenchPictures.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <random>

#include <turbojpeg.h>

#include <Bitmap.h>
#include <DataIO.h>
#include <TranslationUtils.h>

namespace {

const char* const kJpegPath = "/tmp/pelivant-bench-6000x4000.jpg";

} // namespace

bool exists(const char* path)
{
	struct stat info;
	return stat(path, &info) == 0 && info.st_size > 0;
}

std::vector<uint8> photo_like(int width, int height, int channels)
{
	std::vector<uint8> pixels(size_t(width) * height * channels);
	std::minstd_rand random(42);
	for (int y = 0; y < height; y++) {
		uint8* row = pixels.data() + size_t(y) * width * channels;
		for (int x = 0; x < width; x++) {
			int grain = int(random() % 24);
			row[x * channels + 0] = uint8((x * 255 / width + grain) & 0xff);
			row[x * channels + 1] = uint8((y * 255 / height + grain) & 0xff);
			row[x * channels + 2] = uint8(((x + y) * 127 / (width + height) + grain) & 0xff);
		}
	}
	return pixels;
}

static void make_jpeg()
{
	if (exists(kJpegPath))
		return;
	std::vector<uint8> pixels = photo_like(kJpegWidth, kJpegHeight, 3);
	tjhandle handle = tjInitCompress();
	unsigned char* jpeg = NULL;
	unsigned long size = 0;
	if (tjCompress2(handle, pixels.data(), kJpegWidth, 0, kJpegHeight, TJPF_RGB, &jpeg, &size,
	                TJSAMP_420, 90, 0) != 0) {
		fprintf(stderr, "cannot make %s: %s\n", kJpegPath, tjGetErrorStr2(handle));
		exit(1);
	}
	FILE* file = fopen(kJpegPath, "wb");
	fwrite(jpeg, 1, size, file);
	fclose(file);
	tjFree(jpeg);
	tjDestroy(handle);
}

std::vector<uint8> read_file(const char* path)
{
	std::ifstream in(path, std::ios::binary);
	return std::vector<uint8>(std::istreambuf_iterator<char>(in), {});
}

const std::vector<uint8>& jpeg_bytes()
{
	static std::vector<uint8> bytes = (make_jpeg(), read_file(kJpegPath));
	return bytes;
}

void decode_through_translation_kit(benchmark::State& state, const std::vector<uint8>& bytes)
{
	for (auto _ : state) {
		BMemoryIO stream(bytes.data(), bytes.size());
		BBitmap* bitmap = BTranslationUtils::GetBitmap(&stream);
		if (bitmap == NULL) {
			state.SkipWithError("GetBitmap failed");
			return;
		}
		benchmark::DoNotOptimize(bitmap->Bits());
		delete bitmap;
	}
}
