#pragma once
#include "tools/artgen/paint.h"

namespace glimmerkin::artgen {

// Draws the word into a 345 by 32 strip, ink and rim within columns 4..306
// and rows 3..30.
void DrawCaption(Canvas& strip, Palette& palette);

}  // namespace glimmerkin::artgen
