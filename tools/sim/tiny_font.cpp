#include "tools/sim/tiny_font.h"

#include <cctype>

namespace glimmerkin {
namespace {

// Five rows of three bits per glyph, top row first, leftmost pixel the high bit.
struct Glyph {
  char c;
  uint8_t rows[5];
};

constexpr Glyph kGlyphs[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 3, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 2, 2}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}}, {'A', {2, 5, 7, 5, 5}}, {'B', {6, 5, 6, 5, 6}},
    {'C', {3, 4, 4, 4, 3}}, {'D', {6, 5, 5, 5, 6}}, {'E', {7, 4, 6, 4, 7}}, {'F', {7, 4, 6, 4, 4}},
    {'G', {3, 4, 5, 5, 3}}, {'H', {5, 5, 7, 5, 5}}, {'I', {7, 2, 2, 2, 7}}, {'J', {1, 1, 1, 5, 2}},
    {'K', {5, 5, 6, 5, 5}}, {'L', {4, 4, 4, 4, 7}}, {'M', {5, 7, 7, 5, 5}}, {'N', {6, 5, 5, 5, 5}},
    {'O', {2, 5, 5, 5, 2}}, {'P', {6, 5, 6, 4, 4}}, {'Q', {2, 5, 5, 6, 3}}, {'R', {6, 5, 6, 5, 5}},
    {'S', {3, 4, 2, 1, 6}}, {'T', {7, 2, 2, 2, 2}}, {'U', {5, 5, 5, 5, 7}}, {'V', {5, 5, 5, 5, 2}},
    {'W', {5, 5, 7, 7, 5}}, {'X', {5, 5, 2, 5, 5}}, {'Y', {5, 5, 2, 2, 2}}, {'Z', {7, 1, 2, 4, 7}},
    {',', {0, 0, 0, 2, 4}}, {'-', {0, 0, 7, 0, 0}}, {'.', {0, 0, 0, 0, 2}}, {':', {0, 2, 0, 2, 0}},
};

const Glyph* Find(char c) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const Glyph& g : kGlyphs)
    if (g.c == upper) return &g;
  return nullptr;
}

}  // namespace

int32_t LabelWidth(std::string_view text, int32_t scale) {
  return static_cast<int32_t>(text.size()) * 4 * scale;
}

void DrawLabel(uint32_t* pixels, int32_t width, int32_t height, int32_t x, int32_t y,
               std::string_view text, int32_t scale, uint32_t colour) {
  for (char c : text) {
    if (const Glyph* g = Find(c)) {
      for (int32_t row = 0; row < 5; ++row)
        for (int32_t col = 0; col < 3; ++col) {
          if (((g->rows[row] >> (2 - col)) & 1) == 0) continue;
          for (int32_t dy = 0; dy < scale; ++dy)
            for (int32_t dx = 0; dx < scale; ++dx) {
              const int32_t px = x + col * scale + dx, py = y + row * scale + dy;
              if (px >= 0 && py >= 0 && px < width && py < height)
                pixels[static_cast<size_t>(py) * static_cast<size_t>(width) + static_cast<size_t>(px)] = colour;
            }
        }
    }
    x += 4 * scale;
  }
}

}  // namespace glimmerkin
