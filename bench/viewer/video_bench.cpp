// What the video view's playback thread spends on one 1280 x 720 frame
// besides decoding it (the media kit's bench measures that): Update(), the
// frame drawn in 200-row strips inside one view transaction and presented,
// with the window locked; and the same frame drawn by a single Draw() of the
// whole view, for the strips' share.
#include <Application.h>
#include <Entry.h>
#include <OS.h>
#include <Window.h>

#include <stdlib.h>

#include <string>

#include <benchmark/benchmark.h>

#include "content/PLVideoView.h"
#include "display/offscreen/OffscreenControl.h"

namespace {

struct Fixture {
	Fixture()
	{
		BPrivate::OffscreenControl::Get()->SetScreenSize(1920, 1080);
		app = new BApplication("application/x-vnd.bench-video");
		const char* root = getenv("PL_SOURCE_DIR");
		std::string path = std::string(root != NULL ? root : ".") + "/samples/clip-720p.mp4";
		entry_ref ref;
		if (get_ref_for_path(path.c_str(), &ref) != B_OK)
			abort();
		view = new PLVideoView(ref);
		if (view->InitCheck() != B_OK)
			abort();
		window = new BWindow(view->Bounds().OffsetToCopy(0, 0), "video", B_TITLED_WINDOW, 0);
		window->AddChild(view);
		window->Show();
		// Let the thread draw a frame, then end it, so that only the
		// benchmark draws.
		snooze(300000);
		window->Lock();
		view->Stop();
		window->Unlock();
	}

	BApplication* app;
	BWindow* window;
	PLVideoView* view;
};

Fixture& fixture()
{
	static Fixture sFixture;
	return sFixture;
}

void BM_UpdateInStrips(benchmark::State& state)
{
	Fixture& f = fixture();
	for (auto _ : state) {
		f.window->Lock();
		f.view->Update();
		f.window->Unlock();
	}
}
BENCHMARK(BM_UpdateInStrips)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_UpdateInOneDraw(benchmark::State& state)
{
	Fixture& f = fixture();
	for (auto _ : state) {
		f.window->Lock();
		f.window->BeginViewTransaction();
		f.view->Draw(f.view->Bounds());
		f.window->EndViewTransaction();
		f.window->Unlock();
	}
}
BENCHMARK(BM_UpdateInOneDraw)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
