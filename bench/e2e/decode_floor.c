// decode_floor: the least a viewer must spend before it can show a picture:
// reading the file and decoding it with the bare library into a fresh buffer
// of 4 bytes a pixel, in a process of its own. TurboJPEG for JPEG (one
// tjDecompress2 call), libpng for PNG (png_read_image, expanded to 8-bit
// RGBA). Prints "ms=<read and decode>"; the process start-up is not counted.
//
//   decode_floor picture.jpg|picture.png

#define _GNU_SOURCE

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <png.h>
#include <turbojpeg.h>

static double NowMs(void)
{
	struct timespec now;
	clock_gettime(CLOCK_MONOTONIC, &now);
	return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

static int DecodeJpeg(FILE* file)
{
	if (fseek(file, 0, SEEK_END) != 0)
		return 1;
	long length = ftell(file);
	rewind(file);
	if (length <= 0)
		return 1;
	unsigned char* data = malloc((size_t) length);
	if (data == NULL || fread(data, 1, (size_t) length, file) != (size_t) length)
		return 1;
	tjhandle handle = tjInitDecompress();
	int width, height, subsampling, colorspace;
	if (handle == NULL || tjDecompressHeader3(handle, data, (unsigned long) length, &width,
	                                          &height, &subsampling, &colorspace) != 0)
		return 1;
	unsigned char* pixels = malloc((size_t) width * 4 * (size_t) height);
	if (pixels == NULL || tjDecompress2(handle, data, (unsigned long) length, pixels, width,
	                                    width * 4, height, TJPF_BGRX, 0) != 0)
		return 1;
	tjDestroy(handle);
	return 0;
}

static int DecodePng(FILE* file)
{
	png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
	png_infop info = png != NULL ? png_create_info_struct(png) : NULL;
	if (info == NULL)
		return 1;
	if (setjmp(png_jmpbuf(png)))
		return 1;
	png_init_io(png, file);
	png_read_info(png, info);
	png_set_expand(png);
	png_set_strip_16(png);
	png_set_gray_to_rgb(png);
	png_set_filler(png, 0xff, PNG_FILLER_AFTER);
	png_set_bgr(png);
	int passes = png_set_interlace_handling(png);
	(void) passes;
	png_read_update_info(png, info);
	png_uint_32 width = png_get_image_width(png, info);
	png_uint_32 height = png_get_image_height(png, info);
	unsigned char* pixels = malloc((size_t) width * 4 * height);
	png_bytep* rows = malloc(sizeof(png_bytep) * height);
	if (pixels == NULL || rows == NULL)
		return 1;
	for (png_uint_32 y = 0; y < height; y++)
		rows[y] = pixels + (size_t) y * width * 4;
	png_read_image(png, rows);
	png_read_end(png, NULL);
	png_destroy_read_struct(&png, &info, NULL);
	return 0;
}

int main(int argc, char** argv)
{
	if (argc != 2) {
		fprintf(stderr, "usage: decode_floor picture.jpg|picture.png\n");
		return 2;
	}
	double start = NowMs();
	FILE* file = fopen(argv[1], "rb");
	if (file == NULL) {
		perror(argv[1]);
		return 1;
	}
	unsigned char magic[8] = {0};
	size_t got = fread(magic, 1, sizeof magic, file);
	rewind(file);
	int failed;
	if (got >= 3 && magic[0] == 0xff && magic[1] == 0xd8 && magic[2] == 0xff)
		failed = DecodeJpeg(file);
	else if (got == 8 && png_sig_cmp(magic, 0, 8) == 0)
		failed = DecodePng(file);
	else
		failed = 1;
	double elapsed = NowMs() - start;
	fclose(file);
	if (failed) {
		fprintf(stderr, "decode_floor: cannot decode %s\n", argv[1]);
		return 1;
	}
	printf("ms=%.1f\n", elapsed);
	return 0;
}
