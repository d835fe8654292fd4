#ifndef _IMAGE_H
#define _IMAGE_H

#include <SupportDefs.h>

// A loaded executable image (application, library or add-on).
typedef int32 image_id;

#endif
