#include "interface/AlertButton.h"

#include <InterfaceDefs.h>
#include <Message.h>
#include <Window.h>

#include <math.h>

#include "interface/AlertPrivate.h"

namespace BPrivate {

// Room around the label inside the frame.
static const float kLabelMarginX = 12;
static const float kLabelMarginY = 5;

AlertButton::AlertButton(BRect frame, const char* label, int32 index)
    : BView(frame, ("_b" + std::to_string(index) + "_").c_str(), B_FOLLOW_RIGHT | B_FOLLOW_BOTTOM,
            B_WILL_DRAW),
      fLabel(label), fIndex(index), fDefault(false), fTracking(false), fInside(false)
{
	SetViewColor(ui_color(B_PANEL_BACKGROUND_COLOR));
	SetLowColor(ViewColor());
	SetFont(be_plain_font);
}

float AlertButton::WidthFor(const BFont& font, const char* label)
{
	return ceilf(font.StringWidth(label)) + 2 * (kLabelMarginX + kDefaultRing);
}

float AlertButton::HeightFor(const BFont& font)
{
	font_height height;
	font.GetHeight(&height);
	return ceilf(height.ascent + height.descent) + 2 * (kLabelMarginY + kDefaultRing);
}

void AlertButton::SetDefault(bool isDefault)
{
	if (fDefault == isDefault)
		return;
	fDefault = isDefault;
	Invalidate();
}

void AlertButton::Draw(BRect /*updateRect*/)
{
	BRect bounds = Bounds();
	rgb_color panel = ui_color(B_PANEL_BACKGROUND_COLOR);
	rgb_color border = tint_color(panel, B_DARKEN_4_TINT);
	if (fDefault) {
		SetHighColor(tint_color(panel, B_DARKEN_MAX_TINT));
		StrokeRect(bounds);
		StrokeRect(bounds.InsetByCopy(1, 1));
	}
	BRect face = bounds.InsetByCopy(kDefaultRing, kDefaultRing);
	bool down = fTracking && fInside;
	SetHighColor(down ? tint_color(panel, B_DARKEN_2_TINT) : tint_color(panel, B_LIGHTEN_1_TINT));
	FillRect(face);
	SetHighColor(border);
	StrokeRect(face);

	font_height height;
	GetFontHeight(&height);
	float width = StringWidth(fLabel.c_str());
	BPoint baseline(floorf(face.left + (face.Width() - width) / 2 + 0.5f),
	                floorf(face.top + (face.Height() + height.ascent - height.descent) / 2 + 0.5f));
	SetHighColor(ui_color(B_CONTROL_TEXT_COLOR));
	SetLowColor(down ? tint_color(panel, B_DARKEN_2_TINT) : tint_color(panel, B_LIGHTEN_1_TINT));
	DrawString(fLabel.c_str(), baseline);
}

void AlertButton::MouseDown(BPoint where)
{
	int32 buttons = 0;
	if (BMessage* event = Window()->CurrentMessage())
		event->FindInt32("buttons", &buttons);
	if ((buttons & B_PRIMARY_MOUSE_BUTTON) == 0)
		return;
	fTracking = true;
	fInside = Bounds().Contains(where);
	SetMouseEventMask(B_POINTER_EVENTS, B_LOCK_WINDOW_FOCUS);
	Invalidate();
}

void AlertButton::MouseMoved(BPoint where, uint32 /*transit*/, const BMessage* /*dragMessage*/)
{
	if (!fTracking)
		return;
	bool inside = Bounds().Contains(where);
	if (inside == fInside)
		return;
	fInside = inside;
	Invalidate();
}

void AlertButton::MouseUp(BPoint where)
{
	if (!fTracking)
		return;
	fTracking = false;
	bool clicked = Bounds().Contains(where);
	Invalidate();
	if (clicked)
		Press();
}

void AlertButton::Press()
{
	BMessage message(kAlertButtonMsg);
	message.AddInt32("which", fIndex);
	Window()->PostMessage(&message);
}

} // namespace BPrivate
