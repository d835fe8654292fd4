#ifndef _ALERT_H
#define _ALERT_H

#include <InterfaceDefs.h>
#include <Window.h>

class BInvoker;

namespace BPrivate {
struct AlertData;
}

enum alert_type { B_EMPTY_ALERT = 0, B_INFO_ALERT, B_IDEA_ALERT, B_WARNING_ALERT, B_STOP_ALERT };

enum button_spacing { B_EVEN_SPACING = 0, B_OFFSET_SPACING };

// A modal message box: a type icon, a text wrapped to the box, and up to
// three buttons at the bottom right, numbered 0 (leftmost) to 2. The last
// button is the default one and answers Enter; a button given a shortcut
// with SetShortcut() answers that key (B_ESCAPE for the escape button). The
// alert is centred on the screen. Once a button is pressed the alert quits
// and deletes itself.
class BAlert : public BWindow {
public:
	BAlert(const char* title, const char* text, const char* button0, const char* button1 = NULL,
	       const char* button2 = NULL, button_width width = B_WIDTH_AS_USUAL,
	       alert_type type = B_INFO_ALERT);
	BAlert(const char* title, const char* text, const char* button0, const char* button1,
	       const char* button2, button_width width, button_spacing spacing,
	       alert_type type = B_INFO_ALERT);
	virtual ~BAlert();

	void SetShortcut(int32 index, char key);
	char Shortcut(int32 index) const;

	// Shows the alert and blocks the calling thread until a button is
	// pressed: its index, or -1 when the alert was told to quit first. The
	// alert has deleted itself when this returns. Called from a window's
	// thread, that window keeps drawing its updates meanwhile (its lock stays
	// held, so it handles no other message).
	int32 Go();
	// Shows the alert and returns at once. When a button is pressed, the
	// invoker's message goes to its target with the button's index in "which";
	// the alert owns |invoker| and deletes it. NULL: no message.
	status_t Go(BInvoker* invoker);

	virtual void MessageReceived(BMessage* message);

	int32 CountButtons() const;
	alert_type Type() const;

	// Left-top for an alert of this size: centred on the main screen.
	static BPoint AlertPosition(float width, float height);

private:
	void _Init(const char* text, const char* button0, const char* button1, const char* button2,
	           button_width width, button_spacing spacing, alert_type type);
	void _Layout();
	void _Pressed(int32 index);

	BPrivate::AlertData* fData; // owned
};

#endif
