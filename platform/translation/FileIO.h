#ifndef PLATFORM_TRANSLATION_FILE_IO_H
#define PLATFORM_TRANSLATION_FILE_IO_H

#include <DataIO.h>

namespace BPrivate {

// A read-only file as a BPositionIO, for the path and entry_ref overloads of
// BTranslationUtils.
class FileIO : public BPositionIO {
public:
	explicit FileIO(const char* path);
	~FileIO() override;

	status_t InitCheck() const { return fStatus; }

	ssize_t ReadAt(off_t position, void* buffer, size_t size) override;
	ssize_t WriteAt(off_t position, const void* buffer, size_t size) override;
	off_t Seek(off_t position, uint32 seekMode) override;
	off_t Position() const override;
	status_t GetSize(off_t* size) const override;

private:
	int fFD;
	off_t fPosition;
	status_t fStatus;
};

} // namespace BPrivate

#endif
