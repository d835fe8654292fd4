#include "display/offscreen/OffscreenControl.h"

#include <algorithm>
#include <string.h>

#include "display/DisplayBackendPrivate.h"
#include "display/offscreen/OffscreenBackend.h"

namespace BPrivate {

OffscreenControl* OffscreenControl::Get()
{
	static OffscreenControl* sControl = [] {
		DisplayBackend* backend = display_backend_preferring_offscreen();
		if (backend == NULL || strcmp(backend->capabilities.name, "offscreen") != 0)
			return static_cast<OffscreenControl*>(NULL);
		return new OffscreenControl(static_cast<OffscreenBackend*>(backend));
	}();
	return sControl;
}

void OffscreenControl::SetScreenSize(int32 width, int32 height)
{
	if (width < 1 || height < 1 || width > 16384 || height > 16384)
		return;
	// Every window hears of it, as from a monitor change on a real display.
	OffscreenBackend::Deliveries deliveries;
	std::lock_guard<std::mutex> delivering(fBackend->fDeliveryLock);
	{
		std::lock_guard<std::mutex> lock(fBackend->fLock);
		if (width == fBackend->fScreenWidth && height == fBackend->fScreenHeight)
			return;
		fBackend->fScreenWidth = width;
		fBackend->fScreenHeight = height;
		BRect frame(0, 0, width - 1, height - 1);
		for (OffscreenSurface* surface : fBackend->fStack) {
			DisplayEventSink* sink = surface->fSink;
			deliveries.push_back([sink, frame] { sink->ScreenChanged(frame); });
		}
	}
	fBackend->_Deliver(deliveries);
}

void OffscreenControl::SetWorkspaceCount(int32 count)
{
	if (count < 1 || count > 32)
		return;
	int32 current;
	{
		std::lock_guard<std::mutex> lock(fBackend->fLock);
		fBackend->fWorkspaceCount = count;
		current = fBackend->fCurrentWorkspace;
	}
	if (current >= count) {
		fBackend->ActivateWorkspace(count - 1);
	}
}

std::vector<DisplaySurface*> OffscreenControl::Surfaces()
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	return std::vector<DisplaySurface*>(fBackend->fStack.begin(), fBackend->fStack.end());
}

DisplaySurface* OffscreenControl::FindSurface(const char* title)
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	for (OffscreenSurface* surface : fBackend->fStack)
		if (title != NULL && surface->fTitle == title)
			return surface;
	return NULL;
}

DisplaySurface* OffscreenControl::ActiveSurface()
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	return fBackend->fActive;
}

DisplaySurface* OffscreenControl::SurfaceAt(BPoint where)
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	return fBackend->_SurfaceAt(where);
}

OffscreenSurface* OffscreenControl::_Known(DisplaySurface* surface) const
{
	auto& stack = fBackend->fStack;
	auto found = std::find(stack.begin(), stack.end(), surface);
	return found != stack.end() ? *found : NULL;
}

bool OffscreenControl::IsShown(DisplaySurface* surface)
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	OffscreenSurface* own = _Known(surface);
	return own != NULL && fBackend->_IsShown(own);
}

BRect OffscreenControl::FrameOf(DisplaySurface* surface)
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	OffscreenSurface* own = _Known(surface);
	return own != NULL ? own->fFrame : BRect();
}

std::string OffscreenControl::TitleOf(DisplaySurface* surface)
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	OffscreenSurface* own = _Known(surface);
	return own != NULL ? own->fTitle : std::string();
}

surface_type OffscreenControl::TypeOf(DisplaySurface* surface)
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	OffscreenSurface* own = _Known(surface);
	return own != NULL ? own->fType : kTopLevelSurface;
}

uint32 OffscreenControl::WorkspacesOf(DisplaySurface* surface)
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	OffscreenSurface* own = _Known(surface);
	return own != NULL ? own->fWorkspaces : 0;
}

void OffscreenControl::GetSizeLimits(DisplaySurface* surface, float* minWidth, float* maxWidth,
                                     float* minHeight, float* maxHeight)
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	OffscreenSurface* own = _Known(surface);
	if (own == NULL)
		return;
	*minWidth = own->fMinWidth;
	*maxWidth = own->fMaxWidth;
	*minHeight = own->fMinHeight;
	*maxHeight = own->fMaxHeight;
}

int32 OffscreenControl::PresentCount(DisplaySurface* surface)
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	OffscreenSurface* own = _Known(surface);
	return own != NULL ? own->fPresentCount : 0;
}

BRegion OffscreenControl::TakePresented(DisplaySurface* surface)
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	BRegion presented;
	OffscreenSurface* own = _Known(surface);
	if (own != NULL) {
		presented = own->fPresented;
		own->fPresented.MakeEmpty();
	}
	return presented;
}

DisplaySurface* OffscreenControl::PointerGrab()
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	return fBackend->fGrab;
}

bool OffscreenControl::IsCursorObscured()
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	return fBackend->fCursorObscured;
}

bool OffscreenControl::IsDragging()
{
	std::lock_guard<std::mutex> delivering(fBackend->fDeliveryLock);
	return fBackend->fDrag != nullptr;
}

