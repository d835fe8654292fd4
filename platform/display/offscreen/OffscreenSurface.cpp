#include "display/offscreen/OffscreenBackend.h"

#include <math.h>
#include <new>
#include <string.h>

#include "interface/WindowPrivate.h"

namespace BPrivate {

// Far beyond any screen; keeps a mistaken frame from asking for gigabytes.
static const int32 kMaxSurfaceSide = 16384;

static BRect whole_pixels(BRect frame)
{
	return BRect(floorf(frame.left + 0.5f), floorf(frame.top + 0.5f), floorf(frame.right + 0.5f),
	             floorf(frame.bottom + 0.5f));
}

OffscreenSurface::OffscreenSurface(OffscreenBackend* backend, const SurfaceSettings& settings,
                                   DisplayEventSink* sink)
    : fBackend(backend), fSink(sink), fType(settings.type),
      fBelow(settings.feel == kDesktopWindowFeel),
      fTitle(settings.title != NULL ? settings.title : ""), fFrame(whole_pixels(settings.frame)),
      fMinWidth(settings.minWidth), fMaxWidth(settings.maxWidth), fMinHeight(settings.minHeight),
      fMaxHeight(settings.maxHeight), fWorkspaces(settings.workspaces), fFlags(settings.flags),
      fVisible(false), fPresentCount(0), fWidth(0), fHeight(0)
{
	if (!fFrame.IsValid() || fFrame.Width() + 1 > kMaxSurfaceSide ||
	    fFrame.Height() + 1 > kMaxSurfaceSide)
		return;
	_Allocate(int32(fFrame.Width()) + 1, int32(fFrame.Height()) + 1);
}

OffscreenSurface::~OffscreenSurface() {}

bool OffscreenSurface::_Allocate(int32 width, int32 height)
{
	std::unique_ptr<uint32[]> pixels(new (std::nothrow) uint32[size_t(width) * height]);
	if (!pixels)
		return false;
	// New pixels are white, as an undrawn window would be; old ones stay.
	for (size_t i = 0; i < size_t(width) * height; i++)
		pixels[i] = 0xffffffff;
	for (int32 y = 0; y < height && y < fHeight; y++)
		memcpy(&pixels[size_t(y) * width], &fPixels[size_t(y) * fWidth],
		       size_t(width < fWidth ? width : fWidth) * 4);
	std::unique_ptr<uint32[]> old;
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	old.swap(fPixels);
	fPixels.swap(pixels);
	fWidth = width;
	fHeight = height;
	return true;
}

Framebuffer OffscreenSurface::Buffer()
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	Framebuffer buffer = {fPixels.get(), fWidth, fHeight, fWidth * 4};
	return buffer;
}

status_t OffscreenSurface::SetFrame(BRect frame)
{
	frame = whole_pixels(frame);
	if (!frame.IsValid() || frame.Width() + 1 > kMaxSurfaceSide ||
	    frame.Height() + 1 > kMaxSurfaceSide)
		return B_BAD_VALUE;
	int32 width = int32(frame.Width()) + 1;
	int32 height = int32(frame.Height()) + 1;
	if ((width != fWidth || height != fHeight) && !_Allocate(width, height))
		return B_NO_MEMORY;
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	fFrame = frame;
	return B_OK;
}

void OffscreenSurface::SetTitle(const char* title)
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	fTitle = title != NULL ? title : "";
}

void OffscreenSurface::SetSizeLimits(float minWidth, float maxWidth, float minHeight,
                                     float maxHeight)
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	fMinWidth = minWidth;
	fMaxWidth = maxWidth;
	fMinHeight = minHeight;
	fMaxHeight = maxHeight;
}

void OffscreenSurface::SetWorkspaces(uint32 workspaces)
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	fWorkspaces = workspaces != 0 ? workspaces : 1u << fBackend->fCurrentWorkspace;
}

void OffscreenSurface::Show()
{
	std::lock_guard<std::mutex> delivering(fBackend->fDeliveryLock);
	std::unique_lock<std::mutex> lock(fBackend->fLock);
	fVisible = true;
	fBackend->_Restack(this);
}

void OffscreenSurface::Hide()
{
	OffscreenBackend::Deliveries deliveries;
	std::lock_guard<std::mutex> delivering(fBackend->fDeliveryLock);
	{
		std::lock_guard<std::mutex> lock(fBackend->fLock);
		if (!fVisible)
			return;
		fVisible = false;
		if (fBackend->fGrab == this)
			fBackend->fGrab = NULL;
		if (fBackend->fImplicitGrab == this)
			fBackend->fImplicitGrab = NULL;
		if (fBackend->fUnderPointer == this)
			fBackend->fUnderPointer = NULL;
		if (fBackend->fActive == this)
			fBackend->_ActivateTopmost(&deliveries);
	}
	fBackend->_Deliver(deliveries);
}

void OffscreenSurface::Activate()
{
	OffscreenBackend::Deliveries deliveries;
	std::lock_guard<std::mutex> delivering(fBackend->fDeliveryLock);
	{
		std::lock_guard<std::mutex> lock(fBackend->fLock);
		// As in the Be API, a hidden window is not activated.
		if (!fBackend->_IsShown(this))
			return;
		fBackend->_Restack(this);
		if (fType == kTopLevelSurface)
			fBackend->_SetActive(this, &deliveries);
	}
	fBackend->_Deliver(deliveries);
}

void OffscreenSurface::Raise()
{
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	fBackend->_Restack(this);
}

status_t OffscreenSurface::Present(const BRegion& damage)
{
	// The framebuffer is the screen: nothing to copy.
	std::lock_guard<std::mutex> lock(fBackend->fLock);
	fPresentCount++;
	BRegion inside(damage);
	BRegion bounds(BRect(0, 0, fWidth - 1, fHeight - 1));
	inside.IntersectWith(&bounds);
	fPresented.Include(&inside);
	return B_OK;
}

} // namespace BPrivate
