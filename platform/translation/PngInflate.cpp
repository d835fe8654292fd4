#include "translation/PngInflate.h"

#include <new>

#include <isa-l/igzip_lib.h>

namespace BPrivate {

namespace {

// Input is read from the stream in pieces of this size: large enough that a
// read costs little beside the inflating, small enough to stay in cache. A
// small picture's stream is about as long as its rows, and its buffer no
// longer (it costs an mmap at this size).
constexpr uint32 kInputSize = 128 * 1024;
constexpr uint32 kSmallestInputSize = 4096;

uint32 input_size(uint64 expected)
{
	if (expected >= kInputSize)
		return kInputSize;
	return expected > kSmallestInputSize ? uint32(expected) : kSmallestInputSize;
}

} // namespace

PngInflater::PngInflater(PngChunkReader* chunks, uint64 expected)
    : fChunks(chunks), fExpected(expected), fState(new (std::nothrow) inflate_state),
      fInputSize(input_size(expected)), fInput(new (std::nothrow) uint8[fInputSize])
{
	if (fState)
		isal_inflate_init(fState.get());
}

PngInflater::~PngInflater() = default;

status_t PngInflater::InitCheck() const
{
	return fState && fInput ? B_OK : B_NO_MEMORY;
}

bool PngInflater::Ended() const
{
	return fState->block_state == ISAL_BLOCK_FINISH;
}

bool PngInflater::HasUnusedInput() const
{
	return fState->avail_in > 0 || fChunks->Remaining() > 0;
}

PngOutcome PngInflater::_Refill()
{
	// The image data goes on in the next chunk only if that is an IDAT too;
	// a stream that runs short, or another chunk among the IDATs, is for
	// libpng to judge.
	while (fChunks->Remaining() == 0) {
		PngOutcome outcome = fChunks->Finish();
		if (outcome == PngOutcome::kDone)
			outcome = fChunks->Next();
		if (outcome != PngOutcome::kDone)
			return outcome;
		if (fChunks->Type() != kPngIDAT)
			return PngOutcome::kDeclined;
	}
	uint32 size = fChunks->Remaining() < fInputSize ? fChunks->Remaining() : fInputSize;
	PngOutcome outcome = fChunks->Read(fInput.get(), size);
	if (outcome != PngOutcome::kDone)
		return outcome;
	fState->next_in = fInput.get();
	fState->avail_in = size;
	return PngOutcome::kDone;
}

PngOutcome PngInflater::_ReadHeader()
{
	// The two bytes may lie in two IDAT chunks.
	uint8 header[2];
	for (uint8& byte : header) {
		if (fState->avail_in == 0) {
			PngOutcome outcome = _Refill();
			if (outcome != PngOutcome::kDone)
				return outcome;
		}
		byte = *fState->next_in++;
		fState->avail_in--;
	}
	// Deflate with a window of at most 32 KiB, no preset dictionary, and a
	// correct header check: anything else libpng and zlib judge themselves.
	int method = header[0] & 0x0f;
	int windowBits = (header[0] >> 4) + 8;
	if (method != 8 || windowBits > 15 || (header[1] & 0x20) != 0 ||
	    (uint32(header[0]) << 8 | header[1]) % 31 != 0) {
		return PngOutcome::kDeclined;
	}
	// zlib refuses distances past a smaller window only sometimes (it checks
	// them against what one call has produced), ISA-L never; a stream no
	// longer than its window cannot reach past it.
	if (windowBits < 15 && fExpected > (uint64(1) << windowBits))
		return PngOutcome::kDeclined;
	fState->crc_flag = ISAL_ZLIB_NO_HDR_VER;
	return PngOutcome::kDone;
}

PngOutcome PngInflater::Inflate(uint8* out, size_t size, size_t* produced)
{
	*produced = 0;
	if (!fStarted) {
		fState->next_in = NULL;
		fState->avail_in = 0;
		PngOutcome outcome = _ReadHeader();
		if (outcome != PngOutcome::kDone)
			return outcome;
		fStarted = true;
	}
	fState->next_out = out;
	fState->avail_out = uint32(size < UINT32_MAX ? size : UINT32_MAX);
	while (fState->avail_out > 0 && !Ended()) {
		// ISA-L holds some input and output of its own between calls, so it
		// is asked first and fed only when it can go no further.
		uint32 inBefore = fState->avail_in;
		uint32 outBefore = fState->avail_out;
		int result = isal_inflate(fState.get());
		// Damaged deflate data: zlib may fail elsewhere or not at all
		// (libpng forgives errors after the last row), so libpng decides.
		if (result != ISAL_DECOMP_OK)
			return PngOutcome::kDeclined;
		if (fState->avail_out < outBefore || Ended())
			break;
		if (fState->avail_in == 0) {
			PngOutcome outcome = _Refill();
			if (outcome != PngOutcome::kDone)
				return outcome;
		} else if (fState->avail_in == inBefore) {
			return PngOutcome::kDeclined;
		}
	}
	*produced = size_t(fState->next_out - out);
	return PngOutcome::kDone;
}

} // namespace BPrivate
