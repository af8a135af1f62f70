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
  allocations = 0;
  sizeCount = 0;
  counting = true;
  for (int i = 0; i < 6000; ++i) RunFrame(stage, target);
  counting = false;
  const size_t n = std::min(sizeCount.load(), std::size(sizes));
  ASSERT_GT(n, 0u) << "the scene created no sprites: the check proves nothing";
  for (size_t i = 0; i < n; ++i) EXPECT_TRUE(spriteSizes.count(sizes[i])) << sizes[i];
  DestroyStage(stage, nullptr);
}

}  // namespace
}  // namespace glimmerkin
