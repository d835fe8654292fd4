#ifndef _DISPLAY_BACKEND_PRIVATE_H
#define _DISPLAY_BACKEND_PRIVATE_H

#include "display/DisplayBackend.h"

namespace BPrivate {

// Opens the offscreen display unless one is already open (then returns that).
DisplayBackend* display_backend_preferring_offscreen();

} // namespace BPrivate

#endif
