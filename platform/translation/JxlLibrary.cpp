// libjxl is opened by the first JPEG XL picture rather than linked: the
// Highway library it pulls in costs every program on libplatform.so some
// 5 to 7 ms of start-up (its static initialisers), which the first picture
// of any other format must not pay. The translator calls libjxl by its own
// names; the definitions below stand in for them inside libplatform.so
// (hidden, so that no other module binds to them) and forward to the real
// functions of the libraries of the version the headers describe.
//
// Without the libraries every call fails the way libjxl reports failure:
// JXL_DEC_ERROR, or a NULL object.

#include "support/LibrarySet.h"

// The headers declare the functions exported; these stand-ins are not.
#define JXL_STATIC_DEFINE
#define JXL_THREADS_STATIC_DEFINE
#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>
#include <jxl/version.h>

namespace {

#define PL_JXL_STRINGIFY(x) #x
#define PL_JXL_VERSION(major, minor) PL_JXL_STRINGIFY(major) "." PL_JXL_STRINGIFY(minor)

enum Library { kDecoder, kThreads, kLibraryCount };

const char* const kLibraryNames[kLibraryCount] = {
    "libjxl.so." PL_JXL_VERSION(JPEGXL_MAJOR_VERSION, JPEGXL_MINOR_VERSION),
    "libjxl_threads.so." PL_JXL_VERSION(JPEGXL_MAJOR_VERSION, JPEGXL_MINOR_VERSION),
};

// Constant-initialised: a stand-in may be called from a static initialiser.
constinit BPrivate::LibrarySet sLibraries(kLibraryNames);

} // namespace

#define PL_JXL_REAL(library, name) PL_LIBRARY_REAL(sLibraries, library, name)

extern "C" {
#pragma GCC visibility push(hidden)

JxlDecoder* JxlDecoderCreate(const JxlMemoryManager* memoryManager)
{
	PL_JXL_REAL(kDecoder, JxlDecoderCreate);
	return real != nullptr ? real(memoryManager) : nullptr;
}

void JxlDecoderDestroy(JxlDecoder* decoder)
{
	PL_JXL_REAL(kDecoder, JxlDecoderDestroy);
	if (real != nullptr)
		real(decoder);
}

JxlDecoderStatus JxlDecoderSetParallelRunner(JxlDecoder* decoder, JxlParallelRunner runner,
                                             void* opaque)
{
	PL_JXL_REAL(kDecoder, JxlDecoderSetParallelRunner);
	return real != nullptr ? real(decoder, runner, opaque) : JXL_DEC_ERROR;
}

JxlDecoderStatus JxlDecoderSubscribeEvents(JxlDecoder* decoder, int events)
{
	PL_JXL_REAL(kDecoder, JxlDecoderSubscribeEvents);
	return real != nullptr ? real(decoder, events) : JXL_DEC_ERROR;
}

JxlDecoderStatus JxlDecoderSetUnpremultiplyAlpha(JxlDecoder* decoder, JXL_BOOL unpremultiply)
{
	PL_JXL_REAL(kDecoder, JxlDecoderSetUnpremultiplyAlpha);
	return real != nullptr ? real(decoder, unpremultiply) : JXL_DEC_ERROR;
}

JxlDecoderStatus JxlDecoderSetInput(JxlDecoder* decoder, const uint8_t* data, size_t size)
{
	PL_JXL_REAL(kDecoder, JxlDecoderSetInput);
	return real != nullptr ? real(decoder, data, size) : JXL_DEC_ERROR;
}

void JxlDecoderCloseInput(JxlDecoder* decoder)
{
	PL_JXL_REAL(kDecoder, JxlDecoderCloseInput);
	if (real != nullptr)
		real(decoder);
}

JxlDecoderStatus JxlDecoderProcessInput(JxlDecoder* decoder)
{
	PL_JXL_REAL(kDecoder, JxlDecoderProcessInput);
	return real != nullptr ? real(decoder) : JXL_DEC_ERROR;
}

JxlDecoderStatus JxlDecoderGetBasicInfo(const JxlDecoder* decoder, JxlBasicInfo* info)
{
	PL_JXL_REAL(kDecoder, JxlDecoderGetBasicInfo);
	return real != nullptr ? real(decoder, info) : JXL_DEC_ERROR;
}

JxlDecoderStatus JxlDecoderSetPreferredColorProfile(JxlDecoder* decoder,
                                                    const JxlColorEncoding* encoding)
{
	PL_JXL_REAL(kDecoder, JxlDecoderSetPreferredColorProfile);
	return real != nullptr ? real(decoder, encoding) : JXL_DEC_ERROR;
}

JxlDecoderStatus JxlDecoderGetColorAsEncodedProfile(const JxlDecoder* decoder,
                                                    const JxlPixelFormat* format,
                                                    JxlColorProfileTarget target,
                                                    JxlColorEncoding* encoding)
{
	PL_JXL_REAL(kDecoder, JxlDecoderGetColorAsEncodedProfile);
	return real != nullptr ? real(decoder, format, target, encoding) : JXL_DEC_ERROR;
}

JxlDecoderStatus JxlDecoderGetICCProfileSize(const JxlDecoder* decoder,
                                             const JxlPixelFormat* format,
                                             JxlColorProfileTarget target, size_t* size)
{
	PL_JXL_REAL(kDecoder, JxlDecoderGetICCProfileSize);
	return real != nullptr ? real(decoder, format, target, size) : JXL_DEC_ERROR;
}

JxlDecoderStatus JxlDecoderGetColorAsICCProfile(const JxlDecoder* decoder,
                                                const JxlPixelFormat* format,
                                                JxlColorProfileTarget target, uint8_t* profile,
                                                size_t size)
{
	PL_JXL_REAL(kDecoder, JxlDecoderGetColorAsICCProfile);
	return real != nullptr ? real(decoder, format, target, profile, size) : JXL_DEC_ERROR;
}

JxlDecoderStatus JxlDecoderSetImageOutCallback(JxlDecoder* decoder, const JxlPixelFormat* format,
                                               JxlImageOutCallback callback, void* opaque)
{
	PL_JXL_REAL(kDecoder, JxlDecoderSetImageOutCallback);
	return real != nullptr ? real(decoder, format, callback, opaque) : JXL_DEC_ERROR;
}

// libjxl_threads

JxlParallelRetCode JxlThreadParallelRunner(void* opaque, void* jobOpaque, JxlParallelRunInit init,
                                           JxlParallelRunFunction run, uint32_t start, uint32_t end)
{
	PL_JXL_REAL(kThreads, JxlThreadParallelRunner);
	return real != nullptr ? real(opaque, jobOpaque, init, run, start, end) : -1;
}

void* JxlThreadParallelRunnerCreate(const JxlMemoryManager* memoryManager, size_t threads)
{
	PL_JXL_REAL(kThreads, JxlThreadParallelRunnerCreate);
	return real != nullptr ? real(memoryManager, threads) : nullptr;
}

void JxlThreadParallelRunnerDestroy(void* runner)
{
	PL_JXL_REAL(kThreads, JxlThreadParallelRunnerDestroy);
	if (real != nullptr)
		real(runner);
}

size_t JxlThreadParallelRunnerDefaultNumWorkerThreads()
{
	PL_JXL_REAL(kThreads, JxlThreadParallelRunnerDefaultNumWorkerThreads);
	return real != nullptr ? real() : 0;
}

#pragma GCC visibility pop
} // extern "C"
