#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace glimmerkin {

// Every cell of the sprite sheet that some sprite or the caption shows.
struct SheetCell {
  int32_t x, y, width, height;
  std::string name;
};

inline std::vector<SheetCell> SheetCells() {
  std::vector<SheetCell> cells;
  for (int32_t row = 0; row < 2; ++row)
    for (int32_t col = 0; col < 12; ++col)
      cells.push_back({70 * col, 70 * row, 70, 70,
                       std::string(col < 6 ? "adult0 " : "adult1 ") + (row == 0 ? "R" : "L") +
                           std::to_string(col % 6)});
  cells.push_back({0, 420, 70, 70, "blush R"});
  cells.push_back({70, 420, 70, 70, "blush L"});
  for (int32_t row = 0; row < 4; ++row)
    for (int32_t col = 0; col < 6; ++col)
      cells.push_back({120 * col, 140 + 70 * row, 120, 70,
                       std::string(row < 2 ? "hug " : "hugm ") + std::to_string((row % 2) * 6 + col)});
  for (int32_t row = 0; row < 5; ++row)
    cells.push_back({720, 140 + 70 * row, 120, 70, "mound " + std::to_string(row)});
  cells.push_back({600, 420, 120, 70, "mound 5"});
  for (int32_t row = 0; row < 2; ++row)
    for (int32_t col = 0; col < 14; ++col)
      cells.push_back({140 + 32 * col, 420 + 32 * row, 32, 32,
                       "baby " + std::to_string(col) + (row == 0 ? "R" : "L")});
  for (int32_t col : {0, 1, 3, 4, 5, 6, 7, 8, 9, 10})
    cells.push_back({140 + 32 * col, 484, 32, 32, "baby " + std::to_string(col) + "F"});
  for (int32_t i = 0; i < 6; ++i)
    cells.push_back({16 * (i % 3), 490 + 16 * (i / 3), 16, 16, "heart " + std::to_string(i)});
  cells.push_back({210, 490, 27, 32, "shadow"});
  cells.push_back({493, 490, 345, 32, "caption"});
  return cells;
}

}  // namespace glimmerkin
