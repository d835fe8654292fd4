// Input injected on one thread while windows come and go on others: no
// event may reach a destroyed surface's sink, and nothing deadlocks.
#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "display/DisplayBackend.h"
#include "display/offscreen/OffscreenControl.h"

using namespace BPrivate;

namespace {

class CountingSink : public DisplayEventSink {
public:
	std::atomic<bool> destroyed{false};
	std::atomic<int> late{0};
	std::atomic<int> events{0};

	void _Heard()
	{
		events++;
		if (destroyed)
			late++;
	}
	void MouseEvent(const DisplayMouseEvent&) override { _Heard(); }
	void WheelEvent(const DisplayWheelEvent&) override { _Heard(); }
	void KeyEvent(const DisplayKeyEvent&) override { _Heard(); }
	void FrameChanged(BRect, bool, bool) override { _Heard(); }
	void ActivationChanged(bool) override { _Heard(); }
	void CloseRequested() override { _Heard(); }
	void Exposed(const BRegion&) override { _Heard(); }
	void WorkspaceChanged(int32, int32) override { _Heard(); }
};

} // namespace

TEST(OffscreenThreads, EventsNeverReachDestroyedSurfaces)
{
	OffscreenControl* control = OffscreenControl::Get();
	ASSERT_NE(control, nullptr);
	DisplayBackend* backend = display_backend();
	std::atomic<bool> stop{false};
	std::atomic<int> late{0};

	std::vector<std::thread> windows;
	for (int t = 0; t < 2; t++) {
		windows.emplace_back([&, t] {
			for (int round = 0; round < 200; round++) {
				CountingSink sink;
				SurfaceSettings settings = {kTopLevelSurface,
				                            "w",
				                            BRect(t * 50, 0, t * 50 + 99, 99),
				                            0,
				                            1000,
				                            0,
				                            1000,
				                            0,
				                            0,
				                            0,
				                            0};
				DisplaySurface* surface;
				ASSERT_EQ(backend->CreateSurface(settings, &sink, &surface), B_OK);
				surface->Show();
				surface->Activate();
				Framebuffer buffer = surface->Buffer();
				buffer.bits[0] = round;
				surface->Present(BRegion(BRect(0, 0, 0, 0)));
				surface->Hide();
				backend->DestroySurface(surface);
				sink.destroyed = true;
				late += sink.late;
			}
		});
	}
	std::thread user([&] {
		int i = 0;
		while (!stop) {
			control->MoveMouse(BPoint(i % 150, 50));
			control->Click(BPoint(60, 50));
			control->KeyDown(0, "x", 'x');
			control->KeyUp(0, "x", 'x');
			backend->ActivateWorkspace(0);
			i++;
		}
	});
	for (auto& thread : windows)
		thread.join();
	stop = true;
	user.join();
	EXPECT_EQ(late, 0);
	EXPECT_EQ(control->Surfaces().size(), 0u);
}
