#include "display/x11/X11Surface.h"

#include <stdlib.h>
#include <string.h>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>

#include <xcb/shm.h>

#include "display/x11/X11Connection.h"

namespace BPrivate {

namespace {

// Image puts much larger than this are many times slower on Xvfb than a run
// of strips (a whole 1920 x 1080 frame in one request: about 20 times).
const size_t kStripBytes = 256 * 1024;

// Bytes of a PutImage request before its data.
const size_t kPutImageHeader = 24;

} // namespace

X11Surface::X11Surface(X11Connection& connection, xcb_window_t window)
    : fConnection(connection), fWindow(window), fGc(0), fWidth(0), fHeight(0), fBuffer(),
      fPresented(false), fPending(false), fPendingCookie()
{
	xcb_connection_t* c = fConnection.Connection();
	fGc = xcb_generate_id(c);
	uint32_t values[] = {0};
	xcb_create_gc(c, fGc, fWindow, XCB_GC_GRAPHICS_EXPOSURES, values);
}

X11Surface::~X11Surface()
{
	WaitIdle();
	_Release(fBuffer);
	xcb_free_gc(fConnection.Connection(), fGc);
	xcb_flush(fConnection.Connection());
}

status_t X11Surface::SetSize(int32 width, int32 height)
{
	if (width <= 0 || height <= 0 || width > 32767 || height > 32767)
		return B_BAD_VALUE;
	if (width == fWidth && height == fHeight && fBuffer.bits != nullptr)
		return B_OK;

	Buffer buffer;
	status_t status = _Create((size_t) width * (size_t) height * 4, &buffer);
	if (status != B_OK)
		return status;

	// The server may still be reading the old buffer.
	WaitIdle();
	if (fBuffer.bits != nullptr && fPresented) {
		int32 rows = height < fHeight ? height : fHeight;
		size_t rowBytes = (size_t) (width < fWidth ? width : fWidth) * 4;
		for (int32 row = 0; row < rows; row++) {
			memcpy(buffer.bits + (size_t) row * (size_t) width * 4,
			       fBuffer.bits + (size_t) row * (size_t) fWidth * 4, rowBytes);
		}
	}
	_Release(fBuffer);
	fBuffer = buffer;
	fWidth = width;
	fHeight = height;
	return B_OK;
}

status_t X11Surface::_Create(size_t size, Buffer* buffer)
{
	if (fConnection.HasShm()) {
		// fd passing needs no shared SysV namespace with the server.
		if (fConnection.HasShmFd() && _CreateShmFd(size, buffer) == B_OK)
			return B_OK;
		if (_CreateShmSysV(size, buffer) == B_OK)
			return B_OK;
	}
	buffer->bits = (uint8*) malloc(size);
	if (buffer->bits == nullptr)
		return B_NO_MEMORY;
	buffer->size = size;
	return B_OK;
}

status_t X11Surface::_CreateShmFd(size_t size, Buffer* buffer)
{
	int fd = memfd_create("window-framebuffer", MFD_CLOEXEC);
	if (fd < 0)
		return B_ERROR;
	if (ftruncate(fd, (off_t) size) != 0) {
		close(fd);
		return B_NO_MEMORY;
	}
	void* bits = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
	if (bits == MAP_FAILED) {
		close(fd);
		return B_NO_MEMORY;
	}
	xcb_connection_t* c = fConnection.Connection();
	uint32 segment = xcb_generate_id(c);
	// libxcb closes fd once it is sent; our mapping stays.
	if (!fConnection.Check(xcb_shm_attach_fd_checked(c, segment, fd, 1))) {
		munmap(bits, size);
		return B_ERROR;
	}
	buffer->bits = (uint8*) bits;
	buffer->size = size;
	buffer->segment = segment;
	buffer->sysV = false;
	return B_OK;
}

status_t X11Surface::_CreateShmSysV(size_t size, Buffer* buffer)
{
	int id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
	if (id < 0)
		return B_NO_MEMORY;
	void* bits = shmat(id, nullptr, 0);
	if (bits == (void*) -1) {
		shmctl(id, IPC_RMID, nullptr);
		return B_NO_MEMORY;
	}
	xcb_connection_t* c = fConnection.Connection();
	uint32 segment = xcb_generate_id(c);
	bool attached = fConnection.Check(xcb_shm_attach_checked(c, segment, (uint32) id, 1));
	// Both sides are attached (or the server failed to): the segment goes away
	// with the last detach, even if this process dies.
	shmctl(id, IPC_RMID, nullptr);
	if (!attached) {
		shmdt(bits);
		return B_ERROR;
	}
	buffer->bits = (uint8*) bits;
	buffer->size = size;
	buffer->segment = segment;
	buffer->sysV = true;
	return B_OK;
}

void X11Surface::_Release(Buffer& buffer)
{
	if (buffer.bits == nullptr)
		return;
	if (buffer.segment != 0) {
		xcb_shm_detach(fConnection.Connection(), buffer.segment);
		if (buffer.sysV)
			shmdt(buffer.bits);
		else
			munmap(buffer.bits, buffer.size);
	} else {
		free(buffer.bits);
	}
	buffer = Buffer();
}

void X11Surface::Present(const pixman_box32_t* boxes, int count, xcb_drawable_t target)
{
	if (fBuffer.bits == nullptr || count <= 0)
		return;
	fPresented = true;
	xcb_connection_t* c = fConnection.Connection();
	bool sent = false;
	for (int i = 0; i < count; i++) {
		pixman_box32_t box = boxes[i];
		box.x1 = std::max(box.x1, 0);
		box.y1 = std::max(box.y1, 0);
		box.x2 = std::min(box.x2, fWidth);
		box.y2 = std::min(box.y2, fHeight);
		if (box.x1 >= box.x2 || box.y1 >= box.y2)
			continue;
		if (fBuffer.segment != 0) {
			xcb_shm_put_image(c, target, fGc, (uint16) fWidth, (uint16) fHeight, (uint16) box.x1,
			                  (uint16) box.y1, (uint16) (box.x2 - box.x1),
			                  (uint16) (box.y2 - box.y1), (int16) box.x1, (int16) box.y1,
			                  fConnection.Depth(), XCB_IMAGE_FORMAT_Z_PIXMAP, 0, fBuffer.segment,
			                  0);
			sent = true;
		} else {
			_PutStrips(box, target);
		}
	}
	if (sent) {
		// The server reads the segment some time after this; the reply to a
		// request sent behind the puts says when it has.
		fPendingCookie = xcb_get_input_focus(c);
		fPending = true;
	}
	xcb_flush(c);
}

void X11Surface::_PutStrips(const pixman_box32_t& box, xcb_drawable_t target)
{
	xcb_connection_t* c = fConnection.Connection();
	int32 width = box.x2 - box.x1;
	size_t rowBytes = (size_t) width * 4;
	size_t limit = std::min(kStripBytes, fConnection.MaximumRequestBytes() - kPutImageHeader);
	int32 rowsPerStrip = (int32) std::max<size_t>(1, limit / rowBytes);
	bool wholeRows = box.x1 == 0 && width == fWidth;

	for (int32 y = box.y1; y < box.y2; y += rowsPerStrip) {
		int32 rows = std::min(rowsPerStrip, box.y2 - y);
		size_t bytes = rowBytes * (size_t) rows;
		const uint8* data;
		if (wholeRows) {
			data = fBuffer.bits + (size_t) y * BytesPerRow();
		} else {
			fStrip.resize(bytes);
			for (int32 row = 0; row < rows; row++) {
				memcpy(fStrip.data() + (size_t) row * rowBytes,
				       fBuffer.bits + (size_t) (y + row) * BytesPerRow() + (size_t) box.x1 * 4,
				       rowBytes);
			}
			data = fStrip.data();
		}
		// libxcb copies the data into its output buffer (or writes it out)
		// before returning, so the rows may change right after.
		xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, target, fGc, (uint16) width, (uint16) rows,
		              (int16) box.x1, (int16) y, 0, fConnection.Depth(), (uint32) bytes, data);
	}
}

void X11Surface::WaitIdle()
{
	if (!fPending)
		return;
	fPending = false;
	fConnection.Reply(xcb_get_input_focus_reply, fPendingCookie);
}

} // namespace BPrivate
