// Frames composed with damage tracking are the full recomposition, pixel for
// pixel, whatever the size, pixel size, number of scenes or buffer ages.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "animation/scene_plan.h"
#include "animation/scene_set.h"
#include "animation/stage.h"

namespace glimmerkin {
namespace {

struct Platform final : StagePlatform {
  uint32_t CurrentTimeSeconds() override { return seed; }
  Settings ReadSettings() override { return settings; }
  int32_t ScreenWidth() override { return StageSide(width, pixelSize); }
  int32_t ScreenHeight() override { return StageSide(height, pixelSize); }
  int32_t PixelSize() override { return pixelSize; }
  ReferenceContext GetReferenceContext() override { return {}; }
  uint32_t seed = 1;
  Settings settings;
  int32_t width = 0;  // of the screen, in screen pixels
  int32_t height = 0;
  int32_t pixelSize = 1;
};

MemoryTarget nowhere;

// The full recomposition, enlarged here by its own plain loop: the ground
// as a screen-sized surface holds it (every tile drawn whole, then the
// caption), every cell the frame drew drawn whole over it, every pixel made
// a pixelSize square.
class Reference {
 public:
  explicit Reference(Platform platform) : width_(platform.width), height_(platform.height) {
    CreateStage(stage_, platform, nullptr);
  }
  ~Reference() { DestroyStage(stage_, nullptr); }
  std::vector<uint32_t> Next() {
    RunFrame(stage_, nowhere);
    return Whole();
  }
  // The frame as it stands, without a step.
  std::vector<uint32_t> Whole() const {
    const Stage& stage = stage_;
    Surface frame = CreateWorkSurface(nullptr, stage.screenWidth, stage.screenHeight);
    for (int32_t i = 0; i < (stage.screenHeight + 479) / 480 + 1; ++i)
      for (int32_t j = 0; j < (stage.screenWidth + 639) / 640 + 1; ++j)
        stage.ground->DrawWhole(640 * j, 480 * i, frame);
    stage.sheet->DrawCell(493, 490, stage.screenWidth - 325, stage.screenHeight - 37, 345, 32,
                          frame);
    for (const CellDraw& d : stage.draws)
      stage.sheet->DrawCell(d.cell.x, d.cell.y, d.x, d.y, d.cell.width, d.cell.height, frame);
    std::vector<uint32_t> out(static_cast<size_t>(width_) * height_);
    const int32_t p = stage.pixelSize;
    for (int32_t y = 0; y < height_; ++y)
      for (int32_t x = 0; x < width_; ++x)
        out[static_cast<size_t>(y) * width_ + x] = frame.At(x / p, y / p);
    return out;
  }
  Stage& TheStage() { return stage_; }

 private:
  Stage stage_;
  int32_t width_;
  int32_t height_;
};

// A window whose pixels the display keeps: the frame path composes the
// pieces side by side into a small strip, and the window takes them only
// later, as a display server reads shared memory, when the strip is to be
// reused or the frame is presented. Checks that every piece lies inside the
// frame and the strip, and that the rectangles presented hold every piece.
class StripWindow final : public PresentTarget {
 public:
  StripWindow(int32_t width, int32_t height, int32_t stripWidth, int32_t stripHeight)
      : width_(width), height_(height), window_(static_cast<size_t>(width) * height, 0xDEADBEEFu),
        strip_(static_cast<size_t>(stripWidth) * stripHeight, 0xFEEDu),
        stripWidth_(stripWidth), stripHeight_(stripHeight) {}
  PresentBuffer Acquire() override {
    PresentBuffer buffer;
    buffer.pixels = RasterView{strip_.data(), stripWidth_, stripHeight_, stripWidth_};
    buffer.age = fresh_ ? 0u : 1u;
    buffer.strip = true;
    buffer.width = width_;
    buffer.height = height_;
    shown_.clear();
    return buffer;
  }
  void Put(const Rect& shown, int32_t fromX, int32_t fromY) override {
    ASSERT_FALSE(shown.Empty());
    ASSERT_TRUE(shown.x >= 0 && shown.y >= 0 && shown.Right() <= width_ &&
                shown.Bottom() <= height_);
    ASSERT_TRUE(fromX >= 0 && fromY >= 0 && fromX + shown.width <= stripWidth_ &&
                fromY + shown.height <= stripHeight_);
    pending_.push_back(Piece{shown, fromX, fromY});
    shown_.push_back(shown);
  }
  void Reuse() override { Take(); }
  void Present(std::span<const Rect> changed) override {
    Take();
    fresh_ = false;
    for (const Rect& piece : shown_) {
      bool held = false;
      for (const Rect& r : changed) held = held || Intersection(piece, r) == piece;
      ASSERT_TRUE(held) << "a piece put outside the rectangles presented";
    }
  }
  const std::vector<uint32_t>& Pixels() const { return window_; }
  std::vector<uint32_t>& Pixels() { return window_; }

