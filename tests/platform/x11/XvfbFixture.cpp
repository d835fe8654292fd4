#include "XvfbFixture.h"

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

XvfbServer* XvfbTest::sServer = nullptr;

void XvfbTest::SetUpTestSuite()
{
	sServer = new XvfbServer;
	if (!sServer->Start()) {
		delete sServer;
		sServer = nullptr;
		return;
	}
	setenv("DISPLAY", sServer->Display().c_str(), 1);
}

void XvfbTest::TearDownTestSuite()
{
	delete sServer;
	sServer = nullptr;
	unsetenv("DISPLAY");
}

void XvfbTest::SetUp()
{
	ASSERT_NE(sServer, nullptr) << "Xvfb did not start";
	fObserver = xcb_connect(sServer->Display().c_str(), nullptr);
	ASSERT_EQ(xcb_connection_has_error(fObserver), 0);
}

void XvfbTest::TearDown()
{
	if (fObserver != nullptr)
		xcb_disconnect(fObserver);
	fObserver = nullptr;
}

void XvfbTest::_Nap()
{
	usleep(5000);
}

xcb_window_t XvfbTest::ObserverRoot() const
{
	return xcb_setup_roots_iterator(xcb_get_setup(fObserver)).data->root;
}

xcb_atom_t XvfbTest::Atom(const char* name) const
{
	xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
	    fObserver, xcb_intern_atom(fObserver, 0, (uint16_t) strlen(name), name), nullptr);
	xcb_atom_t atom = reply != nullptr ? reply->atom : (xcb_atom_t) XCB_ATOM_NONE;
	free(reply);
	return atom;
}

bool XvfbTest::ContentFrame(xcb_window_t window, int* x, int* y, int* width, int* height) const
{
	xcb_get_geometry_reply_t* geometry =
	    xcb_get_geometry_reply(fObserver, xcb_get_geometry(fObserver, window), nullptr);
	xcb_translate_coordinates_reply_t* origin = xcb_translate_coordinates_reply(
	    fObserver, xcb_translate_coordinates(fObserver, window, ObserverRoot(), 0, 0), nullptr);
	bool ok = geometry != nullptr && origin != nullptr;
	if (ok) {
		*x = origin->dst_x;
		*y = origin->dst_y;
		*width = geometry->width;
		*height = geometry->height;
	}
	free(geometry);
	free(origin);
	return ok;
}

xcb_window_t XvfbTest::FindClient(const char* title) const
{
	xcb_get_property_reply_t* list = xcb_get_property_reply(
	    fObserver,
	    xcb_get_property(fObserver, 0, ObserverRoot(), Atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW,
	                     0, 1024),
	    nullptr);
	xcb_window_t found = XCB_WINDOW_NONE;
	if (list != nullptr) {
		xcb_window_t* windows = (xcb_window_t*) xcb_get_property_value(list);
		int count = xcb_get_property_value_length(list) / 4;
		for (int i = 0; i < count && found == XCB_WINDOW_NONE; i++) {
			if (TextProperty(windows[i], "_NET_WM_NAME") == title)
				found = windows[i];
		}
	}
	free(list);
	return found;
}

std::string XvfbTest::TextProperty(xcb_window_t window, const char* atomName) const
{
	xcb_get_property_reply_t* reply = xcb_get_property_reply(
	    fObserver,
	    xcb_get_property(fObserver, 0, window, Atom(atomName), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
	    nullptr);
	std::string text;
	if (reply != nullptr && reply->format == 8) {
		text.assign((const char*) xcb_get_property_value(reply),
		            (size_t) xcb_get_property_value_length(reply));
	}
	free(reply);
	return text;
}

std::vector<uint32_t> XvfbTest::Pixels(xcb_window_t window, int x, int y, int width,
                                       int height) const
{
	std::vector<uint32_t> pixels;
	xcb_get_image_reply_t* reply =
	    xcb_get_image_reply(fObserver,
	                        xcb_get_image(fObserver, XCB_IMAGE_FORMAT_Z_PIXMAP, window, (int16_t) x,
	                                      (int16_t) y, (uint16_t) width, (uint16_t) height, ~0u),
	                        nullptr);
	if (reply == nullptr)
		return pixels;
	size_t count = (size_t) width * (size_t) height;
	if ((size_t) xcb_get_image_data_length(reply) >= count * 4) {
		const uint32_t* data = (const uint32_t*) xcb_get_image_data(reply);
		for (size_t i = 0; i < count; i++)
			pixels.push_back(data[i] & 0xffffff);
	}
	free(reply);
	return pixels;
}
