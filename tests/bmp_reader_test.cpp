#include "draw/bmp_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace glimmerkin {
namespace {

// ------------------------------------------------------------ a BMP builder

struct Spec {
  int32_t width = 0;
  int32_t height = 0;  // negative for top-down rows
  uint16_t bits = 8;
  uint16_t planes = 1;
  uint32_t headerSize = 40;
  uint32_t compression = 0;
  std::vector<uint32_t> palette;  // 0x00RRGGBB
  int64_t coloursUsed = -1;       // -1: the palette's size
  std::vector<std::vector<uint32_t>> rows;  // top-down; indices or 0x00RRGGBB
  int64_t pixelOffset = -1;       // -1: right after the palette
};

void Put16(std::vector<uint8_t>& o, uint32_t v) {
  o.push_back(static_cast<uint8_t>(v));
  o.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& o, uint32_t v) {
  Put16(o, v & 0xFFFF);
  Put16(o, v >> 16);
}

std::vector<uint8_t> Build(const Spec& s) {
  const uint32_t paletteBytes = static_cast<uint32_t>(4 * s.palette.size());
  const uint32_t offset = s.pixelOffset >= 0 ? static_cast<uint32_t>(s.pixelOffset)
                                             : 14 + s.headerSize + paletteBytes;
  const uint32_t stride = ((static_cast<uint32_t>(s.width) * s.bits + 31) / 32) * 4;
  std::vector<uint8_t> o;
  o.push_back('B');
  o.push_back('M');
  Put32(o, 0);
  Put32(o, 0);
  Put32(o, offset);
  Put32(o, s.headerSize);
  Put32(o, static_cast<uint32_t>(s.width));
  Put32(o, static_cast<uint32_t>(s.height));
  Put16(o, s.planes);
  Put16(o, s.bits);
  Put32(o, s.compression);
  Put32(o, 0);
  Put32(o, 2835);
  Put32(o, 2835);
  Put32(o, static_cast<uint32_t>(s.coloursUsed >= 0 ? s.coloursUsed : s.palette.size()));
  Put32(o, 0);
  o.resize(14 + s.headerSize, 0);
  for (uint32_t c : s.palette) {
    o.push_back(static_cast<uint8_t>(c));
    o.push_back(static_cast<uint8_t>(c >> 8));
    o.push_back(static_cast<uint8_t>(c >> 16));
    o.push_back(0);
  }
  if (o.size() < offset) o.resize(offset, 0);
  const size_t n = s.rows.size();
  for (size_t r = 0; r < n; ++r) {
    const auto& row = s.rows[s.height < 0 ? r : n - 1 - r];
    std::vector<uint8_t> bytes(stride, 0);
    for (size_t x = 0; x < row.size(); ++x) {
      const uint32_t v = row[x];
      switch (s.bits) {
        case 1: bytes[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8)); break;
        case 4: bytes[x / 2] |= static_cast<uint8_t>((v & 15) << (x % 2 == 0 ? 4 : 0)); break;
        case 8: bytes[x] = static_cast<uint8_t>(v); break;
        case 24:
          bytes[3 * x] = static_cast<uint8_t>(v);
          bytes[3 * x + 1] = static_cast<uint8_t>(v >> 8);
          bytes[3 * x + 2] = static_cast<uint8_t>(v >> 16);
          break;
        default: break;
      }
    }
    o.insert(o.end(), bytes.begin(), bytes.end());
  }
  return o;
}

bool Decode(const std::vector<uint8_t>& bytes, DecodedBitmap& out, std::string* error = nullptr) {
  return DecodeBmp(bytes.data(), bytes.size(), out, error);
}

// Decoding must fail with a one-line reason and leave nothing behind.
void ExpectRejected(const std::vector<uint8_t>& bytes, const std::string& why) {
  DecodedBitmap out;
  out.width = 7;
  out.pixels.assign(3, 1);
  std::string error;
  EXPECT_FALSE(Decode(bytes, out, &error)) << why;
  EXPECT_FALSE(error.empty()) << why;
  EXPECT_EQ(error.find('\n'), std::string::npos) << why;
  EXPECT_EQ(out.width, 0) << why;
  EXPECT_EQ(out.height, 0) << why;
  EXPECT_TRUE(out.pixels.empty()) << why;
}

