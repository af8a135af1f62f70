#pragma once
#include <cstdint>
#include <string_view>

namespace glimmerkin {

// A 3x5 pixel font of capitals, digits and a few signs, for labels on
// review images. Unknown characters draw as blanks.
void DrawLabel(uint32_t* pixels, int32_t width, int32_t height, int32_t x, int32_t y,
               std::string_view text, int32_t scale, uint32_t colour);
int32_t LabelWidth(std::string_view text, int32_t scale);

}  // namespace glimmerkin
