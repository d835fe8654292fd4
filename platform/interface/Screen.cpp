#include <Screen.h>

#include "display/DisplayBackend.h"
#include "include/private/interface/WindowFeelPrivate.h"

using BPrivate::display_backend;

BScreen::BScreen(screen_id id) : fID(id)
{
	fValid = id.id == B_MAIN_SCREEN_ID.id && display_backend() != NULL;
}

BScreen::BScreen(BWindow*) : fID(B_MAIN_SCREEN_ID)
{
	fValid = display_backend() != NULL;
}

BScreen::~BScreen() {}

bool BScreen::IsValid()
{
	return fValid;
}

status_t BScreen::SetToNext()
{
	return B_ERROR;
}

color_space BScreen::ColorSpace()
{
	return fValid ? display_backend()->capabilities.screenSpace : B_NO_COLOR_SPACE;
}

BRect BPrivate::desktop_frame()
{
	BPrivate::DisplayBackend* backend = display_backend();
	return backend != NULL ? backend->DisplayFrame() : BRect();
}

BRect BScreen::Frame()
{
	return fValid ? display_backend()->ScreenFrame() : BRect();
}

screen_id BScreen::ID()
{
	return fID;
}
