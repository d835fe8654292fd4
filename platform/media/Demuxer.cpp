#include "media/Demuxer.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/mem.h>
}

#include "media/FFmpegStatus.h"

namespace BPrivate {
namespace media {

namespace {

// How much of the file format detection and stream analysis may read. Enough
// for every ordinary file; it bounds the work a hostile one can cause.
const int64 kProbeBytes = 4 << 20;
const int64 kAnalyzeMicroseconds = 5 * 1000000;
const int kMaxStreams = 64;
const int kIOBufferSize = 64 * 1024;

const std::chrono::milliseconds kOpenTimeLimit(10000);
const std::chrono::milliseconds kReadTimeLimit(5000);

} // namespace

FileHandle::~FileHandle()
{
	close(fFD);
}

status_t FileHandle::Open(const char* path, std::shared_ptr<FileHandle>* handle)
{
	// O_NONBLOCK so that opening a FIFO cannot wait for a writer.
	int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
	if (fd < 0)
		return errno_to_status(errno);
	struct stat st;
	status_t status = B_OK;
	if (fstat(fd, &st) != 0)
		status = errno_to_status(errno);
	else if (S_ISDIR(st.st_mode))
		status = B_IS_A_DIRECTORY;
	else if (!S_ISREG(st.st_mode))
		status = B_BAD_VALUE;
	if (status != B_OK) {
		close(fd);
		return status;
	}
	handle->reset(new (std::nothrow) FileHandle(fd));
	if (!*handle) {
		close(fd);
		return B_NO_MEMORY;
	}
	return B_OK;
}

Demuxer::Demuxer(std::shared_ptr<FileHandle> file)
    : fFile(std::move(file)), fPosition(0), fIO(NULL), fContext(NULL)
{
}

Demuxer::~Demuxer()
{
	if (fContext != NULL)
		avformat_close_input(&fContext);
	if (fIO != NULL) {
		av_freep(&fIO->buffer);
		avio_context_free(&fIO);
	}
}

status_t Demuxer::Open()
{
	init_ffmpeg();
	if (fContext != NULL || !fFile)
		return B_NOT_ALLOWED;

	uint8_t* buffer = static_cast<uint8_t*>(av_malloc(kIOBufferSize));
	if (buffer == NULL)
		return B_NO_MEMORY;
	fIO = avio_alloc_context(buffer, kIOBufferSize, 0, this, &_Read, NULL, &_SeekIO);
	if (fIO == NULL) {
		av_free(buffer);
		return B_NO_MEMORY;
	}

	AVFormatContext* context = avformat_alloc_context();
	if (context == NULL)
		return B_NO_MEMORY;
	context->pb = fIO;
	context->flags |= AVFMT_FLAG_CUSTOM_IO;
	context->interrupt_callback.callback = &_Interrupt;
	context->interrupt_callback.opaque = this;
	context->io_open = &_RefuseOpen;
	context->probesize = kProbeBytes;
	context->format_probesize = 1 << 20;
	context->max_analyze_duration = kAnalyzeMicroseconds;
	context->max_streams = kMaxStreams;
	fIO->opaque = this;

	_StartDeadline(kOpenTimeLimit);
	// An empty name: the format is found from the content alone.
	int error = avformat_open_input(&context, "", NULL, NULL);
	if (error < 0) {
		// avformat_open_input frees the context on failure. Reading the file
		// itself cannot fail here (it is open and regular), so the rest are
		// the format's complaints about the content.
		if (error == AVERROR_INVALIDDATA || error == AVERROR_EOF)
			return B_MEDIA_NO_HANDLER;
		status_t status = status_for_av_error(error);
		if (status == B_NO_MEMORY || status == B_TIMED_OUT)
			return status;
		return B_MEDIA_BAD_FORMAT;
	}
	fContext = context;

	error = avformat_find_stream_info(fContext, NULL);
	if (error == AVERROR_EXIT)
		return B_TIMED_OUT;
	// Other failures here only mean that some stream stayed undescribed; the
	// caller decides from what was found.
	return B_OK;
}

void Demuxer::SelectStream(int index)
{
	if (fContext == NULL)
		return;
	for (unsigned i = 0; i < fContext->nb_streams; i++)
		fContext->streams[i]->discard = (int) i == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
}

status_t Demuxer::ReadPacket(int index, AVPacket* packet)
{
	if (fContext == NULL)
		return B_NO_INIT;
	_StartDeadline(kReadTimeLimit);
	while (true) {
		int error = av_read_frame(fContext, packet);
		if (error < 0)
			return status_for_av_error(error);
		if (packet->stream_index == index)
			return B_OK;
		av_packet_unref(packet);
	}
}

status_t Demuxer::Seek(int index, int64 timestamp, bool forward)
{
	if (fContext == NULL)
		return B_NO_INIT;
	_StartDeadline(kReadTimeLimit);
	int error = av_seek_frame(fContext, index, timestamp, forward ? 0 : AVSEEK_FLAG_BACKWARD);
	return status_for_av_error(error);
}

void Demuxer::_StartDeadline(std::chrono::milliseconds limit)
{
	fDeadline = std::chrono::steady_clock::now() + limit;
}

int Demuxer::_Read(void* cookie, uint8_t* buffer, int size)
{
	Demuxer* demuxer = static_cast<Demuxer*>(cookie);
	while (true) {
		ssize_t bytes = pread(demuxer->fFile->FD(), buffer, size, demuxer->fPosition);
		if (bytes > 0) {
			demuxer->fPosition += bytes;
			return (int) bytes;
		}
		if (bytes == 0)
			return AVERROR_EOF;
		if (errno != EINTR)
			return AVERROR(errno);
	}
}

int64_t Demuxer::_SeekIO(void* cookie, int64_t offset, int whence)
{
	Demuxer* demuxer = static_cast<Demuxer*>(cookie);
	struct stat st;
	if (fstat(demuxer->fFile->FD(), &st) != 0)
		return AVERROR(errno);
	int64 size = st.st_size;
	if (whence & AVSEEK_SIZE)
		return size;
	int64 base;
	switch (whence & ~AVSEEK_FORCE) {
		case SEEK_SET:
			base = 0;
			break;
		case SEEK_CUR:
			base = demuxer->fPosition;
			break;
		case SEEK_END:
			base = size;
			break;
		default:
			return AVERROR(EINVAL);
	}
	int64 position;
	if (__builtin_add_overflow(base, offset, &position) || position < 0)
		return AVERROR(EINVAL);
	demuxer->fPosition = position;
	return position;
}

int Demuxer::_Interrupt(void* cookie)
{
	Demuxer* demuxer = static_cast<Demuxer*>(cookie);
	return std::chrono::steady_clock::now() > demuxer->fDeadline ? 1 : 0;
}

int Demuxer::_RefuseOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**)
{
	return AVERROR(EPERM);
}

} // namespace media
} // namespace BPrivate
