#include "interface/AlertTextView.h"

#include <Bitmap.h>
#include <InterfaceDefs.h>

#include <math.h>

namespace BPrivate {

AlertTextView::AlertTextView(BRect frame, BBitmap* icon)
    : BView(frame, "_master_", B_FOLLOW_ALL_SIDES, B_WILL_DRAW), fIcon(icon)
{
	SetViewColor(ui_color(B_PANEL_BACKGROUND_COLOR));
	SetLowColor(ViewColor());
	SetFont(be_plain_font);
}

AlertTextView::~AlertTextView()
{
	delete fIcon;
}

void AlertTextView::SetLines(const std::vector<std::string>& lines)
{
	fLines = lines;
	Invalidate();
}

float AlertTextView::TextLeft() const
{
	return fIcon != NULL ? kTextLeftWithIcon : kTextLeftAlone;
}

float AlertTextView::LinesHeight(int32 count) const
{
	font_height height;
	GetFontHeight(&height);
	return count * ceilf(height.ascent + height.descent + height.leading);
}

void AlertTextView::Draw(BRect /*updateRect*/)
{
	BRect bounds = Bounds();
	if (fIcon != NULL) {
		SetHighColor(tint_color(ViewColor(), B_DARKEN_1_TINT));
		FillRect(BRect(bounds.left, bounds.top, bounds.left + kStripeWidth - 1, bounds.bottom));
		DrawBitmap(fIcon, BPoint(kIconLeft, kIconTop));
	}

	font_height height;
	GetFontHeight(&height);
	float lineHeight = ceilf(height.ascent + height.descent + height.leading);
	SetHighColor(ui_color(B_PANEL_TEXT_COLOR));
	SetLowColor(ViewColor());
	float baseline = kTextTop + ceilf(height.ascent);
	for (const std::string& line : fLines) {
		if (!line.empty())
			DrawString(line.c_str(), BPoint(TextLeft(), baseline));
		baseline += lineHeight;
	}
}

} // namespace BPrivate
