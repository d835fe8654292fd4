#ifndef _DATA_IO_H
#define _DATA_IO_H

#include <SupportDefs.h>

// A stream of bytes. Read/Write return the byte count or a negative status.
class BDataIO {
public:
	BDataIO();
	virtual ~BDataIO();

	virtual ssize_t Read(void* buffer, size_t size);
	virtual ssize_t Write(const void* buffer, size_t size);
	virtual status_t Flush();

	// Loop until |size| bytes moved; B_PARTIAL_READ/B_PARTIAL_WRITE on a short count.
	status_t ReadExactly(void* buffer, size_t size, size_t* bytesRead = NULL);
	status_t WriteExactly(const void* buffer, size_t size, size_t* bytesWritten = NULL);

private:
	BDataIO(const BDataIO&) = delete;
	BDataIO& operator=(const BDataIO&) = delete;
};

// A seekable stream. Read/Write go through ReadAt/WriteAt at the current position.
class BPositionIO : public BDataIO {
public:
	BPositionIO();
	virtual ~BPositionIO();

	virtual ssize_t Read(void* buffer, size_t size);
	virtual ssize_t Write(const void* buffer, size_t size);

	virtual ssize_t ReadAt(off_t position, void* buffer, size_t size) = 0;
	virtual ssize_t WriteAt(off_t position, const void* buffer, size_t size) = 0;

	status_t ReadAtExactly(off_t position, void* buffer, size_t size, size_t* bytesRead = NULL);
	status_t WriteAtExactly(off_t position, const void* buffer, size_t size,
		size_t* bytesWritten = NULL);

	// |seekMode| is SEEK_SET, SEEK_CUR or SEEK_END; returns the new position or a status.
	virtual off_t Seek(off_t position, uint32 seekMode) = 0;
	virtual off_t Position() const = 0;

	virtual status_t SetSize(off_t size);
	virtual status_t GetSize(off_t* size) const;
};

// A BPositionIO over a growable block of memory that it owns.
class BMallocIO : public BPositionIO {
public:
	BMallocIO();
	virtual ~BMallocIO();

	virtual ssize_t ReadAt(off_t position, void* buffer, size_t size);
	virtual ssize_t WriteAt(off_t position, const void* buffer, size_t size);
	virtual off_t Seek(off_t position, uint32 seekMode);
	virtual off_t Position() const;
	virtual status_t SetSize(off_t size);

	// Allocation granularity in bytes.
	void SetBlockSize(size_t blockSize);

	const void* Buffer() const;
	size_t BufferLength() const;

private:
	status_t _Reserve(size_t size);

	size_t fBlockSize;
	size_t fMallocSize;
	size_t fLength;
	char* fData;
	off_t fPosition;
};

// A BPositionIO over memory that the caller owns; read-only when built from const.
class BMemoryIO : public BPositionIO {
public:
	BMemoryIO(void* data, size_t length);
	BMemoryIO(const void* data, size_t length);
	virtual ~BMemoryIO();

	virtual ssize_t ReadAt(off_t position, void* buffer, size_t size);
	virtual ssize_t WriteAt(off_t position, const void* buffer, size_t size);
	virtual off_t Seek(off_t position, uint32 seekMode);
	virtual off_t Position() const;
	virtual status_t SetSize(off_t size);

private:
	bool fReadOnly;
	char* fBuffer;
	size_t fLength;
	size_t fBufferSize;
	off_t fPosition;
};

#endif
