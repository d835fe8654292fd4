#ifndef _RECORDING_SINK_H
#define _RECORDING_SINK_H

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include <Region.h>

#include "display/DisplayBackend.h"

// Records what a backend tells a window, for tests to wait on and inspect.
// The backend calls it from its event thread.
class RecordingSink : public BPrivate::DisplayEventSink {
public:
	struct Frame {
		BRect frame;
		bool moved;
		bool resized;
	};

	void MouseEvent(const BPrivate::DisplayMouseEvent& event) override
	{
		std::lock_guard<std::mutex> guard(fLock);
		mouse.push_back(event);
		fChanged.notify_all();
	}
	void WheelEvent(const BPrivate::DisplayWheelEvent& event) override
	{
		std::lock_guard<std::mutex> guard(fLock);
		wheel.push_back(event);
		fChanged.notify_all();
	}
	void KeyEvent(const BPrivate::DisplayKeyEvent& event) override
	{
		std::lock_guard<std::mutex> guard(fLock);
		keys.push_back(event);
		fChanged.notify_all();
	}
	void FrameChanged(BRect frame, bool moved, bool resized) override
	{
		std::lock_guard<std::mutex> guard(fLock);
		frames.push_back({frame, moved, resized});
		fChanged.notify_all();
	}
	void ActivationChanged(bool active) override
	{
		std::lock_guard<std::mutex> guard(fLock);
		activations.push_back(active);
		fChanged.notify_all();
	}
	void CloseRequested() override
	{
		std::lock_guard<std::mutex> guard(fLock);
		closeRequests++;
		fChanged.notify_all();
	}
	void Exposed(const BRegion& region) override
	{
		std::lock_guard<std::mutex> guard(fLock);
		exposed.Include(&region);
		exposures++;
		fChanged.notify_all();
	}
	void WorkspaceChanged(int32 previous, int32 current) override
	{
		std::lock_guard<std::mutex> guard(fLock);
		workspaces.push_back({previous, current});
		fChanged.notify_all();
	}

	// Waits (at most seconds) until condition, called with the lock held,
	// holds; the verdict.
	bool WaitFor(const std::function<bool()>& condition, double seconds = 10)
	{
		std::unique_lock<std::mutex> lock(fLock);
		return fChanged.wait_for(lock, std::chrono::duration<double>(seconds), condition);
	}

	// Runs inspect with the lock held.
	void Inspect(const std::function<void()>& inspect)
	{
		std::lock_guard<std::mutex> guard(fLock);
		inspect();
	}

	void Clear()
	{
		std::lock_guard<std::mutex> guard(fLock);
		mouse.clear();
		wheel.clear();
		keys.clear();
		frames.clear();
		activations.clear();
		workspaces.clear();
		closeRequests = 0;
		exposures = 0;
		exposed.MakeEmpty();
	}

	// Guarded by the sink's lock: read them in WaitFor() or Inspect().
	std::vector<BPrivate::DisplayMouseEvent> mouse;
	std::vector<BPrivate::DisplayWheelEvent> wheel;
	std::vector<BPrivate::DisplayKeyEvent> keys;
	std::vector<Frame> frames;
	std::vector<bool> activations;
	std::vector<std::pair<int32, int32>> workspaces;
	int closeRequests = 0;
	int exposures = 0;
	BRegion exposed;

private:
	std::mutex fLock;
	std::condition_variable fChanged;
};

#endif
