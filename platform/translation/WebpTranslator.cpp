#include "translation/WebpTranslator.h"

#include <string.h>

#include <memory>
#include <new>

#include <webp/decode.h>
#include <webp/demux.h>

#include <Bitmap.h>

#include "interface/BitmapPrivate.h"
#include "translation/ColorProfile.h"
#include "translation/StreamReader.h"

namespace BPrivate {

namespace {

struct DemuxHolder {
	WebPDemuxer* demuxer = NULL;
	WebPIterator frame = {};
	bool haveFrame = false;
	~DemuxHolder()
	{
		if (haveFrame)
			WebPDemuxReleaseIterator(&frame);
		WebPDemuxDelete(demuxer);
	}
};

// What libwebp allocates beside the output to decode a frame of |width| x
// |height|: the lossless decoder works on a whole ARGB copy of the frame,
// the lossy one keeps a plane for the alpha it has; the rest grows with the
// width alone.
int64 working_bytes(const WebPBitstreamFeatures& features, int64 width, int64 height)
{
	if (features.format == 2)
		return width * height * 4;
	return features.has_alpha ? width * height : 0;
}

} // namespace

const char* WebpTranslator::Name() const
{
	return "WebP images";
}

const char* WebpTranslator::Info() const
{
	return "WebP decoder (libwebp)";
}

int32 WebpTranslator::Version() const
{
	return 100;
}

bool WebpTranslator::Recognizes(const uint8* head, size_t length) const
{
	return length >= 12 && memcmp(head, "RIFF", 4) == 0 && memcmp(head + 8, "WEBP", 4) == 0;
}

status_t WebpTranslator::Decode(BPositionIO* stream, off_t start, BBitmap** outBitmap) const
{
	EncodedData encoded;
	status_t status = read_whole_stream(stream, start, &encoded);
	if (status != B_OK)
		return status;

	WebPData data = {encoded.bytes.get(), encoded.length};
	DemuxHolder holder;
	holder.demuxer = WebPDemux(&data);
	if (holder.demuxer == NULL)
		return B_BAD_DATA;
	int64 canvasWidth = WebPDemuxGetI(holder.demuxer, WEBP_FF_CANVAS_WIDTH);
	int64 canvasHeight = WebPDemuxGetI(holder.demuxer, WEBP_FF_CANVAS_HEIGHT);
	if (canvasWidth <= 0 || canvasHeight <= 0)
		return B_BAD_DATA;
	if (!bitmap_size_allowed(canvasWidth, canvasHeight))
		return B_NO_MEMORY;

	holder.haveFrame = WebPDemuxGetFrame(holder.demuxer, 1, &holder.frame) != 0;
	if (!holder.haveFrame)
		return B_BAD_DATA;
	const WebPIterator& frame = holder.frame;
	if (frame.width <= 0 || frame.height <= 0 || frame.x_offset < 0 || frame.y_offset < 0 ||
	    int64(frame.x_offset) + frame.width > canvasWidth ||
	    int64(frame.y_offset) + frame.height > canvasHeight)
		return B_BAD_DATA;

	WebPDecoderConfig config;
	if (!WebPInitDecoderConfig(&config))
		return B_ERROR;
	if (WebPGetFeatures(frame.fragment.bytes, frame.fragment.size, &config.input) != VP8_STATUS_OK)
		return B_BAD_DATA;
	if (config.input.width != frame.width || config.input.height != frame.height)
		return B_BAD_DATA;
	if (working_bytes(config.input, frame.width, frame.height) > kDecodeBudgetBytes)
		return B_NO_MEMORY;

	// The first frame lies on a transparent canvas (the background colour
	// an animation names is only a hint, which viewers ignore).
	bool covers = frame.width == canvasWidth && frame.height == canvasHeight;
	bool alpha = config.input.has_alpha || !covers;
	std::unique_ptr<BBitmap> bitmap(new (std::nothrow) BBitmap(
	    BRect(0, 0, float(canvasWidth - 1), float(canvasHeight - 1)), alpha ? B_RGBA32 : B_RGB32));
	if (!bitmap || bitmap->InitCheck() != B_OK)
		return B_NO_MEMORY;
	uint8* bits = static_cast<uint8*>(bitmap->Bits());
	size_t bytesPerRow = size_t(bitmap->BytesPerRow());
	if (!covers && !BitmapAccess::StartsZeroed(bitmap.get()))
		memset(bits, 0, size_t(bitmap->BitsLength()));

	// B, G, R, A is the byte order of B_RGB32 and B_RGBA32; libwebp writes
	// no byte outside the size it is given.
	config.output.colorspace = MODE_BGRA;
	config.output.is_external_memory = 1;
	config.output.u.RGBA.rgba =
	    bits + size_t(frame.y_offset) * bytesPerRow + size_t(frame.x_offset) * 4;
	config.output.u.RGBA.stride = int(bytesPerRow);
	config.output.u.RGBA.size = bytesPerRow * size_t(frame.height - 1) + size_t(frame.width) * 4;
	VP8StatusCode result = WebPDecode(frame.fragment.bytes, frame.fragment.size, &config);
	WebPFreeDecBuffer(&config.output);
	if (result == VP8_STATUS_OUT_OF_MEMORY)
		return B_NO_MEMORY;
	if (result != VP8_STATUS_OK)
		return B_BAD_DATA;

	if ((WebPDemuxGetI(holder.demuxer, WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG) != 0) {
		WebPChunkIterator chunk;
		if (WebPDemuxGetChunk(holder.demuxer, "ICCP", 1, &chunk)) {
			convert_to_srgb(chunk.chunk.bytes, chunk.chunk.size, bitmap.get());
			WebPDemuxReleaseChunkIterator(&chunk);
		}
	}

	// A canvas larger than its first frame is transparent around it.
	if (alpha && covers && bitmap_is_opaque(bitmap.get()))
		BitmapAccess::SetAlphaUsed(bitmap.get(), false);
	*outBitmap = bitmap.release();
	return B_OK;
}

} // namespace BPrivate
