#include <MediaDefs.h>

#include <string.h>

media_format::media_format()
{
	memset(static_cast<void*>(this), 0, sizeof(*this));
}

media_decode_info::media_decode_info()
{
	memset(static_cast<void*>(this), 0, sizeof(*this));
}
