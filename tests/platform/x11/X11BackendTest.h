#ifndef _X11_BACKEND_TEST_H
#define _X11_BACKEND_TEST_H

#include <memory>

#include "RecordingSink.h"
#include "XvfbFixture.h"
#include "display/x11/X11Backend.h"

// A backend of its own per test, on the suite's Xvfb.
class X11BackendTest : public XvfbTest {
protected:
	void SetUp() override
	{
		XvfbTest::SetUp();
		if (HasFatalFailure())
			return;
		fBackend.reset(new BPrivate::X11Backend);
		ASSERT_EQ(fBackend->Init(Server()->Display().c_str()), B_OK);
	}

	void TearDown() override
	{
		for (BPrivate::DisplaySurface* surface : fSurfaces)
			fBackend->DestroySurface(surface);
		fSurfaces.clear();
		fBackend.reset();
		XvfbTest::TearDown();
	}

	static BPrivate::SurfaceSettings
	Settings(BRect frame, const char* title = "test",
	         BPrivate::surface_type type = BPrivate::kTopLevelSurface)
	{
		BPrivate::SurfaceSettings settings = {};
		settings.type = type;
		settings.title = title;
		settings.frame = frame;
		settings.minWidth = 0;
		settings.maxWidth = 32768;
		settings.minHeight = 0;
		settings.maxHeight = 32768;
		settings.workspaces = 0;
		settings.look = 1; // B_TITLED_WINDOW_LOOK
		return settings;
	}

	BPrivate::DisplaySurface* Make(const BPrivate::SurfaceSettings& settings, RecordingSink* sink)
	{
		BPrivate::DisplaySurface* surface = nullptr;
		EXPECT_EQ(fBackend->CreateSurface(settings, sink, &surface), B_OK);
		if (surface != nullptr)
			fSurfaces.push_back(surface);
		// Our requests are processed before the observer looks.
		fBackend->Connection().Sync();
		return surface;
	}

	void Destroy(BPrivate::DisplaySurface* surface)
	{
		fBackend->DestroySurface(surface);
		std::erase(fSurfaces, surface);
	}

	static xcb_window_t Id(BPrivate::DisplaySurface* surface)
	{
		return BPrivate::X11Backend::WindowOf(surface);
	}

	// Shows a surface, waits until the server maps it and paints it with a
	// colour so that reads have something defined.
	void ShowAndFill(BPrivate::DisplaySurface* surface, uint32 color)
	{
		BPrivate::Framebuffer buffer = surface->Buffer();
		for (int32 y = 0; y < buffer.height; y++) {
			uint32* row = (uint32*) ((uint8*) buffer.bits + y * buffer.bytesPerRow);
			for (int32 x = 0; x < buffer.width; x++)
				row[x] = color;
		}
		surface->Show();
		ASSERT_TRUE(WaitFor([&] { return IsViewable(Id(surface)); }));
		surface->Present(BRegion(BRect(0, 0, buffer.width - 1, buffer.height - 1)));
	}

	bool IsViewable(xcb_window_t window) const
	{
		xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
		    Observer(), xcb_get_window_attributes(Observer(), window), nullptr);
		bool viewable = attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
		free(attributes);
		return viewable;
	}

	std::unique_ptr<BPrivate::X11Backend> fBackend;
	std::vector<BPrivate::DisplaySurface*> fSurfaces;
};

#endif
