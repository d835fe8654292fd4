#ifndef _OFFSCREEN_BACKEND_H
#define _OFFSCREEN_BACKEND_H

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "display/ClickCounter.h"
#include "display/DisplayBackend.h"

namespace BPrivate {

class OffscreenBackend;

class OffscreenSurface : public DisplaySurface {
public:
	OffscreenSurface(OffscreenBackend* backend, const SurfaceSettings& settings,
	                 DisplayEventSink* sink);
	~OffscreenSurface() override;

	Framebuffer Buffer() override;
	status_t SetFrame(BRect frame) override;
	void SetTitle(const char* title) override;
	void SetSizeLimits(float minWidth, float maxWidth, float minHeight, float maxHeight) override;
	void SetWorkspaces(uint32 workspaces) override;
	void Show() override;
	void Hide() override;
	void Activate() override;
	void Raise() override;
	status_t Present(const BRegion& damage) override;

	status_t InitCheck() const { return fPixels ? B_OK : B_NO_MEMORY; }

private:
	friend class OffscreenBackend;
	friend class OffscreenControl;

	bool _Allocate(int32 width, int32 height);

	OffscreenBackend* fBackend;
	DisplayEventSink* fSink; // fixed
	surface_type fType;      // fixed
	bool fBelow;             // fixed: the desktop's window, under every other

	// Guarded by the backend's fLock.
	std::string fTitle;
	BRect fFrame;
	float fMinWidth, fMaxWidth, fMinHeight, fMaxHeight;
	uint32 fWorkspaces;
	uint32 fFlags;
	bool fVisible;
	int32 fPresentCount;
	BRegion fPresented; // everything presented since the last read

	// The pixels: written by the owning window's thread without a lock; the
	// pointer and size change under fLock (SetFrame), so readers holding fLock
	// see a whole buffer.
	std::unique_ptr<uint32[]> fPixels;
	int32 fWidth;
	int32 fHeight;
};

// A display in memory: a configurable screen (default 1024 x 768), workspaces,
// window stacking and activation, a pointer and modifiers, and input that
// tests inject through OffscreenControl. Deterministic: every event is
// delivered before the call that caused it returns, in call order.
//
// Locking: fDeliveryLock (outer) serialises every action that produces
// events, from state change to delivery, so that no event is in flight when
// a surface is destroyed; fLock (inner, a leaf) guards the state. Sinks are
// called with fDeliveryLock held and fLock released.
class OffscreenBackend : public DisplayBackend {
public:
	OffscreenBackend();
	~OffscreenBackend() override;

	status_t CreateSurface(const SurfaceSettings& settings, DisplayEventSink* sink,
	                       DisplaySurface** surface) override;
	void DestroySurface(DisplaySurface* surface) override;
	BRect ScreenFrame() override;
	int32 CountWorkspaces() override;
	int32 CurrentWorkspace() override;
	void ActivateWorkspace(int32 workspace) override;
	void GetPointer(BPoint* where, uint32* buttons, uint32* modifiers) override;
	void WarpPointer(BPoint where) override;
	status_t GrabPointer(DisplaySurface* surface, bool keyboard) override;
	void UngrabPointer() override;
	void ObscureCursor() override;
	status_t StartDrag(DisplaySurface* source, const DisplayDragStart& drag) override;

private:
	friend class OffscreenSurface;
	friend class OffscreenControl;

	// Events gathered under fLock and delivered after it is released.
	typedef std::vector<std::function<void()>> Deliveries;

	bigtime_t _Now() const;
	bool _IsShown(const OffscreenSurface* surface) const;
	OffscreenSurface* _SurfaceAt(BPoint where) const;
	OffscreenSurface* _PointerTarget() const;
	void _Restack(OffscreenSurface* surface);
	void _SetActive(OffscreenSurface* surface, Deliveries* out);
	void _ActivateTopmost(Deliveries* out);
	void _Pointer(BPoint where, uint32 buttons, bool pressed, bool released, Deliveries* out);
	void _MouseEvent(OffscreenSurface* target, mouse_event_type type, int32 clicks,
	                 Deliveries* out);
	void _Deliver(Deliveries& deliveries);

	// A drag in progress: the pointer's moves go to the surface under it as
	// drag events instead of mouse events.
	struct Drag {
		DisplayDragStart start;
		OffscreenSurface* target = NULL; // under the pointer, shown
		bool accepted = false;           // the target's answer to the last move
	};
	DisplayDragEvent _DragEventFor(const Drag& drag, OffscreenSurface* target,
	                              drag_phase phase) const;
	void _DragMoved(Deliveries* out);
	// Ends the drag: a drop where it was released, or (|cancel|) nothing.
	void _EndDrag(bool cancel, Deliveries* out);

	std::mutex fDeliveryLock;
	mutable std::mutex fLock;

	// Guarded by fLock.
	int32 fScreenWidth;
	int32 fScreenHeight;
	int32 fWorkspaceCount;
	int32 fCurrentWorkspace;
	std::vector<OffscreenSurface*> fStack; // front first; every surface, shown or not
	OffscreenSurface* fActive;
	OffscreenSurface* fGrab; // explicit grab
	bool fGrabKeyboard;
	OffscreenSurface* fImplicitGrab; // the surface a held button went down in
	OffscreenSurface* fUnderPointer; // where the last pointer event went
	BPoint fPointer;
	uint32 fButtons;
	uint32 fModifiers;
	bool fCursorObscured;
	bigtime_t fClockOffset;
	ClickCounter fClicks;

	// Guarded by fDeliveryLock (and read under fLock only by its holder):
	// drag events are answered while they are delivered.
	std::shared_ptr<Drag> fDrag;
};

} // namespace BPrivate

#endif