 private:
  struct Piece {
    Rect shown;
    int32_t fromX, fromY;
  };
  void Take() {
    for (const Piece& p : pending_)
      for (int32_t y = 0; y < p.shown.height; ++y)
        for (int32_t x = 0; x < p.shown.width; ++x)
          window_[static_cast<size_t>(p.shown.y + y) * width_ + p.shown.x + x] =
              strip_[static_cast<size_t>(p.fromY + y) * stripWidth_ + p.fromX + x];
    pending_.clear();
  }
  int32_t width_, height_;
  std::vector<uint32_t> window_;
  std::vector<uint32_t> strip_;
  int32_t stripWidth_, stripHeight_;
  std::vector<Piece> pending_;
  std::vector<Rect> shown_;
  bool fresh_ = true;
};

// Several buffers taken in turn, as a compositor hands them back; now and
// then none is free and the frame is not shown. Each checks that nothing
// outside the rectangles it is given was written, and that they are
// disjoint and inside it.
class Buffers final : public PresentTarget {
 public:
  Buffers(int count, int32_t width, int32_t height, int skipEvery)
      : width_(width), height_(height), skipEvery_(skipEvery) {
    for (int i = 0; i < count; ++i)
      memory_.emplace_back(static_cast<size_t>(width) * height, 0xDEADBEEFu);
    filledAt_.assign(static_cast<size_t>(count), 0);
  }
  void NextFrame() { ++frame_; }
  PresentBuffer Acquire() override {
    if (skipEvery_ > 0 && frame_ % skipEvery_ == 0) return PresentBuffer{};
    current_ = static_cast<size_t>(turn_++ % memory_.size());
    before_ = memory_[current_];
    const uint64_t filled = filledAt_[current_];
    return PresentBuffer{RasterView{memory_[current_].data(), width_, height_, width_},
                         filled == 0 ? 0u : static_cast<uint32_t>(frame_ - filled)};
  }
  void Present(std::span<const Rect> changed) override {
    shown_ = true;
    filledAt_[current_] = frame_;
    std::vector<uint8_t> inside(static_cast<size_t>(width_) * height_, 0);
    for (size_t i = 0; i < changed.size(); ++i) {
      const Rect& r = changed[i];
      ASSERT_FALSE(r.Empty());
      ASSERT_TRUE(r.x >= 0 && r.y >= 0 && r.Right() <= width_ && r.Bottom() <= height_);
      for (int32_t y = r.y; y < r.Bottom(); ++y)
        for (int32_t x = r.x; x < r.Right(); ++x) {
          uint8_t& seen = inside[static_cast<size_t>(y) * width_ + x];
          ASSERT_EQ(seen, 0) << "rectangles overlap at " << x << "," << y;
          seen = 1;
        }
      area_ += r.Area();
    }
    const std::vector<uint32_t>& now = memory_[current_];
    for (size_t i = 0; i < now.size(); ++i) {
      if (inside[i] != 0) continue;
      ASSERT_EQ(now[i], before_[i]) << "written outside the change at " << i;
    }
  }
  // The buffer just shown, or null when the frame was not shown.
  const std::vector<uint32_t>* TakeShown() {
    if (!shown_) return nullptr;
    shown_ = false;
    return &memory_[current_];
  }
  int64_t Area() const { return area_; }

