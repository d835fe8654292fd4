#ifndef _OFFSCREEN_CONTROL_H
#define _OFFSCREEN_CONTROL_H

#include <string>
#include <vector>

#include "display/DisplayBackend.h"

namespace BPrivate {

class OffscreenBackend;
class OffscreenSurface;

// Pixels read back from a surface or the whole screen, as 0xRRGGBB.
struct OffscreenImage {
	int32 width = 0;
	int32 height = 0;
	std::vector<uint32> pixels;

	uint32 At(int32 x, int32 y) const
	{
		if (x < 0 || y < 0 || x >= width || y >= height)
			return 0;
		return pixels[size_t(y) * width + x] & 0xffffff;
	}
};

// The tests' hands on the offscreen display: configuration, the window
// manager's and the user's actions, and readback. Every action delivers its
// events to the surfaces' sinks before it returns, in call order.
//
// Reading pixels copies the framebuffer as it is: the caller makes sure the
// window is not drawing meanwhile (holds its lock, or waited for it).
class OffscreenControl {
public:
	// Opens the offscreen display for this process if none is open yet.
	// NULL when another backend (X11) is already in use.
	static OffscreenControl* Get();

	// Configuration.
	void SetScreenSize(int32 width, int32 height);
	// 1 .. 32; the current workspace is clamped to the new count.
	void SetWorkspaceCount(int32 count);

	// Surfaces, front to back, shown or not.
	std::vector<DisplaySurface*> Surfaces();
	// The frontmost surface with this title, or NULL.
	DisplaySurface* FindSurface(const char* title);
	DisplaySurface* ActiveSurface();
	// The shown surface under a screen point.
	DisplaySurface* SurfaceAt(BPoint where);
	bool IsShown(DisplaySurface* surface);
	BRect FrameOf(DisplaySurface* surface);
	std::string TitleOf(DisplaySurface* surface);
	surface_type TypeOf(DisplaySurface* surface);
	uint32 WorkspacesOf(DisplaySurface* surface);
	void GetSizeLimits(DisplaySurface* surface, float* minWidth, float* maxWidth, float* minHeight,
	                   float* maxHeight);
	// How often Present() was called, and the union of what it showed since
	// the last call of this (which empties it).
	int32 PresentCount(DisplaySurface* surface);
	BRegion TakePresented(DisplaySurface* surface);
	DisplaySurface* PointerGrab();
	bool IsCursorObscured();

	// A drag holds the pointer (from its start until release or Escape).
	bool IsDragging();

	// The user's pointer (screen coordinates) and keyboard.
	void MoveMouse(BPoint where);
	void PressButtons(uint32 buttons);   // adds B_PRIMARY_MOUSE_BUTTON ... to those down
	void ReleaseButtons(uint32 buttons); // lifts them
	// Move, press and release: one click.
	void Click(BPoint where, uint32 buttons = 1);
	void Wheel(float deltaX, float deltaY);
	// The modifier state (B_SHIFT_KEY ...) of the events that follow.
	void SetModifiers(uint32 modifiers);
	void KeyDown(int32 key, const char* bytes, int32 rawChar, bool repeat = false);
	void KeyUp(int32 key, const char* bytes, int32 rawChar);
	// A key press and release per UTF-8 character (key code 0).
	void TypeText(const char* text);
	// Moves the event clock on: presses further apart than the double-click
	// interval count as separate clicks.
	void AdvanceClock(bigtime_t microseconds);

	// The window manager's actions. A resize honours the size limits.
	void SystemMove(DisplaySurface* surface, BPoint leftTop);
	void SystemResize(DisplaySurface* surface, float width, float height);
	void RequestClose(DisplaySurface* surface);
	void Expose(DisplaySurface* surface, const BRegion& region);

	// Readback.
	OffscreenImage ReadSurface(DisplaySurface* surface);
	// The shown surfaces of the current workspace composed back to front on a
	// background of |background| (0xRRGGBB).
	OffscreenImage ReadScreen(uint32 background = 0x000000);

private:
	explicit OffscreenControl(OffscreenBackend* backend) : fBackend(backend) {}

	void _Key(bool down, int32 key, const char* bytes, int32 rawChar, bool repeat);
	// |surface| when it still exists, else NULL; fLock held.
	OffscreenSurface* _Known(DisplaySurface* surface) const;

	OffscreenBackend* fBackend;
};

} // namespace BPrivate

#endif
