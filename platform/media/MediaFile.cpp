#include <MediaFile.h>

#include <string>

#include <MediaTrack.h>

#include "media/MediaSource.h"
#include "storage/EntryRefPath.h"

using BPrivate::media::MediaSource;

BMediaFile::BMediaFile(const entry_ref* ref) : fErr(B_NO_INIT), fSource(NULL), fTracks(NULL)
{
	if (ref == NULL) {
		fErr = B_BAD_VALUE;
		return;
	}
	std::string path;
	fErr = BPrivate::path_for_ref(*ref, &path);
	if (fErr != B_OK)
		return;

	MediaSource* source = new (std::nothrow) MediaSource;
	if (source == NULL) {
		fErr = B_NO_MEMORY;
		return;
	}
	fErr = source->Open(path.c_str());
	if (fErr == B_OK) {
		fTracks = new (std::nothrow) BMediaTrack*[source->CountTracks()]();
		if (fTracks == NULL)
			fErr = B_NO_MEMORY;
	}
	if (fErr != B_OK) {
		delete source;
		return;
	}
	fSource = source;
}

BMediaFile::~BMediaFile()
{
	ReleaseAllTracks();
	delete[] fTracks;
	delete fSource;
}

status_t BMediaFile::InitCheck() const
{
	return fErr;
}

int32 BMediaFile::CountTracks() const
{
	return fSource != NULL ? fSource->CountTracks() : 0;
}

BMediaTrack* BMediaFile::TrackAt(int32 index)
{
	if (fSource == NULL || index < 0 || index >= fSource->CountTracks())
		return NULL;
	if (fTracks[index] == NULL)
		fTracks[index] = new (std::nothrow) BMediaTrack(fSource, fSource->TrackAt(index));
	return fTracks[index];
}

status_t BMediaFile::ReleaseTrack(BMediaTrack* track)
{
	if (fSource == NULL)
		return B_NO_INIT;
	if (track == NULL)
		return B_BAD_VALUE;
	for (int32 i = 0; i < fSource->CountTracks(); i++) {
		if (fTracks[i] == track) {
			delete track;
			fTracks[i] = NULL;
			return B_OK;
		}
	}
	return B_BAD_VALUE;
}

status_t BMediaFile::ReleaseAllTracks()
{
	if (fSource == NULL)
		return B_NO_INIT;
	for (int32 i = 0; i < fSource->CountTracks(); i++) {
		delete fTracks[i];
		fTracks[i] = NULL;
	}
	return B_OK;
}
