#ifndef _SCREEN_H
#define _SCREEN_H

#include <GraphicsDefs.h>
#include <Rect.h>

class BWindow;

// The display the windows are on. There is one screen, B_MAIN_SCREEN_ID.
class BScreen {
public:
	BScreen(screen_id id = B_MAIN_SCREEN_ID);
	// The screen |window| is on.
	BScreen(BWindow* window);
	~BScreen();

	// False for an unknown screen, or when no display could be opened.
	bool IsValid();
	// There is no next screen: B_ERROR.
	status_t SetToNext();

	color_space ColorSpace();
	// (0, 0, width - 1, height - 1); invalid when the screen is not.
	BRect Frame();
	screen_id ID();

private:
	screen_id fID;
	bool fValid;
};

#endif
