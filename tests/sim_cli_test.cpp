// The simulator as a user runs it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "scene/random.h"

namespace {

// A folder of the test process's own, removed at exit: the tests leave
// nothing behind in the temporary directory.
// Never destroyed, so that the exit handler can still read it.
const std::string& Scratch() {
  static const std::string* path = [] {
    auto* made = new std::string(::testing::TempDir() + "/glimmerkin-sim-test-XXXXXX");
    if (mkdtemp(made->data()) == nullptr) {
      *made = ::testing::TempDir();
      return made;
    }
    std::atexit([] { std::filesystem::remove_all(Scratch()); });
    return made;
  }();
  return *path;
}

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

Result RunSim(const std::string& args) {
  // One file per test process: ctest runs the cases in parallel.
  const std::string errFile = Scratch() + "/stderr.txt";
  const std::string command = std::string(GLIMMERKIN_SIM_PATH) + " " + args + " 2>" + errFile;
  Result r;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
  const int raw = pclose(pipe);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  if (FILE* f = fopen(errFile.c_str(), "r")) {
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) r.err.append(buffer, n);
    fclose(f);
  }
  std::remove(errFile.c_str());
  return r;
}

int CountLines(const std::string& text) {
  int lines = 0;
  for (char c : text) lines += c == '\n';
  return lines;
}

TEST(SimTrace, HeaderAndFirstBlock) {
  const Result r = RunSim("trace --seed 1 --size 1024x768 --ticks 0");
  ASSERT_EQ(r.status, 0) << r.err;
  glimmerkin::SeedRandom(1);
  for (int i = 0; i < 9 * 10; ++i) glimmerkin::RandomStep();
  const std::string expectedStart = "glimmerkin-trace 1 seed 1 size 1024 768 aliens 9\ntick 0 sprites 9 rng " +
                                    std::to_string(glimmerkin::RandomState()) + "\n1 742 319 0 0\n";
  EXPECT_EQ(r.out.substr(0, expectedStart.size()), expectedStart);
  EXPECT_EQ(CountLines(r.out), 1 + 1 + 9);
  EXPECT_TRUE(r.err.empty());
}

TEST(SimTrace, BlocksForEveryTickAndRepeatable) {
  const Result a = RunSim("trace --seed 20261208 --size 800x600 --ticks 300 --aliens 25");
  const Result b = RunSim("trace --seed 20261208 --size 800x600 --ticks 300 --aliens 25");
  ASSERT_EQ(a.status, 0);
  EXPECT_EQ(a.out, b.out);
  size_t blocks = 0;
  for (size_t p = a.out.find("tick "); p != std::string::npos; p = a.out.find("\ntick ", p + 1)) ++blocks;
  EXPECT_EQ(blocks, 301u);
  EXPECT_NE(a.out.find("\ntick 300 sprites "), std::string::npos);
  EXPECT_EQ(a.out.find("  "), std::string::npos);
  EXPECT_EQ(a.out.back(), '\n');
}

TEST(SimTrace, AbsurdAlienCountMakesAFullList) {
  const Result r = RunSim("trace --seed 3 --size 640x480 --ticks 0 --aliens 2147483647");
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("tick 0 sprites 1028 rng"), std::string::npos);
}

TEST(SimTrace, UsageErrorsExitTwoWithOneLine) {
  const char* bad[] = {
      "",
      "trace",
      "trace --seed 1 --size 1024x768",
      "trace --seed -1 --size 1024x768 --ticks 1",
      "trace --seed 4294967296 --size 1024x768 --ticks 1",
      "trace --seed x --size 1024x768 --ticks 1",
      "trace --seed 1 --size 0x768 --ticks 1",
      "trace --seed 1 --size 1024x-5 --ticks 1",
      "trace --seed 1 --size 1024 --ticks 1",
      "trace --seed 1 --size 1024x768x3 --ticks 1",
      "trace --seed 1 --size 100000x100000 --ticks 1",
      "trace --seed 1 --size 99999999999x2 --ticks 1",
      "trace --seed 1 --size 1024x768 --ticks -2",
      "trace --seed 1 --size 1024x768 --ticks 1 --aliens 2147483648",
      "trace --seed 1 --size 1024x768 --ticks 1 --aliens nine",
      "trace --seed 1 --size 1024x768 --ticks 1 --bogus",
      "frobnicate",
  };
  for (const char* args : bad) {
    const Result r = RunSim(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(CountLines(r.err), 1) << args << ": " << r.err;
    EXPECT_TRUE(r.out.empty()) << args;
  }
}

}  // namespace