 private:
  int32_t width_, height_;
  int skipEvery_;
  std::vector<std::vector<uint32_t>> memory_;
  std::vector<uint64_t> filledAt_;
  std::vector<uint32_t> before_;
  uint64_t frame_ = 0;
  uint64_t turn_ = 0;
  size_t current_ = 0;
  bool shown_ = false;
  int64_t area_ = 0;
};

// Runs the damage path beside the full recomposition and compares every
// frame shown. Returns the pixels presented, for the cost checks.
int64_t CompareFrames(const Platform& platform, int frames, int buffers, int skipEvery) {
  Reference reference(platform);
  Platform own = platform;
  Stage stage;
  CreateStage(stage, own, nullptr);
  Buffers target(buffers, platform.width, platform.height, skipEvery);
  for (int frame = 1; frame <= frames; ++frame) {
    const std::vector<uint32_t> expected = reference.Next();
    target.NextFrame();
    RunFrame(stage, target);
    if (::testing::Test::HasFatalFailure()) break;
    const std::vector<uint32_t>* shown = target.TakeShown();
    if (shown == nullptr) continue;
    if (*shown != expected) {
      ADD_FAILURE() << platform.width << "x" << platform.height << " pixel size "
                    << platform.pixelSize << ", " << buffers << " buffers: frame " << frame
                    << " differs from the full recomposition";
      break;
    }
  }
  DestroyStage(stage, nullptr);
  return target.Area();
}

TEST(FramePath, EqualsTheFullRecompositionForEverySizeAndPixelSize) {
  struct Case {
    int32_t width, height, pixelSize, aliens, frames;
  };
  const Case cases[] = {
      {333, 222, 1, 9, 3000}, {640, 480, 1, 25, 2000}, {401, 301, 2, 9, 2000},
      {283, 197, 3, 12, 1500}, {257, 131, 4, 9, 1500}, {71, 73, 1, 9, 1000},
      {1, 1, 1, 9, 200},      {3, 2, 4, 9, 200},      {1, 1, 3, 9, 100},
  };
  for (const Case& c : cases) {
    Platform platform;
    platform.seed = 20261209u + static_cast<uint32_t>(c.width);
    platform.width = c.width;
    platform.height = c.height;
    platform.pixelSize = c.pixelSize;
    platform.settings.alienCount = c.aliens;
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " at " +
                 std::to_string(c.pixelSize));
    CompareFrames(platform, c.frames, 1, 0);
  }
}

// Buffers that come back one to four frames old, and frames with no
// buffer free, get exactly what they missed.
TEST(FramePath, EveryBufferAgeGetsWhatItMissed) {
  for (int buffers = 1; buffers <= 4; ++buffers) {
    for (int skip : {0, 3, 7}) {
      Platform platform;
      platform.seed = 777u + static_cast<uint32_t>(buffers);
      platform.width = 320;
      platform.height = 200;
      platform.pixelSize = buffers == 3 ? 2 : 1;
      platform.settings.alienCount = 16;
      SCOPED_TRACE(std::to_string(buffers) + " buffers, skipping every " + std::to_string(skip));
      CompareFrames(platform, 800, buffers, skip);
    }
  }
}

// Crowds, sprites half off the stage and long thin stages: hundreds of
// rectangles a frame, still exact.
TEST(FramePath, CrowdsAndExtremeStagesStayExact) {
  Platform crowd;
  crowd.seed = 4;
  crowd.width = 200;
  crowd.height = 150;
  crowd.settings.alienCount = 1028;  // the list full: a rectangle per sprite
  CompareFrames(crowd, 150, 2, 0);
  Platform teeming;  // 25 aliens on a small stage: couples, babies, shadows
  teeming.seed = 99;
  teeming.width = 240;
  teeming.height = 180;
  teeming.settings.alienCount = 25;
  CompareFrames(teeming, 3000, 3, 5);
  Platform wide;
  wide.seed = 5;
  wide.width = kMaxMonitorSide;
  wide.height = 3;
  wide.pixelSize = 2;
  CompareFrames(wide, 40, 1, 0);
}

// Several scenes sharing one screen, planned afresh (monitors come and go)
// every few frames: each area shows its own lone scene exactly.
TEST(FramePath, ScenesOfSeveralMonitorsAndChangingLayouts) {
  const int32_t screenWidth = 700, screenHeight = 260;
  std::vector<uint32_t> screen(static_cast<size_t>(screenWidth) * screenHeight, 0);
  for (int layout = 0; layout < 12; ++layout) {
    std::vector<Monitor> monitors(1 + layout % 3);
    for (size_t i = 0; i < monitors.size(); ++i) {
      monitors[i].x = static_cast<int32_t>(i) * 233;
      monitors[i].width = 233;
      monitors[i].height = 200 + static_cast<int32_t>(i) * 30;
      monitors[i].automaticPixelSize = 1 + static_cast<int32_t>(i + static_cast<size_t>(layout)) % 4;
    }
    const auto plan = PlanScenes(monitors, 0, 31u * static_cast<uint32_t>(layout));
    SceneSet scenes;
    scenes.Create(plan, Settings{5, 9, 0}, nullptr, nullptr);
    std::vector<MemoryTarget> targets;
    for (const SceneArea& area : plan)
      targets.emplace_back(RasterView{screen.data() + area.x, area.width, area.height, screenWidth});
    std::vector<std::unique_ptr<Reference>> references;
    for (const SceneArea& area : plan) {
      Platform p;
      p.seed = area.seed;
      p.width = area.width;
      p.height = area.height;
      p.pixelSize = area.pixelSize;
      references.push_back(std::make_unique<Reference>(p));
    }
    for (int frame = 0; frame < 40; ++frame) {
      scenes.RunFrames([&](size_t i) -> PresentTarget& { return targets[i]; });
      for (size_t i = 0; i < plan.size(); ++i) {
        const std::vector<uint32_t> expected = references[i]->Next();
        for (int32_t y = 0; y < plan[i].height; ++y)
          for (int32_t x = 0; x < plan[i].width; ++x)
            ASSERT_EQ(screen[static_cast<size_t>(y) * screenWidth + plan[i].x + x],
                      expected[static_cast<size_t>(y) * plan[i].width + x])
                << "layout " << layout << " scene " << i << " frame " << frame;
      }
    }
    scenes.Destroy(nullptr);
  }
}

// A window the display keeps, given pieces through strips of any size
// (smaller than a cell, one pixel high, narrower than a pixel square, none
// at all): every frame it shows is the full recomposition, also with the
// sprite list full.
TEST(FramePath, PiecesThroughAStripEqualTheFullRecomposition) {
  struct Case {
    int32_t width, height, pixelSize, aliens, frames, stripWidth, stripHeight;
  };
  const Case cases[] = {
      {333, 222, 1, 9, 400, 37, 23},   {401, 301, 2, 25, 300, 64, 8},
      {283, 197, 3, 12, 300, 1024, 256}, {257, 131, 4, 9, 200, 9, 5},
      {300, 200, 1, 1028, 60, 100, 1}, {250, 190, 3, 1028, 40, 17, 300},
      {1, 1, 1, 9, 30, 1, 1},          {50, 40, 2, 9, 30, 1, 1},
  };
  for (const Case& c : cases) {
    Platform platform;
    platform.seed = 31u + static_cast<uint32_t>(c.width);
    platform.width = c.width;
    platform.height = c.height;
    platform.pixelSize = c.pixelSize;
    platform.settings.alienCount = c.aliens;
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " at " +
                 std::to_string(c.pixelSize) + ", strip " + std::to_string(c.stripWidth) + "x" +
                 std::to_string(c.stripHeight));
    Reference reference(platform);
    Platform own = platform;
    Stage stage;
    CreateStage(stage, own, nullptr);
    StripWindow window(c.width, c.height, c.stripWidth, c.stripHeight);
    // Too narrow a strip for one square shows nothing, and says so.
    const bool shows = c.stripWidth >= c.pixelSize && c.stripHeight >= c.pixelSize;
    for (int frame = 1; frame <= c.frames; ++frame) {
      const std::vector<uint32_t> expected = reference.Next();
      RunFrame(stage, window);
      if (::testing::Test::HasFatalFailure()) break;
      if (!shows) {
        ASSERT_EQ(window.Pixels(), std::vector<uint32_t>(window.Pixels().size(), 0xDEADBEEFu));
        continue;
      }
      if (window.Pixels() != expected) {
        ADD_FAILURE() << "frame " << frame << " differs from the full recomposition";
        break;
      }
    }
    DestroyStage(stage, nullptr);
  }
}

