#ifndef _X11_BACKEND_H
#define _X11_BACKEND_H

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "display/DisplayBackend.h"
#include "display/x11/X11Connection.h"
#include "display/x11/X11FirstAnswers.h"
#include "display/x11/X11Keyboard.h"
#include "display/x11/X11WindowRegistry.h"

namespace BPrivate {

class X11DragSource;
class X11DropTarget;
class X11EventDispatcher;
class X11EventThread;
class X11Pointer;
class X11Workspaces;

// The display backend users run: every window a real X window, all of them
// on one connection read by one event thread.
class X11Backend : public DisplayBackend {
public:
	X11Backend();
	~X11Backend() override;

	// Connects (NULL: $DISPLAY); B_ERROR when no server answers. The rest
	// of the set-up goes on on a thread of its own, in two stages: the atoms,
	// extensions and workspaces, then the key map and the event thread. Each
	// call waits for the stage it needs: the screen, workspaces and warping
	// for the first, everything else for both.
	status_t Init(const char* displayName);

	// Waits until the whole set-up has ended; B_OK when the backend is
	// usable. A set-up that failed counts as a lost display (display_lost()).
	status_t Ready();

	status_t CreateSurface(const SurfaceSettings& settings, DisplayEventSink* sink,
	                       DisplaySurface** surface) override;
	void DestroySurface(DisplaySurface* surface) override;

	BRect ScreenFrame() override;
	BRect DisplayFrame() override;

	int32 CountWorkspaces() override;
	int32 CurrentWorkspace() override;
	void ActivateWorkspace(int32 workspace) override;

	void GetPointer(BPoint* where, uint32* buttons, uint32* modifiers) override;
	void WarpPointer(BPoint where) override;
	status_t GrabPointer(DisplaySurface* surface, bool keyboard) override;
	void UngrabPointer() override;
	void ObscureCursor() override;
	status_t StartDrag(DisplaySurface* source, const DisplayDragStart& drag) override;
	bool GetDraggersDrawn(bool* drawn) override;
	void SetDraggersDrawn(bool drawn) override;

	X11Connection& Connection()
	{
		Ready();
		return fConnection;
	}
	// The X window of a surface of this backend (tests look at it).
	static xcb_window_t WindowOf(DisplaySurface* surface);

private:
	enum SetUpStage { kSetUpRunning, kConnectionKnown, kSetUpDone };

	status_t _WaitFor(SetUpStage stage);
	// Whether the input part (key map, dispatcher) is set up, without waiting.
	bool _InputReady();
	void _Advance(SetUpStage stage, status_t status);
	void _Prepare();
	status_t _PrepareConnection();
	status_t _PrepareInput();

	X11Connection fConnection;
	X11FirstAnswers fFirstAnswers{fConnection};
	X11WindowRegistry fWindows;
	X11Keyboard fKeyboard{fConnection};
	std::unique_ptr<X11Pointer> fPointer;            // fixed after Init()
	std::unique_ptr<X11Workspaces> fWorkspaces;      // fixed after Init()
	std::unique_ptr<X11DragSource> fDragSource;      // fixed after Init()
	std::unique_ptr<X11DropTarget> fDropTarget;      // fixed after Init()
	std::unique_ptr<X11EventDispatcher> fDispatcher; // fixed after Init()
	std::unique_ptr<X11EventThread> fEventThread;    // fixed after Init()
	// The members above marked "fixed after Init()" are written by
	// fPreparation before it announces the stage that makes them usable.
	std::thread fPreparation;
	std::mutex fSetUpLock; // leaf
	std::condition_variable fSetUpChanged;
	SetUpStage fSetUpStage = kSetUpRunning; // guarded by fSetUpLock
	status_t fSetUpStatus = B_OK;           // guarded by fSetUpLock
	bool fFailureReported = false;          // guarded by fSetUpLock
};

} // namespace BPrivate

#endif
