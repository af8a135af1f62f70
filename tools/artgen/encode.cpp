#include "tools/artgen/artwork.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

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

namespace {

void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

uint32_t Crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBig32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBig32(out, Crc32(out.data() + start, out.size() - start));
}

}  // namespace

std::vector<uint8_t> EncodePngRgba(int32_t width, int32_t height, const std::vector<uint8_t>& rgba) {
  // Each row: filter type 0, then the pixels.
  std::vector<uint8_t> raw;
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  for (int32_t y = 0; y < height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), rgba.begin() + static_cast<std::ptrdiff_t>(y * rowBytes),
               rgba.begin() + static_cast<std::ptrdiff_t>((y + 1) * rowBytes));
  }
  // zlib stream of stored blocks: no compressor needed, the same bytes everywhere.
  std::vector<uint8_t> z{0x78, 0x01};
  for (size_t at = 0; at < raw.size() || at == 0;) {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    const bool last = at + n == raw.size();
    z.push_back(last ? 1 : 0);
    Put16(z, static_cast<uint32_t>(n));
    Put16(z, static_cast<uint32_t>(~n & 0xFFFF));
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
             raw.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
    if (last) break;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  PutBig32(z, (b << 16) | a);
  std::vector<uint8_t> out{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> header;
  PutBig32(header, static_cast<uint32_t>(width));
  PutBig32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, no interlace
  Chunk(out, "IHDR", header);
  Chunk(out, "IDAT", z);
  Chunk(out, "IEND", {});
  return out;
}

std::string EncodeSvg(const AppIcon& icon) {
  const int32_t n = icon.size;
  std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(n * 4) +
                    "\" height=\"" + std::to_string(n * 4) + "\" viewBox=\"0 0 " +
                    std::to_string(n) + " " + std::to_string(n) +
                    "\" shape-rendering=\"crispEdges\">\n";
  const auto at = [&](int32_t x, int32_t y) { return &icon.rgba[(static_cast<size_t>(y) * n + x) * 4]; };
  for (int32_t y = 0; y < n; ++y) {
    for (int32_t x = 0; x < n;) {
      const uint8_t* p = at(x, y);
      int32_t end = x + 1;
      while (end < n && std::equal(p, p + 4, at(end, y))) ++end;
      if (p[3] != 0) {
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%02x%02x%02x", p[0], p[1], p[2]);
        out += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
               std::to_string(end - x) + "\" height=\"1\" fill=\"" + colour + "\"/>\n";
      }
      x = end;
    }
  }
  out += "</svg>\n";
  return out;
}

std::vector<EncodedFile> EncodeAll(const Artwork& art) {
  std::vector<EncodedFile> files{
      {"sheet.bmp", EncodeBmp8(art.sheet)},
      {"sheet-mask.bmp", EncodeBmp1(art.sheet.width, art.sheet.height, art.sheetMask)},
      {"ground.bmp", EncodeBmp8(art.ground)},
      {"glimmerkin.ico", EncodeIcon(art.icon, art.iconMask)},
      {"blank.cur", EncodeBlankCursor()},
  };
  for (const AppIcon& icon : art.appIcons) {
    files.push_back({"app-icon-" + std::to_string(icon.size) + ".png",
                     EncodePngRgba(icon.size, icon.size, icon.rgba)});
    // The scalable one is the 32-pixel drawing, the .ico's picture.
    if (icon.size == kIconSize) {
      const std::string svg = EncodeSvg(icon);
      files.push_back({"app-icon.svg", std::vector<uint8_t>(svg.begin(), svg.end())});
    }
  }
  return files;
}

}  // namespace glimmerkin::artgen