namespace {

std::string ReadFile(const std::string& path) {
  std::string data;
  if (FILE* f = fopen(path.c_str(), "rb")) {
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) data.append(buffer, n);
    fclose(f);
  }
  return data;
}

uint32_t BigEndian32(const std::string& data, size_t at) {
  return (uint32_t{static_cast<uint8_t>(data[at])} << 24) |
         (uint32_t{static_cast<uint8_t>(data[at + 1])} << 16) |
         (uint32_t{static_cast<uint8_t>(data[at + 2])} << 8) | uint32_t{static_cast<uint8_t>(data[at + 3])};
}

TEST(SimRender, WritesAPngOfTheStageSize) {
  const std::string out = Scratch() + "/render.png";
  const Result r = RunSim("render --seed 9 --size 333x222 --ticks 40 --out " + out);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string png = ReadFile(out);
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  EXPECT_EQ(BigEndian32(png, 16), 333u);
  EXPECT_EQ(BigEndian32(png, 20), 222u);
}

TEST(SimRender, FrameSequenceMatchesSingleRenders) {
  const std::string dir = Scratch();
  ASSERT_EQ(RunSim("frames --seed 4 --size 400x300 --ticks 25 --count 3 --outdir " + dir).status, 0);
  ASSERT_EQ(RunSim("render --seed 4 --size 400x300 --ticks 27 --out " + dir + "/single.png").status, 0);
  const std::string third = ReadFile(dir + "/frame-00002.png");
  ASSERT_FALSE(third.empty());
  EXPECT_EQ(third, ReadFile(dir + "/single.png"));
  EXPECT_NE(ReadFile(dir + "/frame-00000.png"), third);
}

TEST(SimRender, ContactSheetAndUsageErrors) {
  const std::string out = Scratch() + "/contact.png";
  const Result r = RunSim("contact-sheet --out " + out);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string png = ReadFile(out);
  ASSERT_GT(png.size(), 33u);
  EXPECT_GT(BigEndian32(png, 16), 840u);
  EXPECT_EQ(RunSim("contact-sheet --out " + out + " --scale 9").status, 2);
  EXPECT_EQ(RunSim("render --seed 1 --size 10x10 --ticks 1").status, 2);
  EXPECT_EQ(RunSim("frames --seed 1 --size 10x10 --ticks 1 --count 0 --outdir /tmp").status, 2);
  const Result bad = RunSim("render --seed 1 --size 10x10 --ticks 1 --out /nonexistent/dir/x.png");
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(CountLines(bad.err), 1);
}

std::vector<uint32_t> DecodePng(const std::string& path, uint32_t& width, uint32_t& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  std::vector<uint32_t> pixels;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return pixels;
  image.format = PNG_FORMAT_BGRA;
  pixels.resize(size_t{image.width} * image.height);
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) pixels.clear();
  width = image.width;
  height = image.height;
  return pixels;
}

