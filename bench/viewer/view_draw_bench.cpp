// One redraw of a viewing view filling a 1022 x 766 window with a 4000 x 3000
// picture: fitted to the window (a strong reduction), at 100 %, and
// magnified, each after the offset moved by a drag step, through the
// window's own update (Invalidate, the state's Draw, present).
#include <Application.h>
#include <Bitmap.h>
#include <OS.h>
#include <Window.h>

#include <atomic>

#include <benchmark/benchmark.h>

#include "display/offscreen/OffscreenControl.h"
#include "view/PLControlView.h"

namespace {

class BigPictureView : public PLControlView {
public:
	BigPictureView() : PLControlView(entry_ref(1, 1, "big.jpg"))
	{
		fBitmap = new BBitmap(BRect(0, 0, 3999, 2999), B_RGB32);
		uint32* bits = static_cast<uint32*>(fBitmap->Bits());
		int32 stride = fBitmap->BytesPerRow() / 4;
		for (int32 y = 0; y < 3000; y++)
			for (int32 x = 0; x < 4000; x++)
				bits[y * stride + x] = 0xff000000 | (x * 255 / 4000) << 16 | (y * 255 / 3000) << 8;
		ResizeTo(1021, 765);
	}
	~BigPictureView() { delete fBitmap; }

	status_t InitCheck() const override { return B_OK; }
	void Draw(BRect updateRect) override
	{
		PLControlView::Draw(updateRect);
		draws++;
	}

	// As a drag step does: move, clamp, invalidate.
	void Step(float magnification, float dx)
	{
		fMagnification = magnification;
		fOffset.x += dx;
		InscribedToFrame();
		Invalidate();
	}

	std::atomic<int64> draws{0};
};

struct Fixture {
	Fixture()
	{
		BPrivate::OffscreenControl::Get()->SetScreenSize(1024, 768);
		app = new BApplication("application/x-vnd.bench-viewer-draw");
		window = new BWindow(BRect(0, 0, 1021, 765), "draw", B_TITLED_WINDOW, 0);
		view = new BigPictureView;
		window->AddChild(view);
		window->Show();
		while (view->draws == 0)
			snooze(1000);
	}

	BApplication* app;
	BWindow* window;
	BigPictureView* view;
};

Fixture& fixture()
{
	static Fixture sFixture;
	return sFixture;
}

void DrawAt(benchmark::State& state, float magnification)
{
	Fixture& f = fixture();
	float dx = -7;
	for (auto _ : state) {
		int64 before = f.view->draws;
		f.view->LockLooper();
		// Back and forth, so that the picture never runs out.
		f.view->Step(magnification, dx);
		dx = -dx;
		f.view->UnlockLooper();
		while (f.view->draws == before)
			snooze(50);
	}
}

void BM_DrawFitted(benchmark::State& state)
{
	DrawAt(state, 765.0f / 2999.0f);
}
BENCHMARK(BM_DrawFitted)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DrawAt100(benchmark::State& state)
{
	DrawAt(state, 1.0f);
}
BENCHMARK(BM_DrawAt100)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DrawMagnified(benchmark::State& state)
{
	DrawAt(state, 2.0f);
}
BENCHMARK(BM_DrawMagnified)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
