// Scaled DrawBitmap and full-window fills on a 1920 x 1080 B_RGB32 framebuffer.
#include <Bitmap.h>

#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "display/DisplayBackend.h"
#include "display/offscreen/OffscreenControl.h"
#include "interface/BitmapCache.h"
#include "interface/Painter.h"

using BPrivate::Painter;

namespace {

const int32 kViewWidth = 1920;
const int32 kViewHeight = 1080;

struct Window {
	std::vector<uint32> pixels;
	Painter painter;
	Window() : pixels(size_t(kViewWidth) * kViewHeight, 0xff808080)
	{
		painter.Attach(pixels.data(), kViewWidth, kViewHeight, kViewWidth * 4);
	}
};

// A 6000 x 4000 picture with detail at every scale.
std::unique_ptr<BBitmap> make_picture(int32 width, int32 height)
{
	std::unique_ptr<BBitmap> bitmap(new BBitmap(BRect(0, 0, width - 1, height - 1), B_RGB32));
	for (int32 y = 0; y < height; y++) {
		uint32* row = reinterpret_cast<uint32*>(static_cast<uint8*>(bitmap->Bits()) +
		                                        int64(y) * bitmap->BytesPerRow());
		for (int32 x = 0; x < width; x++)
			row[x] = 0xff000000 | ((x ^ y) & 0xff) << 16 | (x * 7 & 0xff) << 8 | (y * 3 & 0xff);
	}
	return bitmap;
}

BBitmap* picture()
{
	static std::unique_ptr<BBitmap> sPicture = make_picture(6000, 4000);
	return sPicture.get();
}

// Fit 6000 x 4000 into 1920 x 1080: 1620 x 1080, centred.
const BRect kFitted(150, 0, 150 + 1620 - 1, 1079);

void BM_ScaleToFit_FirstDraw(benchmark::State& state)
{
	Window window;
	BBitmap* bitmap = picture();
	for (auto _ : state) {
		BPrivate::bitmap_bits_changed(bitmap); // a new picture: the pyramid is rebuilt
		window.painter.DrawBitmap(bitmap, bitmap->Bounds(), kFitted);
	}
}
BENCHMARK(BM_ScaleToFit_FirstDraw)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_ScaleToFit_Steady(benchmark::State& state)
{
	Window window;
	BBitmap* bitmap = picture();
	window.painter.DrawBitmap(bitmap, bitmap->Bounds(), kFitted);
	for (auto _ : state)
		window.painter.DrawBitmap(bitmap, bitmap->Bounds(), kFitted);
}
BENCHMARK(BM_ScaleToFit_Steady)->Unit(benchmark::kMillisecond);

// Nearest neighbour at 2x: a 960 x 540 part of the picture fills the window.
void BM_Magnify2x(benchmark::State& state)
{
	Window window;
	BBitmap* bitmap = picture();
	for (auto _ : state)
		window.painter.DrawBitmap(bitmap, BRect(1000, 1000, 1959, 1539), BRect(0, 0, 1919, 1079));
}
BENCHMARK(BM_Magnify2x)->Unit(benchmark::kMillisecond);

void BM_Unscaled(benchmark::State& state)
{
	Window window;
	BBitmap* bitmap = picture();
	for (auto _ : state)
		window.painter.DrawBitmap(bitmap, BRect(0, 0, 1919, 1079), BRect(0, 0, 1919, 1079));
}
BENCHMARK(BM_Unscaled)->Unit(benchmark::kMillisecond);

void BM_FillWindow(benchmark::State& state)
{
	Window window;
	rgb_color color = {40, 40, 40, 255};
	for (auto _ : state) {
		color.red++;
		window.painter.FillRect(BRect(0, 0, 1919, 1079), color);
	}
}
BENCHMARK(BM_FillWindow)->Unit(benchmark::kMillisecond);

class NullSink : public BPrivate::DisplayEventSink {
public:
	void MouseEvent(const BPrivate::DisplayMouseEvent&) override {}
	void WheelEvent(const BPrivate::DisplayWheelEvent&) override {}
	void KeyEvent(const BPrivate::DisplayKeyEvent&) override {}
	void FrameChanged(BRect, bool, bool) override {}
	void ActivationChanged(bool) override {}
	void CloseRequested() override {}
	void Exposed(const BRegion&) override {}
	void WorkspaceChanged(int32, int32) override {}
};

// A full-window fill and present of a 1920 x 1080 window on the offscreen display.
void BM_FillAndPresentOffscreen(benchmark::State& state)
{
	BPrivate::OffscreenControl* control = BPrivate::OffscreenControl::Get();
	if (control == NULL) {
		state.SkipWithError("another display backend is open");
		return;
	}
	control->SetScreenSize(kViewWidth, kViewHeight);
	NullSink sink;
	BPrivate::SurfaceSettings settings = {BPrivate::kTopLevelSurface,
	                                      "bench",
	                                      BRect(0, 0, kViewWidth - 1, kViewHeight - 1),
	                                      0,
	                                      10000,
	                                      0,
	                                      10000,
	                                      0,
	                                      0,
	                                      0,
	                                      0};
	BPrivate::DisplaySurface* surface;
	if (BPrivate::display_backend()->CreateSurface(settings, &sink, &surface) != B_OK) {
		state.SkipWithError("no surface");
		return;
	}
	surface->Show();
	BPrivate::Framebuffer buffer = surface->Buffer();
	Painter painter;
	painter.Attach(buffer.bits, buffer.width, buffer.height, buffer.bytesPerRow);
	BRegion all(BRect(0, 0, kViewWidth - 1, kViewHeight - 1));
	rgb_color color = {10, 20, 30, 255};
	for (auto _ : state) {
		color.blue++;
		painter.FillRect(all.Frame(), color);
		surface->Present(all);
	}
	painter.Detach();
	BPrivate::display_backend()->DestroySurface(surface);
}
BENCHMARK(BM_FillAndPresentOffscreen)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
