#ifndef PL_WINDOW_H
#define PL_WINDOW_H

#include <memory>

#include <Entry.h>
#include <Window.h>

class PLWindowLink;

// The document window that shows one file: its only child is the viewing
// view of that file. It tells the application that it has gone by a posted
// message, never by a call, so a closing window never waits for the
// application.
class PLWindow : public BWindow {
public:
	// |frame| is the content area in screen coordinates; the view sets the
	// title once it is attached.
	PLWindow(BRect frame, const entry_ref& ref);
	virtual ~PLWindow();

	// Cuts the window's link and posts 'Mwcr' with "refs" = the entry_ref
	// the window was opened with to the application, then quits.
	virtual void Quit();

	// The entry_ref the window was created with; it does not follow the file.
	const entry_ref& Ref() const { return fRef; }
	// Shared with the application's registry (see PLWindowLink).
	const std::shared_ptr<PLWindowLink>& Link() const { return fLink; }

private:
	entry_ref fRef;                      // fixed
	std::shared_ptr<PLWindowLink> fLink; // fixed; cut by Quit()
};

#endif
