#ifndef _ALERT_BUTTON_H
#define _ALERT_BUTTON_H

#include <View.h>

#include <string>

namespace BPrivate {

// One button of an alert, named "_b<index>_": a framed label that posts kAlertButtonMsg with its
// index to the window when it is clicked (pressed and released inside). The
// default button wears a second, outer frame; every button leaves room for
// it (kDefaultRing pixels on each side).
class AlertButton : public BView {
public:
	static const int32 kDefaultRing = 3;

	AlertButton(BRect frame, const char* label, int32 index);

	virtual void Draw(BRect updateRect);
	virtual void MouseDown(BPoint where);
	virtual void MouseMoved(BPoint where, uint32 transit, const BMessage* dragMessage);
	virtual void MouseUp(BPoint where);

	void SetDefault(bool isDefault);
	bool IsDefault() const { return fDefault; }
	const char* Label() const { return fLabel.c_str(); }
	int32 Index() const { return fIndex; }
	// Posts the button's message as a click would.
	void Press();

	// The width and height a label needs, frame and ring included.
	static float WidthFor(const BFont& font, const char* label);
	static float HeightFor(const BFont& font);

private:
	std::string fLabel;
	int32 fIndex;
	bool fDefault;
	bool fTracking; // the primary button went down on this button
	bool fInside;   // and the pointer is over it now
};

} // namespace BPrivate

#endif
