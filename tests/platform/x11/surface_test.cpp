// Framebuffers presented to real windows of a private Xvfb, read back through
// a second connection.
#include <gtest/gtest.h>

#include "XvfbFixture.h"
#include "display/x11/X11Connection.h"
#include "display/x11/X11Surface.h"

using namespace BPrivate;

namespace {

enum class Path { kShmFd, kShmSysV, kPlain };

class SurfaceTest : public XvfbTest, public ::testing::WithParamInterface<Path> {
protected:
	void SetUp() override
	{
		XvfbTest::SetUp();
		ASSERT_EQ(fConnection.Open(), B_OK);
		ASSERT_TRUE(fConnection.HasShm()) << "Xvfb offers MIT-SHM";
		if (GetParam() == Path::kShmSysV)
			fConnection.DisableShmFd();
		else if (GetParam() == Path::kPlain)
			fConnection.DisableShm();
		fWindow = MakeWindow(fConnection, 300, 200);
	}

	static xcb_window_t MakeWindow(X11Connection& connection, int width, int height)
	{
		xcb_connection_t* c = connection.Connection();
		xcb_window_t window = xcb_generate_id(c);
		uint32_t values[] = {connection.Screen()->black_pixel, 1};
		xcb_create_window(c, 24, window, connection.Root(), 0, 0, (uint16_t) width,
		                  (uint16_t) height, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, connection.Visual(),
		                  XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
		xcb_map_window(c, window);
		connection.Sync();
		return window;
	}

	static void Fill(X11Surface& surface, int x, int y, int width, int height, uint32 color)
	{
		for (int row = y; row < y + height; row++) {
			uint32* line = (uint32*) (surface.Bits() + row * surface.BytesPerRow());
			for (int column = x; column < x + width; column++)
				line[column] = color;
		}
	}

	X11Connection fConnection;
	xcb_window_t fWindow = 0;
};

} // namespace

TEST_P(SurfaceTest, PresentsOnlyTheDamagedBoxes)
{
	X11Surface surface(fConnection, fWindow);
	ASSERT_EQ(surface.SetSize(300, 200), B_OK);
	EXPECT_EQ(surface.UsesShm(), GetParam() != Path::kPlain);
	Fill(surface, 0, 0, 300, 200, 0x00ff0000);
	pixman_box32_t all = {0, 0, 300, 200};
	surface.Present(&all, 1);
	surface.WaitIdle();
	fConnection.Sync(); // the plain path has nothing to wait for

	// Blue in the buffer everywhere, but only two boxes presented: the rest
	// of the window keeps the red.
	Fill(surface, 0, 0, 300, 200, 0x000000ff);
	pixman_box32_t boxes[] = {{10, 20, 60, 50}, {250, 150, 300, 200}};
	surface.Present(boxes, 2);
	surface.WaitIdle();
	fConnection.Sync(); // the plain path has nothing to wait for

	std::vector<uint32_t> pixels = Pixels(fWindow, 0, 0, 300, 200);
	ASSERT_EQ(pixels.size(), 300u * 200u);
	auto at = [&](int x, int y) { return pixels[(size_t) y * 300 + (size_t) x]; };
	EXPECT_EQ(at(10, 20), 0x0000ffu);
	EXPECT_EQ(at(59, 49), 0x0000ffu);
	EXPECT_EQ(at(60, 49), 0xff0000u);
	EXPECT_EQ(at(59, 50), 0xff0000u);
	EXPECT_EQ(at(9, 20), 0xff0000u);
	EXPECT_EQ(at(299, 199), 0x0000ffu);
	EXPECT_EQ(at(249, 150), 0xff0000u);
	EXPECT_EQ(at(150, 100), 0xff0000u);
}

TEST_P(SurfaceTest, KeepsMemoryOrderBGRA)
{
	X11Surface surface(fConnection, fWindow);
	ASSERT_EQ(surface.SetSize(300, 200), B_OK);
	// B_RGB32 bytes B, G, R, A in memory.
	for (int y = 0; y < 200; y++) {
		for (int x = 0; x < 300; x++) {
			uint8* pixel = surface.Bits() + y * surface.BytesPerRow() + x * 4;
			pixel[0] = (uint8) x;       // blue
			pixel[1] = (uint8) y;       // green
			pixel[2] = (uint8) (x + y); // red
			pixel[3] = 255;
		}
	}
	pixman_box32_t all = {0, 0, 300, 200};
	surface.Present(&all, 1);
	surface.WaitIdle();
	fConnection.Sync(); // the plain path has nothing to wait for
	std::vector<uint32_t> pixels = Pixels(fWindow, 0, 0, 300, 200);
	ASSERT_EQ(pixels.size(), 300u * 200u);
	for (int y : {0, 7, 199}) {
		for (int x : {0, 13, 255, 299}) {
			uint32 expected =
			    ((uint32) (uint8) (x + y) << 16) | ((uint32) (uint8) y << 8) | (uint8) x;
			EXPECT_EQ(pixels[(size_t) y * 300 + (size_t) x], expected) << x << "," << y;
		}
	}
}

TEST_P(SurfaceTest, ResizeRecreatesAndClipsToTheBuffer)
{
	X11Surface surface(fConnection, fWindow);
	ASSERT_EQ(surface.SetSize(100, 80), B_OK);
	ASSERT_EQ(surface.SetSize(300, 200), B_OK);
	EXPECT_EQ(surface.Width(), 300);
	EXPECT_EQ(surface.BytesPerRow(), 1200);
	Fill(surface, 0, 0, 300, 200, 0x0000ff00);
	// Boxes reaching outside the buffer are clipped, not read past its end.
	pixman_box32_t boxes[] = {{-50, -50, 5000, 5000}, {400, 400, 500, 500}, {20, 20, 10, 10}};
	surface.Present(boxes, 3);
	surface.WaitIdle();
	fConnection.Sync(); // the plain path has nothing to wait for
	std::vector<uint32_t> pixels = Pixels(fWindow, 299, 199, 1, 1);
	ASSERT_EQ(pixels.size(), 1u);
	EXPECT_EQ(pixels[0], 0x00ff00u);
}

TEST_P(SurfaceTest, ResizeKeepsTheSharedPixels)
{
	X11Surface surface(fConnection, fWindow);
	ASSERT_EQ(surface.SetSize(40, 30), B_OK);
	for (int y = 0; y < 30; y++) {
		for (int x = 0; x < 40; x++)
			((uint32*) (surface.Bits() + y * surface.BytesPerRow()))[x] = (uint32) (y * 1000 + x);
	}
	// Shown once: from now on its pixels are the window's.
	pixman_box32_t all = {0, 0, 40, 30};
	surface.Present(&all, 1);
	// Wider but shorter: the rows move to the new stride.
	ASSERT_EQ(surface.SetSize(70, 20), B_OK);
	for (int y = 0; y < 20; y++) {
		for (int x = 0; x < 40; x++) {
			ASSERT_EQ(((uint32*) (surface.Bits() + y * surface.BytesPerRow()))[x],
			          (uint32) (y * 1000 + x))
			    << x << "," << y;
		}
	}
	ASSERT_EQ(surface.SetSize(10, 25), B_OK);
	EXPECT_EQ(((uint32*) (surface.Bits() + 19 * surface.BytesPerRow()))[9], 19009u);
}

TEST_P(SurfaceTest, RefusesImpossibleSizes)
{
	X11Surface surface(fConnection, fWindow);
	EXPECT_EQ(surface.SetSize(0, 10), B_BAD_VALUE);
	EXPECT_EQ(surface.SetSize(10, -1), B_BAD_VALUE);
	EXPECT_EQ(surface.SetSize(40000, 10), B_BAD_VALUE);
	EXPECT_EQ(surface.Bits(), nullptr);
	pixman_box32_t all = {0, 0, 10, 10};
	surface.Present(&all, 1); // nothing to present: no crash
}

TEST_P(SurfaceTest, WideSubRectanglesGoOutInStrips)
{
	// A window wider than one strip of the plain path, with a box that is
	// not whole rows: the strip copy must take the right columns.
	xcb_window_t wide = MakeWindow(fConnection, 1920, 300);
	X11Surface surface(fConnection, wide);
	ASSERT_EQ(surface.SetSize(1920, 300), B_OK);
	Fill(surface, 0, 0, 1920, 300, 0x00000000);
	Fill(surface, 100, 0, 1800, 300, 0x00123456);
	pixman_box32_t box = {100, 0, 1900, 300};
	surface.Present(&box, 1);
	surface.WaitIdle();
	fConnection.Sync(); // the plain path has nothing to wait for
	std::vector<uint32_t> pixels = Pixels(wide, 0, 0, 1920, 300);
	ASSERT_EQ(pixels.size(), 1920u * 300u);
	EXPECT_EQ(pixels[0], 0u);
	EXPECT_EQ(pixels[100], 0x123456u);
	EXPECT_EQ(pixels[299 * 1920 + 1899], 0x123456u);
	EXPECT_EQ(pixels[299 * 1920 + 1900], 0u);
}

INSTANTIATE_TEST_SUITE_P(Paths, SurfaceTest,
                         ::testing::Values(Path::kShmFd, Path::kShmSysV, Path::kPlain),
                         [](const auto& info) {
	                         switch (info.param) {
		                         case Path::kShmFd:
			                         return "ShmFd";
		                         case Path::kShmSysV:
			                         return "ShmSysV";
		                         default:
			                         return "Plain";
	                         }
                         });

// A server without MIT-SHM: the connection must notice before sending any
// MIT-SHM request, and surfaces fall back to image puts.
TEST(SurfaceWithoutShmTest, FallsBackToImagePuts)
{
	XvfbServer server;
	ASSERT_TRUE(server.Start({"-extension", "MIT-SHM"}));
	X11Connection connection;
	ASSERT_EQ(connection.Open(server.Display().c_str()), B_OK);
	EXPECT_FALSE(connection.HasShm());

	xcb_connection_t* c = connection.Connection();
	xcb_window_t window = xcb_generate_id(c);
	uint32_t overrideRedirect = 1;
	xcb_create_window(c, 24, window, connection.Root(), 5, 5, 64, 64, 0,
	                  XCB_WINDOW_CLASS_INPUT_OUTPUT, connection.Visual(), XCB_CW_OVERRIDE_REDIRECT,
	                  &overrideRedirect);
	xcb_map_window(c, window);
	X11Surface surface(connection, window);
	ASSERT_EQ(surface.SetSize(64, 64), B_OK);
	EXPECT_FALSE(surface.UsesShm());
	for (int i = 0; i < 64 * 64; i++)
		((uint32*) surface.Bits())[i] = 0x00abcdef;
	pixman_box32_t all = {0, 0, 64, 64};
	surface.Present(&all, 1);
	connection.Sync();
	xcb_get_image_reply_t* image = xcb_get_image_reply(
	    c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 63, 63, 1, 1, ~0u), nullptr);
	ASSERT_NE(image, nullptr);
	EXPECT_EQ(*(const uint32_t*) xcb_get_image_data(image) & 0xffffff, 0xabcdefu);
	free(image);
}
