#include "display/x11/X11Connection.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <xcb/bigreq.h>
#include <xcb/randr.h>
#include <xcb/shm.h>
#include <xcb/xfixes.h>

namespace BPrivate {

X11Connection::X11Connection()
    : fConnection(nullptr), fScreen(nullptr), fScreenNumber(0), fAtoms(), fVisual(0), fColormap(0),
      fHasShm(false), fHasShmFd(false), fHasRandrMonitors(false), fHasXfixesCursor(false),
      fRandrEventBase(0), fShmEventBase(0), fMaximumRequestBytes(0), fExtensionsPrefetched(false),
      fWakeFd(-1), fEventThread(std::thread::id()), fLastEventTime(XCB_CURRENT_TIME)
{
}

X11Connection::~X11Connection()
{
	if (fConnection != nullptr) {
		if (fColormap != 0)
			xcb_free_colormap(fConnection, fColormap);
		xcb_disconnect(fConnection);
	}
	if (fWakeFd >= 0)
		close(fWakeFd);
}

status_t X11Connection::Open(const char* displayName)
{
	status_t status = Connect(displayName);
	return status == B_OK ? Prepare() : status;
}

status_t X11Connection::Connect(const char* displayName)
{
	fWakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
	if (fWakeFd < 0)
		return B_ERROR;

	fConnection = xcb_connect(displayName, &fScreenNumber);
	if (xcb_connection_has_error(fConnection) != 0)
		return B_ERROR;

	xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(fConnection));
	for (int i = 0; i < fScreenNumber && screens.rem > 0; i++)
		xcb_screen_next(&screens);
	if (screens.rem == 0)
		return B_ERROR;
	fScreen = screens.data;

	if (!_FindVisual())
		return B_ERROR;
	// Sent now, answered while the caller goes on; Prepare() takes the replies.
	// Asking for the maximum request length here would wait for BIG-REQUESTS'
	// answer at once (libxcb needs it to send the enabling request).
	fExtensionsPrefetched = true;
	xcb_prefetch_extension_data(fConnection, &xcb_big_requests_id);
	_PrefetchExtensions();
	xcb_flush(fConnection);
	return B_OK;
}

status_t X11Connection::Prepare()
{
	// BIG-REQUESTS was asked about in Connect(); the answer to enabling it
	// comes with the atoms'.
	xcb_prefetch_maximum_request_length(fConnection);
	if (!intern_atoms(fConnection, &fAtoms))
		return B_ERROR;

	fMaximumRequestBytes = (size_t) xcb_get_maximum_request_length(fConnection) * 4;
	_QueryExtensions();
	return B_OK;
}

void X11Connection::_PrefetchExtensions()
{
	xcb_prefetch_extension_data(fConnection, &xcb_shm_id);
	xcb_prefetch_extension_data(fConnection, &xcb_randr_id);
	xcb_prefetch_extension_data(fConnection, &xcb_xfixes_id);
}