// Uncovered parts of a window, any and many, partly or wholly off the
// frame, are composed afresh without a step: each shows the frame as it
// stands, and nothing else of the window changes.
TEST(FramePath, ExposedPartsShowTheFrameAsItStands) {
  for (int32_t pixelSize = 1; pixelSize <= 3; ++pixelSize) {
    Platform platform;
    platform.seed = 8u + static_cast<uint32_t>(pixelSize);
    platform.width = 530;
    platform.height = 310;
    platform.pixelSize = pixelSize;
    platform.settings.alienCount = pixelSize == 2 ? 1028 : 15;
    Reference reference(platform);
    StripWindow window(platform.width, platform.height, 70, 40);
    // Black before the first frame.
    PresentArea(reference.TheStage(), window, Rect{-5, -5, 2000, 2000});
    ASSERT_EQ(window.Pixels(), std::vector<uint32_t>(window.Pixels().size(), 0u));
    uint32_t state = 99;
    const auto next = [&](int32_t below) {
      state = state * 1103515245u + 12345u;
      return static_cast<int32_t>((state >> 8) % static_cast<uint32_t>(below));
    };
    for (int frame = 0; frame < 30; ++frame) {
      reference.Next();
      const std::vector<uint32_t> expected = reference.Whole();
      for (int expose = 0; expose < 12; ++expose) {
        const Rect area{next(700) - 100, next(450) - 100, next(300), next(200)};
        std::vector<uint32_t>& pixels = window.Pixels();
        std::fill(pixels.begin(), pixels.end(), 0xDEADBEEFu);
        PresentArea(reference.TheStage(), window, area);
        ASSERT_FALSE(::testing::Test::HasFatalFailure());
        for (int32_t y = 0; y < platform.height; ++y)
          for (int32_t x = 0; x < platform.width; ++x) {
            const size_t i = static_cast<size_t>(y) * platform.width + x;
            const bool in = x >= area.x && y >= area.y && x < area.Right() && y < area.Bottom();
            // Beyond the area only whole stage pixels it reaches into may
            // be written, and then rightly.
            if (in || pixels[i] != 0xDEADBEEFu) {
              ASSERT_EQ(pixels[i], expected[i])
                  << (in ? "inside" : "beside") << " frame " << frame << " at " << x << "," << y;
            }
          }
      }
    }
  }
}

