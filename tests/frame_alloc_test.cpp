// Frames allocate nothing but the sprites the scene creates.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <set>
#include <vector>

#include "animation/stage.h"
#include "scene/alien.h"
#include "scene/baby.h"
#include "scene/couple.h"
#include "scene/heart.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
size_t sizes[1 << 16];
std::atomic<size_t> sizeCount{0};
}  // namespace

void* operator new(size_t size) {
  if (counting.load(std::memory_order_relaxed)) {
    ++allocations;
    const size_t i = sizeCount++;
    if (i < std::size(sizes)) sizes[i] = size;
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace glimmerkin {
namespace {

struct QuietPlatform final : StagePlatform {
  uint32_t CurrentTimeSeconds() override { return 12345; }
  Settings ReadSettings() override { return settings; }
  int32_t ScreenWidth() override { return 800; }
  int32_t ScreenHeight() override { return 600; }
  ReferenceContext GetReferenceContext() override { return {}; }
  Settings settings;
};

// A window the display keeps: pieces come through a small strip.
class StripTarget final : public PresentTarget {
 public:
  PresentBuffer Acquire() override {
    PresentBuffer buffer;
    buffer.pixels = RasterView{strip_.data(), 96, 64, 96};
    buffer.age = 1;
    buffer.strip = true;
    buffer.width = 800;
    buffer.height = 600;
    return buffer;
  }
  void Put(const Rect&, int32_t, int32_t) override { ++puts; }
  void Present(std::span<const Rect>) override {}
  long puts = 0;

 private:
  std::vector<uint32_t> strip_ = std::vector<uint32_t>(96 * 64);
};

TEST(FrameAllocations, EmptySceneAllocatesNothing) {
  QuietPlatform platform;
  platform.settings.alienCount = 0;
  Stage stage;
  CreateStage(stage, platform, nullptr);
  std::vector<uint32_t> window(800 * 600);
  MemoryTarget target(RasterView{window.data(), 800, 600, 800});
  allocations = 0;
  counting = true;
  for (int i = 0; i < 200; ++i) RunFrame(stage, target);
  counting = false;
  EXPECT_EQ(allocations.load(), 0);
  DestroyStage(stage, nullptr);
}

TEST(FrameAllocations, OnlySpritesAreAllocatedAcrossThousandsOfFrames) {
  QuietPlatform platform;
  platform.settings.alienCount = 25;
  Stage stage;
  CreateStage(stage, platform, nullptr);
  std::vector<uint32_t> window(800 * 600);
  MemoryTarget target(RasterView{window.data(), 800, 600, 800});
  const std::set<size_t> spriteSizes = {sizeof(Alien), sizeof(Heart), sizeof(Couple),
                                        sizeof(Baby), sizeof(Shadow)};
  StripTarget strip;
  allocations = 0;
  sizeCount = 0;
  counting = true;
  // Frames through a whole buffer and through a strip, and exposes of any
  // part, whole or partly off the window.
  for (int i = 0; i < 6000; ++i) {
    if (i % 3 == 0)
      RunFrame(stage, strip);
    else
      RunFrame(stage, target);
    if (i % 10 == 0) PresentArea(stage, strip, Rect{i % 900 - 50, i % 700 - 50, 300, 200});
  }
  counting = false;
  EXPECT_GT(strip.puts, 6000);
  const size_t n = std::min(sizeCount.load(), std::size(sizes));
  ASSERT_GT(n, 0u) << "the scene created no sprites: the check proves nothing";
  for (size_t i = 0; i < n; ++i) EXPECT_TRUE(spriteSizes.count(sizes[i])) << sizes[i];
  DestroyStage(stage, nullptr);
}

}  // namespace
}  // namespace glimmerkin
