#ifndef PLATFORM_TRANSLATION_PNG_INFLATE_H
#define PLATFORM_TRANSLATION_PNG_INFLATE_H

#include <stddef.h>

#include <memory>

#include "translation/PngChunks.h"

struct inflate_state;

namespace BPrivate {

// The zlib stream of a PNG's IDAT chunks, inflated by ISA-L as it is read.
// The chunk reader must have the first IDAT open; the inflater reads the
// following IDAT chunks as it needs them, and leaves the chunk holding the
// stream's end open.
class PngInflater {
public:
	// |expected| is the length of the inflated stream the header promises.
	PngInflater(PngChunkReader* chunks, uint64 expected);
	~PngInflater();

	status_t InitCheck() const;

	// Inflates up to |size| bytes to |out|, at least one unless the stream
	// ends; sets |produced|.
	PngOutcome Inflate(uint8* out, size_t size, size_t* produced);
	// Whether the stream has ended, its Adler-32 checked.
	bool Ended() const;
	// Whether the open chunk has data the stream did not use.
	bool HasUnusedInput() const;

private:
	PngOutcome _Refill();
	PngOutcome _ReadHeader();

	PngChunkReader* fChunks;
	const uint64 fExpected;
	std::unique_ptr<inflate_state> fState;
	const uint32 fInputSize;
	std::unique_ptr<uint8[]> fInput;
	bool fStarted = false;
};

} // namespace BPrivate

#endif
