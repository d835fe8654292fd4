#include "app/PLWindowLink.h"

#include <Window.h>

PLWindowLink::PLWindowLink(BWindow* window) : fWindow(window), fMessenger(window) {}

bool PLWindowLink::IsAlive() const
{
	std::lock_guard<std::mutex> guard(fLock);
	return fWindow != NULL;
}

bool PLWindowLink::IsActive() const
{
	std::lock_guard<std::mutex> guard(fLock);
	return fWindow != NULL && fWindow->IsActive();
}

bool PLWindowLink::Activate() const
{
	std::lock_guard<std::mutex> guard(fLock);
	if (fWindow == NULL)
		return false;
	fWindow->Activate(true);
	return true;
}

void PLWindowLink::Cut()
{
	std::lock_guard<std::mutex> guard(fLock);
	fWindow = NULL;
}
