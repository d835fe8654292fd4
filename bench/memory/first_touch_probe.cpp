// first_touch_probe: how long one fresh process takes to decode a big JPEG into
// a fresh bitmap with each way of getting the bitmap's memory. Run it as a new
// process per measurement (first_touch.sh does), since a process that already
// freed a big block reuses it and hides the cost of the first touch.
//
//   first_touch_probe huge|plain|prefault picture.jpg
//
// huge: a 2 MiB-aligned mapping offered to transparent huge pages
// (MADV_HUGEPAGE), as bitmaps were mapped before; plain: BBitmap's own mapping
// of ordinary pages, faulted in by the decoder; prefault: the same with
// BitmapPrefault faulting the pages ahead of the decoder on another thread.
// Prints "ms=<allocation and decoding>".

#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include <Bitmap.h>

#include "interface/BitmapPrefault.h"

namespace {

double now_ms()
{
	timespec now;
	clock_gettime(CLOCK_MONOTONIC, &now);
	return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct Errors {
	jpeg_error_mgr base;
	jmp_buf jump;
};

void error_exit(j_common_ptr info)
{
	longjmp(reinterpret_cast<Errors*>(info->err)->jump, 1);
}

bool read_header(jpeg_decompress_struct* info, Errors* errors, const std::vector<uint8>& data)
{
	if (setjmp(errors->jump) != 0)
		return false;
	jpeg_mem_src(info, data.data(), data.size());
	return jpeg_read_header(info, TRUE) == JPEG_HEADER_OK;
}

// The translator's loop: 16 rows at a time straight into the bitmap.
bool decode(jpeg_decompress_struct* info, Errors* errors, uint8* bits, size_t bytesPerRow,
            BPrivate::BitmapPrefault* prefault)
{
	if (setjmp(errors->jump) != 0)
		return false;
	info->out_color_space = JCS_EXT_BGRX;
	jpeg_start_decompress(info);
	JSAMPROW rows[16];
	while (info->output_scanline < info->output_height) {
		JDIMENSION first = info->output_scanline;
		JDIMENSION count = info->output_height - first < 16 ? info->output_height - first : 16;
		for (JDIMENSION i = 0; i < count; i++)
			rows[i] = bits + (first + i) * bytesPerRow;
		if (prefault != NULL)
			prefault->WritingUpTo(int32(first + count));
		for (JDIMENSION done = 0; done < count;)
			done += jpeg_read_scanlines(info, rows + done, count - done);
	}
	jpeg_finish_decompress(info);
	return true;
}

uint8* map_huge(size_t length)
{
	constexpr size_t kHuge = size_t(2) << 20;
	size_t rounded = (length + kHuge - 1) & ~(kHuge - 1);
	size_t span = rounded + kHuge;
	void* raw = mmap(NULL, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
	if (raw == MAP_FAILED)
		return NULL;
	uintptr_t start = reinterpret_cast<uintptr_t>(raw);
	uintptr_t aligned = (start + kHuge - 1) & ~(uintptr_t(kHuge) - 1);
	if (aligned > start)
		munmap(raw, aligned - start);
	size_t tail = start + span - (aligned + rounded);
	if (tail > 0)
		munmap(reinterpret_cast<void*>(aligned + rounded), tail);
	madvise(reinterpret_cast<void*>(aligned), rounded, MADV_HUGEPAGE);
	return reinterpret_cast<uint8*>(aligned);
}

} // namespace

int main(int argc, char** argv)
{
	if (argc != 3 || (strcmp(argv[1], "huge") != 0 && strcmp(argv[1], "plain") != 0 &&
	                  strcmp(argv[1], "prefault") != 0)) {
		fprintf(stderr, "usage: first_touch_probe huge|plain|prefault picture.jpg\n");
		return 2;
	}
	std::ifstream file(argv[2], std::ios::binary);
	std::vector<uint8> data((std::istreambuf_iterator<char>(file)),
	                        std::istreambuf_iterator<char>());
	if (data.empty()) {
		fprintf(stderr, "first_touch_probe: cannot read %s\n", argv[2]);
		return 1;
	}

	jpeg_decompress_struct info;
	Errors errors;
	info.err = jpeg_std_error(&errors.base);
	errors.base.error_exit = error_exit;
	jpeg_create_decompress(&info);
	if (!read_header(&info, &errors, data)) {
		fprintf(stderr, "first_touch_probe: %s is not a JPEG\n", argv[2]);
		return 1;
	}
	size_t width = info.image_width, height = info.image_height;

	double start = now_ms();
	bool decoded;
	if (strcmp(argv[1], "huge") == 0) {
		uint8* bits = map_huge(width * 4 * height);
		decoded = bits != NULL && decode(&info, &errors, bits, width * 4, NULL);
	} else {
		BBitmap bitmap(BRect(0, 0, width - 1, height - 1), B_RGB32);
		if (bitmap.InitCheck() != B_OK)
			return 1;
		std::unique_ptr<BPrivate::BitmapPrefault> prefault;
		if (strcmp(argv[1], "prefault") == 0)
			prefault.reset(new BPrivate::BitmapPrefault(&bitmap));
		decoded = decode(&info, &errors, static_cast<uint8*>(bitmap.Bits()),
		                 size_t(bitmap.BytesPerRow()), prefault.get());
		prefault.reset();
	}
	double elapsed = now_ms() - start;
	jpeg_destroy_decompress(&info);
	if (!decoded) {
		fprintf(stderr, "first_touch_probe: %s did not decode\n", argv[2]);
		return 1;
	}
	printf("ms=%.1f\n", elapsed);
	return 0;
}
