#include "state/PLControlNullState.h"

#include <Font.h>

#include <string>

#include "view/PLControlView.h"

PLControlNullState* PLControlNullState::Instance()
{
	static PLControlNullState* instance = new PLControlNullState;
	return instance;
}

void PLControlNullState::Draw(PLControlView* view, BRect updateRect)
{
	std::string text(view->FileName());
	text += " not found.";

	view->SetFont(be_bold_font, B_FONT_ALL);
	float width = be_bold_font->StringWidth(text.c_str());
	font_height height;
	be_bold_font->GetHeight(&height);

	BRect bounds = view->Bounds();
	view->SetHighColor(255, 255, 255, 255);
	view->FillRect(bounds, B_SOLID_HIGH);
	view->SetHighColor(0, 0, 0, 255);
	// A view narrower than the text clips it at both sides.
	view->DrawString(text.c_str(), TextStart(bounds, width, height), NULL);

	view->PLReplicantableView::Draw(updateRect);
}

void PLControlNullState::MouseDown(PLControlView*, BPoint) {}

void PLControlNullState::MouseMoved(PLControlView*, BPoint, uint32, const BMessage*) {}

void PLControlNullState::MouseUp(PLControlView*, BPoint) {}

BPoint PLControlNullState::TextStart(BRect bounds, float width, const font_height& height)
{
	float textHeight = height.ascent + height.descent + height.leading;
	return BPoint((bounds.Width() - width) * 0.5f, (bounds.Height() + textHeight) * 0.5f);
}
