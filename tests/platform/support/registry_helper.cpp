// An application linked with the library of registry_classes.cpp: when it
// runs, it records itself in the registry with that library, and ends.

#include <Application.h>

int main()
{
	BApplication app("application/x-vnd.test-registry");
	return app.InitCheck() == B_OK ? 0 : 1;
}
