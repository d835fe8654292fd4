#ifndef PLATFORM_MEDIA_DEMUXER_H
#define PLATFORM_MEDIA_DEMUXER_H

#include <chrono>
#include <memory>

#include <SupportDefs.h>

struct AVFormatContext;
struct AVIOContext;
struct AVDictionary;
struct AVPacket;

namespace BPrivate {
namespace media {

// An open regular file, shared by the demuxers of one BMediaFile. Reads go
// through pread() with each demuxer's own position, so any number of them
// can read it at once.
class FileHandle {
public:
	~FileHandle();

	// B_ENTRY_NOT_FOUND, B_PERMISSION_DENIED, B_IS_A_DIRECTORY, or
	// B_BAD_VALUE for anything but a regular file (a FIFO or a device would
	// block or never end).
	static status_t Open(const char* path, std::shared_ptr<FileHandle>* handle);

	int FD() const { return fFD; }

private:
	explicit FileHandle(int fd) : fFD(fd) {}

	int fFD;
};

// One libavformat demuxer over a FileHandle. The input is probed by content
// only (the file's name is not consulted), and a demuxer that would open
// other files or URLs (playlists, concat lists) is refused those opens. Every
// call gives up with B_TIMED_OUT after a few seconds, so that no hostile file
// keeps a thread in here.
class Demuxer {
public:
	explicit Demuxer(std::shared_ptr<FileHandle> file);
	~Demuxer();

	// Detects the format and reads the streams' parameters.
	status_t Open();

	AVFormatContext* Context() const { return fContext; }

	// Packets of the other streams are dropped as early as the format allows.
	void SelectStream(int index);

	// The next packet of stream |index| (to be unreferenced by the caller);
	// B_LAST_BUFFER_ERROR at the end of the file, B_TIMED_OUT, or the error
	// that stopped reading.
	status_t ReadPacket(int index, AVPacket* packet);

	// Moves to the key frame at or before |timestamp| (in the stream's time
	// base), or at or after it when |forward| is set.
	status_t Seek(int index, int64 timestamp, bool forward);

private:
	Demuxer(const Demuxer&) = delete;
	Demuxer& operator=(const Demuxer&) = delete;

	void _StartDeadline(std::chrono::milliseconds limit);

	static int _Read(void* cookie, uint8_t* buffer, int size);
	static int64_t _SeekIO(void* cookie, int64_t offset, int whence);
	static int _Interrupt(void* cookie);
	static int _RefuseOpen(AVFormatContext* context, AVIOContext** io, const char* url, int flags,
	                       AVDictionary** options);

	std::shared_ptr<FileHandle> fFile;
	int64 fPosition;           // of the next _Read, in bytes
	AVIOContext* fIO;          // owned (custom I/O)
	AVFormatContext* fContext; // owned
	std::chrono::steady_clock::time_point fDeadline;
};

} // namespace media
} // namespace BPrivate

#endif