bool X11Connection::_FindVisual()
{
	// The root visual nearly always fits; else any TrueColor visual of depth 24
	// with the usual masks, with a colormap of its own.
	auto fits = [](const xcb_visualtype_t* visual) {
		return visual->_class == XCB_VISUAL_CLASS_TRUE_COLOR && visual->red_mask == 0xff0000 &&
		       visual->green_mask == 0x00ff00 && visual->blue_mask == 0x0000ff;
	};

	// The pixmap format for depth 24 must be 32 bits per pixel for B_RGB32
	// rows to go out unconverted.
	bool formatFits = false;
	const xcb_setup_t* setup = xcb_get_setup(fConnection);
	if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
		return false;
	for (xcb_format_iterator_t formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem > 0;
	     xcb_format_next(&formats)) {
		if (formats.data->depth == 24 && formats.data->bits_per_pixel == 32)
			formatFits = true;
	}
	if (!formatFits)
		return false;

	xcb_visualid_t found = 0;
	for (xcb_depth_iterator_t depths = xcb_screen_allowed_depths_iterator(fScreen); depths.rem > 0;
	     xcb_depth_next(&depths)) {
		if (depths.data->depth != 24)
			continue;
		for (xcb_visualtype_iterator_t visuals = xcb_depth_visuals_iterator(depths.data);
		     visuals.rem > 0; xcb_visualtype_next(&visuals)) {
			if (!fits(visuals.data))
				continue;
			if (visuals.data->visual_id == fScreen->root_visual || found == 0)
				found = visuals.data->visual_id;
		}
	}
	if (found == 0)
		return false;
	fVisual = found;
	if (found != fScreen->root_visual || fScreen->root_depth != 24) {
		fColormap = xcb_generate_id(fConnection);
		xcb_create_colormap(fConnection, XCB_COLORMAP_ALLOC_NONE, fColormap, fScreen->root,
		                    fVisual);
	}
	return true;
}

void X11Connection::_QueryExtensions()
{
	// Ask all three at once; a missing extension must never see a request of
	// its own (the server would reply with an error, libxcb might abort).
	if (!fExtensionsPrefetched)
		_PrefetchExtensions();
	const xcb_query_extension_reply_t* shm = xcb_get_extension_data(fConnection, &xcb_shm_id);
	const xcb_query_extension_reply_t* randr = xcb_get_extension_data(fConnection, &xcb_randr_id);
	const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(fConnection, &xcb_xfixes_id);

	xcb_shm_query_version_cookie_t shmCookie = {};
	xcb_randr_query_version_cookie_t randrCookie = {};
	xcb_xfixes_query_version_cookie_t xfixesCookie = {};
	if (shm != nullptr && shm->present)
		shmCookie = xcb_shm_query_version(fConnection);
	if (randr != nullptr && randr->present)
		randrCookie = xcb_randr_query_version(fConnection, 1, 5);
	if (xfixes != nullptr && xfixes->present)
		xfixesCookie = xcb_xfixes_query_version(fConnection, 4, 0);

	if (shm != nullptr && shm->present) {
		auto reply = Reply(xcb_shm_query_version_reply, shmCookie);
		if (reply) {
			fHasShm = true;
			fShmEventBase = shm->first_event;
			fHasShmFd = reply->major_version > 1 ||
			            (reply->major_version == 1 && reply->minor_version >= 2);
		}
	}
	if (randr != nullptr && randr->present) {
		auto reply = Reply(xcb_randr_query_version_reply, randrCookie);
		if (reply) {
			fRandrEventBase = randr->first_event;
			fHasRandrMonitors = reply->major_version > 1 ||
			                    (reply->major_version == 1 && reply->minor_version >= 5);
		}
	}
	if (xfixes != nullptr && xfixes->present) {
		auto reply = Reply(xcb_xfixes_query_version_reply, xfixesCookie);
		fHasXfixesCursor = reply && reply->major_version >= 4;
	}
}

void X11Connection::WakeEventThread() const
{
	uint64_t one = 1;
	// A full counter already means a pending wake-up.
	ssize_t written = write(fWakeFd, &one, sizeof(one));
	(void) written;
}

void X11Connection::_AfterWait() const
{
	if (!IsEventThread())
		WakeEventThread();
}

bool X11Connection::Check(xcb_void_cookie_t cookie) const
{
	xcb_generic_error_t* error = xcb_request_check(fConnection, cookie);
	_AfterWait();
	if (error == nullptr)
		return true;
	free(error);
	return false;
}

void X11Connection::Sync() const
{
	free(Reply(xcb_get_input_focus_reply, xcb_get_input_focus(fConnection)).release());
}

void X11Connection::NoteEventTime(xcb_timestamp_t time)
{
	if (time != XCB_CURRENT_TIME)
		fLastEventTime.store(time);
}

} // namespace BPrivate