void OffscreenControl::MoveMouse(BPoint where)
{
	fBackend->WarpPointer(where);
}

void OffscreenControl::PressButtons(uint32 buttons)
{
	OffscreenBackend::Deliveries deliveries;
	std::lock_guard<std::mutex> delivering(fBackend->fDeliveryLock);
	{
		std::lock_guard<std::mutex> lock(fBackend->fLock);
		if ((buttons & ~fBackend->fButtons) == 0)
			return;
		fBackend->_Pointer(fBackend->fPointer, fBackend->fButtons | buttons, true, false,
		                   &deliveries);
	}
	fBackend->_Deliver(deliveries);
}

void OffscreenControl::ReleaseButtons(uint32 buttons)
{
	OffscreenBackend::Deliveries deliveries;
	std::lock_guard<std::mutex> delivering(fBackend->fDeliveryLock);
	{
		std::lock_guard<std::mutex> lock(fBackend->fLock);
		if ((buttons & fBackend->fButtons) == 0)
			return;
		fBackend->_Pointer(fBackend->fPointer, fBackend->fButtons & ~buttons, false, true,
		                   &deliveries);
	}
	fBackend->_Deliver(deliveries);
}

void OffscreenControl::Click(BPoint where, uint32 buttons)
{
	MoveMouse(where);
	PressButtons(buttons);
	ReleaseButtons(buttons);
}

void OffscreenControl::Wheel(float deltaX, float deltaY)
{
	OffscreenBackend::Deliveries deliveries;
	std::lock_guard<std::mutex> delivering(fBackend->fDeliveryLock);
	{
		std::lock_guard<std::mutex> lock(fBackend->fLock);
		OffscreenSurface* target = fBackend->_PointerTarget();
		if (target == NULL)
			return;
		DisplayWheelEvent event;
		event.when = fBackend->_Now();
		event.where = fBackend->fPointer - target->fFrame.LeftTop();
		event.deltaX = deltaX;
		event.deltaY = deltaY;
		event.modifiers = fBackend->fModifiers;
		DisplayEventSink* sink = target->fSink;
		deliveries.push_back([sink, event] { sink->WheelEvent(event); });
	}
	fBackend->_Deliver(deliveries);
}

void OffscreenControl::SetModifiers(uint32 modifiers)
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	fBackend->fModifiers = modifiers;
}

void OffscreenControl::_Key(bool down, int32 key, const char* bytes, int32 rawChar, bool repeat)
{
	OffscreenBackend::Deliveries deliveries;
	std::lock_guard<std::mutex> delivering(fBackend->fDeliveryLock);
	{
		std::lock_guard<std::mutex> lock(fBackend->fLock);
		// A drag has the keyboard: Escape cancels it, other keys go nowhere.
		OffscreenSurface* target = fBackend->fGrab != NULL && fBackend->fGrabKeyboard
		                               ? fBackend->fGrab
		                               : fBackend->fActive;
		if (fBackend->fDrag != nullptr) {
			if (down && bytes != NULL && strcmp(bytes, "\x1b") == 0)
				fBackend->_EndDrag(true, &deliveries);
			target = NULL;
		}
		if (target == NULL && deliveries.empty())
			return;
		DisplayKeyEvent event;
		event.down = down;
		event.repeat = repeat;
		event.when = fBackend->_Now();
		event.key = key;
		memset(event.bytes, 0, sizeof(event.bytes));
		if (bytes != NULL)
			strncpy(event.bytes, bytes, sizeof(event.bytes) - 1);
		event.rawChar = rawChar;
		event.modifiers = fBackend->fModifiers;
		if (target != NULL) {
			DisplayEventSink* sink = target->fSink;
			deliveries.push_back([sink, event] { sink->KeyEvent(event); });
		}
	}
	fBackend->_Deliver(deliveries);
}

void OffscreenControl::KeyDown(int32 key, const char* bytes, int32 rawChar, bool repeat)
{
	_Key(true, key, bytes, rawChar, repeat);
}

void OffscreenControl::KeyUp(int32 key, const char* bytes, int32 rawChar)
{
	_Key(false, key, bytes, rawChar, false);
}

void OffscreenControl::TypeText(const char* text)
{
	if (text == NULL)
		return;
	size_t length = strlen(text);
	size_t i = 0;
	while (i < length) {
		// One UTF-8 character; a malformed byte goes alone.
		size_t count = 1;
		uint8 lead = uint8(text[i]);
		if (lead >= 0xc0)
			count = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : 2;
		if (i + count > length)
			count = 1;
		for (size_t k = 1; k < count; k++)
			if ((uint8(text[i + k]) & 0xc0) != 0x80)
				count = 1;
		char bytes[5] = {0, 0, 0, 0, 0};
		memcpy(bytes, text + i, count);
		int32 raw = count == 1 ? uint8(bytes[0]) : 0;
		KeyDown(0, bytes, raw);
		KeyUp(0, bytes, raw);
		i += count;
	}
}

