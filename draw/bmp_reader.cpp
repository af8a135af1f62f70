#include "draw/bmp_reader.h"

#include <utility>

namespace glimmerkin {
namespace {

constexpr int64_t kMaxSide = 16384;
constexpr size_t kFileHeaderSize = 14;

uint32_t Read16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8); }

uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool Fail(DecodedBitmap& out, std::string* error, const char* reason) {
  out = DecodedBitmap{};
  if (error != nullptr) *error = reason;
  return false;
}

}  // namespace

bool DecodeBmp(const uint8_t* data, size_t size, DecodedBitmap& out, std::string* error) {
  out = DecodedBitmap{};
  if (data == nullptr || size < kFileHeaderSize + 4) return Fail(out, error, "too short for a BMP header");
  if (data[0] != 'B' || data[1] != 'M') return Fail(out, error, "not a BMP file (bad magic)");
  const uint64_t pixelOffset = Read32(data + 10);
  const uint64_t headerSize = Read32(data + 14);
  if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
      headerSize != 124) {
    return Fail(out, error, "unsupported info header size");
  }
  if (kFileHeaderSize + headerSize > size) return Fail(out, error, "truncated info header");
  const uint8_t* info = data + kFileHeaderSize;
  const int64_t width = static_cast<int32_t>(Read32(info + 4));
  const int64_t rawHeight = static_cast<int32_t>(Read32(info + 8));
  const uint32_t planes = Read16(info + 12);
  const uint32_t bits = Read16(info + 14);
  const uint32_t compression = Read32(info + 16);
  const uint64_t coloursUsed = Read32(info + 32);

  if (width <= 0 || rawHeight == 0) return Fail(out, error, "width or height not positive");
  const bool topDown = rawHeight < 0;
  const int64_t height = topDown ? -rawHeight : rawHeight;
  if (width > kMaxSide || height > kMaxSide) return Fail(out, error, "image larger than 16384 pixels");
  if (planes != 1) return Fail(out, error, "plane count is not 1");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
    return Fail(out, error, "unsupported bits per pixel");
  }
  if (compression != 0) return Fail(out, error, "compressed BMP not supported");

  // Palette: right after the info header, four bytes an entry.
  uint64_t paletteCount = 0;
  if (bits <= 8) {
    const uint64_t maxColours = uint64_t{1} << bits;
    paletteCount = coloursUsed == 0 ? maxColours : coloursUsed;
    if (paletteCount > maxColours) return Fail(out, error, "palette larger than the bit depth allows");
  }
  const uint64_t paletteStart = kFileHeaderSize + headerSize;
  const uint64_t paletteEnd = paletteStart + 4 * paletteCount;
  if (paletteEnd > size) return Fail(out, error, "truncated palette");
  if (pixelOffset < paletteEnd) return Fail(out, error, "pixel data overlaps the headers");
  if (pixelOffset > size) return Fail(out, error, "pixel offset past the end of the file");

  const uint64_t stride = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4;
  const uint64_t lastRow = (static_cast<uint64_t>(width) * bits + 7) / 8;
  // The last row may omit its padding; every other row must be whole.
  const uint64_t needed = stride * static_cast<uint64_t>(height - 1) + lastRow;
  if (needed > size - pixelOffset) return Fail(out, error, "truncated pixel data");

  uint32_t palette[256] = {};
  for (uint64_t i = 0; i < paletteCount; ++i) {
    const uint8_t* e = data + paletteStart + 4 * i;
    palette[i] = (static_cast<uint32_t>(e[2]) << 16) | (static_cast<uint32_t>(e[1]) << 8) | e[0];
  }

  std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int64_t row = 0; row < height; ++row) {
    const int64_t y = topDown ? row : height - 1 - row;
    const uint8_t* src = data + pixelOffset + stride * static_cast<uint64_t>(row);
    uint32_t* dst = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
    for (int64_t x = 0; x < width; ++x) {
      if (bits == 24) {
        const uint8_t* p = src + 3 * x;
        dst[x] = (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
        continue;
      }
      uint32_t index = 0;
      if (bits == 8) {
        index = src[x];
      } else if (bits == 4) {
        const uint8_t byte = src[x / 2];
        index = (x % 2 == 0) ? (byte >> 4) : (byte & 0x0F);
      } else {
        index = (src[x / 8] >> (7 - x % 8)) & 1u;
      }
      if (index >= paletteCount) return Fail(out, error, "palette index past the palette");
      dst[x] = palette[index];
    }
  }
  out.width = static_cast<int32_t>(width);
  out.height = static_cast<int32_t>(height);
  out.pixels = std::move(pixels);
  return true;
}

}  // namespace glimmerkin
