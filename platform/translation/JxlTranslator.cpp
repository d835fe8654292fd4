#include "translation/JxlTranslator.h"

#include <string.h>

#include <memory>
#include <new>
#include <vector>

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include <Bitmap.h>

#include "interface/BitmapPrivate.h"
#include "translation/ColorProfile.h"
#include "translation/StreamReader.h"

namespace BPrivate {

namespace {

// What libjxl holds beside the output while it decodes a frame, per pixel
// (measured with libjxl 0.7: the growth of the peak resident size while
// decoding 1 and 4 MP pictures, lossy and lossless): about 14 to 18 bytes
// for an opaque picture, whose frame it keeps in float planes, and 56 to 61
// with alpha, which goes through the modular decoder's own planes.
constexpr int64 kWorkingBytesPerPixel = 18;
constexpr int64 kWorkingBytesPerAlphaPixel = 61;

// Within the other decoders' budget that would be 3.7 MP, less than any
// camera's photo, so libjxl gets a budget of its own: opaque pictures up to
// some 59 MP, transparent ones up to some 17 MP. The memory is held only
// while decoding, and the claim is checked before anything is allocated.
constexpr int64 kJxlWorkingBudgetBytes = int64(1) << 30;

struct Decoder {
	JxlDecoder* decoder = JxlDecoderCreate(NULL);
	void* runner = NULL;
	~Decoder()
	{
		JxlDecoderDestroy(decoder);
		if (runner != NULL)
			JxlThreadParallelRunnerDestroy(runner);
	}
};

// Where the callback writes: libjxl hands out runs of R, G, B(, A) pixels,
// from several threads at once, each run a part of one row.
struct Output {
	uint8* bits;
	size_t bytesPerRow;
	size_t width;
	size_t height;
	int channels;
};

void write_pixels(void* opaque, size_t x, size_t y, size_t count, const void* pixels)
{
	const Output* output = static_cast<const Output*>(opaque);
	if (y >= output->height || x >= output->width || count > output->width - x)
		return;
	const uint8* from = static_cast<const uint8*>(pixels);
	uint8* to = output->bits + y * output->bytesPerRow + x * 4;
	if (output->channels == 4) {
		for (size_t i = 0; i < count; i++, from += 4, to += 4) {
			to[0] = from[2];
			to[1] = from[1];
			to[2] = from[0];
			to[3] = from[3];
		}
	} else {
		for (size_t i = 0; i < count; i++, from += 3, to += 4) {
			to[0] = from[2];
			to[1] = from[1];
			to[2] = from[0];
			to[3] = 0xff;
		}
	}
}

bool is_srgb(const JxlColorEncoding& encoding)
{
	return (encoding.color_space == JXL_COLOR_SPACE_RGB ||
	        encoding.color_space == JXL_COLOR_SPACE_GRAY) &&
	       encoding.white_point == JXL_WHITE_POINT_D65 &&
	       (encoding.color_space == JXL_COLOR_SPACE_GRAY ||
	        encoding.primaries == JXL_PRIMARIES_SRGB) &&
	       encoding.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

JxlColorEncoding srgb_encoding(bool grey)
{
	JxlColorEncoding encoding;
	memset(&encoding, 0, sizeof(encoding));
	encoding.color_space = grey ? JXL_COLOR_SPACE_GRAY : JXL_COLOR_SPACE_RGB;
	encoding.white_point = JXL_WHITE_POINT_D65;
	encoding.primaries = JXL_PRIMARIES_SRGB;
	encoding.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
	encoding.rendering_intent = JXL_RENDERING_INTENT_PERCEPTUAL;
	return encoding;
}

// The ICC profile of the decoded pixels when they are not sRGB: pictures
// stored losslessly keep their own space, which libjxl does not convert.
bool data_profile(JxlDecoder* decoder, std::vector<uint8>* profile)
{
	JxlColorEncoding encoding;
	if (JxlDecoderGetColorAsEncodedProfile(decoder, NULL, JXL_COLOR_PROFILE_TARGET_DATA,
	                                       &encoding) == JXL_DEC_SUCCESS &&
	    is_srgb(encoding))
		return false;
	size_t size = 0;
	if (JxlDecoderGetICCProfileSize(decoder, NULL, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
	        JXL_DEC_SUCCESS ||
	    size == 0)
		return false;
	profile->resize(size);
	return JxlDecoderGetColorAsICCProfile(decoder, NULL, JXL_COLOR_PROFILE_TARGET_DATA,
	                                      profile->data(), size) == JXL_DEC_SUCCESS;
}

} // namespace

const char* JxlTranslator::Name() const
{
	return "JPEG XL images";
}

const char* JxlTranslator::Info() const
{
	return "JPEG XL decoder (libjxl)";
}

int32 JxlTranslator::Version() const
{
	return 100;
}

// Told by the signature alone, without libjxl, which only a JPEG XL picture
// loads: a bare codestream, or the ISO container's signature box.
bool JxlTranslator::Recognizes(const uint8* head, size_t length) const
{
	static const uint8 kContainer[] = {0, 0, 0, 0x0c, 'J', 'X', 'L', ' ', 0x0d, 0x0a, 0x87, 0x0a};
	if (length >= 2 && head[0] == 0xff && head[1] == 0x0a)
		return true;
	return length >= sizeof(kContainer) && memcmp(head, kContainer, sizeof(kContainer)) == 0;
}

status_t JxlTranslator::Decode(BPositionIO* stream, off_t start, BBitmap** outBitmap) const
{
	EncodedData data;
	status_t status = read_whole_stream(stream, start, &data);
	if (status != B_OK)
		return status;

	Decoder holder;
	JxlDecoder* decoder = holder.decoder;
	if (decoder == NULL)
		return B_NO_MEMORY;
	holder.runner =
	    JxlThreadParallelRunnerCreate(NULL, JxlThreadParallelRunnerDefaultNumWorkerThreads());
	if (holder.runner != NULL && JxlDecoderSetParallelRunner(decoder, JxlThreadParallelRunner,
	                                                         holder.runner) != JXL_DEC_SUCCESS)
		return B_ERROR;
	if (JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
	                                           JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
	    JxlDecoderSetUnpremultiplyAlpha(decoder, JXL_TRUE) != JXL_DEC_SUCCESS ||
	    JxlDecoderSetInput(decoder, data.bytes.get(), data.length) != JXL_DEC_SUCCESS)
		return B_ERROR;
	JxlDecoderCloseInput(decoder);

	std::unique_ptr<BBitmap> bitmap;
	Output output = {};
	JxlBasicInfo info;
	std::vector<uint8> profile;
	bool convert = false;
	while (true) {
		JxlDecoderStatus event = JxlDecoderProcessInput(decoder);
		switch (event) {
			case JXL_DEC_BASIC_INFO: {
				if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS)
					return B_BAD_DATA;
				// The size is the upright one: libjxl turns the picture.
				if (!bitmap_size_allowed(info.xsize, info.ysize))
					return B_NO_MEMORY;
				bool alpha = info.alpha_bits > 0;
				int64 working = int64(info.xsize) * info.ysize *
				                (alpha ? kWorkingBytesPerAlphaPixel : kWorkingBytesPerPixel);
				if (working > kJxlWorkingBudgetBytes)
					return B_NO_MEMORY;
				bitmap.reset(new (std::nothrow)
				                 BBitmap(BRect(0, 0, float(info.xsize) - 1, float(info.ysize) - 1),
				                         alpha ? B_RGBA32 : B_RGB32));
				if (!bitmap || bitmap->InitCheck() != B_OK)
					return B_NO_MEMORY;
				output = {static_cast<uint8*>(bitmap->Bits()), size_t(bitmap->BytesPerRow()),
				          info.xsize, info.ysize, alpha ? 4 : 3};
				break;
			}
			case JXL_DEC_COLOR_ENCODING: {
				// Lossy pictures are stored in XYB, which libjxl turns into
				// whatever space is asked for.
				JxlColorEncoding srgb = srgb_encoding(info.num_color_channels == 1);
				JxlDecoderSetPreferredColorProfile(decoder, &srgb);
				convert = data_profile(decoder, &profile);
				break;
			}
			case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
				if (!bitmap)
					return B_BAD_DATA;
				JxlPixelFormat format = {uint32(output.channels), JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN,
				                         0};
				if (JxlDecoderSetImageOutCallback(decoder, &format, write_pixels, &output) !=
				    JXL_DEC_SUCCESS)
					return B_BAD_DATA;
				break;
			}
			case JXL_DEC_FULL_IMAGE: {
				// The first frame is the picture, or the start of an animation.
				if (!bitmap)
					return B_BAD_DATA;
				if (convert)
					convert_to_srgb(profile.data(), profile.size(), bitmap.get());
				if (bitmap->ColorSpace() == B_RGBA32 && bitmap_is_opaque(bitmap.get()))
					BitmapAccess::SetAlphaUsed(bitmap.get(), false);
				*outBitmap = bitmap.release();
				return B_OK;
			}
			case JXL_DEC_SUCCESS:
			case JXL_DEC_NEED_MORE_INPUT:
			case JXL_DEC_ERROR:
			default:
				// The end of the input without a whole frame: cut short or damaged.
				return B_BAD_DATA;
		}
	}
}

} // namespace BPrivate