void OffscreenControl::AdvanceClock(bigtime_t microseconds)
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	fBackend->fClockOffset += microseconds;
}

void OffscreenControl::SystemMove(DisplaySurface* surface, BPoint leftTop)
{
	OffscreenBackend::Deliveries deliveries;
	std::lock_guard<std::mutex> delivering(fBackend->fDeliveryLock);
	{
		std::lock_guard<std::mutex> lock(fBackend->fLock);
		OffscreenSurface* own = _Known(surface);
		if (own == NULL)
			return;
		BPoint rounded(floorf(leftTop.x + 0.5f), floorf(leftTop.y + 0.5f));
		if (rounded == own->fFrame.LeftTop())
			return;
		own->fFrame.OffsetTo(rounded);
		BRect frame = own->fFrame;
		DisplayEventSink* sink = own->fSink;
		deliveries.push_back([sink, frame] { sink->FrameChanged(frame, true, false); });
	}
	fBackend->_Deliver(deliveries);
}

void OffscreenControl::SystemResize(DisplaySurface* surface, float width, float height)
{
	OffscreenBackend::Deliveries deliveries;
	std::lock_guard<std::mutex> delivering(fBackend->fDeliveryLock);
	{
		std::lock_guard<std::mutex> lock(fBackend->fLock);
		OffscreenSurface* own = _Known(surface);
		if (own == NULL)
			return;
		// A window manager keeps to the size limits.
		width = std::max(own->fMinWidth, std::min(own->fMaxWidth, width));
		height = std::max(own->fMinHeight, std::min(own->fMaxHeight, height));
		width = std::max(0.0f, floorf(width + 0.5f));
		height = std::max(0.0f, floorf(height + 0.5f));
		BRect frame = own->fFrame;
		frame.right = frame.left + width;
		frame.bottom = frame.top + height;
		if (frame == own->fFrame)
			return;
		// The framebuffer keeps its size until the kit takes the new one with
		// SetFrame(), from the window's thread.
		own->fFrame = frame;
		DisplayEventSink* sink = own->fSink;
		deliveries.push_back([sink, frame] { sink->FrameChanged(frame, false, true); });
	}
	fBackend->_Deliver(deliveries);
}

void OffscreenControl::RequestClose(DisplaySurface* surface)
{
	OffscreenBackend::Deliveries deliveries;
	std::lock_guard<std::mutex> delivering(fBackend->fDeliveryLock);
	{
		std::lock_guard<std::mutex> lock(fBackend->fLock);
		OffscreenSurface* own = _Known(surface);
		if (own == NULL)
			return;
		DisplayEventSink* sink = own->fSink;
		deliveries.push_back([sink] { sink->CloseRequested(); });
	}
	fBackend->_Deliver(deliveries);
}

void OffscreenControl::Expose(DisplaySurface* surface, const BRegion& region)
{
	OffscreenBackend::Deliveries deliveries;
	std::lock_guard<std::mutex> delivering(fBackend->fDeliveryLock);
	{
		std::lock_guard<std::mutex> lock(fBackend->fLock);
		OffscreenSurface* own = _Known(surface);
		if (own == NULL)
			return;
		DisplayEventSink* sink = own->fSink;
		deliveries.push_back([sink, region] { sink->Exposed(region); });
	}
	fBackend->_Deliver(deliveries);
}

OffscreenImage OffscreenControl::ReadSurface(DisplaySurface* surface)
{
	OffscreenImage image;
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	OffscreenSurface* own = _Known(surface);
	if (own == NULL || !own->fPixels)
		return image;
	image.width = own->fWidth;
	image.height = own->fHeight;
	image.pixels.assign(own->fPixels.get(),
	                    own->fPixels.get() + size_t(own->fWidth) * own->fHeight);
	for (uint32& pixel : image.pixels)
		pixel &= 0xffffff;
	return image;
}

OffscreenImage OffscreenControl::ReadScreen(uint32 background)
{
	OffscreenImage image;
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	image.width = fBackend->fScreenWidth;
	image.height = fBackend->fScreenHeight;
	image.pixels.assign(size_t(image.width) * image.height, background & 0xffffff);
	// Back to front, so the front surfaces cover the ones behind.
	for (auto it = fBackend->fStack.rbegin(); it != fBackend->fStack.rend(); ++it) {
		OffscreenSurface* surface = *it;
		if (!fBackend->_IsShown(surface) || !surface->fPixels)
			continue;
		int32 left = int32(surface->fFrame.left), top = int32(surface->fFrame.top);
		// The framebuffer may still have its old size after a system resize.
		int32 width = std::min(surface->fWidth, int32(surface->fFrame.Width()) + 1);
		int32 height = std::min(surface->fHeight, int32(surface->fFrame.Height()) + 1);
		for (int32 y = std::max(0, -top); y < height && top + y < image.height; y++) {
			for (int32 x = std::max(0, -left); x < width && left + x < image.width; x++) {
				image.pixels[size_t(top + y) * image.width + left + x] =
				    surface->fPixels[size_t(y) * surface->fWidth + x] & 0xffffff;
			}
		}
	}
	return image;
}

} // namespace BPrivate
