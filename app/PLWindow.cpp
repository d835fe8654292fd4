#include "app/PLWindow.h"

#include <Application.h>
#include <Message.h>

#include "app/PLWindowLink.h"
#include "view/Commands.h"

PLWindow::PLWindow(BRect frame, const entry_ref& ref)
    : BWindow(frame, NULL, B_TITLED_WINDOW, 0, B_CURRENT_WORKSPACE), fRef(ref),
      fLink(std::make_shared<PLWindowLink>(this))
{
	SetSizeLimits(50, 10000, 50, 10000);
}

PLWindow::~PLWindow() {}

void PLWindow::Quit()
{
	// The link is cut before the notice leaves, so that by the time the
	// application reads the notice nothing can reach this window any more.
	fLink->Cut();
	BMessage closed(kMsgWindowClosed);
	closed.AddRef("refs", &fRef);
	be_app_messenger.SendMessage(&closed);
	BWindow::Quit();
}
