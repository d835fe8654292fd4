#ifndef _FS_ATTR_H
#define _FS_ATTR_H

#include <SupportDefs.h>

// On Linux an attribute is the extended attribute "user.<name>"; the Be type
// attribute "BEOS:TYPE" is the freedesktop "user.mime_type".
typedef struct attr_info {
	uint32 type;
	off_t size;
} attr_info;

#endif
