// What showing pictures as they are costs: the conversion of a 24 MP JPEG
// with an Adobe RGB profile to sRGB (the same JPEG without one, and the
// conversion alone, in the same run), and JPEG XL decoding through the
// translation kit against bare libjxl and the djxl program. The inputs are
// made in /tmp on first use.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include <Bitmap.h>
#include <DataIO.h>
#include <TranslationUtils.h>

#include "BenchPictures.h"
#include "TestProfiles.h"
#include "translation/ColorProfile.h"

namespace {

// Opaque and as large as the decoding budget lets libjxl go.
constexpr int kJxlSide = 1900;
const char* const kJxlPath = "/tmp/pelivant-bench-1900x1900.jxl";
const char* const kJxlSource = "/tmp/pelivant-bench-1900x1900.ppm";

// The plain JPEG with the profile in APP2 segments right after SOI.
const std::vector<uint8>& adobe_jpeg_bytes()
{
	static std::vector<uint8> bytes = [] {
		const std::vector<uint8>& plain = jpeg_bytes();
		std::vector<uint8> profile = adobe_rgb_profile();
		std::string out(plain.begin(), plain.begin() + 2);
		const size_t kChunk = 65519;
		size_t count = (profile.size() + kChunk - 1) / kChunk;
		for (size_t i = 0; i < count; i++) {
			size_t length = std::min(kChunk, profile.size() - i * kChunk);
			size_t segment = 2 + 12 + 2 + length;
			out += "\xff\xe2";
			out += char(segment >> 8);
			out += char(segment & 0xff);
			out += std::string("ICC_PROFILE", 12);
			out += char(i + 1);
			out += char(count);
			out.append(profile.begin() + i * kChunk, profile.begin() + i * kChunk + length);
		}
		out.append(plain.begin() + 2, plain.end());
		return std::vector<uint8>(out.begin(), out.end());
	}();
	return bytes;
}

const std::vector<uint8>& jxl_bytes()
{
	static std::vector<uint8> bytes = [] {
		if (!exists(kJxlPath)) {
			std::vector<uint8> pixels = photo_like(kJxlSide, kJxlSide, 3);
			FILE* file = fopen(kJxlSource, "wb");
			fprintf(file, "P6\n%d %d\n255\n", kJxlSide, kJxlSide);
			fwrite(pixels.data(), 1, pixels.size(), file);
			fclose(file);
			std::string command =
			    std::string("cjxl -d 1 ") + kJxlSource + " " + kJxlPath + " >/dev/null 2>&1";
			if (system(command.c_str()) != 0) {
				fprintf(stderr, "cannot make %s with cjxl\n", kJxlPath);
				exit(1);
			}
		}
		return read_file(kJxlPath);
	}();
	return bytes;
}

void BM_GetBitmap_Jpeg6000x4000_NoProfile(benchmark::State& state)
{
	decode_through_translation_kit(state, jpeg_bytes());
}

void BM_GetBitmap_Jpeg6000x4000_AdobeRgb(benchmark::State& state)
{
	decode_through_translation_kit(state, adobe_jpeg_bytes());
}

// The conversion alone, in place in a bitmap already touched.
void BM_ConvertToSrgb_6000x4000(benchmark::State& state)
{
	std::vector<uint8> profile = adobe_rgb_profile();
	BBitmap bitmap(BRect(0, 0, kJpegWidth - 1, kJpegHeight - 1), B_RGB32);
	std::vector<uint8> pixels = photo_like(kJpegWidth, kJpegHeight, 4);
	memcpy(bitmap.Bits(), pixels.data(), std::min(pixels.size(), size_t(bitmap.BitsLength())));
	for (auto _ : state) {
		if (!BPrivate::convert_to_srgb(profile.data(), profile.size(), &bitmap)) {
			state.SkipWithError("not converted");
			return;
		}
		benchmark::DoNotOptimize(bitmap.Bits());
	}
}

void BM_GetBitmap_Jxl1900x1900(benchmark::State& state)
{
	decode_through_translation_kit(state, jxl_bytes());
}

void ignore_pixels(void*, size_t, size_t, size_t, const void*) {}

// libjxl alone, on as many threads, to 8-bit RGB handed to a callback that
// keeps nothing: what djxl does before it writes its file.
void BM_Raw_Libjxl1900x1900(benchmark::State& state)
{
	const std::vector<uint8>& bytes = jxl_bytes();
	for (auto _ : state) {
		JxlDecoder* decoder = JxlDecoderCreate(NULL);
		void* runner =
		    JxlThreadParallelRunnerCreate(NULL, JxlThreadParallelRunnerDefaultNumWorkerThreads());
		JxlDecoderSetParallelRunner(decoder, JxlThreadParallelRunner, runner);
		JxlDecoderSubscribeEvents(decoder, JXL_DEC_FULL_IMAGE);
		JxlDecoderSetInput(decoder, bytes.data(), bytes.size());
		JxlDecoderCloseInput(decoder);
		JxlPixelFormat format = {3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
		while (true) {
			JxlDecoderStatus status = JxlDecoderProcessInput(decoder);
			if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
				JxlDecoderSetImageOutCallback(decoder, &format, ignore_pixels, NULL);
				continue;
			}
			if (status != JXL_DEC_FULL_IMAGE)
				state.SkipWithError("libjxl failed");
			break;
		}
		JxlThreadParallelRunnerDestroy(runner);
		JxlDecoderDestroy(decoder);
	}
}

// The djxl program to a PPM in /tmp: a process of its own, its file written.
void BM_Djxl_Program1900x1900(benchmark::State& state)
{
	jxl_bytes();
	std::string command =
	    std::string("djxl ") + kJxlPath + " /tmp/pelivant-bench-djxl.ppm >/dev/null 2>&1";
	for (auto _ : state) {
		if (system(command.c_str()) != 0) {
			state.SkipWithError("djxl failed");
			return;
		}
	}
}

} // namespace

BENCHMARK(BM_GetBitmap_Jpeg6000x4000_NoProfile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetBitmap_Jpeg6000x4000_AdobeRgb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertToSrgb_6000x4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetBitmap_Jxl1900x1900)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raw_Libjxl1900x1900)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Djxl_Program1900x1900)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
