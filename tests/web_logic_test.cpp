// The web page's portable parts, built natively: the inflater against zlib,
// the compressed resource table, the query string and the canvas plan.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "host/web/inflate.h"
#include "host/web/page_options.h"
#include "host/web/web_resources.h"

namespace glimmerkin {
namespace {

std::vector<uint8_t> DeflateRaw(const std::vector<uint8_t>& in, int level, int strategy) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 9, strategy), Z_OK);
  std::vector<uint8_t> out(deflateBound(&z, static_cast<uLong>(in.size())) + 16);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

// Text-like, run-heavy, random and empty inputs at every level and strategy,
// so stored, fixed and dynamic blocks and long and overlapping matches all
// occur.
std::vector<std::vector<uint8_t>> Samples() {
  std::vector<std::vector<uint8_t>> samples;
  samples.push_back({});
  samples.push_back({42});
  std::mt19937 rng(7);
  std::vector<uint8_t> random(70000);
  for (auto& b : random) b = static_cast<uint8_t>(rng());
  samples.push_back(random);
  std::vector<uint8_t> runs;
  for (int i = 0; i < 3000; ++i) runs.insert(runs.end(), static_cast<size_t>(1 + i % 300), static_cast<uint8_t>(i % 5));
  samples.push_back(runs);
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "small aliens of two kinds walk about " + std::to_string(i * 37 % 101) + "\n";
  samples.emplace_back(text.begin(), text.end());
  std::vector<uint8_t> few(200000);
  for (auto& b : few) b = static_cast<uint8_t>(rng() % 3 == 0 ? rng() % 7 : 0);
  samples.push_back(few);
  return samples;
}

TEST(Inflate, AgreesWithZlibAtEveryLevelAndStrategy) {
  int checked = 0;
  for (const auto& sample : Samples()) {
    for (int level = 0; level <= 9; ++level) {
      for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED}) {
        const auto packed = DeflateRaw(sample, level, strategy);
        std::vector<uint8_t> out{1, 2, 3};
        ASSERT_TRUE(Inflate(packed.data(), packed.size(), sample.size(), out))
            << "size " << sample.size() << " level " << level << " strategy " << strategy;
        ASSERT_EQ(out, sample);
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 6 * 10 * 5);
}

TEST(Inflate, TheShippedBitmapsRoundTrip) {
  for (const char* name : {"sheet.bmp", "sheet-mask.bmp", "ground.bmp"}) {
    const auto file = ReadFile(std::string(GLIMMERKIN_RESOURCE_DIR) + "/" + name);
    ASSERT_GT(file.size(), 1000u) << name;
    const auto packed = DeflateRaw(file, 9, Z_DEFAULT_STRATEGY);
    EXPECT_LT(packed.size(), file.size() / 3) << name;
    std::vector<uint8_t> out;
    ASSERT_TRUE(Inflate(packed.data(), packed.size(), file.size(), out)) << name;
    EXPECT_EQ(out, file) << name;
  }
}

TEST(Inflate, RefusesOutputBeyondTheLimit) {
  const std::vector<uint8_t> zeros(100000, 0);
  const auto packed = DeflateRaw(zeros, 9, Z_DEFAULT_STRATEGY);
  std::vector<uint8_t> out;
  EXPECT_FALSE(Inflate(packed.data(), packed.size(), zeros.size() - 1, out));
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(Inflate(packed.data(), packed.size(), zeros.size(), out));
  EXPECT_EQ(out.size(), zeros.size());
}

TEST(Inflate, EveryTruncationFails) {
  const auto sample = Samples()[4];
  const auto packed = DeflateRaw(sample, 6, Z_DEFAULT_STRATEGY);
  std::vector<uint8_t> out;
  for (size_t n = 0; n < packed.size(); ++n) {
    EXPECT_FALSE(Inflate(packed.data(), n, sample.size(), out)) << n;
    EXPECT_TRUE(out.empty());
  }
}

