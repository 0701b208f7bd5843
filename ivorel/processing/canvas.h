// Canvas enlargement as a step of other operations (rotation, shear, warps): the new extent a factor gives,
// and a run of EnlargeCanvas with a parameter block of its own.
#pragma once

#include "ivorel/processing/processing.h"

namespace ivorel {

// trunc(size x factor), the factor taken at double precision as the 32-bit word holds it; 0 for factors
// that give no size (negative, not a number), and capped far above any 16-bit extent.
long canvas_extent(unsigned short size, float factor);

// EnlargeCanvas with anchor, fill and the two factors; the processor's own block is restored afterwards.
// True when the canvas has the size the factors ask for (also when it already had it): false when that
// size cannot be had (too large, memory short).
bool enlarge_canvas_with(TProcessImageEx& processor, int anchor, int fill, float widthFactor,
                         float heightFactor);

}  // namespace ivorel
