#ifndef PL_RESCOMP_SYSTEM_PALETTE_H
#define PL_RESCOMP_SYSTEM_PALETTE_H

// The palette is the interface kit's; rescomp maps pictures to it.
#include "interface/SystemPalette.h"

using BPrivate::kSystemPalette;
using BPrivate::kSystemPaletteSize;
using BPrivate::kTransparentIndex;

#endif
