#ifndef DEMO_VIEW_H
#define DEMO_VIEW_H

#include <View.h>

class BBitmap;

// Shows one picture fitted into the view, centred on black, with a caption.
class DemoView : public BView {
public:
	DemoView(BRect frame, BBitmap* picture, const char* caption);
	virtual ~DemoView();

	virtual void Draw(BRect updateRect);
	virtual void KeyDown(const char* bytes, int32 numBytes);
	virtual void FrameResized(float width, float height);

private:
	BRect _PictureFrame() const;

	BBitmap* fPicture; // owned
	char* fCaption;    // owned
};

#endif