TEST(Inflate, MalformedStreamsFailSafely) {
  std::vector<uint8_t> out;
  // Block type 3 is reserved.
  const uint8_t reserved[] = {0x07, 0x00};
  EXPECT_FALSE(Inflate(reserved, sizeof reserved, 1000, out));
  // A stored block whose length and complement disagree.
  const uint8_t stored[] = {0x01, 0x05, 0x00, 0x00, 0x00, 'a', 'b', 'c', 'd', 'e'};
  EXPECT_FALSE(Inflate(stored, sizeof stored, 1000, out));
  const uint8_t storedOk[] = {0x01, 0x05, 0x00, 0xFA, 0xFF, 'a', 'b', 'c', 'd', 'e'};
  ASSERT_TRUE(Inflate(storedOk, sizeof storedOk, 1000, out));
  EXPECT_EQ(std::string(out.begin(), out.end()), "abcde");
  // A fixed block whose first code is a match reaching before the start.
  const uint8_t farBack[] = {0x03, 0x02, 0x00};
  EXPECT_FALSE(Inflate(farBack, sizeof farBack, 1000, out));
  EXPECT_FALSE(Inflate(nullptr, 5, 1000, out));
  EXPECT_FALSE(Inflate(nullptr, 0, 1000, out));

  // Random damage to a real stream: it may still decode (to something), but
  // never beyond the limit and never outside its input.
  const auto sample = Samples()[5];
  const auto packed = DeflateRaw(sample, 9, Z_DEFAULT_STRATEGY);
  std::mt19937 rng(11);
  int failures = 0;
  for (int trial = 0; trial < 400; ++trial) {
    auto damaged = packed;
    for (int k = 0; k < 3; ++k)
      damaged[rng() % damaged.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
    const bool ok = Inflate(damaged.data(), damaged.size(), sample.size(), out);
    EXPECT_LE(out.size(), sample.size());
    if (!ok) {
      EXPECT_TRUE(out.empty());
      ++failures;
    }
  }
  EXPECT_GT(failures, 0);
  std::vector<uint8_t> noise(5000);
  for (int trial = 0; trial < 200; ++trial) {
    for (auto& b : noise) b = static_cast<uint8_t>(rng());
    Inflate(noise.data(), noise.size(), 1 << 20, out);
    EXPECT_LE(out.size(), size_t{1} << 20);
  }
}

TEST(InflatedResource, DecodesOnceAndRefusesDamage) {
  const std::string text(5000, 'g');
  const std::vector<uint8_t> raw(text.begin(), text.end());
  const auto packed = DeflateRaw(raw, 9, Z_DEFAULT_STRATEGY);
  auto damaged = packed;
  damaged.resize(damaged.size() / 2);
  const DeflatedResource table[] = {
      {7, packed.data(), packed.size(), raw.size()},
      {8, damaged.data(), damaged.size(), raw.size()},
      // The right stream with the wrong size recorded: refused too.
      {9, packed.data(), packed.size(), raw.size() + 1},
  };
  const ResourceBytes a = InflatedResource(table, 3, 7);
  ASSERT_EQ(a.size, raw.size());
  EXPECT_EQ(std::vector<uint8_t>(a.data, a.data + a.size), raw);
  const ResourceBytes again = InflatedResource(table, 3, 7);
  EXPECT_EQ(again.data, a.data);
  EXPECT_EQ(InflatedResource(table, 3, 8).data, nullptr);
  EXPECT_EQ(InflatedResource(table, 3, 9).data, nullptr);
  EXPECT_EQ(InflatedResource(table, 3, 10).data, nullptr);
  EXPECT_EQ(InflatedResource(table, 0, 7).data, nullptr);
}

TEST(PageQuery, DefaultsWithoutParameters) {
  for (const char* q : {"", "?", "?&&", "?foo=bar", "?=5", "?seed", "?seed="}) {
    const PageOptions o = ParsePageQuery(q);
    EXPECT_FALSE(o.hasSeed) << q;
    EXPECT_EQ(o.aliens, 9) << q;
    EXPECT_EQ(o.speed, 5) << q;
    EXPECT_FALSE(o.fixedSize) << q;
    EXPECT_FALSE(o.hasTicks) << q;
    EXPECT_FALSE(o.bench) << q;
  }
}

TEST(PageQuery, GoodValues) {
  const PageOptions o = ParsePageQuery("?seed=4294967295&aliens=25&speed=10&size=320x240&ticks=500");
  EXPECT_TRUE(o.hasSeed);
  EXPECT_EQ(o.seed, 4294967295u);
  EXPECT_EQ(o.aliens, 25);
  EXPECT_EQ(o.speed, 10);
  EXPECT_TRUE(o.fixedSize);
  EXPECT_EQ(o.width, 320);
  EXPECT_EQ(o.height, 240);
  EXPECT_TRUE(o.hasTicks);
  EXPECT_EQ(o.ticks, 500u);
  const PageOptions p = ParsePageQuery("seed=0&aliens=0&speed=1&ticks=0&bench=1&size=1x1");
  EXPECT_TRUE(p.hasSeed);
  EXPECT_EQ(p.seed, 0u);
  EXPECT_EQ(p.aliens, 0);
  EXPECT_EQ(p.speed, 1);
  EXPECT_TRUE(p.hasTicks);
  EXPECT_EQ(p.ticks, 0u);
  EXPECT_TRUE(p.bench);
  EXPECT_EQ(p.width, 1);
  EXPECT_EQ(ParsePageQuery("?aliens=1028").aliens, 1028);
  EXPECT_EQ(ParsePageQuery("?size=8192x4096").height, 4096);
  EXPECT_EQ(ParsePageQuery("?ticks=20000").ticks, 20000u);
  EXPECT_EQ(ParsePageQuery("?seed=007").seed, 7u);
}

TEST(PageQuery, BadOrAbsurdValuesKeepTheirDefaults) {
  const char* bad[] = {
      "?seed=4294967296", "?seed=-1", "?seed=1e3", "?seed=%31", "?seed=+5", "?seed= 5",
      "?seed=99999999999999999999", "?aliens=-3", "?aliens=1029", "?aliens=abc", "?aliens=9.5",
      "?speed=0", "?speed=11", "?speed=-5", "?size=0x100", "?size=100x0", "?size=100",
      "?size=x", "?size=100x100x100", "?size=8193x10", "?size=8192x8192", "?size=-5x10",
      "?size=100X100", "?ticks=20001", "?ticks=-1", "?ticks=abc", "?ticks=4294967296",
      "?bench=yes", "?bench=2"};
  for (const char* q : bad) {
    const PageOptions o = ParsePageQuery(q);
    EXPECT_FALSE(o.hasSeed) << q;
    EXPECT_EQ(o.aliens, 9) << q;
    EXPECT_EQ(o.speed, 5) << q;
    EXPECT_FALSE(o.fixedSize) << q;
    EXPECT_FALSE(o.hasTicks) << q;
    EXPECT_FALSE(o.bench) << q;
  }
  // Each value stands alone: a bad one does not spoil the others.
  const PageOptions o = ParsePageQuery("?aliens=-3&seed=12&speed=99&ticks=40");
  EXPECT_EQ(o.aliens, 9);
  EXPECT_EQ(o.seed, 12u);
  EXPECT_EQ(o.speed, 5);
  EXPECT_EQ(o.ticks, 40u);
  // The first occurrence counts, even when it is bad.
  EXPECT_EQ(ParsePageQuery("?aliens=3&aliens=4").aliens, 3);
  EXPECT_EQ(ParsePageQuery("?aliens=x&aliens=4").aliens, 9);
  // A very long query is read without trouble.
  std::string longQuery = "?";
  for (int i = 0; i < 10000; ++i) longQuery += "k" + std::to_string(i) + "=v&";
  longQuery += "aliens=6";
  EXPECT_EQ(ParsePageQuery(longQuery).aliens, 6);
}

TEST(CanvasPlanning, WindowAtEachPixelRatio) {
  const PageOptions window;
  CanvasPlan p = PlanCanvas(window, 800, 600, 1);
  EXPECT_EQ(p.pixelSize, 1);
  EXPECT_EQ(p.stageWidth, 800);
  EXPECT_EQ(p.stageHeight, 600);
  EXPECT_EQ(p.canvasWidth, 800);
  EXPECT_EQ(p.canvasHeight, 600);
  // A ratio of 2 is 192 dpi: pixel size 2, the stage is the CSS size.
  p = PlanCanvas(window, 800, 600, 2);
  EXPECT_EQ(p.pixelSize, 2);
  EXPECT_EQ(p.canvasWidth, 1600);
  EXPECT_EQ(p.stageWidth, 800);
  EXPECT_EQ(p.stageHeight, 600);
  // 1.5 is 144 dpi: drawn one to one in device pixels.
  p = PlanCanvas(window, 801, 601, 1.5);
  EXPECT_EQ(p.pixelSize, 1);
  EXPECT_EQ(p.canvasWidth, 1202);
  EXPECT_EQ(p.canvasHeight, 902);
  EXPECT_EQ(p.stageWidth, 1202);
  // 1.75 is 168 dpi: pixel size 2, the stage rounds up.
  p = PlanCanvas(window, 101, 100, 1.75);
  EXPECT_EQ(p.pixelSize, 2);
  EXPECT_EQ(p.canvasWidth, 177);
  EXPECT_EQ(p.stageWidth, 89);
  EXPECT_EQ(p.stageHeight, 88);
  EXPECT_EQ(PlanCanvas(window, 100, 100, 3).pixelSize, 3);
  EXPECT_EQ(PlanCanvas(window, 100, 100, 4).pixelSize, 4);
  EXPECT_EQ(PlanCanvas(window, 100, 100, 8).pixelSize, 4);
}

TEST(CanvasPlanning, AbsurdWindowsStayBounded) {
  const PageOptions window;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (double w : {0.0, -5.0, nan, 0.2}) {
    const CanvasPlan p = PlanCanvas(window, w, w, 1);
    EXPECT_EQ(p.canvasWidth, 1);
    EXPECT_EQ(p.stageWidth, 1);
    EXPECT_EQ(p.stageHeight, 1);
  }
  for (double r : {0.0, -1.0, nan, inf, 1000.0}) {
    const CanvasPlan p = PlanCanvas(window, 640, 480, r);
    EXPECT_EQ(p.pixelSize, 1) << r;
    EXPECT_EQ(p.canvasWidth, 640) << r;
  }
  const CanvasPlan huge = PlanCanvas(window, 1e12, inf, 1);
  EXPECT_LE(huge.canvasWidth, kMaxCanvasSide);
  EXPECT_LE(int64_t{huge.canvasWidth} * huge.canvasHeight, kMaxCanvasPixels);
  EXPECT_GE(huge.canvasHeight, 1);
}

TEST(CanvasPlanning, FixedSize) {
  const PageOptions fixed = ParsePageQuery("?size=300x200");
  CanvasPlan p = PlanCanvas(fixed, 1000, 1000, 1);
  EXPECT_EQ(p.stageWidth, 300);
  EXPECT_EQ(p.stageHeight, 200);
  EXPECT_EQ(p.canvasWidth, 300);
  p = PlanCanvas(fixed, 1000, 1000, 2);
  EXPECT_EQ(p.stageWidth, 300);
  EXPECT_EQ(p.pixelSize, 2);
  EXPECT_EQ(p.canvasWidth, 600);
  EXPECT_EQ(p.canvasHeight, 400);
  // Too big to enlarge: one to one.
  const PageOptions big = ParsePageQuery("?size=8192x4096");
  p = PlanCanvas(big, 10, 10, 2);
  EXPECT_EQ(p.pixelSize, 1);
  EXPECT_EQ(p.canvasWidth, 8192);
  EXPECT_EQ(p.canvasHeight, 4096);
}

TEST(CanvasPixels, ChannelOrderAndAlpha) {
  EXPECT_EQ(ToCanvasPixel(0x00112233u), 0xFF332211u);
  EXPECT_EQ(ToCanvasPixel(0xAB112233u), 0xFF332211u);
  uint32_t word = ToCanvasPixel(0x00102030u);
  uint8_t bytes[4];
  std::memcpy(bytes, &word, 4);
  EXPECT_EQ(bytes[0], 0x10);  // R
  EXPECT_EQ(bytes[1], 0x20);  // G
  EXPECT_EQ(bytes[2], 0x30);  // B
  EXPECT_EQ(bytes[3], 0xFF);  // A
}

TEST(CanvasPixels, EnlargedRectanglesBecomeCanvasPixelsInPlace) {
  Surface source;
  ASSERT_TRUE(source.Allocate(3, 2));
  for (int32_t i = 0; i < 6; ++i) source.Pixels()[i] = 0x010000u * static_cast<uint32_t>(i + 1);
  for (int32_t size = 1; size <= 4; ++size) {
    // A target one device pixel short on each side: the frame is cut.
    const int32_t w = 3 * size - 1, h = 2 * size - 1, stride = w + 3;
    std::vector<uint32_t> target(static_cast<size_t>(stride) * h, 0xDEADBEEFu);
    const RasterView canvas{target.data(), w, h, stride};
    // In two pieces, as a frame's changed rectangles come.
    for (const Rect& r : {Rect{0, 0, 3, 1}, Rect{0, 1, 3, 1}}) {
      EnlargeRect(canvas, source.View(), r, size);
      ToCanvasPixels(canvas, Enlarged(r, size, w, h));
    }
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < stride; ++x) {
        const uint32_t got = target[static_cast<size_t>(y) * stride + x];
        if (x >= w)
          EXPECT_EQ(got, 0xDEADBEEFu) << "beyond the row, size " << size;
        else
          EXPECT_EQ(got, ToCanvasPixel(source.At(x / size, y / size)))
              << x << "," << y << " size " << size;
      }
  }
  // Nothing drawn for empty or invalid canvases and rectangles.
  std::vector<uint32_t> one(1, 7);
  ToCanvasPixels({one.data(), 1, 1, 0}, Rect{0, 0, 1, 1});
  ToCanvasPixels({nullptr, 1, 1, 1}, Rect{0, 0, 1, 1});
  ToCanvasPixels({one.data(), 1, 1, 1}, Rect{1, 0, 5, 5});
  ToCanvasPixels({one.data(), 1, 1, 1}, Rect{-3, -3, 3, 3});
  EXPECT_EQ(one[0], 7u);
}

}  // namespace
}  // namespace glimmerkin
