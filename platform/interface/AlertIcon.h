#ifndef _ALERT_ICON_H
#define _ALERT_ICON_H

#include <Alert.h>

class BBitmap;

namespace BPrivate {

const int32 kAlertIconSize = 32;

// The picture of an alert type, kAlertIconSize pixels square, B_RGBA32 (not
// premultiplied, clear around the shape): a blue disc with an "i" for
// information, a yellow bulb for an idea, an amber triangle with "!" for a
// warning, a red disc with a bar for a stop. NULL for B_EMPTY_ALERT or
// unknown types. The caller owns the bitmap.
BBitmap* make_alert_icon(alert_type type);

} // namespace BPrivate

#endif
