#include "app/PLApplication.h"

int main()
{
	// The platform hands the command line to ArgvReceived().
	PLApplication application;
	application.Run();
	return 0;
}
