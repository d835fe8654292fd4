#ifndef PLATFORM_TRANSLATION_TIFF_ALPHA_H
#define PLATFORM_TRANSLATION_TIFF_ALPHA_H

#include <DataIO.h>

namespace BPrivate {

// Whether the colour that gdk-pixbuf's TIFF loader gives for the first
// picture of the TIFF at |start| comes multiplied by its alpha. The loader
// reads through libtiff's RGBA interface, which multiplies unassociated
// alpha into RGB and hands associated (and unspecified) alpha on as
// stored; grey with alpha it passes through as stored either way. Only
// grey with unassociated alpha thus comes out straight. Reads the header
// and the first IFD, a few kilobytes at most.
bool tiff_colour_premultiplied(BPositionIO* stream, off_t start);

} // namespace BPrivate

#endif