std::vector<uint32_t> Flatten(const std::vector<std::vector<uint32_t>>& rows) {
  std::vector<uint32_t> all;
  for (const auto& r : rows) all.insert(all.end(), r.begin(), r.end());
  return all;
}

Spec Small8() {
  Spec s;
  s.width = 3;
  s.height = 2;
  s.bits = 8;
  s.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  s.rows = {{1, 2, 3}, {3, 0, 1}};
  return s;
}

Spec Small1() {
  Spec s;
  s.width = 9;  // crosses a byte boundary
  s.height = 3;
  s.bits = 1;
  s.palette = {0x102030, 0xF0E0D0};
  s.rows = {{1, 0, 0, 0, 0, 0, 0, 1, 1}, {0, 1, 0, 1, 0, 1, 0, 1, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 1}};
  return s;
}

Spec Small4() {
  Spec s;
  s.width = 5;  // odd: the last byte holds one pixel
  s.height = 3;
  s.bits = 4;
  for (uint32_t i = 0; i < 16; ++i) s.palette.push_back(i * 0x111111);
  s.rows = {{0, 1, 2, 3, 4}, {15, 14, 13, 12, 11}, {7, 8, 7, 8, 7}};
  return s;
}

Spec Small24() {
  Spec s;
  s.width = 3;  // 9 bytes a row, padded to 12
  s.height = 3;
  s.bits = 24;
  s.rows = {{0x123456, 0xABCDEF, 0x000001}, {0xFF0000, 0x00FF00, 0x0000FF}, {0x010203, 0x040506, 0x070809}};
  return s;
}

std::vector<uint32_t> Expected(const Spec& s) {
  std::vector<uint32_t> want;
  for (uint32_t v : Flatten(s.rows)) want.push_back(s.bits == 24 ? v : s.palette[v]);
  return want;
}

// ------------------------------------------------------------ supported input

TEST(BmpReader, DecodesEachDepthBottomUpAndTopDown) {
  for (Spec s : {Small1(), Small4(), Small8(), Small24()}) {
    for (bool topDown : {false, true}) {
      if (topDown) s.height = -s.height;
      DecodedBitmap out;
      std::string error;
      ASSERT_TRUE(Decode(Build(s), out, &error)) << s.bits << " bpp: " << error;
      EXPECT_EQ(out.width, s.width);
      EXPECT_EQ(out.height, static_cast<int32_t>(s.rows.size()));
      EXPECT_EQ(out.pixels, Expected(s)) << s.bits << " bpp, top-down " << topDown;
      if (topDown) s.height = -s.height;
    }
  }
}

TEST(BmpReader, AcceptsV4AndV5Headers) {
  for (uint32_t header : {108u, 124u}) {
    Spec s = Small8();
    s.headerSize = header;
    DecodedBitmap out;
    ASSERT_TRUE(Decode(Build(s), out)) << header;
    EXPECT_EQ(out.pixels, Expected(s));
  }
}

TEST(BmpReader, UsesAShortPaletteWhenColoursUsedSaysSo) {
  Spec s = Small8();  // four colours, indices 0..3
  DecodedBitmap out;
  ASSERT_TRUE(Decode(Build(s), out));
  EXPECT_EQ(out.pixels[0], 0xFF0000u);
}

TEST(BmpReader, AcceptsAGapBeforeThePixels) {
  Spec s = Small24();
  s.pixelOffset = 14 + 40 + 10;
  DecodedBitmap out;
  ASSERT_TRUE(Decode(Build(s), out));
  EXPECT_EQ(out.pixels, Expected(s));
}

TEST(BmpReader, AcceptsALastRowWithoutPadding) {
  std::vector<uint8_t> bytes = Build(Small24());
  bytes.resize(bytes.size() - 3);  // the last row's three pad bytes
  DecodedBitmap out;
  ASSERT_TRUE(Decode(bytes, out));
  EXPECT_EQ(out.pixels, Expected(Small24()));
}

// ------------------------------------------------------------ malformed input

