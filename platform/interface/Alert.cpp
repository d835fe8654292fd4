// BAlert: layout, the keys that press its buttons, and the two ways to run
// it: Go() waits for the answer, Go(BInvoker*) sends it.

#include <Alert.h>

#include <AppDefs.h>
#include <Invoker.h>
#include <Message.h>
#include <MessageFilter.h>
#include <OS.h>
#include <Screen.h>

#include <math.h>

#include "interface/AlertButton.h"
#include "interface/AlertIcon.h"
#include "interface/AlertPrivate.h"
#include "interface/AlertTextView.h"
#include "interface/TextWrap.h"

using BPrivate::AlertButton;
using BPrivate::AlertData;
using BPrivate::AlertResult;
using BPrivate::AlertTextView;

// Pixel sizes of the layout.
static const float kMinWidth = 310;
static const float kUsualButtonWidth = 75 + 2 * AlertButton::kDefaultRing;
static const float kButtonGap = 6;
static const float kOffsetSpacing = 62;
static const float kMargin = 10;
static const float kTextToButtons = 10;

// While Go() blocks a window's thread, that window still draws this often.
static const bigtime_t kCallerUpdateInterval = 50000;

namespace {

// Enter presses the default button; a button's shortcut presses it. Both
// come before the views see the key.
class AlertKeyFilter : public BMessageFilter {
public:
	AlertKeyFilter(AlertData* data) : BMessageFilter(B_KEY_DOWN), fData(data) {}

	filter_result Filter(BMessage* message, BHandler** /*target*/) override
	{
		// A key held down since before the alert appeared must not answer it.
		if (message->HasInt32("be:key_repeat"))
			return B_DISPATCH_MESSAGE;
		const char* bytes = NULL;
		if (message->FindString("bytes", &bytes) != B_OK || bytes == NULL || bytes[0] == '\0' ||
		    bytes[1] != '\0')
			return B_DISPATCH_MESSAGE;
		char key = bytes[0];
		const std::vector<AlertButton*>& buttons = fData->buttons;
		for (size_t i = 0; i < buttons.size(); i++) {
			if (fData->keys[i] != 0 && fData->keys[i] == key) {
				buttons[i]->Press();
				return B_SKIP_MESSAGE;
			}
		}
		if (key == B_ENTER && !buttons.empty()) {
			buttons.back()->Press();
			return B_SKIP_MESSAGE;
		}
		return B_DISPATCH_MESSAGE;
	}

private:
	AlertData* fData;
};

} // namespace

BAlert::BAlert(const char* title, const char* text, const char* button0, const char* button1,
               const char* button2, button_width width, alert_type type)
    : BWindow(BRect(0, 0, 100, 100), title, B_MODAL_WINDOW,
              B_NOT_CLOSABLE | B_NOT_RESIZABLE | B_NOT_ZOOMABLE | B_NOT_MINIMIZABLE)
{
	_Init(text, button0, button1, button2, width, B_EVEN_SPACING, type);
}

BAlert::BAlert(const char* title, const char* text, const char* button0, const char* button1,
               const char* button2, button_width width, button_spacing spacing, alert_type type)
    : BWindow(BRect(0, 0, 100, 100), title, B_MODAL_WINDOW,
              B_NOT_CLOSABLE | B_NOT_RESIZABLE | B_NOT_ZOOMABLE | B_NOT_MINIMIZABLE)
{
	_Init(text, button0, button1, button2, width, spacing, type);
}

BAlert::~BAlert()
{
	// A synchronous Go() learns the answer now; it waits for this thread to
	// end before it returns, so the alert is gone by then.
	if (std::shared_ptr<AlertResult> result = fData->result) {
		std::lock_guard<std::mutex> guard(result->lock);
		result->value = fData->pressed;
		if (find_thread(NULL) == Thread())
			result->thread = Thread();
		result->done = true;
		result->waiters.NotifyAll();
	}
	delete fData->invoker;
	delete fData;
}

void BAlert::_Init(const char* text, const char* button0, const char* button1, const char* button2,
                   button_width width, button_spacing spacing, alert_type type)
{
	fData = new AlertData;
	fData->text = text != NULL ? text : "";
	fData->type = type;
	fData->width = width;
	fData->spacing = spacing;

	fData->textView = new AlertTextView(Bounds(), BPrivate::make_alert_icon(type));
	AddChild(fData->textView);
	// Buttons without a label are left out, as the Be API does.
	const char* labels[3] = {button0, button1, button2};
	for (const char* label : labels) {
		if (label == NULL || label[0] == '\0')
			continue;
		AlertButton* button =
		    new AlertButton(BRect(0, 0, 0, 0), label, static_cast<int32>(fData->buttons.size()));
		fData->buttons.push_back(button);
		fData->textView->AddChild(button);
	}
	if (!fData->buttons.empty())
		fData->buttons.back()->SetDefault(true);
	AddCommonFilter(new AlertKeyFilter(fData));
	_Layout();
}

