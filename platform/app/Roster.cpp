#include <Roster.h>

#include <string.h>

app_info::app_info() : thread(-1), team(-1), port(-1), flags(0)
{
	memset(signature, 0, sizeof(signature));
}

app_info::~app_info() {}
