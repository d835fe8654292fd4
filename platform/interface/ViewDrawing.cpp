// BView drawing: the drawing state, invalidation, clipping and the drawing
// calls, which go through the window's painter.

#include <View.h>

#include <Bitmap.h>
#include <Region.h>
#include <Window.h>

#include <math.h>
#include <string.h>

#include "interface/Painter.h"
#include "interface/ViewPrivate.h"
#include "interface/WindowPrivate.h"

using BPrivate::Painter;

namespace BPrivate {

bool is_transparent_view_color(rgb_color color)
{
	return color == B_TRANSPARENT_COLOR;
}

} // namespace BPrivate

// Drawing happens with the window locked, inside or outside Draw(); anything
// else (a detached view, an unlocked window) draws nothing.
Painter* BView::_BeginDrawing()
{
	if (fOwner == NULL || !fOwner->IsLocked())
		return NULL;
	return fOwner->fData->updater.BeginDrawing(this);
}

static rgb_color pattern_color(const BPrivate::ViewState* state, const pattern& p)
{
	return p == B_SOLID_LOW ? state->low : state->high;
}

// #pragma mark - invalidation and clipping

void BView::Invalidate()
{
	Invalidate(Bounds());
}

void BView::Invalidate(BRect rect)
{
	if (fOwner == NULL)
		return;
	rect = rect & Bounds();
	if (!rect.IsValid())
		return;
	BRegion region(rect.OffsetByCopy(_WindowOffset()));
	fOwner->fData->updater.Invalidate(region);
}

void BView::Invalidate(const BRegion* region)
{
	if (fOwner == NULL || region == NULL)
		return;
	BRegion damage(*region);
	BRegion bounds(Bounds());
	damage.IntersectWith(&bounds);
	BPoint offset = _WindowOffset();
	damage.OffsetBy(static_cast<int32>(offset.x), static_cast<int32>(offset.y));
	fOwner->fData->updater.Invalidate(damage);
}

void BView::_InvalidateInParent(BRect parentRect)
{
	if (fParent != NULL)
		fParent->Invalidate(parentRect);
}

void BView::ConstrainClippingRegion(BRegion* region)
{
	if (region == NULL) {
		fState->hasConstraint = false;
		fState->constraint.MakeEmpty();
		return;
	}
	fState->constraint = *region;
	fState->hasConstraint = true;
}

void BView::GetClippingRegion(BRegion* region) const
{
	if (region == NULL)
		return;
	region->MakeEmpty();
	if (fOwner == NULL)
		return;
	fOwner->fData->updater.GetClipping(this, region);
	BPoint offset = _WindowOffset();
	region->OffsetBy(-static_cast<int32>(offset.x), -static_cast<int32>(offset.y));
}

// #pragma mark - state

void BView::SetViewColor(rgb_color color)
{
	fState->view = color;
}

void BView::SetViewColor(uint8 red, uint8 green, uint8 blue, uint8 alpha)
{
	SetViewColor(make_color(red, green, blue, alpha));
}

rgb_color BView::ViewColor() const
{
	return fState->view;
}

void BView::SetHighColor(rgb_color color)
{
	fState->high = color;
}

void BView::SetHighColor(uint8 red, uint8 green, uint8 blue, uint8 alpha)
{
	SetHighColor(make_color(red, green, blue, alpha));
}

rgb_color BView::HighColor() const
{
	return fState->high;
}

void BView::SetLowColor(rgb_color color)
{
	fState->low = color;
}

void BView::SetLowColor(uint8 red, uint8 green, uint8 blue, uint8 alpha)
{
	SetLowColor(make_color(red, green, blue, alpha));
}

rgb_color BView::LowColor() const
{
	return fState->low;
}

void BView::SetDrawingMode(drawing_mode mode)
{
	fState->mode = mode;
}

drawing_mode BView::DrawingMode() const
{
	return fState->mode;
}

void BView::SetPenSize(float size)
{
	fState->penSize = size > 0 ? size : 0;
}

float BView::PenSize() const
{
	return fState->penSize;
}

void BView::MovePenTo(BPoint point)
{
	fState->penLocation = point;
}

void BView::MovePenTo(float x, float y)
{
	MovePenTo(BPoint(x, y));
}

void BView::MovePenBy(float dx, float dy)
{
	fState->penLocation += BPoint(dx, dy);
}

BPoint BView::PenLocation() const
{
	return fState->penLocation;
}

void BView::SetFont(const BFont* font, uint32 mask)
{
	if (font == NULL)
		return;
	if ((mask & B_FONT_ALL) == B_FONT_ALL) {
		fState->font = *font;
		return;
	}
	if ((mask & B_FONT_FAMILY_AND_STYLE) != 0) {
		font_family family;
		font_style style;
		font->GetFamilyAndStyle(&family, &style);
		fState->font.SetFamilyAndStyle(family, style);
	}
	if ((mask & B_FONT_SIZE) != 0)
		fState->font.SetSize(font->Size());
	if ((mask & B_FONT_FACE) != 0)
		fState->font.SetFace(font->Face());
	if ((mask & B_FONT_SPACING) != 0)
		fState->font.SetSpacing(font->Spacing());
}