// Sizes the buttons by the width mode, makes the alert wide enough for them,
// wraps the text to what is left, and centres the alert on the screen.
void BAlert::_Layout()
{
	const BFont& font = *be_plain_font;
	std::vector<AlertButton*>& buttons = fData->buttons;
	std::vector<float> widths;
	float widest = 0;
	for (AlertButton* button : buttons) {
		widths.push_back(AlertButton::WidthFor(font, button->Label()));
		widest = fmaxf(widest, widths.back());
	}
	for (float& width : widths) {
		if (fData->width == B_WIDTH_FROM_WIDEST)
			width = widest;
		else if (fData->width == B_WIDTH_AS_USUAL)
			width = fmaxf(width, kUsualButtonWidth);
	}
	float buttonsWidth = 0;
	for (float width : widths)
		buttonsWidth += width;
	if (!widths.empty())
		buttonsWidth += kButtonGap * (widths.size() - 1);
	if (fData->spacing == B_OFFSET_SPACING && widths.size() > 1)
		buttonsWidth += kOffsetSpacing;

	AlertTextView* textView = fData->textView;
	float textLeft = textView->TextLeft();
	// The ring of each button lies in the margins.
	float ring = AlertButton::kDefaultRing;
	BRect screen = BScreen().Frame();
	float width = fmaxf(kMinWidth, textLeft - ring + buttonsWidth + kMargin - ring);
	width = ceilf(fminf(width, screen.Width() + 1));

	std::vector<std::string> lines =
	    BPrivate::wrap_text(font, fData->text.c_str(), width - textLeft - kMargin);
	textView->SetLines(lines);
	float textBottom = AlertTextView::kTextTop + textView->LinesHeight(lines.size());
	if (textView->TextLeft() == AlertTextView::kTextLeftWithIcon) {
		textBottom = fmaxf(textBottom, AlertTextView::kIconTop + BPrivate::kAlertIconSize);
	}
	float buttonHeight = AlertButton::HeightFor(font);
	float height = ceilf(textBottom + kTextToButtons + buttonHeight + kMargin - ring);
	// A text too long for the screen is cut, not the buttons.
	height = fminf(height, screen.Height() + 1);

	ResizeTo(width - 1, height - 1);
	textView->ResizeTo(width - 1, height - 1);
	float right = width - (kMargin - ring);
	float top = height - (kMargin - ring) - buttonHeight;
	for (int32 i = static_cast<int32>(buttons.size()) - 1; i >= 0; i--) {
		float left = right - widths[i];
		buttons[i]->MoveTo(left, top);
		buttons[i]->ResizeTo(widths[i] - 1, buttonHeight - 1);
		right = left - kButtonGap;
		if (i == 1 && fData->spacing == B_OFFSET_SPACING)
			right -= kOffsetSpacing;
	}
	MoveTo(AlertPosition(width - 1, height - 1));
}

BPoint BAlert::AlertPosition(float width, float height)
{
	BRect screen = BScreen().Frame();
	return BPoint(floorf(screen.left + (screen.Width() - width) / 2),
	              floorf(screen.top + (screen.Height() - height) / 2));
}

void BAlert::SetShortcut(int32 index, char key)
{
	if (index >= 0 && index < 3)
		fData->keys[index] = key;
}

char BAlert::Shortcut(int32 index) const
{
	if (index >= 0 && index < 3)
		return fData->keys[index];
	return 0;
}

int32 BAlert::CountButtons() const
{
	return static_cast<int32>(fData->buttons.size());
}

alert_type BAlert::Type() const
{
	return fData->type;
}

int32 BAlert::Go()
{
	// Nothing could ever answer an alert without buttons.
	if (fData->buttons.empty()) {
		Quit();
		return -1;
	}
	std::shared_ptr<AlertResult> result = std::make_shared<AlertResult>();
	fData->result = result;
	BWindow* caller = dynamic_cast<BWindow*>(BLooper::LooperForThread(find_thread(NULL)));
	Show();
	// From here on the alert may be gone at any moment: only |result| is ours.

	std::unique_lock<std::mutex> lock(result->lock);
	while (!result->done) {
		if (caller == NULL) {
			result->waiters.Wait(lock, B_INFINITE_TIMEOUT);
			continue;
		}
		// The caller holds its window locked: let it draw what is due.
		lock.unlock();
		caller->UpdateIfNeeded();
		lock.lock();
		if (!result->done)
			result->waiters.Wait(lock, system_time() + kCallerUpdateInterval);
	}
	int32 value = result->value;
	thread_id thread = result->thread;
	lock.unlock();
	if (thread >= 0 && thread != find_thread(NULL))
		wait_for_thread(thread, NULL);
	return value;
}

status_t BAlert::Go(BInvoker* invoker)
{
	fData->invoker = invoker;
	if (fData->buttons.empty()) {
		Quit();
		return B_BAD_VALUE;
	}
	Show();
	return B_OK;
}

void BAlert::_Pressed(int32 index)
{
	if (index < 0 || index >= CountButtons())
		return;
	fData->pressed = index;
	if (BInvoker* invoker = fData->invoker) {
		BMessage* message = invoker->Message();
		if (message != NULL) {
			if (message->ReplaceInt32("which", index) != B_OK)
				message->AddInt32("which", index);
			invoker->Invoke();
		}
	}
	Quit();
}

void BAlert::MessageReceived(BMessage* message)
{
	if (message->what == BPrivate::kAlertButtonMsg) {
		int32 which = -1;
		if (message->FindInt32("which", &which) == B_OK)
			_Pressed(which);
		return;
	}
	BWindow::MessageReceived(message);
}
