#ifndef PLATFORM_MEDIA_MEDIA_SOURCE_H
#define PLATFORM_MEDIA_MEDIA_SOURCE_H

#include <memory>
#include <mutex>
#include <vector>

#include <SupportDefs.h>

#include "media/Demuxer.h"
#include "media/StreamInfo.h"

namespace BPrivate {
namespace media {

// The opened file behind a BMediaFile: the file itself, the description of
// each track's stream, and the demuxer that probed it. The first track that
// decodes takes that demuxer over; any later one gets a demuxer of its own
// on the same file, so tracks never share reading state.
class MediaSource {
public:
	MediaSource();
	~MediaSource();

	status_t Open(const char* path);

	int32 CountTracks() const { return (int32) fTracks.size(); }
	const StreamInfo* TrackAt(int32 index) const;

	// A demuxer positioned at the start, for |stream| only; owned by the caller.
	status_t TakeDemuxer(const StreamInfo* stream, Demuxer** demuxer);

private:
	MediaSource(const MediaSource&) = delete;
	MediaSource& operator=(const MediaSource&) = delete;

	std::shared_ptr<FileHandle> fFile;                // fixed after Open
	std::vector<std::unique_ptr<StreamInfo>> fTracks; // fixed after Open

	std::mutex fLock;
	std::unique_ptr<Demuxer> fProbe; // guarded by fLock; NULL once taken
};

} // namespace media
} // namespace BPrivate

#endif
