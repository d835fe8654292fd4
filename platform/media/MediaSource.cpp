#include "media/MediaSource.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace BPrivate {
namespace media {

MediaSource::MediaSource() {}

MediaSource::~MediaSource() {}

status_t MediaSource::Open(const char* path)
{
	status_t status = FileHandle::Open(path, &fFile);
	if (status != B_OK)
		return status;

	std::unique_ptr<Demuxer> probe(new (std::nothrow) Demuxer(fFile));
	if (!probe)
		return B_NO_MEMORY;
	status = probe->Open();
	if (status != B_OK)
		return status;

	const AVFormatContext* context = probe->Context();
	for (unsigned i = 0; i < context->nb_streams; i++) {
		std::unique_ptr<StreamInfo> info(new (std::nothrow) StreamInfo);
		if (!info)
			return B_NO_MEMORY;
		status = info->Init(context, context->streams[i]);
		if (status != B_OK)
			return status;
		if (info->IsTrack())
			fTracks.push_back(std::move(info));
	}
	if (fTracks.empty())
		return B_STREAM_NOT_FOUND;

	fProbe = std::move(probe);
	return B_OK;
}

const StreamInfo* MediaSource::TrackAt(int32 index) const
{
	if (index < 0 || index >= CountTracks())
		return NULL;
	return fTracks[index].get();
}

status_t MediaSource::TakeDemuxer(const StreamInfo* stream, Demuxer** demuxer)
{
	std::unique_ptr<Demuxer> taken;
	{
		std::lock_guard<std::mutex> lock(fLock);
		taken = std::move(fProbe);
	}
	if (!taken) {
		taken.reset(new (std::nothrow) Demuxer(fFile));
		if (!taken)
			return B_NO_MEMORY;
		status_t status = taken->Open();
		if (status != B_OK)
			return status;
		// The same bytes give the same streams; anything else means the file
		// changed under us.
		const AVFormatContext* context = taken->Context();
		if (stream->index >= (int) context->nb_streams ||
		    context->streams[stream->index]->codecpar->codec_id != stream->parameters->codec_id)
			return B_MEDIA_BAD_FORMAT;
	}
	taken->SelectStream(stream->index);
	*demuxer = taken.release();
	return B_OK;
}

} // namespace media
} // namespace BPrivate