void BView::GetFont(BFont* font) const
{
	if (font != NULL)
		*font = fState->font;
}

void BView::SetFontSize(float size)
{
	fState->font.SetSize(size);
}

float BView::StringWidth(const char* string) const
{
	return string != NULL ? fState->font.StringWidth(string) : 0;
}

float BView::StringWidth(const char* string, int32 length) const
{
	return string != NULL ? fState->font.StringWidth(string, length) : 0;
}

void BView::GetFontHeight(font_height* height) const
{
	if (height != NULL)
		fState->font.GetHeight(height);
}

// #pragma mark - drawing

void BView::FillRect(BRect rect, ::pattern pattern)
{
	Painter* painter = _BeginDrawing();
	if (painter == NULL)
		return;
	painter->FillRect(rect, pattern_color(fState, pattern));
	fOwner->fData->updater.EndDrawing(rect);
}

void BView::FillRegion(BRegion* region, ::pattern pattern)
{
	if (region == NULL)
		return;
	Painter* painter = _BeginDrawing();
	if (painter == NULL)
		return;
	painter->FillRegion(*region, pattern_color(fState, pattern));
	fOwner->fData->updater.EndDrawing(region->Frame());
}

void BView::StrokeRect(BRect rect, ::pattern pattern)
{
	Painter* painter = _BeginDrawing();
	if (painter == NULL)
		return;
	painter->StrokeRect(rect, pattern_color(fState, pattern));
	fOwner->fData->updater.EndDrawing(rect);
}

void BView::StrokeLine(BPoint toPoint, ::pattern pattern)
{
	StrokeLine(fState->penLocation, toPoint, pattern);
}

void BView::StrokeLine(BPoint start, BPoint end, ::pattern pattern)
{
	fState->penLocation = end;
	Painter* painter = _BeginDrawing();
	if (painter == NULL)
		return;
	painter->StrokeLine(start, end, pattern_color(fState, pattern));
	BRect touched(min_c(start.x, end.x), min_c(start.y, end.y), max_c(start.x, end.x),
	              max_c(start.y, end.y));
	fOwner->fData->updater.EndDrawing(touched);
}

void BView::DrawString(const char* string, escapement_delta* delta)
{
	DrawString(string, fState->penLocation, delta);
}

void BView::DrawString(const char* string, BPoint location, escapement_delta* delta)
{
	if (string == NULL)
		return;
	DrawString(string, static_cast<int32>(strlen(string)), location, delta);
}

void BView::DrawString(const char* string, int32 length, BPoint location,
                       escapement_delta* /*delta*/)
{
	if (string == NULL || length <= 0)
		return;
	Painter* painter = _BeginDrawing();
	if (painter == NULL) {
		fState->penLocation = location + BPoint(StringWidth(string, length), 0);
		return;
	}
	BPoint end = painter->DrawString(string, length, location, fState->font, fState->high);
	fState->penLocation = end;
	font_height height;
	fState->font.GetHeight(&height);
	BRect touched(floorf(location.x) - 1, floorf(location.y - height.ascent) - 1, ceilf(end.x) + 1,
	              ceilf(location.y + height.descent) + 1);
	fOwner->fData->updater.EndDrawing(touched);
}

void BView::DrawBitmap(const BBitmap* bitmap)
{
	DrawBitmap(bitmap, fState->penLocation);
}

void BView::DrawBitmap(const BBitmap* bitmap, BPoint where)
{
	if (bitmap == NULL)
		return;
	BRect bounds = bitmap->Bounds();
	DrawBitmap(bitmap, bounds, bounds.OffsetToCopy(where));
}

void BView::DrawBitmap(const BBitmap* bitmap, BRect destRect)
{
	if (bitmap == NULL)
		return;
	DrawBitmap(bitmap, bitmap->Bounds(), destRect);
}

void BView::DrawBitmap(const BBitmap* bitmap, BRect sourceRect, BRect destRect)
{
	if (bitmap == NULL || !destRect.IsValid() || !sourceRect.IsValid())
		return;
	Painter* painter = _BeginDrawing();
	if (painter == NULL)
		return;
	painter->DrawBitmap(bitmap, sourceRect, destRect);
	fOwner->fData->updater.EndDrawing(destRect);
}

void BView::DrawBitmapAsync(const BBitmap* bitmap)
{
	DrawBitmap(bitmap);
}

void BView::DrawBitmapAsync(const BBitmap* bitmap, BPoint where)
{
	DrawBitmap(bitmap, where);
}

void BView::DrawBitmapAsync(const BBitmap* bitmap, BRect destRect)
{
	DrawBitmap(bitmap, destRect);
}

void BView::DrawBitmapAsync(const BBitmap* bitmap, BRect sourceRect, BRect destRect)
{
	DrawBitmap(bitmap, sourceRect, destRect);
}

// Drawing is done when the call returns; nothing waits in between.
void BView::Sync() const {}

void BView::Flush() const {}

// #pragma mark - hooks

void BView::Draw(BRect /*updateRect*/) {}

void BView::DrawAfterChildren(BRect /*updateRect*/) {}
