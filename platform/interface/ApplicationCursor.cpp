// The application's calls on the pointer, which go to the display.

#include <Application.h>

#include "display/DisplayBackend.h"

void BApplication::ObscureCursor()
{
	if (BPrivate::DisplayBackend* backend = BPrivate::display_backend())
		backend->ObscureCursor();
}
