#ifndef _MEDIA_FILE_H
#define _MEDIA_FILE_H

#include <Entry.h>
#include <MediaDefs.h>

class BMediaTrack;

namespace BPrivate {
namespace media {
class MediaSource;
} // namespace media
} // namespace BPrivate

// A media file opened for reading. Its tracks are the audio and video streams
// that can be decoded; cover pictures and streams of other kinds are not
// tracks. Release the tracks before deleting the file (the destructor
// releases those still out).
class BMediaFile {
public:
	BMediaFile(const entry_ref* ref);
	virtual ~BMediaFile();

	// B_OK, or why the file cannot be read: B_ENTRY_NOT_FOUND, B_BAD_VALUE
	// for something that is not a regular file, B_MEDIA_NO_HANDLER for a
	// file that is not media, B_MEDIA_BAD_FORMAT for a damaged one,
	// B_STREAM_NOT_FOUND when no stream can be decoded.
	status_t InitCheck() const;

	int32 CountTracks() const;

	// The track at |index|, the same object until it is released; NULL if
	// there is none.
	BMediaTrack* TrackAt(int32 index);
	status_t ReleaseTrack(BMediaTrack* track);
	status_t ReleaseAllTracks();

private:
	BMediaFile(const BMediaFile&) = delete;
	BMediaFile& operator=(const BMediaFile&) = delete;

	status_t fErr;
	BPrivate::media::MediaSource* fSource; // owned; NULL when opening failed
	BMediaTrack** fTracks;                 // owned array of CountTracks() slots
};

#endif
