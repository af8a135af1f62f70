#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "scene/sprite.h"
#include "scene_test_support.h"

namespace glimmerkin {
namespace {

// A sprite whose behaviour each test sets; it logs what happens to it.
struct Probe final : Sprite {
  Probe(int32_t id, int32_t key, std::vector<int32_t>* log, int32_t type = 1)
      : Sprite(0, key - 10, 10, 10), id(id), type(type), log(log) {}
  ~Probe() override {
    if (log) log->push_back(-id);
  }
  void Update(SpriteList& list) override {
    ++updates;
    if (log) log->push_back(id);
    if (onUpdate) onUpdate(list);
  }
  bool IsFinished() const override {
    ++finishedAsked;
    return finished;
  }
  void Draw(CellPainter& painter) override {
    cellX = id;
    Sprite::Draw(painter);
  }
  int32_t TypeId() const override { return type; }

  int32_t id;
  int32_t type;
  std::vector<int32_t>* log;
  bool finished = false;
  int updates = 0;
  mutable int finishedAsked = 0;
  std::function<void(SpriteList&)> onUpdate;
};

std::vector<int32_t> DrawOrder(const testing::RecordingPainter& painter) {
  std::vector<int32_t> ids;
  for (const auto& c : painter.calls) ids.push_back(c.cellX);
  return ids;
}

TEST(SpriteList, TickOnEmptyListDoesNothing) {
  testing::RecordingPainter painter;
  SpriteList list(800, 600, &painter);
  list.Tick();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(painter.calls.empty());
}

TEST(SpriteList, SpritesAddedDuringUpdateAreUpdatedSortedAndDrawnSameTick) {
  testing::RecordingPainter painter;
  std::vector<int32_t> log;  // outlives the list, whose sprites log their end
  SpriteList list(800, 600, &painter);
  auto first = std::make_unique<Probe>(1, 500, &log);
  Probe* grandchild = nullptr;
  first->onUpdate = [&](SpriteList& l) {
    if (l.Count() > 1) return;
    auto child = std::make_unique<Probe>(2, 100, &log);
    child->onUpdate = [&](SpriteList& l2) {
      if (grandchild) return;
      auto g = std::make_unique<Probe>(3, 300, &log);
      grandchild = g.get();
      l2.Add(std::move(g));
    };
    l.Add(std::move(child));
  };
  list.Add(std::move(first));
  list.Tick();
  EXPECT_EQ(log, (std::vector<int32_t>{1, 2, 3}));
  ASSERT_NE(grandchild, nullptr);
  EXPECT_EQ(grandchild->updates, 1);
  EXPECT_EQ(DrawOrder(painter), (std::vector<int32_t>{2, 3, 1}));
}

TEST(SpriteList, EqualKeysKeepTheirOrderAndLowKeysDrawFirst) {
  testing::RecordingPainter painter;
  SpriteList list(800, 600, &painter);
  list.Add(std::make_unique<Probe>(1, 50, nullptr));
  list.Add(std::make_unique<Probe>(2, 50, nullptr));
  list.Add(std::make_unique<Probe>(3, -100, nullptr));
  list.Add(std::make_unique<Probe>(4, 50, nullptr));
  list.Add(std::make_unique<Probe>(5, 20, nullptr));
  list.Tick();
  EXPECT_EQ(DrawOrder(painter), (std::vector<int32_t>{3, 5, 1, 2, 4}));
  // The sorted order carries into the next tick's update pass.
  EXPECT_EQ(static_cast<Probe*>(list.At(0))->id, 3);
  EXPECT_EQ(static_cast<Probe*>(list.At(4))->id, 4);
}

TEST(SpriteList, AdjacentFinishedSpritesAreAllRemovedInOrder) {
  std::vector<int32_t> log;
  SpriteList list(800, 600, nullptr);
  std::vector<Probe*> probes;
  for (int32_t i = 1; i <= 6; ++i) {
    auto p = std::make_unique<Probe>(i, 10 * i, &log);
    probes.push_back(p.get());
    list.Add(std::move(p));
  }
  probes[1]->finished = probes[2]->finished = probes[3]->finished = true;
  Probe* survivor = probes[4];
  list.Tick();
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(static_cast<Probe*>(list.At(0))->id, 1);
  EXPECT_EQ(static_cast<Probe*>(list.At(1))->id, 5);
  EXPECT_EQ(static_cast<Probe*>(list.At(2))->id, 6);
  EXPECT_EQ(survivor->finishedAsked, 1);
  // The finished ones were updated before they went, then destroyed.
  EXPECT_EQ(log, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, -2, -3, -4}));
}

TEST(SpriteList, FullListRefusesAndDestroysFurtherSprites) {
  SpriteList list(800, 600, nullptr);
  for (int32_t i = 0; i < SpriteList::kCapacity; ++i)
    list.Add(std::make_unique<Probe>(i + 1, 0, nullptr));
  EXPECT_EQ(list.Count(), 1028);
  std::vector<int32_t> log;
  list.Add(std::make_unique<Probe>(5000, 0, &log));
  EXPECT_EQ(list.Count(), 1028);
  EXPECT_EQ(log, (std::vector<int32_t>{-5000}));
}

TEST(SpriteList, SearchFiltersByTypeAndSkipsTheExcluded) {
  SpriteList list(800, 600, nullptr);
  std::vector<Probe*> p;
  const int32_t types[] = {1, 5, 1, 1, 5};
  for (int32_t i = 0; i < 5; ++i) {
    auto s = std::make_unique<Probe>(i, 0, nullptr, types[i]);
    p.push_back(s.get());
    list.Add(std::move(s));
  }
  std::vector<Sprite*> all;
  for (Sprite* s = list.Begin(0, nullptr); s; s = list.Next()) all.push_back(s);
  EXPECT_EQ(all, (std::vector<Sprite*>{p[0], p[1], p[2], p[3], p[4]}));
  EXPECT_EQ(list.Next(), nullptr);
  EXPECT_EQ(list.Next(), nullptr);

  std::vector<Sprite*> aliens;
  for (Sprite* s = list.Begin(1, p[2]); s; s = list.Next()) aliens.push_back(s);
  EXPECT_EQ(aliens, (std::vector<Sprite*>{p[0], p[3]}));
  // A new Begin abandons the running search.
  EXPECT_EQ(list.Begin(5, nullptr), p[1]);
  EXPECT_EQ(list.Begin(5, p[1]), p[4]);
  EXPECT_EQ(list.Next(), nullptr);
}

TEST(SpriteList, DestructionDestroysEveryStoredSprite) {
  std::vector<int32_t> log;
  {
    SpriteList list(800, 600, nullptr);
    list.Add(std::make_unique<Probe>(1, 0, &log));
    list.Add(std::make_unique<Probe>(2, 0, &log));
  }
  EXPECT_EQ(log, (std::vector<int32_t>{-1, -2}));
}

}  // namespace
}  // namespace glimmerkin
