// A full 1920 x 1080 window: one view fill drawn outside Draw with the
// window locked and presented, as a playback thread draws a frame; and the
// same fill as an update (Invalidate, Draw, present) through the window's
// thread.
#include <Application.h>
#include <OS.h>
#include <View.h>
#include <Window.h>

#include <atomic>

#include <benchmark/benchmark.h>

#include "display/offscreen/OffscreenControl.h"

namespace {

class FillView : public BView {
public:
	FillView(BRect frame) : BView(frame, "fill", B_FOLLOW_ALL_SIDES, B_WILL_DRAW)
	{
		SetViewColor(B_TRANSPARENT_COLOR);
	}

	void Draw(BRect) override
	{
		SetHighColor(draws & 1 ? 200 : 20, 100, 50);
		FillRect(Bounds());
		draws++;
	}

	std::atomic<int64> draws{0};
};

struct Fixture {
	Fixture()
	{
		BPrivate::OffscreenControl::Get()->SetScreenSize(1920, 1080);
		app = new BApplication("application/x-vnd.bench-window-fill");
		window = new BWindow(BRect(0, 0, 1919, 1079), "fill", B_TITLED_WINDOW, 0);
		view = new FillView(window->Bounds());
		window->AddChild(view);
		window->Show();
		while (view->draws == 0)
			snooze(1000);
	}

	BApplication* app;
	BWindow* window;
	FillView* view;
};

Fixture& fixture()
{
	static Fixture sFixture;
	return sFixture;
}

void BM_FillAndPresentOutsideDraw(benchmark::State& state)
{
	Fixture& f = fixture();
	int32 i = 0;
	for (auto _ : state) {
		f.view->LockLooper();
		f.window->BeginViewTransaction();
		f.view->SetHighColor(i++ & 1 ? 10 : 240, 80, 160);
		f.view->FillRect(f.view->Bounds());
		f.window->EndViewTransaction();
		f.view->UnlockLooper();
	}
}
BENCHMARK(BM_FillAndPresentOutsideDraw)->Unit(benchmark::kMillisecond);

void BM_InvalidateDrawPresent(benchmark::State& state)
{
	Fixture& f = fixture();
	for (auto _ : state) {
		int64 before = f.view->draws;
		f.view->LockLooper();
		f.view->Invalidate();
		f.view->UnlockLooper();
		while (f.view->draws == before)
			snooze(50);
	}
}
BENCHMARK(BM_InvalidateDrawPresent)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