TEST(BmpReader, RejectsEveryTruncation) {
  for (const Spec& s : {Small1(), Small4(), Small8(), Small24()}) {
    const std::vector<uint8_t> whole = Build(s);
    // Rows may lose their final padding, never pixel bytes.
    const size_t stride = ((static_cast<size_t>(s.width) * s.bits + 31) / 32) * 4;
    const size_t lastRow = (static_cast<size_t>(s.width) * s.bits + 7) / 8;
    const size_t shortest = whole.size() - (stride - lastRow);
    for (size_t n = 0; n < whole.size(); ++n) {
      // An exact-size copy, so that a sanitizer sees any read past the end.
      std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(n));
      DecodedBitmap out;
      std::string error;
      const bool ok = DecodeBmp(cut.empty() ? nullptr : cut.data(), n, out, &error);
      if (n >= shortest) {
        EXPECT_TRUE(ok) << s.bits << " bpp cut at " << n;
      } else {
        EXPECT_FALSE(ok) << s.bits << " bpp cut at " << n;
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(out.pixels.empty());
      }
    }
  }
}

TEST(BmpReader, RejectsBadMagic) {
  std::vector<uint8_t> b = Build(Small8());
  b[0] = 'M';
  b[1] = 'B';
  ExpectRejected(b, "magic MB");
  b[0] = 0;
  b[1] = 0;
  ExpectRejected(b, "magic zero");
}

TEST(BmpReader, RejectsBadSizes) {
  struct Case { int32_t w, h; const char* why; };
  for (const Case& c : {Case{0, 2, "zero width"}, Case{3, 0, "zero height"},
                        Case{-3, 2, "negative width"}, Case{16385, 1, "width 16385"},
                        Case{1, 16385, "height 16385"}, Case{1, -16385, "height -16385"},
                        Case{1, INT32_MIN, "height INT32_MIN"}, Case{INT32_MIN, 1, "width INT32_MIN"},
                        Case{INT32_MAX, 1, "width INT32_MAX"}}) {
    Spec s = Small8();
    std::vector<uint8_t> b = Build(s);
    for (int i = 0; i < 4; ++i) {
      b[18 + i] = static_cast<uint8_t>(static_cast<uint32_t>(c.w) >> (8 * i));
      b[22 + i] = static_cast<uint8_t>(static_cast<uint32_t>(c.h) >> (8 * i));
    }
    ExpectRejected(b, c.why);
  }
}

TEST(BmpReader, RejectsHugeSizesBackedByLittleData) {
  // Within the side limit, but the data could never hold the rows.
  for (uint16_t bits : {1, 4, 8, 24}) {
    Spec s;
    s.width = 16384;
    s.height = -16384;
    s.bits = bits;
    if (bits <= 8) s.palette.assign(size_t{1} << bits, 0x808080);
    ExpectRejected(Build(s), "16384 square with no rows");
  }
}

TEST(BmpReader, RejectsPaletteIndexPastPalette) {
  Spec s = Small8();
  s.rows[1][2] = 4;  // the palette has entries 0..3
  ExpectRejected(Build(s), "index 4 of 4");
  Spec f = Small4();
  f.palette.resize(3);  // a 4-bit image with three colours
  f.rows = {{0, 1, 2, 0, 1}, {2, 3, 0, 0, 0}, {0, 0, 0, 0, 0}};
  ExpectRejected(Build(f), "4-bit index 3 of 3");
  Spec o = Small1();
  o.palette.resize(1);
  ExpectRejected(Build(o), "1-bit index 1 of 1");
}

TEST(BmpReader, RejectsPaletteLargerThanTheDepthAllows) {
  Spec s = Small4();
  s.palette.resize(17, 0);
  ExpectRejected(Build(s), "17 colours at 4 bits");
  Spec e = Small8();
  e.coloursUsed = 257;
  ExpectRejected(Build(e), "257 colours at 8 bits");
}

TEST(BmpReader, RejectsBadPixelOffsets) {
  std::vector<uint8_t> b = Build(Small8());
  for (uint32_t offset : {static_cast<uint32_t>(b.size()) + 1, 0xFFFFFFFFu, 0u, 14u + 40u,
                          14u + 40u + 15u}) {
    std::vector<uint8_t> c = b;
    for (int i = 0; i < 4; ++i) c[10 + i] = static_cast<uint8_t>(offset >> (8 * i));
    ExpectRejected(c, "pixel offset " + std::to_string(offset));
  }
}