// Merging keeps every pixel covered, covers none twice, and never outgrows
// the room the caller reserved, however the rectangles lie.
TEST(MergeDamageTest, CoversEverythingOnceWithinItsRoom) {
  uint32_t state = 12345;
  const auto next = [&](int32_t below) {
    state = state * 1103515245u + 12345u;
    return static_cast<int32_t>((state >> 8) % static_cast<uint32_t>(below));
  };
  constexpr int32_t kSide = 300;
  for (int round = 0; round < 300; ++round) {
    std::vector<Rect> rects;
    const int32_t count = 1 + next(40);
    // Exactly the room the input takes, half the time: pieces cannot all fit.
    rects.reserve(round % 2 == 0 ? static_cast<size_t>(count) : static_cast<size_t>(count) * 4);
    const size_t room = rects.capacity();
    std::vector<uint8_t> wanted(kSide * kSide, 0);
    for (int32_t i = 0; i < count; ++i) {
      const Rect r{next(kSide), next(kSide), next(90) - 5, next(60) - 5};
      rects.push_back(r);
      for (int32_t y = r.y; y < r.Bottom() && y < kSide; ++y)
        for (int32_t x = r.x; x < r.Right() && x < kSide; ++x) wanted[static_cast<size_t>(y) * kSide + x] = 1;
    }
    MergeDamage(rects);
    ASSERT_LE(rects.capacity(), room);
    std::vector<uint8_t> got(kSide * kSide, 0);
    for (const Rect& r : rects) {
      ASSERT_FALSE(r.Empty());
      for (int32_t y = r.y; y < r.Bottom(); ++y)
        for (int32_t x = r.x; x < r.Right(); ++x) {
          if (x >= kSide || y >= kSide) continue;
          uint8_t& seen = got[static_cast<size_t>(y) * kSide + x];
          ASSERT_EQ(seen, 0) << "covered twice at " << x << "," << y << " in round " << round;
          seen = 1;
        }
    }
    for (size_t i = 0; i < wanted.size(); ++i) {
      if (wanted[i] == 0) continue;
      ASSERT_EQ(got[i], 1) << "lost pixel " << i << " in round " << round;
    }
  }
}

// What a frame costs: at 1080p with the default nine aliens, a frame shows
// a small part of the screen, far from the whole.
TEST(FramePath, AFrameShowsWhatMovedNotTheScreen) {
  Platform platform;
  platform.seed = 1234;
  platform.width = 1920;
  platform.height = 1080;
  platform.settings.alienCount = 9;
  Stage stage;
  CreateStage(stage, platform, nullptr);
  std::vector<uint32_t> screen(static_cast<size_t>(1920) * 1080);
  MemoryTarget target(RasterView{screen.data(), 1920, 1080, 1920});
  RunFrame(stage, target);
  EXPECT_EQ(target.LastArea(), int64_t{1920} * 1080);  // the first frame is whole
  int64_t area = 0;
  for (int i = 0; i < 500; ++i) {
    RunFrame(stage, target);
    area += target.LastArea();
  }
  EXPECT_LT(area / 500, int64_t{1920} * 1080 / 20);
  DestroyStage(stage, nullptr);
}

}  // namespace
}  // namespace glimmerkin
