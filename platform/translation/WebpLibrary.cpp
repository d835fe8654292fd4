// libwebp and its demuxer are opened by the first WebP picture rather than
// linked, for the reason JpegLibrary.cpp gives: two libraries fewer for every
// start-up whose first picture is not a WebP one. The translator calls them
// by their own names (the header's inline helpers call the *Internal
// functions); the definitions below stand in for them inside libplatform.so
// (hidden, so that no other module binds to them) and forward to the real
// functions.
//
// Without the libraries every call fails the way libwebp reports failure:
// a NULL demuxer, 0, or VP8_STATUS_UNSUPPORTED_FEATURE.

#include "support/LibrarySet.h"

// The headers declare the functions exported; these stand-ins are not.
#define WEBP_EXTERN extern
#include <webp/decode.h>
#include <webp/demux.h>

namespace {

enum Library { kDecoder, kDemuxer, kLibraryCount };

// The sonames of the ABI the headers describe (their *_ABI_VERSION is checked
// again by the libraries on every call that takes it).
const char* const kLibraryNames[kLibraryCount] = {"libwebp.so.7", "libwebpdemux.so.2"};

// Constant-initialised, so that it is ready before any static initialiser.
constinit BPrivate::LibrarySet sLibraries(kLibraryNames);

} // namespace

#define PL_WEBP_REAL(library, name) PL_LIBRARY_REAL(sLibraries, library, name)

extern "C" {
#pragma GCC visibility push(hidden)

// libwebp

int WebPInitDecoderConfigInternal(WebPDecoderConfig* config, int version)
{
	PL_WEBP_REAL(kDecoder, WebPInitDecoderConfigInternal);
	return real != nullptr ? real(config, version) : 0;
}

VP8StatusCode WebPGetFeaturesInternal(const uint8_t* data, size_t size,
                                      WebPBitstreamFeatures* features, int version)
{
	PL_WEBP_REAL(kDecoder, WebPGetFeaturesInternal);
	return real != nullptr ? real(data, size, features, version) : VP8_STATUS_UNSUPPORTED_FEATURE;
}

VP8StatusCode WebPDecode(const uint8_t* data, size_t size, WebPDecoderConfig* config)
{
	PL_WEBP_REAL(kDecoder, WebPDecode);
	return real != nullptr ? real(data, size, config) : VP8_STATUS_UNSUPPORTED_FEATURE;
}

void WebPFreeDecBuffer(WebPDecBuffer* buffer)
{
	PL_WEBP_REAL(kDecoder, WebPFreeDecBuffer);
	if (real != nullptr)
		real(buffer);
}

// libwebpdemux

WebPDemuxer* WebPDemuxInternal(const WebPData* data, int allowPartial, WebPDemuxState* state,
                               int version)
{
	PL_WEBP_REAL(kDemuxer, WebPDemuxInternal);
	if (real != nullptr)
		return real(data, allowPartial, state, version);
	if (state != nullptr)
		*state = WEBP_DEMUX_PARSE_ERROR;
	return nullptr;
}

void WebPDemuxDelete(WebPDemuxer* demuxer)
{
	PL_WEBP_REAL(kDemuxer, WebPDemuxDelete);
	if (real != nullptr)
		real(demuxer);
}

uint32_t WebPDemuxGetI(const WebPDemuxer* demuxer, WebPFormatFeature feature)
{
	PL_WEBP_REAL(kDemuxer, WebPDemuxGetI);
	return real != nullptr ? real(demuxer, feature) : 0;
}

int WebPDemuxGetFrame(const WebPDemuxer* demuxer, int frame, WebPIterator* iterator)
{
	PL_WEBP_REAL(kDemuxer, WebPDemuxGetFrame);
	return real != nullptr ? real(demuxer, frame, iterator) : 0;
}

void WebPDemuxReleaseIterator(WebPIterator* iterator)
{
	PL_WEBP_REAL(kDemuxer, WebPDemuxReleaseIterator);
	if (real != nullptr)
		real(iterator);
}

int WebPDemuxGetChunk(const WebPDemuxer* demuxer, const char fourcc[4], int chunk,
                      WebPChunkIterator* iterator)
{
	PL_WEBP_REAL(kDemuxer, WebPDemuxGetChunk);
	return real != nullptr ? real(demuxer, fourcc, chunk, iterator) : 0;
}

void WebPDemuxReleaseChunkIterator(WebPChunkIterator* iterator)
{
	PL_WEBP_REAL(kDemuxer, WebPDemuxReleaseChunkIterator);
	if (real != nullptr)
		real(iterator);
}

#pragma GCC visibility pop
}
