#ifndef PLATFORM_MEDIA_VIDEO_DECODER_H
#define PLATFORM_MEDIA_VIDEO_DECODER_H

#include <GraphicsDefs.h>
#include <SupportDefs.h>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace BPrivate {
namespace media {

class Demuxer;
struct StreamInfo;

// Decodes one video stream with libavcodec (on its own threads) and converts
// frames with libswscale straight into the caller's buffer. Used by one thread
// at a time.
class VideoDecoder {
public:
	explicit VideoDecoder(const StreamInfo* stream);
	~VideoDecoder();

	status_t Open();

	// The next frame in presentation order, valid until the next call or
	// Flush(). B_LAST_BUFFER_ERROR after the last one; B_BAD_DATA when many
	// packets in a row give no frame; B_TIMED_OUT.
	status_t NextFrame(Demuxer* demuxer, AVFrame** frame);

	// Makes the next NextFrame() return the frame it returned last again:
	// a seek decodes the frame it lands on before the caller asks for it.
	void HoldFrame();

	// Forgets all frames and packets in flight, after the demuxer moved.
	void Flush();

	// Writes |frame| upright (turned by the stream's orientation) as B, G,
	// R, A bytes, the stream's upright width by height, rows |bytesPerRow|
	// apart, the first row at the top unless |bottomUp|. Nothing past
	// |bytesPerRow| x height bytes is written. Frames that need no turning
	// and rows of at least DirectBytesPerRow() are converted in place, and
	// may have the bytes past the picture in each row overwritten; the rest
	// go through a buffer of the decoder's own and are copied (turned).
	status_t Convert(const AVFrame* frame, uint8* buffer, uint32 bytesPerRow, bool bottomUp);

	// The narrowest rows that libswscale writes into without going past
	// their end (rows padded to a multiple of 64 bytes); 0 when |width| has
	// no such stride within 32 bits.
	static uint32 DirectBytesPerRow(uint32 width);

	// When the frame NextFrame() returned last starts and how long it lasts,
	// in microseconds from the start of the stream.
	bigtime_t FrameStart() const { return fFrameStart; }
	bigtime_t FrameDuration() const { return fFrameDuration; }

private:
	VideoDecoder(const VideoDecoder&) = delete;
	VideoDecoder& operator=(const VideoDecoder&) = delete;

	status_t _ReadPacket(Demuxer* demuxer);
	void _TimeFrame();
	status_t _PrepareConverter(const AVFrame* frame);
	status_t _Scale(const AVFrame* frame, uint8* buffer, int bytesPerRow, bool bottomUp);
	status_t _PrepareScratch(uint32 bytesPerRow, size_t rows);

	// How frames get their times. Containers that store only decode
	// timestamps (AVI) give frames the time of a later packet once the
	// decoder reorders; their frames are timed by counting instead, which
	// their constant frame rate allows.
	enum TimingMode { kTimingUnknown, kTimingFromTimestamps, kTimingByCount };

	const StreamInfo* fStream;
	AVCodecContext* fCodec = NULL;
	AVFrame* fFrame = NULL;
	AVPacket* fPacket = NULL;
	bool fPacketWaiting = false; // fPacket holds data the decoder has not yet taken
	bool fDraining = false;      // the end of input was sent to the decoder
	bool fEnded = false;         // the decoder gave its last frame
	bool fHeld = false;
	TimingMode fTiming = kTimingUnknown; // decided by the stream's first packet
	bigtime_t fNextStart = 0;            // where a frame without a timestamp starts
	bigtime_t fCountOrigin =
	    -1; // kTimingByCount: start of the first frame since Flush(); -1 unknown
	int64 fFramesSinceFlush = 0;
	bigtime_t fFrameStart = 0; // of the frame returned last
	bigtime_t fFrameDuration = 0;

	SwsContext* fConverter = NULL;
	int fConverterWidth = 0; // the source that fConverter was made for
	int fConverterHeight = 0;
	int fConverterFormat = -1;
	int fConverterColorSpace = -1;
	int fConverterRange = -1;
	// Frames for callers whose rows are narrower than DirectBytesPerRow(),
	// and frames to be turned, made at the first such frame.
	uint8* fScratch = NULL;
	size_t fScratchLength = 0;
};

} // namespace media
} // namespace BPrivate

#endif
