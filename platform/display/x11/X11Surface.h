#ifndef _X11_SURFACE_H
#define _X11_SURFACE_H

#include <pixman.h>
#include <xcb/xcb.h>

#include <vector>

#include <SupportDefs.h>

namespace BPrivate {

class X11Connection;

// A window's framebuffer: B_RGB32 rows (little-endian 0x00RRGGBB) that the
// window's painter draws into and Present() sends to the window. With MIT-SHM
// the rows live in a segment shared with the server (a memfd passed over the
// socket, else a SysV segment), so a present copies nothing on our side; the
// server reads the segment after Present() returns, which is why WaitIdle()
// must come before the next draw. Without MIT-SHM the rows are plain memory
// sent in strips of image puts.
//
// Owned and used by one thread at a time (the window's); not locked.
class X11Surface {
public:
	X11Surface(X11Connection& connection, xcb_window_t window);
	~X11Surface();

	// (Re)creates the buffer for width x height pixels, keeping the pixels
	// that old and new sizes share once anything has been presented; new
	// ones are undefined. Before the first present nothing is kept: a window
	// being set up is drawn whole before it is shown, and copying a buffer
	// that size (a screenful is 8 MB) only delays its first picture.
	// B_BAD_VALUE for sizes that do not fit the X protocol, B_NO_MEMORY when
	// no buffer could be made (the old one then stays).
	status_t SetSize(int32 width, int32 height);

	uint8* Bits() const { return fBuffer.bits; }
	int32 BytesPerRow() const { return fWidth * 4; }
	int32 Width() const { return fWidth; }
	int32 Height() const { return fHeight; }
	bool UsesShm() const { return fBuffer.segment != 0; }

	// Sends the boxes (pixel coordinates, x2/y2 exclusive), clipped to the
	// buffer, to |target|: the window, or a pixmap of its depth. Does not
	// wait for the server.
	void Present(const pixman_box32_t* boxes, int count, xcb_drawable_t target);
	void Present(const pixman_box32_t* boxes, int count) { Present(boxes, count, fWindow); }

	// Returns once the server has read everything presented so far, so the
	// buffer can be drawn into again.
	void WaitIdle();

private:
	struct Buffer {
		uint8* bits = nullptr;
		size_t size = 0;    // of the mapping (shm) or allocation
		uint32 segment = 0; // 0 without MIT-SHM
		bool sysV = false;  // bits came from shmat()
	};

	status_t _Create(size_t size, Buffer* buffer);
	status_t _CreateShmFd(size_t size, Buffer* buffer);
	status_t _CreateShmSysV(size_t size, Buffer* buffer);
	void _Release(Buffer& buffer);
	void _PutStrips(const pixman_box32_t& box, xcb_drawable_t target);

	X11Connection& fConnection;
	xcb_window_t fWindow;
	xcb_gcontext_t fGc;
	int32 fWidth;
	int32 fHeight;
	Buffer fBuffer;
	bool fPresented; // something has been presented: resizes keep pixels
	bool fPending;   // a present is not known to be read yet
	xcb_get_input_focus_cookie_t fPendingCookie;
	std::vector<uint8> fStrip; // scratch rows for image puts of part of a row
};

} // namespace BPrivate

#endif
