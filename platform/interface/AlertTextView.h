#ifndef _ALERT_TEXT_VIEW_H
#define _ALERT_TEXT_VIEW_H

#include <View.h>

#include <string>
#include <vector>

class BBitmap;

namespace BPrivate {

// The alert's background view: the icon on its darker stripe at the left and
// the text, already broken into lines, to its right. The buttons are its
// children.
class AlertTextView : public BView {
public:
	// Where the text starts and how wide the stripe is, with and without an
	// icon.
	static const int32 kStripeWidth = 30;
	static const int32 kIconLeft = 18;
	static const int32 kIconTop = 8;
	static const int32 kTextLeftWithIcon = 64;
	static const int32 kTextLeftAlone = 12;
	static const int32 kTextTop = 10;

	// Takes |icon| (may be NULL).
	AlertTextView(BRect frame, BBitmap* icon);
	virtual ~AlertTextView();

	virtual void Draw(BRect updateRect);

	void SetLines(const std::vector<std::string>& lines);
	const std::vector<std::string>& Lines() const { return fLines; }
	float TextLeft() const;
	// The height of |count| lines in the view's font.
	float LinesHeight(int32 count) const;

private:
	BBitmap* fIcon; // owned
	std::vector<std::string> fLines;
};

} // namespace BPrivate

#endif
