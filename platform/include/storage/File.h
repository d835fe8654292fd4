#ifndef _FILE_H
#define _FILE_H

#include <DataIO.h>
#include <Node.h>
#include <StorageDefs.h>

// A regular file opened with the Be open modes (B_READ_ONLY, B_WRITE_ONLY,
// B_READ_WRITE, optionally | B_CREATE_FILE, B_ERASE_FILE, B_FAIL_IF_EXISTS,
// B_OPEN_AT_END). Symlinks are followed; a directory is B_IS_A_DIRECTORY.
class BFile : public BNode, public BPositionIO {
public:
	BFile();
	BFile(const entry_ref* ref, uint32 openMode);
	BFile(const BEntry* entry, uint32 openMode);
	BFile(const char* path, uint32 openMode);
	virtual ~BFile();

	status_t SetTo(const entry_ref* ref, uint32 openMode);
	status_t SetTo(const BEntry* entry, uint32 openMode);
	status_t SetTo(const char* path, uint32 openMode);
	void Unset();

	bool IsReadable() const;
	bool IsWritable() const;

	virtual ssize_t Read(void* buffer, size_t size);
	virtual ssize_t ReadAt(off_t position, void* buffer, size_t size);
	virtual ssize_t Write(const void* buffer, size_t size);
	virtual ssize_t WriteAt(off_t position, const void* buffer, size_t size);

	virtual off_t Seek(off_t position, uint32 seekMode);
	virtual off_t Position() const;

	virtual status_t GetSize(off_t* size) const;
	virtual status_t SetSize(off_t size);

private:
	uint32 fMode;
};

#endif
