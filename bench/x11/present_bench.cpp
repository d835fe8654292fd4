// Presenting a window's framebuffer to the X server through the display
// seam: a full 1920 x 1080 frame and a 400 x 300 damaged rectangle, with
// MIT-SHM and with plain image puts. Starts its own Xvfb when DISPLAY is
// unset.
#include <stdlib.h>
#include <string.h>

#include <memory>

#include <benchmark/benchmark.h>

#include <Region.h>

#include "display/x11/X11Backend.h"
#include "platform/x11/XvfbServer.h"

using namespace BPrivate;

namespace {

class NullSink : public DisplayEventSink {
public:
	void MouseEvent(const DisplayMouseEvent&) override {}
	void WheelEvent(const DisplayWheelEvent&) override {}
	void KeyEvent(const DisplayKeyEvent&) override {}
	void FrameChanged(BRect, bool, bool) override {}
	void ActivationChanged(bool) override {}
	void CloseRequested() override {}
	void Exposed(const BRegion&) override {}
	void WorkspaceChanged(int32, int32) override {}
};

XvfbServer* sServer = nullptr;

const char* display_name()
{
	const char* display = getenv("DISPLAY");
	if (display != nullptr && display[0] != '\0')
		return display;
	if (sServer == nullptr) {
		sServer = new XvfbServer;
		if (!sServer->Start())
			return nullptr;
	}
	return sServer->Display().c_str();
}

// A backend and a shown, screen-sized surface filled with a gradient.
struct Scene {
	std::unique_ptr<X11Backend> backend;
	DisplaySurface* surface = nullptr;
	NullSink sink;

	bool Open(bool shm)
	{
		const char* display = display_name();
		if (display == nullptr)
			return false;
		backend.reset(new X11Backend);
		if (backend->Init(display) != B_OK)
			return false;
		if (!shm)
			backend->Connection().DisableShm();
		else if (!backend->Connection().HasShm())
			return false;
		SurfaceSettings settings = {};
		settings.type = kPopUpSurface; // never moved by a window manager
		settings.title = "present";
		settings.frame = BRect(0, 0, 1919, 1079);
		settings.maxWidth = settings.maxHeight = 32768;
		if (backend->CreateSurface(settings, &sink, &surface) != B_OK)
			return false;
		Framebuffer buffer = surface->Buffer();
		for (int32 y = 0; y < buffer.height; y++) {
			uint32* row = (uint32*) ((uint8*) buffer.bits + y * buffer.bytesPerRow);
			for (int32 x = 0; x < buffer.width; x++)
				row[x] = (uint32) ((x & 0xff) << 16 | (y & 0xff) << 8 | ((x + y) & 0xff));
		}
		surface->Show();
		backend->Connection().Sync();
		// The first put after attaching a segment pays for mapping its pages
		// in the server; that is not what a frame costs.
		surface->Present(BRegion(BRect(0, 0, 1919, 1079)));
		return true;
	}

	~Scene()
	{
		if (surface != nullptr)
			backend->DestroySurface(surface);
	}
};

void present(benchmark::State& state, bool shm, BRect damage)
{
	Scene scene;
	if (!scene.Open(shm)) {
		state.SkipWithError("no X server or no MIT-SHM");
		return;
	}
	BRegion region(damage);
	for (auto _ : state)
		scene.surface->Present(region);
	int64 pixels = (int64) (damage.IntegerWidth() + 1) * (damage.IntegerHeight() + 1);
	state.SetBytesProcessed(state.iterations() * pixels * 4);
}

void BM_PresentFullFrameShm(benchmark::State& state)
{
	present(state, true, BRect(0, 0, 1919, 1079));
}

void BM_PresentSubRectangleShm(benchmark::State& state)
{
	present(state, true, BRect(200, 150, 599, 449));
}

void BM_PresentFullFramePlain(benchmark::State& state)
{
	present(state, false, BRect(0, 0, 1919, 1079));
}

void BM_PresentSubRectanglePlain(benchmark::State& state)
{
	present(state, false, BRect(200, 150, 599, 449));
}

} // namespace

BENCHMARK(BM_PresentFullFrameShm)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PresentSubRectangleShm)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PresentFullFramePlain)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PresentSubRectanglePlain)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
	benchmark::Initialize(&argc, argv);
	benchmark::RunSpecifiedBenchmarks();
	benchmark::Shutdown();
	delete sServer;
	return 0;
}