TEST(BmpReader, RejectsUnsupportedFormats) {
  for (uint16_t bits : {0, 2, 16, 32, 64}) {
    Spec s = Small24();
    s.bits = bits;
    ExpectRejected(Build(s), "bits " + std::to_string(bits));
  }
  for (uint32_t compression : {1u, 2u, 3u, 4u, 5u, 6u}) {
    Spec s = Small8();
    s.compression = compression;
    ExpectRejected(Build(s), "compression " + std::to_string(compression));
  }
  Spec p = Small8();
  p.planes = 2;
  ExpectRejected(Build(p), "two planes");
  for (uint32_t header : {0u, 12u, 39u, 41u, 64u, 0xFFFFFFFFu}) {
    std::vector<uint8_t> b = Build(Small8());
    for (int i = 0; i < 4; ++i) b[14 + i] = static_cast<uint8_t>(header >> (8 * i));
    ExpectRejected(b, "header size " + std::to_string(header));
  }
}

TEST(BmpReader, RejectsNullAndEmptyInput) {
  DecodedBitmap out;
  std::string error;
  EXPECT_FALSE(DecodeBmp(nullptr, 0, out, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(DecodeBmp(nullptr, 100, out, nullptr));
  const uint8_t bm[2] = {'B', 'M'};
  EXPECT_FALSE(DecodeBmp(bm, sizeof bm, out, nullptr));
}

// ------------------------------------------------------------ the shipped artwork

std::vector<uint8_t> ReadResource(const std::string& name) {
  std::ifstream in(std::string(GLIMMERKIN_RESOURCE_DIR) + "/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(BmpReaderArtwork, SheetAndMaskAgree) {
  const std::vector<uint8_t> sheetBytes = ReadResource("sheet.bmp");
  const std::vector<uint8_t> maskBytes = ReadResource("sheet-mask.bmp");
  ASSERT_FALSE(sheetBytes.empty());
  ASSERT_FALSE(maskBytes.empty());
  DecodedBitmap sheet, mask;
  std::string error;
  ASSERT_TRUE(Decode(sheetBytes, sheet, &error)) << error;
  ASSERT_TRUE(Decode(maskBytes, mask, &error)) << error;
  ASSERT_EQ(sheet.width, 840);
  ASSERT_EQ(sheet.height, 522);
  ASSERT_EQ(mask.width, 840);
  ASSERT_EQ(mask.height, 522);
  size_t opaque = 0;
  for (size_t i = 0; i < sheet.pixels.size(); ++i) {
    ASSERT_TRUE(mask.pixels[i] == 0 || mask.pixels[i] == 0xFFFFFF) << i;
    const bool white = mask.pixels[i] == 0xFFFFFF;
    const bool grey = sheet.pixels[i] == 0x606060;
    ASSERT_NE(white, grey) << "pixel " << i % 840 << "," << i / 840;
    opaque += white;
  }
  EXPECT_GT(opaque, 20000u);
}

TEST(BmpReaderArtwork, GroundIsASubduedGreyTile) {
  const std::vector<uint8_t> bytes = ReadResource("ground.bmp");
  DecodedBitmap ground;
  std::string error;
  ASSERT_TRUE(Decode(bytes, ground, &error)) << error;
  ASSERT_EQ(ground.width, 640);
  ASSERT_EQ(ground.height, 480);
  uint64_t sum = 0;
  for (uint32_t p : ground.pixels) {
    const int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
    EXPECT_LE(std::abs(r - b), 8);  // grey, not coloured
    ASSERT_GT(g, 60);
    ASSERT_LT(g, 180);
    sum += static_cast<uint64_t>(g);
  }
  const uint64_t mean = sum / ground.pixels.size();
  EXPECT_GT(mean, 95u);
  EXPECT_LT(mean, 140u);
}

TEST(BmpReaderArtwork, TruncatedGroundIsRejectedAtEveryLength) {
  const std::vector<uint8_t> bytes = ReadResource("ground.bmp");
  ASSERT_FALSE(bytes.empty());
  for (size_t n = 0; n < bytes.size(); ++n) {
    DecodedBitmap out;
    ASSERT_FALSE(DecodeBmp(bytes.data(), n, out, nullptr)) << n;
  }
}

}  // namespace
}  // namespace glimmerkin
