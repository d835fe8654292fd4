#ifndef _ALERT_PRIVATE_H
#define _ALERT_PRIVATE_H

#include <Alert.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "kernel/ThreadPrivate.h"

class BBitmap;
class BInvoker;

namespace BPrivate {

class AlertButton;
class AlertTextView;

// A button was pressed: "which" (int32) is its index. Posted to the alert.
const uint32 kAlertButtonMsg = 'ALTB';

// What a synchronous Go() waits for. Shared between the waiting thread and
// the alert, which may be gone by the time the waiter reads it.
struct AlertResult {
	std::mutex lock;
	WaitList waiters;      // guarded by lock
	bool done = false;     // guarded by lock
	int32 value = -1;      // guarded by lock
	thread_id thread = -1; // the alert's thread, still ending; guarded by lock
};

// Everything a BAlert holds; window thread with the window locked, except
// where noted.
struct AlertData {
	std::string text;
	alert_type type = B_INFO_ALERT;
	button_width width = B_WIDTH_AS_USUAL;
	button_spacing spacing = B_EVEN_SPACING;
	std::vector<AlertButton*> buttons;   // views of the window
	char keys[3] = {0, 0, 0};            // shortcuts by button index
	AlertTextView* textView = NULL;      // the view behind everything
	BInvoker* invoker = NULL;            // owned; asynchronous Go()
	std::shared_ptr<AlertResult> result; // synchronous Go(); NULL otherwise
	int32 pressed = -1;                  // the button that ended the alert
};

} // namespace BPrivate

#endif