TEST(SimRender, PixelSizeEnlargesTheSmallerStageAndCutsIt) {
  const std::string big = Scratch() + "/big.png";
  const std::string small = Scratch() + "/small.png";
  // 401x301 at pixel size 2 runs on a 201x151 stage; the last column and
  // row of the enlargement are cut.
  ASSERT_EQ(RunSim("render --seed 77 --size 401x301 --ticks 60 --pixel-size 2 --out " + big).status, 0);
  ASSERT_EQ(RunSim("render --seed 77 --size 201x151 --ticks 60 --out " + small).status, 0);
  uint32_t bw = 0, bh = 0, sw = 0, sh = 0;
  const auto enlarged = DecodePng(big, bw, bh);
  const auto stage = DecodePng(small, sw, sh);
  ASSERT_EQ(bw, 401u);
  ASSERT_EQ(bh, 301u);
  ASSERT_EQ(sw, 201u);
  ASSERT_EQ(sh, 151u);
  ASSERT_FALSE(enlarged.empty());
  for (uint32_t y = 0; y < bh; ++y)
    for (uint32_t x = 0; x < bw; ++x)
      ASSERT_EQ(enlarged[size_t{y} * bw + x], stage[size_t{y / 2} * sw + x / 2]) << x << "," << y;
  // frames takes it too; sizes outside 1..4 are usage errors.
  ASSERT_EQ(RunSim("frames --seed 77 --size 401x301 --ticks 60 --count 1 --pixel-size 2 --outdir " +
                   Scratch()).status, 0);
  EXPECT_EQ(ReadFile(Scratch() + "/frame-00000.png"), ReadFile(big));
  for (const char* bad : {"0", "5", "-1", "x", ""})
    EXPECT_EQ(RunSim(std::string("render --seed 1 --size 10x10 --ticks 1 --out ") + big +
                     " --pixel-size '" + bad + "'").status, 2) << bad;
}

TEST(SimCli, VersionAndHelp) {
  const Result version = RunSim("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "glimmerkin-sim " GLIMMERKIN_VERSION "\n");
  const Result help = RunSim("render --help");
  EXPECT_EQ(help.status, 0);
  for (const char* word : {"--seed", "--size", "--ticks", "--aliens", "--out", "--pixel-size"})
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

}  // namespace

namespace {

// The damage outline: the same picture with the changed rectangles framed,
// and each frame's count and area printed.
TEST(SimRender, OutlinedDamageFramesOnlyWhatChanged) {
  const std::string plain = Scratch() + "/plain";
  const std::string outlined = Scratch() + "/outlined";
  std::filesystem::create_directories(plain);
  std::filesystem::create_directories(outlined);
  ASSERT_EQ(RunSim("frames --seed 8 --size 640x480 --ticks 30 --count 2 --outdir " + plain).status, 0);
  const Result r = RunSim("frames --seed 8 --size 640x480 --ticks 30 --count 2 --outline-damage --outdir " +
                          outlined);
  ASSERT_EQ(r.status, 0) << r.err;
  unsigned tick = 0, rects = 0;
  long long area = 0;
  ASSERT_EQ(std::sscanf(r.out.c_str(), "tick %u: %u rectangles, %lld pixels", &tick, &rects, &area), 3)
      << r.out;
  EXPECT_EQ(tick, 30u);
  EXPECT_GT(rects, 0u);
  EXPECT_GT(area, 0);
  EXPECT_LT(area, 640 * 480 / 4);
  uint32_t w = 0, h = 0, w2 = 0, h2 = 0;
  const auto before = DecodePng(plain + "/frame-00001.png", w, h);
  const auto after = DecodePng(outlined + "/frame-00001.png", w2, h2);
  ASSERT_EQ(before.size(), after.size());
  ASSERT_FALSE(before.empty());
  size_t framed = 0;
  for (size_t i = 0; i < before.size(); ++i) {
    if (before[i] == after[i]) continue;
    ASSERT_EQ(after[i] & 0xFFFFFFu, 0xFF00FFu) << "changed but not by the outline at " << i;
    ++framed;
  }
  // A frame's outline is a thin line: far fewer pixels than it encloses.
  EXPECT_GT(framed, 0u);
  EXPECT_LT(static_cast<long long>(framed), area);
}

}  // namespace
