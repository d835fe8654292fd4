#ifndef PLATFORM_TRANSLATION_STREAM_READER_H
#define PLATFORM_TRANSLATION_STREAM_READER_H

#include <DataIO.h>

#include <memory>

namespace BPrivate {

// Sequential reading of a BPositionIO from a given offset through ReadAt(),
// so the stream's own position is left alone.
class StreamReader {
public:
	StreamReader(BPositionIO* stream, off_t start) : fStream(stream), fPosition(start) {}

	// Up to |size| bytes; 0 at the end, or a negative status.
	ssize_t Read(void* buffer, size_t size);

private:
	BPositionIO* fStream;
	off_t fPosition;
};

// The rest of a stream in memory, for decoders that need it whole.
struct EncodedData {
	std::unique_ptr<uint8[]> bytes;
	size_t length = 0;
};

// No picture file this platform decodes in one piece is larger.
constexpr size_t kMaxEncodedLength = size_t(512) << 20;

// Reads everything from |start| to the end of |stream|; B_NO_MEMORY past
// kMaxEncodedLength.
status_t read_whole_stream(BPositionIO* stream, off_t start, EncodedData* data);

} // namespace BPrivate

#endif
