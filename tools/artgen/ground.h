#pragma once
#include "tools/artgen/artwork.h"

namespace glimmerkin::artgen {

// The 640 by 480 ground tile: low-contrast grey noise with a few pebbles and
// cracks, drawn on a torus so that it tiles without a seam.
IndexedImage MakeGround();

}  // namespace glimmerkin::artgen
