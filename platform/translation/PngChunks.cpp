#include "translation/PngChunks.h"

#include <string.h>

#include <isa-l/crc.h>

namespace BPrivate {

namespace {

const uint8 kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

constexpr uint32 kMaxChunkLength = 0x7fffffffu;

bool is_letter(uint8 c)
{
	return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

uint32 png_crc(uint32 crc, const void* data, size_t length)
{
	return crc32_gzip_refl(crc, static_cast<const unsigned char*>(data), length);
}

void parse_png_header(const uint8 data[13], PngHeader* header)
{
	header->width = png_get_be32(data);
	header->height = png_get_be32(data + 4);
	header->depth = data[8];
	header->colorType = data[9];
	header->compression = data[10];
	header->filter = data[11];
	header->interlace = data[12];
}

PngOutcome PngChunkReader::ReadSignature()
{
	uint8 signature[sizeof(kSignature)];
	if (fReader.Read(signature, sizeof(signature)) != ssize_t(sizeof(signature)))
		return PngOutcome::kRejected;
	if (memcmp(signature, kSignature, sizeof(kSignature)) != 0)
		return PngOutcome::kRejected;
	return PngOutcome::kDone;
}

PngOutcome PngChunkReader::Next()
{
	uint8 head[8];
	if (fReader.Read(head, sizeof(head)) != ssize_t(sizeof(head)))
		return PngOutcome::kRejected;
	fLength = png_get_be32(head);
	fType = png_get_be32(head + 4);
	fRemaining = fLength;
	fCrc = png_crc(0, head + 4, 4);
	if (fLength > kMaxChunkLength)
		return PngOutcome::kDeclined;
	for (int i = 4; i < 8; i++) {
		if (!is_letter(head[i]))
			return PngOutcome::kDeclined;
	}
	return PngOutcome::kDone;
}

PngOutcome PngChunkReader::Read(void* buffer, uint32 size)
{
	if (size > fRemaining)
		return PngOutcome::kDeclined;
	if (fReader.Read(buffer, size) != ssize_t(size))
		return PngOutcome::kRejected;
	fCrc = png_crc(fCrc, buffer, size);
	fRemaining -= size;
	return PngOutcome::kDone;
}

PngOutcome PngChunkReader::Skip(uint32 size)
{
	uint8 scratch[4096];
	while (size > 0) {
		uint32 step = size < sizeof(scratch) ? size : uint32(sizeof(scratch));
		PngOutcome outcome = Read(scratch, step);
		if (outcome != PngOutcome::kDone)
			return outcome;
		size -= step;
	}
	return PngOutcome::kDone;
}

PngOutcome PngChunkReader::Finish()
{
	PngOutcome outcome = Skip(fRemaining);
	if (outcome != PngOutcome::kDone)
		return outcome;
	uint8 stored[4];
	if (fReader.Read(stored, sizeof(stored)) != ssize_t(sizeof(stored)))
		return PngOutcome::kRejected;
	if (png_get_be32(stored) == fCrc)
		return PngOutcome::kDone;
	return png_chunk_is_critical(fType) ? PngOutcome::kRejected : PngOutcome::kDeclined;
}

} // namespace BPrivate
