#pragma once
// Glimmerkin's artwork, drawn by program: the sprite sheet and its mask, the
// ground tile, the icon and the blank cursor. Everything is computed from
// constants, so every run writes the same bytes.
#include <cstdint>
#include <string>
#include <vector>

namespace glimmerkin::artgen {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

// The flat grey behind every figure of the sheet; it never reaches the screen.
inline constexpr Rgb kKeyGrey{96, 96, 96};

inline constexpr int32_t kSheetWidth = 840;
inline constexpr int32_t kSheetHeight = 522;
inline constexpr int32_t kGroundWidth = 640;
inline constexpr int32_t kGroundHeight = 480;
inline constexpr int32_t kIconSize = 32;

// Palette-indexed picture, rows top-down, one byte per pixel.
struct IndexedImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<Rgb> palette;
  std::vector<uint8_t> pixels;

  Rgb ColourAt(int32_t x, int32_t y) const { return palette[pixels[y * width + x]]; }
};

// The desktop's app icon at one size: RGBA, rows top-down, alpha 0 or 255.
struct AppIcon {
  int32_t size = 0;
  std::vector<uint8_t> rgba;
};
// The sizes of the hicolor theme it is drawn for.
inline constexpr int32_t kAppIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

struct Artwork {
  IndexedImage sheet;               // 840 x 522, 256-colour palette, index 0 the key grey
  std::vector<uint8_t> sheetMask;   // 840 x 522, 1 where a figure is opaque
  IndexedImage ground;              // 640 x 480, its own palette
  IndexedImage icon;                // 32 x 32, 16 colours
  std::vector<uint8_t> iconMask;    // 32 x 32, 1 where the icon is opaque
  std::vector<AppIcon> appIcons;    // one per kAppIconSizes entry, in that order
};

Artwork GenerateArtwork();

// Uncompressed bottom-up BMP with BITMAPINFOHEADER, 8 bits with a 256-entry palette.
std::vector<uint8_t> EncodeBmp8(const IndexedImage& image);
// One bit per pixel, palette black then white; bits holds one 0/1 byte per pixel.
std::vector<uint8_t> EncodeBmp1(int32_t width, int32_t height, const std::vector<uint8_t>& bits);
// One 32 x 32 16-colour icon image with its AND mask.
std::vector<uint8_t> EncodeIcon(const IndexedImage& icon, const std::vector<uint8_t>& opaque);
// One 32 x 32 monochrome cursor, wholly transparent, hot spot (0, 0).
std::vector<uint8_t> EncodeBlankCursor();

// An 8-bit RGBA PNG (stored, uncompressed deflate blocks).
std::vector<uint8_t> EncodePngRgba(int32_t width, int32_t height, const std::vector<uint8_t>& rgba);
// The icon as scalable pixels: one square per pixel, runs of a colour merged.
std::string EncodeSvg(const AppIcon& icon);

struct EncodedFile {
  std::string name;
  std::vector<uint8_t> bytes;
};
// sheet.bmp, sheet-mask.bmp, ground.bmp, glimmerkin.ico, blank.cur, and the
// app icon: app-icon-SIZE.png for each size and app-icon.svg.
std::vector<EncodedFile> EncodeAll(const Artwork& art);

}  // namespace glimmerkin::artgen
