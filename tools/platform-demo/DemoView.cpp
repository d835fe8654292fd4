#include "DemoView.h"

#include <stdlib.h>
#include <string.h>

#include <AppDefs.h>
#include <Bitmap.h>
#include <Font.h>
#include <InterfaceDefs.h>
#include <Window.h>

namespace {

const float kCaptionHeight = 24;

} // namespace

DemoView::DemoView(BRect frame, BBitmap* picture, const char* caption)
    : BView(frame, "demo", B_FOLLOW_ALL_SIDES,
            B_WILL_DRAW | B_FRAME_EVENTS | B_FULL_UPDATE_ON_RESIZE),
      fPicture(picture), fCaption(strdup(caption != NULL ? caption : ""))
{
	SetViewColor(B_TRANSPARENT_COLOR); // Draw paints every pixel
}

DemoView::~DemoView()
{
	delete fPicture;
	free(fCaption);
}

BRect DemoView::_PictureFrame() const
{
	BRect bounds = Bounds();
	bounds.bottom -= kCaptionHeight;
	if (fPicture == NULL || !bounds.IsValid())
		return BRect();
	BRect source = fPicture->Bounds();
	// Fit whole pixels: sizes are pixel counts here, not BRect widths.
	double sourceWidth = source.Width() + 1;
	double sourceHeight = source.Height() + 1;
	double scale = (bounds.Width() + 1) / sourceWidth;
	if ((bounds.Height() + 1) / sourceHeight < scale)
		scale = (bounds.Height() + 1) / sourceHeight;
	if (scale > 1)
		scale = 1;
	float width = static_cast<float>(static_cast<int32>(sourceWidth * scale));
	float height = static_cast<float>(static_cast<int32>(sourceHeight * scale));
	if (width < 1 || height < 1)
		return BRect();
	float left = static_cast<float>(static_cast<int32>((bounds.Width() + 1 - width) / 2));
	float top = static_cast<float>(static_cast<int32>((bounds.Height() + 1 - height) / 2));
	return BRect(left, top, left + width - 1, top + height - 1);
}

void DemoView::Draw(BRect)
{
	BRect bounds = Bounds();
	SetHighColor(0, 0, 0);
	FillRect(bounds);

	BRect pictureFrame = _PictureFrame();
	if (pictureFrame.IsValid())
		DrawBitmap(fPicture, pictureFrame);

	BRect captionFrame = bounds;
	captionFrame.top = bounds.bottom - kCaptionHeight + 1;
	SetHighColor(40, 44, 52);
	FillRect(captionFrame);
	SetHighColor(230, 230, 230);
	SetFont(be_plain_font);
	SetFontSize(13);
	DrawString(fCaption, BPoint(8, captionFrame.bottom - 7));
}

void DemoView::KeyDown(const char* bytes, int32 numBytes)
{
	if (numBytes == 1 && (bytes[0] == 'q' || bytes[0] == B_ESCAPE)) {
		Window()->PostMessage(B_QUIT_REQUESTED);
		return;
	}
	BView::KeyDown(bytes, numBytes);
}

void DemoView::FrameResized(float, float)
{
	Invalidate();
}
