#include "tools/artgen/artwork.h"

namespace glimmerkin::artgen {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

uint32_t Stride(int32_t width, int bits) {
  return ((static_cast<uint32_t>(width) * bits + 31) / 32) * 4;
}

void InfoHeader(std::vector<uint8_t>& out, int32_t width, int32_t height, int bits,
                uint32_t imageBytes, uint32_t colours) {
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bits));
  Put32(out, 0);  // BI_RGB
  Put32(out, imageBytes);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, colours);
  Put32(out, 0);
}

void FileHeader(std::vector<uint8_t>& out, uint32_t fileSize, uint32_t pixelOffset) {
  out.push_back('B');
  out.push_back('M');
  Put32(out, fileSize);
  Put32(out, 0);
  Put32(out, pixelOffset);
}

void PaletteEntries(std::vector<uint8_t>& out, const std::vector<Rgb>& palette, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const Rgb c = i < palette.size() ? palette[i] : Rgb{};
    out.push_back(c.b);
    out.push_back(c.g);
    out.push_back(c.r);
    out.push_back(0);
  }
}

void Bits1Rows(std::vector<uint8_t>& out, int32_t width, int32_t height,
               const std::vector<uint8_t>& bits) {
  const uint32_t stride = Stride(width, 1);
  for (int32_t y = height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(stride, 0);
    for (int32_t x = 0; x < width; ++x) {
      if (bits[static_cast<size_t>(y) * width + x]) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}

}  // namespace

std::vector<uint8_t> EncodeBmp8(const IndexedImage& image) {
  const uint32_t stride = Stride(image.width, 8);
  const uint32_t imageBytes = stride * static_cast<uint32_t>(image.height);
  const uint32_t offset = 14 + 40 + 256 * 4;
  std::vector<uint8_t> out;
  out.reserve(offset + imageBytes);
  FileHeader(out, offset + imageBytes, offset);
  InfoHeader(out, image.width, image.height, 8, imageBytes, 256);
  PaletteEntries(out, image.palette, 256);
  for (int32_t y = image.height - 1; y >= 0; --y) {
    const uint8_t* row = &image.pixels[static_cast<size_t>(y) * image.width];
    out.insert(out.end(), row, row + image.width);
    out.insert(out.end(), stride - static_cast<uint32_t>(image.width), 0);
  }
  return out;
}

std::vector<uint8_t> EncodeBmp1(int32_t width, int32_t height, const std::vector<uint8_t>& bits) {
  const uint32_t imageBytes = Stride(width, 1) * static_cast<uint32_t>(height);
  const uint32_t offset = 14 + 40 + 2 * 4;
  std::vector<uint8_t> out;
  FileHeader(out, offset + imageBytes, offset);
  InfoHeader(out, width, height, 1, imageBytes, 2);
  PaletteEntries(out, {Rgb{0, 0, 0}, Rgb{255, 255, 255}}, 2);
  Bits1Rows(out, width, height, bits);
  return out;
}

std::vector<uint8_t> EncodeIcon(const IndexedImage& icon, const std::vector<uint8_t>& opaque) {
  const int32_t n = kIconSize;
  const uint32_t xorBytes = Stride(n, 4) * n;
  const uint32_t andBytes = Stride(n, 1) * n;
  const uint32_t dibBytes = 40 + 16 * 4 + xorBytes + andBytes;
  std::vector<uint8_t> out;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // icon
  Put16(out, 1);  // one image
  out.push_back(static_cast<uint8_t>(n));
  out.push_back(static_cast<uint8_t>(n));
  out.push_back(16);  // colours
  out.push_back(0);
  Put16(out, 1);  // planes
  Put16(out, 4);  // bits per pixel
  Put32(out, dibBytes);
  Put32(out, 6 + 16);
  // The image's height counts the colour bitmap and the mask together.
  InfoHeader(out, n, 2 * n, 4, xorBytes + andBytes, 0);
  PaletteEntries(out, icon.palette, 16);
  for (int32_t y = n - 1; y >= 0; --y) {
    for (int32_t x = 0; x < n; x += 2) {
      const size_t i = static_cast<size_t>(y) * n + x;
      const uint8_t hi = opaque[i] ? icon.pixels[i] & 0x0F : 0;
      const uint8_t lo = opaque[i + 1] ? icon.pixels[i + 1] & 0x0F : 0;
      out.push_back(static_cast<uint8_t>((hi << 4) | lo));
    }
  }
  std::vector<uint8_t> transparent(opaque.size());
  for (size_t i = 0; i < opaque.size(); ++i) transparent[i] = opaque[i] ? 0 : 1;
  Bits1Rows(out, n, n, transparent);
  return out;
}

std::vector<uint8_t> EncodeBlankCursor() {
  const int32_t n = 32;
  const uint32_t maskBytes = Stride(n, 1) * n;
  const uint32_t dibBytes = 40 + 2 * 4 + 2 * maskBytes;
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 2);  // cursor
  Put16(out, 1);
  out.push_back(static_cast<uint8_t>(n));
  out.push_back(static_cast<uint8_t>(n));
  out.push_back(0);
  out.push_back(0);
  Put16(out, 0);  // hot spot x
  Put16(out, 0);  // hot spot y
  Put32(out, dibBytes);
  Put32(out, 6 + 16);
  InfoHeader(out, n, 2 * n, 1, 2 * maskBytes, 2);
  PaletteEntries(out, {Rgb{0, 0, 0}, Rgb{255, 255, 255}}, 2);
  out.insert(out.end(), maskBytes, 0x00);  // XOR: nothing drawn
  out.insert(out.end(), maskBytes, 0xFF);  // AND: screen shows through everywhere
  return out;
}

std::vector<EncodedFile> EncodeAll(const Artwork& art) {
  return {
      {"sheet.bmp", EncodeBmp8(art.sheet)},
      {"sheet-mask.bmp", EncodeBmp1(art.sheet.width, art.sheet.height, art.sheetMask)},
      {"ground.bmp", EncodeBmp8(art.ground)},
      {"glimmerkin.ico", EncodeIcon(art.icon, art.iconMask)},
      {"blank.cur", EncodeBlankCursor()},
  };
}

}  // namespace glimmerkin::artgen
