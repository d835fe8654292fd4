#ifndef BENCH_TRANSLATION_BENCH_PICTURES_H
#define BENCH_TRANSLATION_BENCH_PICTURES_H

#include <SupportDefs.h>

#include <vector>

#include <benchmark/benchmark.h>

// The translation benchmarks' inputs, made in /tmp on first use and never
// committed.

constexpr int kJpegWidth = 6000, kJpegHeight = 4000;

bool exists(const char* path);
std::vector<uint8> read_file(const char* path);

// Smooth gradients with grain, so that an encoder's entropy coding (and a
// decoder's) costs what a photo's does: |channels| bytes a pixel, R, G, B first.
std::vector<uint8> photo_like(int width, int height, int channels);

// Decodes |bytes| through BTranslationUtils::GetBitmap at every iteration.
void decode_through_translation_kit(benchmark::State& state, const std::vector<uint8>& bytes);

// A 6000 x 4000 baseline 4:2:0 JPEG of photo_like() pixels.
const std::vector<uint8>& jpeg_bytes();

#endif
